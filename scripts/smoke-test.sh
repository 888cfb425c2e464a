#!/usr/bin/env bash
# Smoke test of the installed program on a real X server (Xvfb), not on Qt's
# offscreen platform:
#   1. builds a Release tree of its own (build-smoke) and installs it into a staging
#      prefix, laid out as under /usr;
#   2. starts Xvfb on a free display and the installed program on Qt's xcb platform,
#      as an ordinary user for whom the program's folder is read-only (as root: the
#      user trevanto-smoke, created when missing; otherwise the caller, with the
#      staged bin folder made read-only);
#   3. types two legs (bearing 90 over 100 m, then 180 over 50 m) with the mouse and
#      keyboard, takes a screenshot and checks pixels of the drawn course;
#   4. presses FIM and checks that the program ended and wrote exactly the expected
#      work file into the user's data folder, and nothing into its own folder;
#   5. starts it again, includes a third leg and kills the X server at once: the
#      program must end with status 0 and the work file hold the third leg;
#   6. starts it on a scale the redraw refuses and kills the X server while the
#      start-up message is open: status 0, the work file untouched.
# The screenshot stays in build-smoke/smoke-shot.png, the program's output in
# build-smoke/smoke-app.log.
#
#   scripts/smoke-test.sh
#
# Environment: TREVANTO_JOBS (build jobs), TREVANTO_SMOKE_TIMEOUT (seconds to wait
# for each step, default 30), TREVANTO_SMOKE_USER (default trevanto-smoke).
# Needs cmake, a C++ compiler and Qt 6 (see install-deps.sh), and the Debian packages
# xvfb, xauth, xdotool, x11-utils and imagemagick. Exits non-zero on any failure.
set -euo pipefail

cd "$(dirname "$0")/.."

# shellcheck source=scripts/lib/xsession.sh
source scripts/lib/xsession.sh
script_name=smoke-test

require_tools "xvfb xauth xdotool x11-utils imagemagick util-linux" \
    cmake Xvfb xauth xdpyinfo xdotool xwininfo import convert cmp timeout setpriv

keep_files=(app.log:smoke-app.log)
begin_session trevanto-smoke

# ---- build, install, the user who runs the program -----------------------------------

prepare_program
if [[ -n "$run_uid" ]]; then
    say "the program runs as $smoke_user (uid $run_uid); $prefix belongs to root, mode 755"
else
    # Not root: no other user can be made, so the program runs as the caller.
    say "not root: skipping the run as a separate ordinary user; running as $run_name" \
        "with $readonly_dir read-only"
fi

# ---- X server ------------------------------------------------------------------------

start_x_session

# ---- helpers on the screen -------------------------------------------------------------

shot_file="$tree/smoke-shot.png"
shoot() {
    import -window root "$1" 2>>"$work/import.log" || fail "import could not take a screenshot"
}
# Waits until the client-area pixel (x, y) has the colour RRGGBB; fails with $4 after
# the timeout.
wait_for_pixel() {
    local x=$1 y=$2 colour=$3 what=$4 deadline=$((SECONDS + step_timeout)) got
    while :; do
        app_alive
        shoot "$work/poll.png"
        got=$(pixel_of "$work/poll.png" $((origin_x + x)) $((origin_y + y)))
        [[ "$got" == "$colour" ]] && return 0
        if ((SECONDS >= deadline)); then
            cp "$work/poll.png" "$shot_file"
            fail "$what: pixel ($x, $y) is #$got, not #$colour after ${step_timeout} s (see $shot_file)"
        fi
        sleep 0.2
    done
}
app_alive() {
    if ! kill -0 "$app_pid" 2>/dev/null; then
        cat "$work/app.log" >&2 || true
        fail "the program ended unexpectedly"
    fi
}
# Clicks at a point of the client area.
click_at() {
    app_alive
    timeout 10 xdotool mousemove --sync $((origin_x + $1)) $((origin_y + $2)) click 1 ||
        fail "xdotool could not click at ($1, $2)"
    sleep 0.15
}
type_text() {
    timeout 10 xdotool type --delay 30 "$1" || fail "xdotool could not type $1"
    sleep 0.1
}
# Types one leg into Text4 (bearing) and Text3 (distance) and presses Incluir.
include_leg() {
    click_at $((8 + 20)) $((160 + 9))
    type_text "$1"
    click_at $((56 + 24)) $((160 + 9))
    type_text "$2"
    click_at $((8 + 48)) $((184 + 8))
}

# ---- run the program -------------------------------------------------------------------

say "starting $program on Qt's xcb platform"
launch_program "$work/app.log"

window=$(timeout "$step_timeout" xdotool search --sync --onlyvisible --name '^Trevanto$' 2>/dev/null |
    head -n 1) || true
