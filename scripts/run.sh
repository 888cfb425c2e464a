#!/usr/bin/env bash
# Installs what is missing, builds Trevanto in Release (build/) and starts it.
# Meant as "sudo scripts/run.sh": root installs the packages, then the build and the
# program run as the user who called sudo, so that build/ and the program's files stay
# theirs. Run directly as root, everything runs as root.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/install-deps.sh

as_user=()
if [[ $(id -u) -eq 0 && -n "${SUDO_USER:-}" && "${SUDO_USER}" != root ]]; then
    as_user=(sudo -u "$SUDO_USER" -H
             --preserve-env=DISPLAY,XAUTHORITY,WAYLAND_DISPLAY,XDG_RUNTIME_DIR,XDG_SESSION_TYPE,QT_QPA_PLATFORM,LANG,LC_ALL)
    # A tree left behind by an earlier build as root would refuse the user's build.
    if [[ -d build ]]; then
        chown -R "$SUDO_USER:$(id -gn "$SUDO_USER")" build
    fi
fi

"${as_user[@]}" cmake -S . -B build -DCMAKE_BUILD_TYPE=Release \
    -DTREVANTO_BUILD_TESTS=OFF -DTREVANTO_BUILD_BENCH=OFF
"${as_user[@]}" cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
exec "${as_user[@]}" ./build/trevanto
