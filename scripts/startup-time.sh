#!/usr/bin/env bash
# Measures how long the installed program takes from launch until its main window is
# mapped, on a real X server (Xvfb) with Qt's xcb platform:
#   - builds and installs the Release tree build-smoke into a staging prefix, as
#     scripts/smoke-test.sh does, and runs the program as an ordinary user (as root:
#     the user trevanto-smoke, created when missing; otherwise the caller);
#   - starts the program TREVANTO_STARTUP_RUNS times (default 10), each time polling
#     every 5 ms for a mapped window named "Trevanto", then ends it with SIGTERM (the
#     program writes its work file and exits) and checks that it ended cleanly;
#   - prints every time and the median, in milliseconds.
# Before each start the user's data folder holds the work file of a two-leg course,
# so each start reads it and draws the course; with TREVANTO_STARTUP_WORKFILE=none
# each start is a first start without a work file.
#
#   scripts/startup-time.sh
#
# A time is taken when the poll that first sees the window returns, so it is an upper
# bound, late by at most one poll (about 5 to 10 ms). Exits non-zero when a run fails,
# not when the median misses the goal of 300 ms.
set -euo pipefail

cd "$(dirname "$0")/.."
tree=build-smoke
jobs=${TREVANTO_JOBS:-$(nproc 2>/dev/null || echo 2)}
runs=${TREVANTO_STARTUP_RUNS:-10}
workfile_mode=${TREVANTO_STARTUP_WORKFILE:-course}
smoke_user=${TREVANTO_SMOKE_USER:-trevanto-smoke}
step_timeout=30
goal_ms=300

say() { echo "startup-time: $*"; }
fail() {
    echo "startup-time: FAILED: $*" >&2
    exit 1
}

[[ "$runs" =~ ^[1-9][0-9]*$ ]] || fail "TREVANTO_STARTUP_RUNS must be a positive whole number"
[[ "$workfile_mode" == course || "$workfile_mode" == none ]] ||
    fail "TREVANTO_STARTUP_WORKFILE must be course or none"
for tool in cmake Xvfb xauth xdpyinfo xdotool timeout setpriv; do
    command -v "$tool" >/dev/null 2>&1 ||
        fail "$tool not found (Debian packages: xvfb xauth xdotool x11-utils util-linux)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/trevanto-startup.XXXXXX")
chmod 755 "$work"
xvfb_pid=
app_pid=

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
    rm -rf "$work"
    if [[ $(id -u) -eq 0 && -n "${SUDO_UID:-}" && "${SUDO_UID}" != 0 && -d "$tree" ]]; then
        chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$tree" 2>/dev/null || true
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
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$tree/CMakeCache.txt")
[[ "$build_type" == Release ]] || say "note: $tree is a $build_type build, not Release"

stage="$work/stage"
prefix="$stage/usr"
cmake --install "$tree" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }
program="$prefix/bin/trevanto"
[[ -x "$program" ]] || fail "the installation holds no $program"

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
    chown -R root:root "$stage"
    chmod -R u+rwX,go+rX,go-w "$stage"
    chown "$run_uid:$run_gid" "$home" "$runtime"
    as_user=(setpriv --reuid="$run_uid" --regid="$run_gid" --init-groups --)
    run_name=$smoke_user
else
    # The program's folder is made read-only, as under /usr, so that the work file
    # goes to the user's data folder as it would for an installed program.
    run_name=$(id -un)
    chmod a-w "$prefix/bin"
    as_user=()
fi
chmod 700 "$home" "$runtime"
data_dir="$home/.local/share/Pervona/Trevanto"
work_file="$data_dir/trevanto.ini"
course_file="$work/course.ini"
printf 'DIR=100;50;\r\nMET=90;180;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n' \
    >"$course_file"

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

user_auth="$home/.Xauthority"
cp "$server_auth" "$user_auth"
if [[ $(id -u) -eq 0 ]]; then
    chown "$run_uid:$run_gid" "$user_auth"
fi
chmod 600 "$user_auth"

# A file descriptor that never becomes readable: `read -t` on it is a sleep without
# starting a process.
exec {never_fd}<> <(:)
pause() { read -r -t "$1" -u "$never_fd" _ || true; }
# Microseconds since the epoch, without starting a process.
now_us() { echo "${EPOCHREALTIME//[!0-9]/}"; }

