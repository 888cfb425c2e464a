#!/usr/bin/env bash
# Installs from Debian's archive whatever building and running Trevanto needs and is not
# there yet; with --test, also what the test suite needs (print server, PDF printer and
# tools, sanitizer and fuzzer runtimes, packaging checks, the accessibility bus with its
# Python client); with --windows, also what the Windows build needs (the MinGW-w64
# cross compilers, the installer builder, Wine and the tools that drive the program
# under it: scripts/windows-package.sh, scripts/windows-test.sh). Does nothing when all
# is installed, so it is cheap to call before every build. Tried on Debian 12 (bookworm)
# and Debian 13 (trixie): where the two name a package differently, the name is read
# from what the system offers.
set -euo pipefail

usage() {
    echo "usage: $0 [--test] [--windows]" >&2
}

# Besides the build: Qt's Wayland platform, and Qt's own texts in Portuguese.
build_packages=(
    build-essential cmake
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins libgl-dev libcups2-dev
    qt6-wayland qt6-translations-l10n
    fonts-dejavu-core fonts-liberation2
)
test_packages=(
    cups printer-driver-cups-pdf poppler-utils
    xvfb xauth xdotool x11-utils imagemagick librsvg2-bin weston openbox wmctrl
    at-spi2-core python3-pyatspi dbus-daemon
    clang
    desktop-file-utils appstream dpkg-dev fakeroot file lintian groff-base man-db mandoc
    locales libc-l10n
    debootstrap
)
# ... and the sanitizer and fuzzer run-times of the system's own clang, whose version is
# in their name (libclang-rt-14-dev on Debian 12, libclang-rt-19-dev on Debian 13).
# Qt for Windows is built from Debian's own qt6-base source, which dpkg-dev unpacks with
# Debian's patches applied.
windows_packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    ninja-build dpkg-dev nsis zip unzip python3
    wine wine64 xvfb xauth xdotool x11-utils imagemagick
)

packages=("${build_packages[@]}")
testing=
for argument in "$@"; do
    case "$argument" in
        --test) packages+=("${test_packages[@]}") testing=1 ;;
        --windows) packages+=("${windows_packages[@]}") ;;
        -h|--help) usage; exit 0 ;;
        *) usage; exit 2 ;;
    esac
done

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
    echo "install-deps: this script installs with apt-get (Debian 12 or 13); install these by hand: ${packages[*]}" >&2
    exit 1
fi

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    as_root=(false)
fi

# Reads apt's lists again, once, as root.
updated=
apt_update() {
    [[ -z "$updated" ]] || return 0
    if [[ ${as_root[0]:-} == false ]]; then
        echo "install-deps: apt's package lists must be read again; run as root (sudo is not installed)" >&2
        exit 1
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    updated=1
}

# The version of clang that the system's package clang stands for.
system_clang_version() {
    apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n 1
}

if [[ -n "$testing" ]]; then
    clang_version=$(system_clang_version)
    if [[ -z "$clang_version" ]]; then
        # A system whose package lists were never read (a fresh container) knows no clang.
        apt_update
        clang_version=$(system_clang_version)
    fi
    [[ -n "$clang_version" ]] || { echo "install-deps: apt offers no package clang" >&2; exit 1; }
    packages+=("libclang-rt-$clang_version-dev")
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    echo "install-deps: all ${#packages[@]} packages are installed"
else
    if [[ ${as_root[0]:-} == false ]]; then
        echo "install-deps: missing ${missing[*]}; run as root (sudo is not installed)" >&2
        exit 1
    fi
    echo "install-deps: installing ${missing[*]}"
    apt_update
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends "${missing[@]}" </dev/null
fi

# The tests read the system's own messages in Brazilian Portuguese, as a user there does.
if [[ -n "$testing" ]] && ! locale -a 2>/dev/null | grep -qix 'pt_BR.utf-\?8'; then
    if [[ ${as_root[0]:-} == false ]]; then
        echo "install-deps: the locale pt_BR.UTF-8 is missing; run as root to generate it" >&2
        exit 1
    fi
    echo "install-deps: generating the locale pt_BR.UTF-8"
    "${as_root[@]}" sed -i 's/^# *\(pt_BR\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    "${as_root[@]}" locale-gen
fi
