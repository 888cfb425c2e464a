# shellcheck shell=bash
# Shared by the tests of the installed program in real windows: scripts/smoke-test.sh,
# scripts/wayland-test.sh, scripts/atspi-test.sh, scripts/signal-trial.sh and
# scripts/startup-time.sh. It builds the Release tree and installs it into a staging
# prefix laid out as under /usr, prepares the ordinary user who runs the program, starts
# Xvfb on a free display and launches the installed program on it, reads screenshots,
# and stops all of that again when the script ends, however it ends.
#
# Sourcing defines functions and the variables below, nothing else. The caller runs
# from the top of the source tree under `set -euo pipefail`, sets script_name (the
# prefix of every message: say, fail), may set any of these after sourcing:
#   tree            the build tree (default build-smoke)
#   jobs            build jobs (default $TREVANTO_JOBS, or the number of processors)
#   step_timeout    seconds to wait for one step (default $TREVANTO_SMOKE_TIMEOUT, or 30)
#   smoke_user      the ordinary user to run the program as, when root (default
#                   $TREVANTO_SMOKE_USER, or trevanto-smoke)
#   keep_files      files of the work folder copied into the tree at the end, each as
#                   NAME:NAME_IN_TREE (default none)
#   passed_message  said when the script ends with status 0 (default "passed"; empty:
#                   nothing is said)
#   quiet_steps     when 1, prepare_program and start_x_session do not say what they did
#   program_env     more NAME=VALUE settings of the program's environment (default none)
# and defines stop_extra, a function that ends them, when it starts processes of its
# own; then it calls begin_session, which fills in the defaults and runs end_session at
# the end.
# The functions end the script through fail (exit 1), so call them as plain commands:
# never in $(...), which would only end a subshell, nor as the condition of if, && or
# ||, where `set -e` does not apply inside them.
#
# shellcheck disable=SC2034  # the variables set here are read by the calling scripts
# shellcheck disable=SC2154  # script_name: the caller's

# The settings, empty (none from the environment) until the caller or begin_session
# sets them.
tree=
jobs=
step_timeout=
smoke_user=
keep_files=()
passed_message=passed
quiet_steps=
program_env=()

# State that end_session reads; empty until the step that fills it has run.
work=
xvfb_pid=
app_pid=
readonly_dir=

say() { echo "$script_name: $*"; }
fail() {
    echo "$script_name: FAILED: $*" >&2
    exit 1
}

# require_tools PACKAGES TOOL...: fails naming the Debian PACKAGES when a TOOL is
# missing.
require_tools() {
    local packages=$1 tool
    shift
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || fail "$tool not found (Debian packages: $packages)"
    done
}

# make_work_dir NAME: a fresh temporary folder in $work, open for reading to the
# ordinary user, who has folders of their own inside it.
make_work_dir() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
    chmod 755 "$work"
}

# ---- stopping --------------------------------------------------------------------------

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

# Ends the program, then the X server, whichever of them still runs.
stop_session() {
    stop_process "$app_pid"
    app_pid=
    stop_process "$xvfb_pid"
    xvfb_pid=
}

# Removes the work folder, after giving back the write bit taken from the staged bin
# folder (without it the files there could not be removed).
remove_work_dir() {
    if [[ -n "$readonly_dir" ]]; then
        chmod u+w "$readonly_dir" 2>/dev/null || true
    fi
    if [[ -n "$work" ]]; then
        rm -rf "$work"
    fi
}

# Under sudo, hands the build tree back to the developer who asked for it.
return_tree_to_sudo_user() {
    if [[ $(id -u) -eq 0 && -n "${SUDO_UID:-}" && "${SUDO_UID}" != 0 && -d "$tree" ]]; then
        chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$tree" 2>/dev/null || true
    fi
}

# ---- the beginning and the end ---------------------------------------------------------

