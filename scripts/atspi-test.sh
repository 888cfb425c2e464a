#!/usr/bin/env bash
# Test of the installed program as a screen reader finds it, through the AT-SPI
# accessibility bus and pyatspi, the client library screen readers use:
#   1. builds the Release tree build-smoke and installs it into a staging prefix, as
#      scripts/smoke-test.sh does, and runs the program as an ordinary user for whom
#      its folder is read-only (as root: the user trevanto-smoke; otherwise the caller);
#   2. on Xvfb, in a D-Bus session of its own (dbus-run-session), whose bus starts the
#      accessibility bus of at-spi2-core when it is first asked for, scripts/atspi-check.py
#      sets the session's accessibility on, starts the program and checks through the
#      bus alone: the main window is a frame named Trevanto; a leg typed into the boxes
#      and included with Incluir's Press action is announced with its name, and
#      Excluir announces its deletion; an empty entry's refusal is an alert that reads
#      its message; the help reads its lines top to bottom; Up in the Zoom box steps
#      the scale to 11; FIM ends the program with status 0.
# The checker's report, with every event it received for Incluir and Excluir, stays in
# build-smoke/atspi-check.log.
#
#   scripts/atspi-test.sh
#
# Environment: TREVANTO_JOBS (build jobs), TREVANTO_SMOKE_TIMEOUT (seconds to wait for
# each step, default 30), TREVANTO_SMOKE_USER (default trevanto-smoke).
# Needs what scripts/smoke-test.sh needs, and the Debian packages at-spi2-core,
# python3-pyatspi and dbus-daemon. Exits non-zero on any failure.
set -euo pipefail

cd "$(dirname "$0")/.."

# shellcheck source=scripts/lib/xsession.sh
source scripts/lib/xsession.sh
script_name=atspi-test

require_tools "at-spi2-core python3-pyatspi dbus-daemon xvfb xauth x11-utils util-linux" \
    cmake Xvfb xauth xdpyinfo timeout setpriv setsid dbus-run-session /usr/libexec/at-spi-bus-launcher
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || fail "pyatspi not found (Debian package python3-pyatspi)"

keep_files=(check.log:atspi-check.log)
checker_pid=
# The checker, the program it started and the buses of its session: one process group
# of their own.
stop_extra() {
    if [[ -n "$checker_pid" ]] && kill -0 "$checker_pid" 2>/dev/null; then
        kill -TERM -- "-$checker_pid" 2>/dev/null || true
        sleep 1
        kill -KILL -- "-$checker_pid" 2>/dev/null || true
        wait "$checker_pid" 2>/dev/null || true
    fi
}
begin_session trevanto-atspi

# ---- build, install, the user, the X server -------------------------------------------

prepare_program
say "the program runs as $run_name"
start_x_session
# The user may not be able to read the source tree.
install -m 644 scripts/atspi-check.py "$work/atspi-check.py"

# ---- the checker, in a session bus of its own ------------------------------------------

say "checking $program through the accessibility bus"
(
    cd "$home"
    exec setsid "${as_user[@]}" env -i \
        HOME="$home" USER="$run_name" LOGNAME="$run_name" PATH=/usr/bin:/bin \
        LANG=C.UTF-8 DISPLAY="$DISPLAY" XAUTHORITY="$user_auth" XDG_RUNTIME_DIR="$runtime" \
        TREVANTO_SMOKE_TIMEOUT="$step_timeout" \
        dbus-run-session -- /usr/bin/python3 "$work/atspi-check.py" "$program" \
        >"$work/check.log" 2>&1 </dev/null
) &
checker_pid=$!
deadline=$((SECONDS + 10 * step_timeout))
while kill -0 "$checker_pid" 2>/dev/null && ((SECONDS < deadline)); do
    sleep 0.2
done
kill -0 "$checker_pid" 2>/dev/null && fail "the checker did not end within $((10 * step_timeout)) s"
status=0
wait "$checker_pid" || status=$?
checker_pid=
if ((status != 0)); then
    cat "$work/check.log" >&2
    fail "the checker ended with status $status"
fi
grep '^atspi-test: ' "$work/check.log" || true
