#!/usr/bin/env bash
# Resident memory of the real program for work files up to the reader's size limit
# (16 MiB): each file is put beside a copy of the program, which runs on the offscreen
# platform for a few seconds and is then ended with SIGTERM, so that it saves too. Prints
# the resident size after those seconds and the peak over the whole run, the save at
# the end included (GNU time's maximum resident set size), in MiB, per file.
# Needs GNU time (Debian package time).
#
#   bench/memory.sh build-rel/trevanto [SECONDS]
set -euo pipefail

program=${1:?usage: $0 PROGRAM [SECONDS]}
wait_seconds=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

limit=$((16 * 1024 * 1024))
zeros() { head -c "$1" /dev/zero | tr '\0' '0'; }
rest='\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n'

make_file() {
    local name=$1 file="$work/$1.ini"
    case "$name" in
    none) return ;;
    huge-size) printf 'DIR=100;\r\nMET=90;\r\nWIDTH=245760\r\nHEIGHT=245760\r\nESCALA=10\r\n' >"$file" ;;
    course-32767)
        { printf 'DIR='; for ((i = 0; i < 32767; i++)); do printf '%d;' $((20 + i % 180)); done
          printf '\r\nMET='; for ((i = 0; i < 32767; i++)); do printf '%d;' $(((i * 7) % 360)); done
          printf "$rest"; } >"$file" ;;
    one-long-bearing)
        { printf 'DIR=100;\r\nMET='; zeros $((limit - 200)); printf '45;'; printf "$rest"; } >"$file" ;;
    one-long-distance)
        { printf 'DIR='; zeros $((limit - 200)); printf '100;\r\nMET=45;'; printf "$rest"; } >"$file" ;;
    long-scale)
        { printf 'DIR=100;\r\nMET=45;\r\nESCALA='; zeros $((limit - 100)); printf '10\r\n'; } >"$file" ;;
    distinct-bearings)
        # 32,767 different bearings of about 500 characters, all of them drawn.
        { printf 'DIR='; for ((i = 0; i < 32767; i++)); do printf '1;'; done
          printf '\r\nMET='
          local pad; pad=$(zeros 420)
          for ((i = 0; i < 32767; i++)); do printf '%s%05d;' "${pad:0:$((i % 64))}$pad" $((i % 360)); done
          printf "$rest"; } >"$file" ;;
    esac
}

[[ -x /usr/bin/time ]] || { echo "memory.sh: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }
command -v pgrep >/dev/null || { echo "memory.sh: pgrep is missing (Debian package procps)" >&2; exit 1; }
printf '%-20s %10s %12s %10s %10s\n' file bytes status 'running MiB' 'peak MiB'
for name in none huge-size course-32767 one-long-bearing one-long-distance long-scale distinct-bearings; do
    dir="$work/$name"
    mkdir -p "$dir/home"
    cp "$program" "$dir/trevanto"
    make_file "$name"
    bytes=0
    if [[ -f "$work/$name.ini" ]]; then
        mv "$work/$name.ini" "$dir/trevanto.ini"
        bytes=$(stat -c %s "$dir/trevanto.ini")
    fi
    HOME="$dir/home" XDG_DATA_HOME="$dir/home/data" XDG_RUNTIME_DIR="$dir/home" QT_QPA_PLATFORM=offscreen \
        /usr/bin/time -f '%M' -o "$dir/peak" "$dir/trevanto" >/dev/null 2>&1 &
    timer=$!
    sleep "$wait_seconds"
    pid=$(pgrep -P "$timer" | head -n 1)
    now=$(awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status" 2>/dev/null || echo '?')
    kill -TERM "$pid" 2>/dev/null || true
    status=0
    wait "$timer" || status=$?
    peak=$(awk '/^[0-9]+$/ {printf "%.1f", $1 / 1024}' "$dir/peak")
    printf '%-20s %10s %12s %10s %10s\n' "$name" "$bytes" "exit $status" "$now" "$peak"
done
