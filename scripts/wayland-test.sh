#!/usr/bin/env bash
# Test of the installed program on Wayland, under the weston compositor, with Qt's
# wayland platform (QT_QPA_PLATFORM=wayland) and the title bar Qt draws itself:
#   1. builds the Release tree build-smoke and installs it into a staging prefix, as
#      scripts/smoke-test.sh does, and runs the program as an ordinary user for whom
#      its folder is read-only (as root: the user trevanto-smoke; otherwise the caller),
#      so the work file is the one in the user's data folder;
#   2. on weston's headless back end (headless-backend.so, its own socket in the user's
#      own XDG_RUNTIME_DIR): the program starts on the work file of a two-leg course;
#      its window counts as mapped when weston's scene graph (weston --debug, read with
#      weston-debug scene-graph) lists it as a top-level view, and as painted when
#      weston's screenshot shows the red start marker at its place; then SIGTERM ends
#      it with status 0, and the work file (read with plain line feeds) is written
#      again in the program's own form;
#   3. a maximize request on a message box. Weston's headless back end has no seat, no
#      pointer and no keyboard, and the plugin that injects input in weston's own tests
#      is not packaged by Debian, so this step runs weston's x11 back end inside Xvfb,
#      where the pointer and keys xdotool sends reach weston as a real seat's. A work
#      file whose ESCALA= is not a number makes the start show "Informe uma ESCALA
#      válida para o desenho!" before the window. The test clicks the maximize button
#      of the box's title bar, waits until weston shows the box maximized, presses
#      Space on OK (a repaint at the maximized size: a box that kept its fixed size
#      would commit the wrong size there, and weston would end the program with a
#      protocol error), waits for the main window, and ends the program with SIGTERM:
#      status 0, the work file written again in the program's own form.
# The program's output stays in build-smoke/wayland-app.log and the screenshot of the
# maximized box in build-smoke/wayland-maximized.png.
#
#   scripts/wayland-test.sh
#
# Environment: TREVANTO_JOBS (build jobs), TREVANTO_SMOKE_TIMEOUT (seconds to wait for
# each step, default 30), TREVANTO_SMOKE_USER (default trevanto-smoke).
# Needs what scripts/smoke-test.sh needs, and the Debian packages weston and
# qt6-wayland. Exits non-zero on any failure.
set -euo pipefail

cd "$(dirname "$0")/.."

# shellcheck source=scripts/lib/xsession.sh
source scripts/lib/xsession.sh
script_name=wayland-test

require_tools "weston xvfb xauth xdotool x11-utils imagemagick util-linux" \
    cmake weston weston-debug weston-screenshooter Xvfb xauth xdpyinfo xdotool xwininfo convert cmp \
    timeout setpriv

keep_files=(app.log:wayland-app.log weston-headless.log:wayland-weston-headless.log
    weston-x11.log:wayland-weston-x11.log maximized.png:wayland-maximized.png)
weston_pid=
socket=trevanto-wayland-$$
# At the end the program goes first, then weston, then (end_session) the X server.
stop_extra() {
    stop_process "$app_pid"
    app_pid=
    stop_process "$weston_pid"
    weston_pid=
}
begin_session trevanto-wayland

# ---- build, install, the user ----------------------------------------------------------

prepare_program
say "the program runs as $run_name"
"${as_user[@]}" mkdir -p "$data_dir" "$home/shots"

# No lock screen, no panel over the windows, no fade to black when idle.
cat >"$work/weston.ini" <<'EOF'
[core]
idle-time=0

[shell]
locking=false
panel-position=none
background-color=0xff303030
EOF
chmod 644 "$work/weston.ini"

# ---- Wayland clients and weston ----------------------------------------------------------

