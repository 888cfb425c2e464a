#!/bin/sh
# Checks what a build tree installs and packages: the desktop entry with
# desktop-file-validate, the AppStream metainfo with appstreamcli (file and installed
# tree), the icon theme's files, the manual page with groff, man and (when installed)
# mandoc, and the Debian package that cpack builds with lintian.
#
#   scripts/check-packaging.sh <build-dir>
#
# The build directory must hold a built program (cmake --build <build-dir>).
# Needs desktop-file-validate (Debian package desktop-file-utils), appstreamcli
# (appstream), groff (groff-base), man (man-db), lintian, and what cpack needs to build
# the package (dpkg-dev, file). Exits non-zero when anything fails: any error or
# warning of the validators, any output of the manual page checks, any E: or W: tag of
# lintian (its I: and P: tags are shown and pass).
set -u

if [ $# -ne 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
    echo "usage: $0 <build-dir>" >&2
    exit 2
fi
build=$1

for tool in cmake cpack desktop-file-validate appstreamcli groff man lintian; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "check-packaging: $tool not found" >&2
        exit 2
    fi
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

if ! cmake --install "$build" --prefix "$stage/usr" >"$stage/install.log" 2>&1; then
    cat "$stage/install.log" >&2
    echo "check-packaging: cmake --install failed" >&2
    exit 1
fi

failed=0
fail() {
    echo "check-packaging: $*" >&2
    failed=1
}

share="$stage/usr/share"
desktop="$share/applications/br.org.pervona.Trevanto.desktop"
metainfo="$share/metainfo/br.org.pervona.Trevanto.metainfo.xml"
manpage="$share/man/man1/trevanto.1.gz"

for file in \
    "$stage/usr/bin/trevanto" "$desktop" "$metainfo" "$manpage" \
    "$share/doc/trevanto/copyright" "$share/doc/trevanto/changelog.gz" \
    "$share/icons/hicolor/16x16/apps/trevanto.png" \
    "$share/icons/hicolor/32x32/apps/trevanto.png" \
    "$share/icons/hicolor/48x48/apps/trevanto.png" \
    "$share/icons/hicolor/64x64/apps/trevanto.png" \
    "$share/icons/hicolor/128x128/apps/trevanto.png" \
    "$share/icons/hicolor/256x256/apps/trevanto.png" \
    "$share/icons/hicolor/scalable/apps/trevanto.svg"; do
    [ -f "$file" ] || fail "not installed: ${file#"$stage"}"
done

# desktop-file-validate fails only on errors; its warnings fail here too,
# its hints are shown and pass.
if [ -f "$desktop" ]; then
    if ! output=$(desktop-file-validate "$desktop" 2>&1); then
        fail "desktop-file-validate reported errors"
    fi
    [ -n "$output" ] && echo "$output"
    if echo "$output" | grep -q -E ': (error|warning): '; then
        fail "desktop-file-validate reported problems"
    fi
fi

if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate failed"
fi
appstreamcli validate-tree --no-net "$stage/usr" || fail "appstreamcli validate-tree failed"

# The manual page is UTF-8, so groff reads it through preconv (-k); man is run the way
# lintian runs it. Any output at all is a problem.
if [ -f "$manpage" ]; then
    output=$(gzip -dc "$manpage" | groff -k -ww -z -man 2>&1)
    [ -n "$output" ] && { echo "$output"; fail "groff reported problems in the manual page"; }
    output=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manpage" 2>&1 >/dev/null)
    [ -n "$output" ] && { echo "$output"; fail "man reported problems in the manual page"; }
    if command -v mandoc >/dev/null 2>&1; then
        output=$(gzip -dc "$manpage" | mandoc -T lint 2>&1)
        [ -n "$output" ] && { echo "$output"; fail "mandoc reported problems in the manual page"; }
    fi
fi

# The Debian package, built from the same tree into the stage.
if cpack -G DEB --config "$build/CPackConfig.cmake" -B "$stage/deb" >"$stage/cpack.log" 2>&1; then
    deb=$(find "$stage/deb" -maxdepth 1 -name 'trevanto_*.deb' | head -n 1)
    if [ -n "$deb" ]; then
        echo "lintian ${deb##*/}:"
        lintian --display-info --pedantic --fail-on error,warning "$deb" ||
            fail "lintian reported errors or warnings"
        # What no library link shows dpkg-shlibdeps: Qt's Wayland platform, without
        # which a desktop with no X server cannot start the program, and Qt's texts in
        # Portuguese.
        dpkg-deb -f "$deb" Depends Recommends
        dpkg-deb -f "$deb" Depends | grep -Eq '(^|, )qt6-wayland(,|$| )' ||
            fail "the package does not depend on qt6-wayland"
        dpkg-deb -f "$deb" Recommends | grep -Eq '(^|, )qt6-translations-l10n(,|$| )' ||
            fail "the package does not recommend qt6-translations-l10n"
    else
        fail "cpack made no trevanto_*.deb"
    fi
else
    cat "$stage/cpack.log" >&2
    fail "cpack -G DEB failed"
fi

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "check-packaging: all checks passed"
