#!/usr/bin/env bash
# The installed program's window at the display scales that laptops use, and under a
# real window manager, on Xvfb with Qt's xcb platform (the Release tree build-smoke,
# installed and run as scripts/smoke-test.sh does):
#   1. a course of a diagonal leg (135º) and a turn, read from the work file, shown at
#      QT_SCALE_FACTOR 1, 1.25, 1.5 and 1.75; a screenshot of the window each time.
#      At 1 the course is pixel for pixel scripts/data/course-at-100.png; at the other
#      scales the ink of every device row along the diagonal leg is within 10 % of the
#      leg's median (a line widened pixel by pixel is beaded: 1, 2, 1 ... device pixels);
#   2. a second copy on the same work: its message, shown before any window of its own,
#      has the program's icon;
#   3. under openbox: maximize fills the screen and holds, restore gives back the size
#      before it, twice over; the work file written at SIGTERM while maximized keeps
#      the restored size.
# The screenshots stay in build-smoke/display-shot-SCALE.png.
#
#   scripts/display-test.sh
#
# Environment: as scripts/smoke-test.sh. Needs the Debian packages of the smoke test,
# openbox and wmctrl. Exits non-zero on any failure.
set -euo pipefail

cd "$(dirname "$0")/.."

# shellcheck source=scripts/lib/xsession.sh
source scripts/lib/xsession.sh
script_name="display-test"

require_tools "xvfb xauth xdotool x11-utils imagemagick util-linux openbox wmctrl python3" \
    cmake Xvfb xauth xdpyinfo xdotool xwininfo xprop import convert timeout setpriv openbox wmctrl python3

quiet_steps=1
wm_pid=
stop_extra() { stop_process "$wm_pid"; }
begin_session trevanto-display
prepare_program
start_x_session

app_alive() {
    kill -0 "$app_pid" 2>/dev/null && return 0
    cat "$work/app.log" >&2 || true
    fail "the program ended unexpectedly"
}

# Starts the program with the environment given and waits for its window; sets window.
start_program() {
    program_env=("$@")
    launch_program "$work/app.log"
    window=$(timeout "$step_timeout" xdotool search --sync --onlyvisible --name '^Trevanto$' 2>/dev/null |
        head -n 1) || true
    [[ -n "$window" ]] || { app_alive; fail "no window named Trevanto was mapped within ${step_timeout} s"; }
}

end_program() {
    kill -TERM "$app_pid" 2>/dev/null || fail "the program is no longer running"
    await_program_exit "$work/app.log" SIGTERM 0.05
}

# The client area's size as WIDTHxHEIGHT.
client_size() {
    xwininfo -id "$window" | sed -n 's/^ *Width: *\([0-9]*\)/\1/p; s/^ *Height: *\([0-9]*\)/x\1/p' | tr -d '\n'
}

# ---- 1. the course at each display scale ------------------------------------------------

# At scale 10: bearing 135º over 100 m from (373, 261) to (444, 332), then 45º over 60 m.
"${as_user[@]}" mkdir -p "$data_dir"
course_file="$work/course.ini"
printf 'DIR=100;60;\r\nMET=135;45;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n' \
    >"$course_file"
chmod a+r "$course_file"

convert scripts/data/course-at-100.png -depth 8 "$work/expected.ppm" ||
    fail "convert could not read scripts/data/course-at-100.png"
# The check of one screenshot: python3 check.py SCALE SHOT.ppm EXPECTED.ppm.
cat >"$work/check.py" <<'EOF'
import statistics, sys

def read_ppm(path):
    data = open(path, 'rb').read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:]

scale = float(sys.argv[1])
width, height, pixels = read_ppm(sys.argv[2])

def grey(x, y):
    at = 3 * (y * width + x)
    return sum(pixels[at:at + 3]) / 3

# The course's part of the window, clear of the bearing labels: window pixels from
# (360, 255), 141 x 82.
if scale == 1:
    expected_width, expected_height, expected = read_ppm(sys.argv[3])
    rows = [pixels[3 * (y * width + 360):3 * (y * width + 360 + expected_width)] for y in range(255, 255 + expected_height)]
    wrong = [(x, y) for y, row in enumerate(rows) for x in range(expected_width)
             if row[3 * x:3 * x + 3] != expected[3 * (y * expected_width + x):3 * (y * expected_width + x) + 3]]
    if wrong:
        print(f'display-test: at 100 % {len(wrong)} pixels differ from the reference, the first at window pixel '
              f'({360 + wrong[0][0]}, {255 + wrong[0][1]})', file=sys.stderr)
        sys.exit(1)
    print('display-test: ok: at 100 % the course is pixel for pixel as before')
    sys.exit(0)

# The diagonal leg's ink, row by row: the background's grey less each pixel's, within
# six window pixels either side of the leg, over its middle, away from its ends.
background = grey(int(600 * scale), int(450 * scale))
inks = []
for y in range(int(285 * scale), int(322 * scale)):
    centre = (373.5 + (y + 0.5) / scale - 261.5) * scale
    ink = sum(max(0.0, background - grey(x, y)) for x in range(int(centre - 6 * scale), int(centre + 6 * scale) + 1))
    inks.append(ink / background)