# Puts the user's data folder in the state each start should find.
prepare_work_file() {
    if [[ "$workfile_mode" == course ]]; then
        "${as_user[@]}" mkdir -p "$data_dir"
        "${as_user[@]}" cp "$course_file" "$work_file"
    else
        rm -f "$work_file"
    fi
}

say "program $program, run as $run_name on Xvfb $display (1280x1024x24, Qt platform xcb)"
if [[ "$workfile_mode" == course ]]; then
    say "each start reads a work file with a two-leg course and draws it"
else
    say "each start is a first start without a work file"
fi

times_us=()
for ((run = 1; run <= runs; run++)); do
    prepare_work_file
    if timeout 2 xdotool search --onlyvisible --name '^Trevanto$' >/dev/null 2>&1; then
        fail "a window named Trevanto is already mapped before run $run"
    fi

    start_us=$(now_us)
    "${as_user[@]}" env -i \
        HOME="$home" USER="$run_name" LOGNAME="$run_name" PATH=/usr/bin:/bin \
        LANG=C.UTF-8 DISPLAY="$DISPLAY" XAUTHORITY="$user_auth" XDG_RUNTIME_DIR="$runtime" \
        QT_QPA_PLATFORM=xcb \
        "$program" >"$work/app-$run.log" 2>&1 </dev/null &
    app_pid=$!

    deadline_us=$((start_us + step_timeout * 1000000))
    mapped_us=
    while :; do
        if xdotool search --onlyvisible --name '^Trevanto$' >/dev/null 2>&1; then
            mapped_us=$(now_us)
            break
        fi
        if ! kill -0 "$app_pid" 2>/dev/null; then
            cat "$work/app-$run.log" >&2 || true
            fail "run $run: the program ended before its window was mapped"
        fi
        (($(now_us) < deadline_us)) || fail "run $run: no window mapped within ${step_timeout} s"
        pause 0.005
    done
    elapsed_us=$((mapped_us - start_us))
    times_us+=("$elapsed_us")
    printf 'startup-time: run %2d: %4d.%d ms\n' "$run" $((elapsed_us / 1000)) $((elapsed_us % 1000 / 100))

    # Let the start finish before ending the program, so that no signal arrives while
    # it is still setting up.
    pause 0.3
    kill -TERM "$app_pid" 2>/dev/null || fail "run $run: the program is no longer running"
    end_deadline=$((SECONDS + step_timeout))
    while kill -0 "$app_pid" 2>/dev/null; do
        ((SECONDS < end_deadline)) || fail "run $run: the program did not end within ${step_timeout} s of SIGTERM"
        pause 0.02
    done
    app_status=0
    wait "$app_pid" || app_status=$?
    app_pid=
    ((app_status == 0)) || { cat "$work/app-$run.log" >&2; fail "run $run: the program ended with status $app_status"; }
    [[ -f "$work_file" ]] || fail "run $run: the program wrote no work file at SIGTERM"
    if [[ "$workfile_mode" == course ]] && ! cmp -s "$course_file" "$work_file"; then
        fail "run $run: the work file written at SIGTERM differs from the one read at start"
    fi
    if [[ -s "$work/app-$run.log" ]]; then
        say "run $run: the program said:"
        sed 's/^/    /' "$work/app-$run.log"
    fi
    pause 0.2
done

mapfile -t sorted < <(printf '%s\n' "${times_us[@]}" | sort -n)
count=${#sorted[@]}
if ((count % 2 == 1)); then
    median_us=${sorted[count / 2]}
else
    median_us=$(((sorted[count / 2 - 1] + sorted[count / 2]) / 2))
fi
median_ms_tenths=$(((median_us + 50) / 100))
printf 'startup-time: median of %d starts: %d.%d ms (min %d ms, max %d ms)\n' "$count" \
    $((median_ms_tenths / 10)) $((median_ms_tenths % 10)) \
    $((sorted[0] / 1000)) $((sorted[count - 1] / 1000))
if ((median_us <= goal_ms * 1000)); then
    say "goal met: the median is at most $goal_ms ms"
else
    say "goal missed: the median is above $goal_ms ms"
fi
