#!/bin/sh
# Checks the desktop integration files as they are installed from a build tree:
# the desktop entry with desktop-file-validate, the AppStream metainfo with
# appstreamcli (file and installed tree), and the icon theme's files.
#
#   scripts/check-packaging.sh <build-dir>
#
# The build directory must hold a built program (cmake --build <build-dir>).
# Needs desktop-file-validate (Debian package desktop-file-utils) and
# appstreamcli (package appstream). Exits non-zero when anything fails.
set -u

if [ $# -ne 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
    echo "usage: $0 <build-dir>" >&2
    exit 2
fi
build=$1

for tool in cmake desktop-file-validate appstreamcli; do
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

for file in \
    "$stage/usr/bin/trevanto" "$desktop" "$metainfo" \
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

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "check-packaging: all checks passed"