[[ -n "$window" ]] || { app_alive; fail "no window named Trevanto was mapped within ${step_timeout} s"; }
geometry=$(xwininfo -id "$window") || fail "xwininfo could not read window $window"
field() { sed -n "s/^ *$1: *\(-\{0,1\}[0-9]*\).*/\1/p" <<<"$geometry" | head -n 1; }
origin_x=$(field 'Absolute upper-left X')
origin_y=$(field 'Absolute upper-left Y')
width=$(field 'Width')
height=$(field 'Height')
[[ -n "$origin_x" && -n "$origin_y" && -n "$width" && -n "$height" ]] ||
    fail "could not read the window's geometry from xwininfo"
say "window $window: client area ${width}x${height} at ($origin_x, $origin_y)"
((width >= 480 && height >= 320)) || fail "the window's client area ${width}x${height} is too small"
((origin_x >= 0 && origin_y >= 0 && origin_x + 480 <= 1280 && origin_y + 320 <= 1024)) ||
    fail "the window's drawing area is not wholly on the screen"

# The start marker is painted: the window is ready for input.
wait_for_pixel 372 260 FF0000 "the start marker did not appear"

say "including bearing 90, distance 100"
include_leg 90 100
wait_for_pixel 473 261 00C000 "after the first leg the finish target is not at (473, 261)"
say "including bearing 180, distance 50"
include_leg 180 50
wait_for_pixel 473 311 00C000 "after the second leg the finish target is not at (473, 311)"
sleep 0.3

shoot "$shot_file"
say "screenshot in $shot_file"
failed=0
check_pixel() {
    local x=$1 y=$2 colour=$3 what=$4 got
    got=$(pixel_of "$shot_file" $((origin_x + x)) $((origin_y + y)))
    if [[ "$got" == "$colour" ]]; then
        say "ok: ($x, $y) is #$got: $what"
    else
        echo "smoke-test: wrong pixel ($x, $y): #$got, expected #$colour: $what" >&2
        failed=1
    fi
}
check_pixel 420 261 000000 "the first leg's line"
check_pixel 473 300 000000 "the second leg's line"
check_pixel 473 311 00C000 "the finish target's green centre"
check_pixel 478 311 000000 "the finish target's black ring"
check_pixel 372 260 FF0000 "the red start marker"
((failed == 0)) || fail "the course on the screen is not the one expected (see $shot_file)"

# ---- end with FIM and check the work file -------------------------------------------

say "pressing FIM"
click_at $((8 + 48)) $((264 + 8))
await_program_exit "$work/app.log" FIM 0.1
say "the program ended with status 0"

if [[ -e "$prefix/bin/trevanto.ini" ]]; then
    fail "the program wrote its work file into its own folder $prefix/bin"
fi
[[ -f "$work_file" ]] || {
    find "$home" -name 'trevanto.ini*' >&2 || true
    fail "no work file at $work_file"
}
write_course_file "$work/expected.ini"
if ! cmp "$work/expected.ini" "$work_file"; then
    echo "expected:" >&2
    od -c "$work/expected.ini" >&2
    echo "written:" >&2
    od -c "$work_file" >&2
    fail "the work file $work_file does not hold the expected bytes"
fi
say "ok: the work file ${work_file#"$home/"} in the user's home holds the expected $(wc -c <"$work_file") bytes"

# ---- the display goes away -------------------------------------------------------------

# A third leg, and at once the X server is gone: Qt ends the program on the spot, which
# still leaves the newest work on the disk and says so in its status.
say "starting again, including bearing 270 over 30 m and killing the X server at once"
launch_program "$work/app.log"
timeout "$step_timeout" xdotool search --sync --onlyvisible --name '^Trevanto$' >/dev/null 2>&1 ||
    { app_alive; fail "no window named Trevanto was mapped on the second start"; }
wait_for_pixel 473 311 00C000 "the second start did not draw the saved course"
include_leg 270 30
kill -KILL "$xvfb_pid"
await_program_exit "$work/app.log" "the X server's end" 0.05 "display lost: "
xvfb_pid=
printf 'DIR=100;50;30;\r\nMET=90;180;270;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n' \
    >"$work/expected.ini"
cmp -s "$work/expected.ini" "$work_file" || { od -c "$work_file" >&2; fail "display lost: the work file lacks the last leg"; }
say "ok: with the display gone the program saved the last leg and ended with status 0"

# A start-up message open (a scale the redraw refuses) and the X server gone under it:
# nothing was typed, the file holds the work untouched, and the status says so.
say "starting on a scale the redraw refuses and killing the X server under its message"
start_x_session
printf 'DIR=100;\r\nMET=90;\r\nESCALA=abc\r\n' >"$work/expected.ini"
cp "$work/expected.ini" "$work_file"
launch_program "$work/app.log"
timeout "$step_timeout" xdotool search --sync --onlyvisible --name '^Trevanto$' >/dev/null 2>&1 ||
    { app_alive; fail "no start-up message was mapped"; }
kill -KILL "$xvfb_pid"
await_program_exit "$work/app.log" "the X server's end" 0.05 "display lost under the start-up message: "
xvfb_pid=
cmp -s "$work/expected.ini" "$work_file" || { od -c "$work_file" >&2; fail "display lost under a message: the work file changed"; }
say "ok: with the display gone under the start-up message the file stayed whole and the status was 0"
