#!/usr/bin/env bash
# Signal trial of the installed program on a real X server (Xvfb): the user's work must
# survive whatever ends the session. Each trial starts the program as an ordinary user
# on a course of 0, 1,000 or 32,767 legs, waits for a moment drawn at random:
#   start-up  0 to 90 ms after the program catches signals, while the course is read
#             (before that, in the first milliseconds of a process, the default action
#             of a signal ends it, and it has nothing to save);
#   message   the start-up's message is open (the work file's scale is not a number);
#   help      the help window is open (Ajuda... clicked);
#   save      half a second after a change (Excluir, or a leg typed into an empty
#             course), when the work file is being written in the background;
# then sends one to three of SIGTERM, SIGHUP and SIGINT, 0 to 50 ms apart, and checks:
#   - the program ends by itself, within 2 s of the first signal (1 s plus the save, and
#     room for a loaded machine);
#   - the work file holds the work before or after the change, never anything else,
#     and no temporary file is left beside it;
#   - the exit status is 0 exactly when the file holds the work as the program had it.
# The trials start the program with the signals' default actions, as a desktop does; a
# first check starts it with SIGINT ignored, as nohup or a background job of a script
# does, and a SIGINT must leave it running.
#
#   scripts/signal-trial.sh
#
# Environment: TREVANTO_TRIALS (default 24), TREVANTO_TRIAL_SEED (default: the time),
# TREVANTO_JOBS, TREVANTO_SMOKE_TIMEOUT and TREVANTO_SMOKE_USER as for smoke-test.sh,
# whose build and installation it shares. A failure names the trial and its seed.
set -euo pipefail

cd "$(dirname "$0")/.."
trials=${TREVANTO_TRIALS:-24}
seed=${TREVANTO_TRIAL_SEED:-$(date +%s)}

# shellcheck source=scripts/lib/xsession.sh
source scripts/lib/xsession.sh
script_name=signal-trial

require_tools "xvfb xauth xdotool x11-utils util-linux" \
    cmake Xvfb xauth xdpyinfo xdotool cmp timeout setpriv

passed_message="passed: $trials trials, seed $seed"
quiet_steps=1
begin_session trevanto-signals

prepare_program
start_x_session
"${as_user[@]}" mkdir -p "$data_dir"
RANDOM=$seed
say "seed $seed, $trials trials"

# course FILE LEGS [SCALE]: a work file of LEGS legs, as the program writes it.
course() {
    local file=$1 legs=$2 scale=${3:-10} i
    {
        printf 'DIR='
        for ((i = 0; i < legs; i++)); do printf '%d;' $((20 + i % 180)); done
        printf '\r\nMET='
        for ((i = 0; i < legs; i++)); do printf '%d;' $(((i * 7) % 360)); done
        printf '\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=%s\r\nLEFT=368\r\nTOP=256\r\n' "$scale"
    } >"$file"
}