# The command prefix that runs a command as the user, with a clean environment, on
# weston's socket; more NAME=VALUE may follow it. An array, not a function: started in
# the background, the command itself then gets the process id that $! gives, to
# which SIGTERM goes.
as_wayland_user=("${as_user[@]}" env -i HOME="$home" USER="$run_name" LOGNAME="$run_name"
    PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket")

# start_weston NAME BACKEND [NAME=VALUE...]: starts weston as the user on BACKEND with
# a 1024 x 768 output that is painted in memory (pixman, so screenshots work), its log
# in $work/NAME.log, and waits until it answers; sets weston_pid.
start_weston() {
    local name=$1 backend=$2 deadline=$((SECONDS + step_timeout))
    shift 2
    "${as_wayland_user[@]}" "$@" weston --backend="$backend" --socket="$socket" --use-pixman \
        --width=1024 --height=768 --debug --config="$work/weston.ini" \
        >"$work/$name.log" 2>&1 </dev/null &
    weston_pid=$!
    until "${as_wayland_user[@]}" weston-debug scene-graph 2>/dev/null | grep -q '^Output 0'; do
        kill -0 "$weston_pid" 2>/dev/null || { cat "$work/$name.log" >&2; fail "weston ($backend) ended at start"; }
        ((SECONDS < deadline)) || fail "weston ($backend) did not answer within ${step_timeout} s"
        sleep 0.2
    done
    say "weston runs on $backend, socket $socket"
}

stop_weston() {
    stop_process "$weston_pid"
    weston_pid=
}

launch_wayland_program() {
    "${as_wayland_user[@]}" QT_QPA_PLATFORM=wayland "$program" >"$work/app.log" 2>&1 </dev/null &
    app_pid=$!
}

app_alive() {
    kill -0 "$app_pid" 2>/dev/null && return 0
    local status=0
    wait "$app_pid" || status=$?
    app_pid=
    cat "$work/app.log" >&2 || true
    fail "the program ended unexpectedly, with status $status"
}

# await_window WHAT CONDITION: waits until weston's scene graph lists a mapped
# top-level view of the program titled Trevanto whose width w and height h meet the
# awk CONDITION; sets view_x, view_y, view_w and view_h from the topmost such view.
await_window() {
    local what=$1 condition=$2 deadline=$((SECONDS + step_timeout)) found
    while :; do
        app_alive
        found=$("${as_wayland_user[@]}" weston-debug scene-graph 2>/dev/null | awk '
            /role xdg_toplevel,.* top-level window \047Trevanto\047 / { view = 1; next }
            view && /position:/ {
                gsub(/[(),>]/, " ")
                x = $2; y = $3; w = $5 - $2; h = $6 - $3
                if ('"$condition"') { print x, y, w, h; exit }
                view = 0
            }')
        if [[ -n "$found" ]]; then
            read -r view_x view_y view_w view_h <<<"$found"
            say "$what: ${view_w}x${view_h} at ($view_x, $view_y)"
            return 0
        fi
        ((SECONDS < deadline)) || fail "$what: no such window in weston's scene graph after ${step_timeout} s"
        sleep 0.2
    done
}

# screenshot FILE: weston's picture of its output.
screenshot() {
    rm -f "$home/shots"/*.png
    (cd "$home/shots" && "${as_wayland_user[@]}" weston-screenshooter) >>"$work/shots.log" 2>&1 ||
        fail "weston-screenshooter could not take a screenshot"
    mv "$home/shots"/*.png "$1"
}

# Qt's own title bar on Wayland (the bradient decoration) is 30 pixels high over a
# 3-pixel border: the window's client area starts there.
client_x() { echo $((view_x + 3 + $1)); }
client_y() { echo $((view_y + 30 + $1)); }

# await_marker: waits until the red start marker, at (372, 260) of the client area, is
# on weston's screenshot.
await_marker() {
    local deadline=$((SECONDS + step_timeout)) got
    while :; do
        app_alive
        screenshot "$work/poll.png"
        got=$(pixel_of "$work/poll.png" "$(client_x 372)" "$(client_y 260)")
        [[ "$got" == FF0000 ]] && return 0
        ((SECONDS < deadline)) || fail "the start marker is not painted: pixel #$got after ${step_timeout} s"
        sleep 0.2
    done
}

# put_work_file FILE: makes FILE the user's work file with plain line feeds, as an
# editor may leave it, dated long ago. The program does not write again a file that
# holds its work already; this one it writes at its end in its own form, FILE's bytes.
put_work_file() {
    sed 's/\r$//' "$1" | "${as_user[@]}" tee "$work_file" >/dev/null
    touch -d '2000-01-01 00:00:00' "$work_file"
}

# end_and_check_work_file EXPECTED CONTEXT: ends the program with SIGTERM and checks
# that it ended with status 0 after writing exactly EXPECTED's bytes.
end_and_check_work_file() {
    local expected=$1 context=$2
    app_alive
    kill -TERM "$app_pid"
    await_program_exit "$work/app.log" SIGTERM 0.1 "$context: "
    (($(stat -c %Y "$work_file") > $(date -d '2000-01-02' +%s))) ||
        fail "$context: the program did not write $work_file at SIGTERM"
    if ! cmp "$expected" "$work_file"; then
        od -c "$work_file" >&2
        fail "$context: the work file does not hold the course it had"
    fi
    say "ok: $context: status 0, the work file rewritten with its $(wc -c <"$work_file") bytes"
}

# ---- on weston's headless back end -------------------------------------------------------

write_course_file "$work/course.ini"
put_work_file "$work/course.ini"
start_weston weston-headless headless-backend.so
say "starting $program on Qt's wayland platform"
launch_wayland_program
await_window "the main window is mapped" 'h > 300'
await_marker
say "ok: the start marker is painted"
end_and_check_work_file "$work/course.ini" "headless, SIGTERM"
stop_weston

# ---- a maximize request on a message box, on weston's x11 back end in Xvfb -------------------

start_xvfb
share_xauth_with_user
start_weston weston-x11 x11-backend.so DISPLAY="$DISPLAY" XAUTHORITY="$user_auth"
output=$(timeout "$step_timeout" xdotool search --sync --class '^Weston Compositor$' 2>/dev/null | head -n 1) ||
    true
[[ -n "$output" ]] || fail "weston's window did not appear on $display"
geometry=$(xwininfo -id "$output") || fail "xwininfo could not read weston's window"
output_x=$(sed -n 's/^ *Absolute upper-left X: *\(-\{0,1\}[0-9]*\).*/\1/p' <<<"$geometry")
output_y=$(sed -n 's/^ *Absolute upper-left Y: *\(-\{0,1\}[0-9]*\).*/\1/p' <<<"$geometry")

# click_output X Y: a click at (X, Y) of weston's output. Weston's x11 back end moves
# its pointer by the X pointer's steps and sets it only where the X pointer enters its
# window, so the pointer leaves the window first and comes back in at (X, Y).
click_output() {
    timeout 10 xdotool mousemove --sync $((output_x + 1024 + 8)) $((output_y + 768 + 8)) ||
        fail "xdotool could not move the pointer"
    timeout 10 xdotool mousemove --sync $((output_x + $1)) $((output_y + $2)) click 1 ||
        fail "xdotool could not click at ($1, $2)"
}

printf 'DIR=100;50;\r\nMET=90;180;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=abc\r\nLEFT=368\r\nTOP=256\r\n' \
    >"$work/no-scale.ini"
put_work_file "$work/no-scale.ini"
launch_wayland_program
await_window "the message box is mapped" 'h < 200'
# The maximize button: the title bar's second button from the right, 18 pixels wide,
# 5 apart and 8 from the right edge.
say "clicking the box's maximize button"
click_output $((view_x + view_w - 40)) $((view_y + 15))
await_window "the message box is maximized" 'w == 1024 && h == 768'
screenshot "$work/maximized.png"
say "pressing Space on OK"
timeout 10 xdotool key space || fail "xdotool could not press Space"
await_window "after OK the main window is mapped" 'h > 300 && h < 768'
end_and_check_work_file "$work/no-scale.ini" "maximized box, SIGTERM"
