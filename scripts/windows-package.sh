#!/usr/bin/env bash
# Cross-builds Trevanto for 64-bit Windows on Debian 12 or 13 and packs it:
#   1. installs what is missing (scripts/install-deps.sh --windows);
#   2. builds Qt's base module for MinGW-w64 from Debian's own qt6-base source, with
#      Debian's patches, once per machine into a cache outside the tree (see below);
#   3. cross-builds the program and its test suites (Release) in build-windows, against
#      that Qt and the Linux Qt's build tools (moc, rcc, uic), with
#      cmake/mingw-w64-x86_64.cmake;
#   4. packs build-windows/Trevanto-<version>-windows-x64.zip, a folder that runs where
#      it is unpacked, and build-windows/Trevanto-<version>-windows-x64-setup.exe, an
#      installer built by CPack with NSIS (packaging/Windows.cmake);
#   5. checks that every DLL that the packed program and its libraries import is either
#      packed beside it or one of Windows' own.
# The program is tested under Wine by scripts/windows-test.sh.
#
#   sudo scripts/windows-package.sh [--qt-only]
#
# --qt-only stops after step 2. Root is needed for the installs and for building Qt
# into its cache; with both already done, it is not.
#
# Qt for Windows is of the version of the system's own Qt (6.4.2 on Debian 12, 6.8.2 on
# Debian 13), whose build tools it uses.
# Qt's cache: TREVANTO_QT_WINDOWS (default /var/cache/trevanto/qt-<version>-mingw-w64). Qt
# is built and installed in a temporary folder beside it and renamed into place only
# when complete, with a stamp file (trevanto-qt.stamp) that records how it was built; a
# folder without the stamp, or whose stamp records another configuration, is built
# again. The build takes about half an hour on two cores, its log stays in
# <cache>.log beside the cache. Debian's source packages are kept in
# /var/cache/trevanto/sources.
#
# Environment: TREVANTO_JOBS (build jobs), TREVANTO_QT_WINDOWS (Qt's cache),
# TREVANTO_WARNINGS_AS_ERRORS (ON, as scripts/test.sh sets it: a compiler warning in the
# program fails its build).
set -euo pipefail

cd "$(dirname "$0")/.."
started=$SECONDS
jobs=${TREVANTO_JOBS:-$(nproc 2>/dev/null || echo 2)}

source_cache=/var/cache/trevanto/sources
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
tree=build-windows
target=x86_64-w64-mingw32

say() { echo "windows-package: $*"; }
fail() {
    echo "windows-package: FAILED: $*" >&2
    exit 1
}
section() { printf '\n==== %s\n' "$*"; }

qt_only=
for argument in "$@"; do
    case "$argument" in
        --qt-only) qt_only=1 ;;
        -h|--help) echo "usage: $0 [--qt-only]"; exit 0 ;;
        *) echo "usage: $0 [--qt-only]" >&2; exit 2 ;;
    esac
done

section "dependencies"
scripts/install-deps.sh --windows

# ---- Qt for Windows ----------------------------------------------------------------

