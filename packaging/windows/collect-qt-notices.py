#!/usr/bin/env python3
"""Writes the notices of the third-party code inside the Windows Qt libraries that go
beside trevanto.exe, read from Qt's own source (its qt_attribution.json files and the
licence files they name), into one text file per Qt version:

    packaging/windows/collect-qt-notices.py QT_SOURCE_DIR >packaging/windows/licencas/Qt-terceiros-VERSION.txt

QT_SOURCE_DIR is Debian's qt6-base source as scripts/windows-package.sh unpacks it. The
lists below are what that build compiles into Qt6Core, Qt6Gui, Qt6Widgets,
Qt6PrintSupport and the windows, Windows style and ico plugins, with every third-party
library Qt's bundled copy: look again when Qt's version or its configuration changes.
"""
import json
import pathlib
import re
import sys

# In every Qt version built here (Ids are compared without case: Qt 6.8 spells
# icc-srgb-color-profile in lower case).
USED = [
    # Qt6Core.dll
    "zlib", "pcre2", "pcre2-sljit", "doubleconversion", "tinycbor", "easing",
    "unicode-character-database", "unicode-cldr", "siphash",
    "md4", "md5", "sha1", "sha3_endian", "sha3_keccak", "rfc6234", "blake2",
    # Qt6Gui.dll
    "libpng", "freetype", "freetype-zlib", "freetype-bdf", "freetype-pcf", "harfbuzz-ng",
    "md4c", "icc-srgb-color-profile", "grayraster", "smooth-scaling-algorithm",
    "xserverhelper", "aglfn", "webgradients",
]

# Compiled in where the source has them (Qt 6.8): Qt6Core's built-in MIME database and
# Qt6Gui's Direct3D 12 back end, which are on for Windows whatever the configuration.
USED_WHERE_PRESENT = ["tika-mimetypes", "d3d12memoryallocator", "rhi-miniengine-d3d12-mipmap"]

# Older Qt (6.4) builds Qt6Core's MIME database from freedesktop.org's, which has no
# qt_attribution.json: its notice is the comment at the head of the file.
FREEDESKTOP_MIME = "src/corelib/mimetypes/mime/packages/freedesktop.org.xml"


def entries(source):
    # util/gradientgen holds the notice of the gradients compiled into Qt6Gui.
    paths = list(source.glob("src/**/qt_attribution.json")) + list(source.glob("util/**/qt_attribution.json"))
    for path in sorted(paths):
        data = json.loads(path.read_text(encoding="utf-8"), strict=False)
        for entry in data if isinstance(data, list) else [data]:
            yield path.parent, entry


def licence_texts(source, folder, entry):
    """The licence texts an entry names; where it names no file (Qt 6.8 leaves that to
    the source's LICENSES folder), those of the SPDX identifiers of its LicenseId."""
    files = entry.get("LicenseFiles") or ([entry["LicenseFile"]] if entry.get("LicenseFile") else [])
    if files:
        return [folder / file for file in files]
    names = re.findall(r"[A-Za-z0-9.+-]+", entry.get("LicenseId", ""))
    return [source / "LICENSES" / f"{name}.txt" for name in names if name not in ("AND", "OR", "WITH")]


def write_entry(out, source, folder, entry):
    out.write("\n" + "=" * 78 + "\n")
    out.write(f"{entry['Name']}\n")
    out.write(f"Usado em: {entry.get('QtUsage', '').strip()}\n")
    if entry.get("Version"):
        out.write(f"Versão: {entry['Version']}\n")
    out.write(f"Licença: {entry.get('License', '')}\n\n")
    copyright = entry.get("Copyright", "")
    # Qt 6.8 gives some as a list of lines.
    if isinstance(copyright, list):
        copyright = "\n".join(copyright)
    out.write(copyright.strip() + "\n")
    for path in licence_texts(source, folder, entry):
        out.write("\n" + "-" * 78 + "\n")
        out.write(path.read_text(encoding="utf-8", errors="replace").strip() + "\n")


def write_freedesktop_mime(out, path):
    text = path.read_text(encoding="utf-8")
    notice = re.search(r"<!--\s*(The freedesktop.org shared MIME database.*?)-->", text, re.S)
    if not notice:
        sys.exit(f"no notice at the head of {path}")
    out.write("\n" + "=" * 78 + "\n")
    out.write("freedesktop.org shared MIME database (freedesktop.org.xml)\n")
    out.write("Usado em: Qt Core (QMimeDatabase), como banco de tipos MIME embutido.\n")
    out.write("Licença: GNU General Public License version 2 or later (o texto da versão 3\n"
              "está em Trevanto-GPL-3.0.txt)\n\n")
    out.write(notice.group(1).strip() + "\n")


def main():
    source = pathlib.Path(sys.argv[1])
    found = {entry["Id"].lower(): (folder, entry) for folder, entry in entries(source)}
    missing = [name for name in USED if name not in found]
    if missing:
        sys.exit("not in this Qt source: " + ", ".join(missing))
    used = USED + [name for name in USED_WHERE_PRESENT if name in found]
    for name in used:
        folder, entry = found[name]
        for path in licence_texts(source, folder, entry):
            if not path.is_file():
                sys.exit(f"{entry['Id']} names {path}, which is not in this Qt source")
    out = sys.stdout
    out.write("Bibliotecas de terceiros incluídas nas bibliotecas do Qt que acompanham o\n"
              "Trevanto para Windows, com os seus avisos de direitos autorais e licenças,\n"
              "tirados do código-fonte do Qt (arquivos qt_attribution.json).\n")
    for name in used:
        write_entry(out, source, *found[name])
    if (source / FREEDESKTOP_MIME).is_file():
        write_freedesktop_mime(out, source / FREEDESKTOP_MIME)


main()