# begin_session NAME: fills in the settings the caller left empty, makes the work folder
# (NAME.XXXXXX) and has end_session run when the script ends, also at SIGINT (status
# 130) and SIGTERM (status 143).
begin_session() {
    tree=${tree:-build-smoke}
    jobs=${jobs:-${TREVANTO_JOBS:-$(nproc 2>/dev/null || echo 2)}}
    step_timeout=${step_timeout:-${TREVANTO_SMOKE_TIMEOUT:-30}}
    smoke_user=${smoke_user:-${TREVANTO_SMOKE_USER:-trevanto-smoke}}
    make_work_dir "$1"
    trap end_session EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# On EXIT: ends what the caller started (stop_extra), the program and the X server,
# copies keep_files into the tree, removes the work folder, gives the tree back under
# sudo and, when the script ends with status 0, says passed_message. The status stays.
end_session() {
    local status=$? kept
    if declare -F stop_extra >/dev/null; then
        stop_extra || true
    fi
    stop_session
    if [[ -d "$tree" ]]; then
        for kept in "${keep_files[@]}"; do
            if [[ -f "$work/${kept%%:*}" ]]; then
                cp "$work/${kept%%:*}" "$tree/${kept#*:}" 2>/dev/null || true
            fi
        done
    fi
    remove_work_dir
    return_tree_to_sudo_user
    if ((status == 0)) && [[ -n "$passed_message" ]]; then
        say "$passed_message"
    fi
    return "$status"
}

# ---- build and install -----------------------------------------------------------------

# Configures $tree as a Release build without tests when it has no cache yet, and
# builds it.
build_tree() {
    if [[ ! -f "$tree/CMakeCache.txt" ]]; then
        say "configuring $tree"
        cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release \
            -DTREVANTO_BUILD_TESTS=OFF -DTREVANTO_BUILD_BENCH=OFF >"$work/configure.log" 2>&1 ||
            { cat "$work/configure.log" >&2; fail "cmake could not configure $tree"; }
    fi
    say "building $tree"
    cmake --build "$tree" -j "$jobs" >"$work/build.log" 2>&1 ||
        { tail -n 50 "$work/build.log" >&2; fail "the build of $tree failed"; }
}

# Installs $tree into $work/stage/usr; sets stage, prefix and program.
install_tree() {
    stage="$work/stage"
    prefix="$stage/usr"
    cmake --install "$tree" --prefix "$prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; fail "cmake --install failed"; }
    program="$prefix/bin/trevanto"
    [[ -x "$program" ]] || fail "the installation holds no $program"
}

# Builds and installs the tree, says where (unless quiet_steps) and prepares the user
# who runs the program (setup_run_user).
prepare_program() {
    build_tree
    install_tree
    [[ "$quiet_steps" == 1 ]] || say "installed into $prefix"
    setup_run_user
}

# ---- the user who runs the program -----------------------------------------------------

# Makes the home and runtime folders of the user who runs the program and sets
# run_name, as_user (the command prefix that runs as that user), run_uid and run_gid,
# data_dir and work_file. As root: the user $smoke_user, created when missing, and the
# staged prefix belongs to root, writable by root only, as under /usr; run_uid is that
# user's. Otherwise the caller, whose staged bin folder is made read-only so that the
# program cannot write there either (readonly_dir); run_uid is empty.
setup_run_user() {
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
        run_uid=
        run_gid=
        run_name=$(id -un)
        readonly_dir="$prefix/bin"
        chmod a-w "$readonly_dir"
        as_user=()
    fi
    chmod 700 "$home" "$runtime"
    data_dir="$home/.local/share/Pervona/Trevanto"
    work_file="$data_dir/trevanto.ini"
}

# write_course_file FILE: the work file of the course bearing 90 over 100 m, then
# 180 over 50 m, byte for byte as the program writes it.
write_course_file() {
    printf 'DIR=100;50;\r\nMET=90;180;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n' \
        >"$1"
}

# ---- X server --------------------------------------------------------------------------

# Starts Xvfb (1280x1024x24, no TCP, an xauth cookie, -noreset so that the server
# outlives each client) on the first free display from :77 to :176 and waits until it
# answers; sets display and xvfb_pid and exports DISPLAY and XAUTHORITY.
start_xvfb() {
    local server_auth="$work/server.xauth" cookie number ready i
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
}

# Gives the user who runs the program a copy of the server's cookie in their home;
# sets user_auth.
share_xauth_with_user() {
    user_auth="$home/.Xauthority"
    cp "$XAUTHORITY" "$user_auth"
    if [[ -n "$run_uid" ]]; then
        chown "$run_uid:$run_gid" "$user_auth"
    fi
    chmod 600 "$user_auth"
}

# Starts Xvfb, says its display (unless quiet_steps) and shares its cookie with the user.
start_x_session() {
    start_xvfb
    [[ "$quiet_steps" == 1 ]] || say "Xvfb runs on $display"
    share_xauth_with_user
}

# Prints the colour of one pixel of a screenshot as RRGGBB.
pixel_of() {
    convert "$1" -crop "1x1+$2+$3" +repage -alpha off -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -n 1 | tr a-f A-F
}

# ---- the program -----------------------------------------------------------------------

# launch_program LOG: starts the installed program in the background as the user, with
# a clean environment, Qt's xcb platform and program_env, its output in LOG; sets app_pid.
launch_program() {
    "${as_user[@]}" env -i \
        HOME="$home" USER="$run_name" LOGNAME="$run_name" PATH=/usr/bin:/bin \
        LANG=C.UTF-8 DISPLAY="$DISPLAY" XAUTHORITY="$user_auth" XDG_RUNTIME_DIR="$runtime" \
        QT_QPA_PLATFORM=xcb "${program_env[@]}" \
        "$program" >"$1" 2>&1 </dev/null &
    app_pid=$!
}

# await_program_exit LOG EVENT POLL [CONTEXT]: waits, looking every POLL seconds, until
# the program ends after EVENT (what should end it) and fails unless it ends within
# step_timeout with status 0, then printing LOG. CONTEXT starts the failure messages.
await_program_exit() {
    local log=$1 event=$2 poll=$3 context=${4:-} deadline=$((SECONDS + step_timeout)) status=0
    while kill -0 "$app_pid" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "${context}the program did not end within ${step_timeout} s of $event"
        sleep "$poll"
    done
    wait "$app_pid" || status=$?
    app_pid=
    ((status == 0)) || { cat "$log" >&2; fail "${context}the program ended with status $status"; }
}
