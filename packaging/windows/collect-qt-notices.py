#!/usr/bin/env python3
"""Writes the notices of the third-party code inside the Windows Qt libraries that go
beside trevanto.exe, read from Qt's own source (its qt_attribution.json files and the
licence files they name), into one text file:

    packaging/windows/collect-qt-notices.py QT_SOURCE_DIR > packaging/windows/licencas/Qt-terceiros.txt

QT_SOURCE_DIR is Debian's qt6-base source as scripts/windows-package.sh unpacks it. The
list below is what that build compiles into Qt6Core, Qt6Gui, Qt6Widgets, Qt6PrintSupport
and the windows, windowsvista and ico plugins, with every third-party library Qt's
bundled copy: look again when Qt's version or its configuration changes.
"""
import json
import pathlib
import sys

USED = [
    # Qt6Core.dll
    "zlib", "pcre2", "pcre2-sljit", "doubleconversion", "tinycbor", "easing",
    "unicode-character-database", "unicode-cldr", "siphash",
    "md4", "md5", "sha1", "sha3_endian", "sha3_keccak", "rfc6234", "blake2",
    # Qt6Gui.dll
    "libpng", "freetype", "freetype-zlib", "freetype-bdf", "freetype-pcf", "harfbuzz-ng",
    "md4c", "icc-sRGB-color-profile", "grayraster", "smooth-scaling-algorithm",
    "xserverhelper", "aglfn",
]


def entries(source):
    for path in sorted(source.glob("src/**/qt_attribution.json")):
        data = json.loads(path.read_text(encoding="utf-8"), strict=False)
        for entry in data if isinstance(data, list) else [data]:
            yield path.parent, entry


def main():
    source = pathlib.Path(sys.argv[1])
    found = {entry["Id"]: (folder, entry) for folder, entry in entries(source)}
    missing = [name for name in USED if name not in found]
    if missing:
        sys.exit("not in this Qt source: " + ", ".join(missing))
    out = sys.stdout
    out.write("Bibliotecas de terceiros incluídas nas bibliotecas do Qt que acompanham o\n"
              "Trevanto para Windows, com os seus avisos de direitos autorais e licenças,\n"
              "tirados do código-fonte do Qt (arquivos qt_attribution.json).\n")
    for name in USED:
        folder, entry = found[name]
        out.write("\n" + "=" * 78 + "\n")
        out.write(f"{entry['Name']}\n")
        out.write(f"Usado em: {entry.get('QtUsage', '').strip()}\n")
        if entry.get("Version"):
            out.write(f"Versão: {entry['Version']}\n")
        out.write(f"Licença: {entry.get('License', '')}\n\n")
        out.write(entry.get("Copyright", "").strip() + "\n")
        files = entry.get("LicenseFiles") or ([entry["LicenseFile"]] if entry.get("LicenseFile") else [])
        for file in files:
            out.write("\n" + "-" * 78 + "\n")
            out.write((folder / file).read_text(encoding="utf-8", errors="replace").strip() + "\n")


main()
