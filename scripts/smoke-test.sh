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
#      work file into the user's data folder, and nothing into its own folder.
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
tree=build-smoke
jobs=${TREVANTO_JOBS:-$(nproc 2>/dev/null || echo 2)}
step_timeout=${TREVANTO_SMOKE_TIMEOUT:-30}
smoke_user=${TREVANTO_SMOKE_USER:-trevanto-smoke}

say() { echo "smoke-test: $*"; }
fail() {
    echo "smoke-test: FAILED: $*" >&2
    exit 1
}

for tool in cmake Xvfb xauth xdpyinfo xdotool xwininfo import convert cmp timeout setpriv; do
    command -v "$tool" >/dev/null 2>&1 ||
        fail "$tool not found (Debian packages: xvfb xauth xdotool x11-utils imagemagick util-linux)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/trevanto-smoke.XXXXXX")
chmod 755 "$work"
xvfb_pid=
app_pid=
readonly_dir=

# Ends a process this script started: SIGTERM, then SIGKILL after a few seconds.
stop_process() {
    local pid=$1 waited=0
    [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null && ((waited < 50)); do
        sleep 0.1
        waited=$((waited + 1))
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

cleanup() {
    local status=$?
    stop_process "$app_pid"
    stop_process "$xvfb_pid"
    if [[ -f "$work/app.log" && -d "$tree" ]]; then
        cp "$work/app.log" "$tree/smoke-app.log" 2>/dev/null || true
    fi
    [[ -n "$readonly_dir" ]] && chmod u+w "$readonly_dir" 2>/dev/null
    rm -rf "$work"
    # Under sudo, hand the build tree back to the developer who asked for it.
    if [[ $(id -u) -eq 0 && -n "${SUDO_UID:-}" && "${SUDO_UID}" != 0 && -d "$tree" ]]; then
        chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$tree" 2>/dev/null || true
    fi
    if ((status == 0)); then
        say "passed"
    fi
    return "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# ---- build and install ---------------------------------------------------------------

if [[ ! -f "$tree/CMakeCache.txt" ]]; then
    say "configuring $tree"
    cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release \
        -DTREVANTO_BUILD_TESTS=OFF -DTREVANTO_BUILD_BENCH=OFF >"$work/configure.log" 2>&1 ||
        { cat "$work/configure.log" >&2; fail "cmake could not configure $tree"; }
fi
say "building $tree"
cmake --build "$tree" -j "$jobs" >"$work/build.log" 2>&1 ||
    { tail -n 50 "$work/build.log" >&2; fail "the build of $tree failed"; }

stage="$work/stage"
prefix="$stage/usr"
cmake --install "$tree" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }
program="$prefix/bin/trevanto"
[[ -x "$program" ]] || fail "the installation holds no $program"
say "installed into $prefix"

# ---- the user who runs the program ---------------------------------------------------

home="$work/home"
runtime="$work/runtime"
mkdir -p "$home" "$runtime"
if [[ $(id -u) -eq 0 ]]; then
    if ! id -u "$smoke_user" >/dev/null 2>&1; then
        say "creating the user $smoke_user"
        useradd --create-home --user-group --shell /bin/sh "$smoke_user" ||
            fail "could not create the user $smoke_user"
    fi
    run_uid=$(id -u "$smoke_user")
    run_gid=$(id -g "$smoke_user")
    ((run_uid != 0)) || fail "the user $smoke_user is root"
    # As under /usr: everything belongs to root and only root may write.
    chown -R root:root "$stage"
    chmod -R u+rwX,go+rX,go-w "$stage"
    chown "$run_uid:$run_gid" "$home" "$runtime"
    as_user=(setpriv --reuid="$run_uid" --regid="$run_gid" --init-groups --)
    run_name=$smoke_user
    say "the program runs as $smoke_user (uid $run_uid); $prefix belongs to root, mode 755"
else
    # Not root: no other user can be made. The program runs as the caller, whose own
    # staging folder is made read-only so that the program cannot write there either.
    run_name=$(id -un)
    readonly_dir="$prefix/bin"
    chmod a-w "$readonly_dir"
    as_user=()
    say "not root: skipping the run as a separate ordinary user; running as $run_name" \
        "with $readonly_dir read-only"
fi
chmod 700 "$home" "$runtime"
data_dir="$home/.local/share/Pervona/Trevanto"
work_file="$data_dir/trevanto.ini"

# ---- X server ------------------------------------------------------------------------

server_auth="$work/server.xauth"
cookie=$(mcookie 2>/dev/null || od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
display=
for number in $(seq 77 176); do
    [[ -e "/tmp/.X$number-lock" || -e "/tmp/.X11-unix/X$number" ]] && continue
    rm -f "$server_auth"
    xauth -q -f "$server_auth" add ":$number" . "$cookie" 2>/dev/null
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp -noreset -auth "$server_auth" \
        >"$work/xvfb.log" 2>&1 </dev/null &
    xvfb_pid=$!
    ready=
    for ((i = 0; i < 100; i++)); do
        kill -0 "$xvfb_pid" 2>/dev/null || break
        if DISPLAY=":$number" XAUTHORITY="$server_auth" timeout 5 xdpyinfo >/dev/null 2>&1; then
            ready=1
            break
        fi
        sleep 0.1
    done
    if [[ -n "$ready" ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
        display=":$number"
        break
    fi
    stop_process "$xvfb_pid"
    xvfb_pid=
done
[[ -n "$display" ]] || { cat "$work/xvfb.log" >&2 || true; fail "Xvfb did not start on any display from :77 to :176"; }
export DISPLAY=$display XAUTHORITY=$server_auth
say "Xvfb runs on $display"

user_auth="$home/.Xauthority"
cp "$server_auth" "$user_auth"
if [[ $(id -u) -eq 0 ]]; then
    chown "$run_uid:$run_gid" "$user_auth"
fi
chmod 600 "$user_auth"

# ---- helpers on the screen -------------------------------------------------------------

shot_file="$tree/smoke-shot.png"
shoot() {
    import -window root "$1" 2>>"$work/import.log" || fail "import could not take a screenshot"
}
# Prints the colour of one pixel of a screenshot as RRGGBB.
pixel_of() {
    convert "$1" -crop "1x1+$2+$3" +repage -alpha off -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -n 1 | tr a-f A-F
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
"${as_user[@]}" env -i \
    HOME="$home" USER="$run_name" LOGNAME="$run_name" PATH=/usr/bin:/bin \
    LANG=C.UTF-8 DISPLAY="$DISPLAY" XAUTHORITY="$user_auth" XDG_RUNTIME_DIR="$runtime" \
    QT_QPA_PLATFORM=xcb \
    "$program" >"$work/app.log" 2>&1 </dev/null &
app_pid=$!

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
deadline=$((SECONDS + step_timeout))
while kill -0 "$app_pid" 2>/dev/null; do
    ((SECONDS < deadline)) || fail "the program did not end within ${step_timeout} s of FIM"
    sleep 0.1
done
app_status=0
wait "$app_pid" || app_status=$?
app_pid=
((app_status == 0)) || { cat "$work/app.log" >&2; fail "the program ended with status $app_status"; }
say "the program ended with status 0"

if [[ -e "$prefix/bin/trevanto.ini" ]]; then
    fail "the program wrote its work file into its own folder $prefix/bin"
fi
[[ -f "$work_file" ]] || {
    find "$home" -name 'trevanto.ini*' >&2 || true
    fail "no work file at $work_file"
}
printf 'DIR=100;50;\r\nMET=90;180;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n' \
    >"$work/expected.ini"
if ! cmp "$work/expected.ini" "$work_file"; then
    echo "expected:" >&2
    od -c "$work/expected.ini" >&2
    echo "written:" >&2
    od -c "$work_file" >&2
    fail "the work file $work_file does not hold the expected bytes"
fi
say "ok: the work file ${work_file#"$home/"} in the user's home holds the expected $(wc -c <"$work_file") bytes"