middle = statistics.median(inks)
worst = max(abs(ink - middle) / middle for ink in inks) if middle > 0 else 1
line = f'at {scale * 100:.0f} % the diagonal leg takes {middle:.2f} device pixels of ink a row, at most {worst * 100:.1f} % off'
if middle < 0.5 or worst > 0.10:
    print(f'display-test: {line}: not an even line', file=sys.stderr)
    sys.exit(1)
print(f'display-test: ok: {line}')
EOF

for scale in 1 1.25 1.5 1.75; do
    "${as_user[@]}" cp "$course_file" "$work_file"
    start_program QT_SCALE_FACTOR="$scale"
    shot="$tree/display-shot-$scale.png"
    # The window is mapped; its first paint may land later on a busy machine, so the
    # screenshot is taken again until it passes or the step's time is up.
    deadline=$((SECONDS + step_timeout))
    while :; do
        sleep 0.3
        import -window "$window" "$shot" 2>>"$work/import.log" || fail "import could not take a screenshot"
        convert "$shot" -depth 8 "$work/shot.ppm" || fail "convert could not read $shot"
        python3 "$work/check.py" "$scale" "$work/shot.ppm" "$work/expected.ppm" 2>"$work/check.log" && break
        ((SECONDS < deadline)) || { cat "$work/check.log" >&2; fail "the course at scale $scale (see $shot)"; }
    done
    end_program
done

# ---- 2. a message before the main window shows the program's icon -------------------------

# A second copy on the same work says so in a message, before it has any window of its own.
start_program
first_pid=$app_pid
launch_program "$work/second.log"
second_pid=$app_pid
app_pid=$first_pid
message=
for ((i = 0; i < step_timeout * 10; i++)); do
    for found in $(xdotool search --onlyvisible --name '^Trevanto$' 2>/dev/null); do
        [[ "$found" != "$window" ]] && message=$found
    done
    [[ -n "$message" ]] && break
    sleep 0.1
done
[[ -n "$message" ]] || fail "the second copy showed no message within ${step_timeout} s"
# sed reads the icon's data to its end: head would leave xprop to die of SIGPIPE
# halfway through it, which fails the pipe.
icon=$(xprop -id "$message" _NET_WM_ICON 2>/dev/null | sed -n 1p) || true
stop_process "$second_pid"
[[ "$icon" == *CARDINAL* ]] || fail "the second copy's message has no icon: $icon"
say "ok: the second copy's message shows the program's icon"
end_program

# ---- 3. maximize and restore under openbox ---------------------------------------------

openbox --sm-disable >"$work/openbox.log" 2>&1 </dev/null &
wm_pid=$!
for ((i = 0; i < 100; i++)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
"${as_user[@]}" rm -f "$work_file"
start_program
sleep 0.5
normal=$(client_size)
say "under openbox the window opens with a client area of $normal"

# size_is WANTED: whether the client area is WANTED: "maximized" (about the screen's
# 1280x1024, less the title bar) or WIDTHxHEIGHT.
size_is() {
    local size width height
    size=$(client_size)
    width=${size%x*} height=${size#*x}
    if [[ "$1" == maximized ]]; then
        ((width >= 1200 && height >= 900))
    else
        [[ "$size" == "$1" ]]
    fi
}

# await_size WHAT WANTED: waits until the client area is WANTED (see size_is), and that
# it still is a second later.
await_size() {
    local what=$1 wanted=$2 deadline=$((SECONDS + step_timeout))
    while :; do
        app_alive
        if size_is "$wanted"; then
            sleep 1
            size_is "$wanted" || fail "$what did not hold: the client area became $(client_size)"
            say "ok: $what: $(client_size)"
            return 0
        fi
        ((SECONDS < deadline)) || fail "$what: the client area is $(client_size) after ${step_timeout} s"
        sleep 0.1
    done
}

for try in 1 2; do
    wmctrl -i -r "$window" -b add,maximized_vert,maximized_horz || fail "wmctrl could not maximize the window"
    await_size "maximize ($try)" maximized
    wmctrl -i -r "$window" -b remove,maximized_vert,maximized_horz || fail "wmctrl could not restore the window"
    await_size "restore ($try)" "$normal"
done
wmctrl -i -r "$window" -b add,maximized_vert,maximized_horz || fail "wmctrl could not maximize the window"
await_size "maximize before the end" maximized
end_program
if ! grep -q $'^WIDTH=10000\r$' "$work_file" || ! grep -q $'^HEIGHT=8000\r$' "$work_file"; then
    fail "the work file written while maximized does not keep the restored size: $(grep -a -E '^(WIDTH|HEIGHT)=' "$work_file" | tr -d '\r' | tr '\n' ' ')"
fi
say "ok: the work file keeps the restored size"