# The host Qt's tools generate code for the Windows Qt, so both must be of one version:
# the source is the very Debian version of the installed qt6-base-dev.
qt_source_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
qt_version=${qt_source_version#*:}
qt_version=${qt_version%%[+~-]*}
qt_prefix=${TREVANTO_QT_WINDOWS:-/var/cache/trevanto/qt-$qt_version-mingw-w64}
qt_stamp=$qt_prefix/trevanto-qt.stamp

# Only what the program uses: Core, Gui, Widgets, PrintSupport and Test, as shared
# libraries, without OpenGL (as configure's -no-opengl: turning the feature off alone
# leaves dynamic OpenGL on, which then does not build). Every third-party library is
# Qt's bundled copy, so that nothing but Qt and the compiler's run-time goes beside the
# program. Direct2D stays at its default: without it Qt6PrintSupport.dll does not link.
# Debian's source leaves out the Wintab headers, so tablet events are off.
qt_configuration=(
    -G Ninja
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$qt_prefix"
    -DBUILD_SHARED_LIBS=ON
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DQT_BUILD_MANUAL_TESTS=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_network=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF
    -DINPUT_opengl=no
    -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_gif=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_doubleconversion=OFF
)

# What the stamp records: a change to any of it builds Qt again (to the toolchain file,
# a change of its commands, not of its comments).
qt_stamp_text() {
    echo "qt6-base $qt_source_version"
    echo "compiler $("$target-g++-posix" --version | head -n 1)"
    echo "toolchain $(grep -v '^[[:space:]]*\(#.*\)\{0,1\}$' "$toolchain" | sha256sum | cut -d ' ' -f 1)"
    printf 'option %s\n' "${qt_configuration[@]}"
}

qt_is_complete() {
    [[ -f "$qt_stamp" ]] && cmp -s "$qt_stamp" <(qt_stamp_text)
}

# Makes the deb-src entry for Debian's main archive when apt knows no source of the
# wanted version, and reads the package lists again.
ensure_qt_source_listed() {
    if apt-cache showsrc qt6-base 2>/dev/null | grep -qx "Version: $qt_source_version"; then
        return 0
    fi
    local list=/etc/apt/sources.list.d/trevanto-debian-src.sources
    if [[ ! -f "$list" ]]; then
        say "adding the source archive to apt ($list)"
        local codename
        codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
        cat >"$list" <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://security.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    fi
    DEBIAN_FRONTEND=noninteractive apt-get update -q
    apt-cache showsrc qt6-base 2>/dev/null | grep -qx "Version: $qt_source_version" ||
        fail "apt offers no source of qt6-base $qt_source_version"
}

# build_qt: builds and installs Qt into a temporary folder beside the cache, then
# renames it into place.
build_qt() {
    local parent log build_dir
    parent=$(dirname "$qt_prefix")
    log=$qt_prefix.log
    mkdir -p "$parent" "$source_cache"
    # apt downloads as its own user where it can.
    if id -u _apt >/dev/null 2>&1; then
        chown _apt:root "$source_cache"
    fi
    build_dir=$(mktemp -d "$parent/.qt-build.XXXXXX")
    # A failed or interrupted build leaves nothing half-made behind but its log.
    trap 'rm -rf "$build_dir"' EXIT

    ensure_qt_source_listed
    say "fetching Debian's source of qt6-base $qt_source_version into $source_cache"
    (cd "$source_cache" && apt-get source -q --download-only "qt6-base=$qt_source_version")
    local dsc
    dsc=$source_cache/qt6-base_${qt_source_version#*:}.dsc
    [[ -f "$dsc" ]] || fail "apt-get source left no $dsc"
    # dpkg-source applies Debian's patches as it unpacks; every patch of the series must
    # be among those it applied.
    dpkg-source -x "$dsc" "$build_dir/source" >"$build_dir/unpack.log" 2>&1 ||
        { cat "$build_dir/unpack.log" >&2; fail "dpkg-source could not unpack $dsc"; }
    local series=$build_dir/source/debian/patches/series applied=$build_dir/source/.pc/applied-patches
    if [[ -f "$series" ]]; then
        local patch count=0
        while read -r patch _; do
            [[ -z "$patch" || "$patch" == \#* ]] && continue
            grep -qxF "$patch" "$applied" 2>/dev/null || fail "Debian's patch $patch was not applied"
            count=$((count + 1))
        done <"$series"
        say "unpacked with Debian's $count patches applied"
    fi
    # The notices that go with the program must be those of what this source compiles
    # into Qt: checked before the long build, not after.
    local notices=packaging/windows/licencas/Qt-terceiros-$qt_version.txt
    python3 packaging/windows/collect-qt-notices.py "$build_dir/source" >"$qt_prefix.notices.txt" ||
        fail "the notices of Qt's third-party code could not be read from its source"
    [[ -f "$notices" ]] ||
        fail "$notices is missing: the notices of Qt $qt_version, written from its source by" \
            "packaging/windows/collect-qt-notices.py, are in $qt_prefix.notices.txt"
    cmp -s "$qt_prefix.notices.txt" "$notices" ||
        fail "$notices is not what Qt $qt_version's source says ($qt_prefix.notices.txt," \
            "written from it by packaging/windows/collect-qt-notices.py)"
    rm -f "$qt_prefix.notices.txt"

    # The toolchain file goes with the installed Qt, whose configuration names it.
    local staged=$build_dir/install$qt_prefix
    mkdir -p "$staged"
    cp "$toolchain" "$staged/mingw-w64-x86_64.cmake"

    say "building Qt $qt_version for Windows into $qt_prefix (log: $log; about 30 minutes)"
    local qt_started=$SECONDS
    if ! {
        cmake -S "$build_dir/source" -B "$build_dir/build" "${qt_configuration[@]}" \
            -DCMAKE_TOOLCHAIN_FILE="$staged/mingw-w64-x86_64.cmake" &&
            nice -n 10 cmake --build "$build_dir/build" --parallel "$jobs" &&
            DESTDIR=$build_dir/install cmake --install "$build_dir/build"
    } >"$log" 2>&1; then
        tail -n 60 "$log" >&2
        fail "the build of Qt failed (log: $log)"
    fi
    # ... where it will be after the rename.
    grep -rlF "$staged/mingw-w64-x86_64.cmake" "$staged/lib/cmake" 2>/dev/null |
        xargs -r sed -i "s|$staged/mingw-w64-x86_64.cmake|$qt_prefix/mingw-w64-x86_64.cmake|g"
    qt_stamp_text >"$staged/trevanto-qt.stamp"
    rm -rf "$qt_prefix"
    mv "$staged" "$qt_prefix"
    rm -rf "$build_dir"
    trap - EXIT
    say "Qt built in $((SECONDS - qt_started)) s"
}

section "Qt $qt_version for Windows ($qt_prefix)"
if qt_is_complete; then
    say "reusing the complete build in $qt_prefix"
else
    [[ $(id -u) -eq 0 ]] || fail "Qt for Windows must be built; run as root (sudo $0)"
    # One build at a time on the machine: a second run waits, then finds it done.
    mkdir -p "$(dirname "$qt_prefix")"
    exec 9>"$qt_prefix.lock"
    flock 9
    if qt_is_complete; then
        say "reusing the build that another run just finished"
    else
        build_qt
    fi
    exec 9>&-
fi

if [[ -n "$qt_only" ]]; then
    say "done in $((SECONDS - started)) s"
    exit 0
fi

# ---- Trevanto for Windows ------------------------------------------------------------

work=$(mktemp -d)
cleanup() {
    rm -rf "$work"
    # Under sudo, hand the build tree back to the developer who asked for it.
    if [[ $(id -u) -eq 0 && -n "${SUDO_UID:-}" && "${SUDO_UID}" != 0 && -d "$tree" ]]; then
        chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$tree"
    fi
    return 0
}
trap cleanup EXIT

section "cross-build ($tree)"
build_started=$SECONDS
cmake -S . -B "$tree" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_PREFIX_PATH="$qt_prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release \
    -DTREVANTO_BUILD_TESTS=ON \
    -DTREVANTO_BUILD_BENCH=OFF \
    -DTREVANTO_SANITIZE=OFF \
    -DTREVANTO_WARNINGS_AS_ERRORS="${TREVANTO_WARNINGS_AS_ERRORS:-OFF}"
cmake --build "$tree" --parallel "$jobs"
say "built in $((SECONDS - build_started)) s"

section "packages"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$tree/CMakeCache.txt")
zip_file=$tree/Trevanto-$version-windows-x64.zip
setup_file=$tree/Trevanto-$version-windows-x64-setup.exe
rm -f "$zip_file" "$setup_file"
(cd "$tree" && cpack)
[[ -f "$zip_file" ]] || fail "cpack made no $zip_file"
[[ -f "$setup_file" ]] || fail "cpack made no $setup_file"

# ---- what the packed program needs ----------------------------------------------------

# The libraries every Windows 10 and 11 has in its system folder. MinGW's programs use
# the system's C run-time, msvcrt.dll.
declare -A system_dlls=()
for dll in advapi32.dll authz.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll \
    d2d1.dll d3d11.dll d3d12.dll d3d9.dll dwmapi.dll dwrite.dll dxgi.dll gdi32.dll \
    imm32.dll iphlpapi.dll kernel32.dll mpr.dll msvcrt.dll netapi32.dll ntdll.dll \
    ole32.dll oleaut32.dll rpcrt4.dll secur32.dll setupapi.dll shcore.dll shell32.dll \
    shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll winspool.drv \
    ws2_32.dll wtsapi32.dll; do
    system_dlls[$dll]=1
done

section "imports of the packed program"
unzip -q "$zip_file" -d "$work/unpacked"
folder=$work/unpacked/Trevanto-$version-windows-x64
[[ -f "$folder/trevanto.exe" ]] || fail "the zip holds no Trevanto-$version-windows-x64/trevanto.exe"
shipped=" $(find "$folder" -type f -iname '*.dll' -printf '%f\n' | tr '[:upper:]' '[:lower:]' | tr '\n' ' ') "
missing=0
while IFS= read -r binary; do
    imports=$("$target-objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' |
        tr '[:upper:]' '[:lower:]' | sort -u)
    [[ -n "$imports" ]] || fail "${binary#"$folder"/} imports nothing: not a Windows binary?"
    own=() from_system=()
    for dll in $imports; do
        if [[ "$shipped" == *" $dll "* ]]; then
            own+=("$dll")
        elif [[ -n "${system_dlls[$dll]:-}" || "$dll" == api-ms-win-* ]]; then
            from_system+=("$dll")
        else
            echo "windows-package: ${binary#"$folder"/} imports $dll, which is neither packed nor part of Windows" >&2
            missing=$((missing + 1))
        fi
    done
    echo "${binary#"$folder"/}: packed ${own[*]:-(none)}; Windows ${from_system[*]}"
done < <(find "$folder" -type f \( -iname '*.exe' -o -iname '*.com' -o -iname '*.dll' \) | sort)
((missing == 0)) || fail "$missing imports are missing from the package"

section "contents"
(cd "$folder" && find . -type f -printf '%P\t%s\n' | sort)
ls -l "$zip_file" "$setup_file"
say "done in $((SECONDS - started)) s"