# start DISPOSITION: starts the installed program as the user on Xvfb, the dispositions
# of SIGHUP and SIGINT set by env's option DISPOSITION; sets app_pid.
start() {
    "${as_user[@]}" env -i "$1" \
        HOME="$home" USER="$run_name" LOGNAME="$run_name" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        DISPLAY="$DISPLAY" XAUTHORITY="$user_auth" XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb \
        "$program" >"$work/app.log" 2>&1 </dev/null &
    app_pid=$!
}
# Waits until the program itself catches SIGTERM (bit 15 of SigCgt in its status). The
# name comes from the same read: until the exec, the PID is the shell that starts the
# program, which catches SIGTERM too.
catching() {
    local i status
    for ((i = 0; i < 500; i++)); do
        status=$(awk '/^Name:/ {name = $2} /^SigCgt:/ {print name, $2}' "/proc/$app_pid/status" 2>/dev/null || true)
        if [[ "$status" == "trevanto "* ]] && (((16#${status#trevanto } >> 14) & 1)); then
            return 0
        fi
        sleep 0.01
    done
    return 1
}
# The window opens without a frame at (33, 33): a point of its client area on the screen.
# (No --sync: the pointer may be there already, from an earlier trial, and never move.)
click_at() {
    timeout 10 xdotool mousemove $((33 + $1)) $((33 + $2)) sleep 0.05 click 1 >/dev/null 2>&1 || true
}
# shown TITLE [SECONDS]: waits until a window of that title is visible.
shown() {
    timeout "${2:-$step_timeout}" xdotool search --sync --onlyvisible --name "^$1\$" >/dev/null 2>&1
}
milliseconds() { date +%s%3N; }

# Started with SIGINT ignored, the program stays so: a SIGINT leaves it running, and a
# SIGTERM then saves the work.
course_check=$work/check.ini
printf 'DIR=100;\r\nMET=90;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n' >"$course_check"
"${as_user[@]}" cp "$course_check" "$work_file"
start --ignore-signal=INT
shown Trevanto || fail "the window did not show"
kill -INT "$app_pid"
sleep 0.3
kill -0 "$app_pid" 2>/dev/null || fail "started with SIGINT ignored, it ended at a SIGINT"
kill -TERM "$app_pid"
await_program_exit "$work/app.log" SIGTERM 0.05 "SIGINT ignored: "
cmp -s "$course_check" "$work_file" || fail "SIGINT ignored: the work file does not hold the work"
say "ok: started with SIGINT ignored, a SIGINT left it running and a SIGTERM saved the work"

failed=0
trial_fail() {
    echo "signal-trial: FAILED trial $trial (seed $seed): $*" >&2
    failed=1
}

for ((trial = 1; trial <= trials; trial++)); do
    sizes=(0 1000 32767)
    kinds=(TERM HUP INT)
    moments=(start-up message help save)
    legs=${sizes[RANDOM % 3]}
    moment=${moments[RANDOM % 4]}
    names=()
    for ((k = 0; k < 1 + RANDOM % 3; k++)); do
        names+=("${kinds[RANDOM % 3]}")
    done
    scale=10
    [[ $moment == message ]] && scale=abc
    course "$work/before.ini" "$legs" "$scale"
    cp "$work/before.ini" "$work/after.ini"
    if [[ $moment == save ]]; then
        if ((legs > 0)); then
            course "$work/after.ini" $((legs - 1)) "$scale"
        else
            printf 'DIR=100;\r\nMET=90;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n' \
                >"$work/after.ini"
        fi
    fi
    rm -f "$data_dir"/trevanto.ini*
    "${as_user[@]}" cp "$work/before.ini" "$work_file"

    start --default-signal=HUP,INT
    catching || trial_fail "the program never caught SIGTERM"
    case $moment in
    start-up) sleep "0.0$((RANDOM % 10))" ;;
    message) shown Trevanto || trial_fail "the start-up message did not show" ;;
    help)
        shown Trevanto || trial_fail "the window did not show"
        # A click that comes as the window maps may be lost: tried again.
        for _ in 1 2 3; do
            click_at $((8 + 48)) $((248 + 8))
            shown Ajuda 3 && break
        done
        shown Ajuda 1 || trial_fail "the help did not open"
        ;;
    save)
        shown Trevanto || trial_fail "the window did not show"
        if ((legs > 0)); then
            click_at $((8 + 48)) $((200 + 8))
        else
            click_at 28 169
            timeout 10 xdotool type --delay 20 90 || true
            click_at 80 169
            timeout 10 xdotool type --delay 20 100 || true
            click_at $((8 + 48)) $((184 + 8))
        fi
        sleep "0.$((45 + RANDOM % 15))"
        ;;
    esac

    first=$(milliseconds)
    for name in "${names[@]}"; do
        kill -s "$name" "$app_pid" 2>/dev/null || true
        sleep "0.0$((RANDOM % 5))$((RANDOM % 10))"
    done
    status=0
    ended=
    while ((($(milliseconds) - first) < 10000)); do
        kill -0 "$app_pid" 2>/dev/null || { ended=1; break; }
        sleep 0.01
    done
    took=$(($(milliseconds) - first))
    if [[ -z "$ended" ]]; then
        trial_fail "$moment, $legs legs, ${names[*]}: still running 10 s after the first signal"
        stop_process "$app_pid"
        app_pid=
        continue
    fi
    wait "$app_pid" || status=$?
    app_pid=
    holds=
    if cmp -s "$work/after.ini" "$work_file"; then
        holds=after
    elif cmp -s "$work/before.ini" "$work_file"; then
        holds=before
    fi
    say "trial $trial: $moment, $legs legs, ${names[*]}: status $status after $took ms, file ${holds:-TORN}"
    ((took <= 2000)) || trial_fail "it took $took ms to end"
    [[ -n "$holds" ]] || { trial_fail "the work file is neither the old nor the new work"; od -c "$work_file" | tail -5 >&2; }
    # With nothing lost the program says 0; a file that holds the work is never said lost,
    # and a change made before the signals that is not in the file is never said saved.
    if [[ -n "$holds" ]] && ((status != 0)); then
        trial_fail "status $status though the file holds the work"; cat "$work/app.log" >&2
    fi
    if [[ $moment == save && $holds == before ]] && ((status == 0)); then
        trial_fail "status 0 though the change before the signals is not in the file"
    fi
    leftovers=$(find "$data_dir" -mindepth 1 ! -name trevanto.ini | head -n 3)
    [[ -z "$leftovers" ]] || trial_fail "left behind: $leftovers"
done
((failed == 0)) || fail "some trials failed (seed $seed)"
