#!/usr/bin/env bash
# Tests the Windows build of build-windows (scripts/windows-package.sh) under Wine, in a
# throw-away Wine prefix on a private Xvfb display:
#   1. each test suite (build-windows/tst_*.exe) on Qt's offscreen platform, each
#      with a time limit, its results read from the file Qt Test writes (-o FILE,txt:
#      on Windows Qt Test otherwise writes to the debugger) and printed; a suite that
#      cannot run to its end is named in the summary with the reason;
#   2. the zip: unpacked, trevanto.exe started on Qt's Windows platform in a real window,
#      a leg typed in (bearing 90, distance 100) and included, a screenshot taken, the
#      program closed with FIM; it must end with status 0 and leave trevanto.ini with
#      the leg beside itself;
#      A second copy started while the first runs must say so in a message, end with
#      status 0 at its OK and leave the work file as it was;
#      The zip holds the licences (licencas\ beside trevanto.exe), and trevanto.com,
#      the program's face in a console, answers --version, --help and a refused option
#      with the program's output and exit status;
#   3. the installer: installed silently (/S), with the licences and the values of the
#      entry in the list of programs; the installed program started from Program Files,
#      a leg typed and the program closed as above (its work file must be in the user's
#      AppData: an installed copy never writes beside itself); installed again over
#      itself, which must keep the work; uninstalled silently while the program runs
#      and does not answer, which must refuse with status 2 and change nothing; and
#      while it runs, which must end it (it saves the leg typed last) and remove all
#      that it installed, in the registry and in Temp too, and leave the work.
# The suites built only where POSIX signals and shells are (tests/tst_*_unix.cpp) are
# named in the summary as not built for Windows.
# The screenshot of the program under Wine stays in build-windows/wine-shot.png.
#
#   scripts/windows-test.sh
#
# Environment: TREVANTO_QT_WINDOWS (the Windows Qt, as for windows-package.sh),
# TREVANTO_WINE_SUITE_TIMEOUT (seconds for one suite, default 300),
# TREVANTO_SMOKE_TIMEOUT (seconds to wait for each step of 2 and 3, default 60),
# TREVANTO_WALK_SECONDS (the random walk's time, default 10),
# TREVANTO_WINE_PACKAGE_ONLY (1: leave out the suites of 1).
# Needs the Debian packages of scripts/install-deps.sh --windows. Exits non-zero when
# any suite failed or could not run, or any step of 2 or 3 failed.
set -euo pipefail

cd "$(dirname "$0")/.."

# shellcheck source=scripts/lib/xsession.sh
source scripts/lib/xsession.sh
script_name=windows-test
tree=build-windows
step_timeout=${TREVANTO_SMOKE_TIMEOUT:-60}
suite_timeout=${TREVANTO_WINE_SUITE_TIMEOUT:-300}
# Qt for Windows is of the system's own Qt's version (scripts/windows-package.sh).
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/^[0-9]*://; s/[+~-].*//')
qt_prefix=${TREVANTO_QT_WINDOWS:-/var/cache/trevanto/qt-$qt_version-mingw-w64}
target=x86_64-w64-mingw32
passed_message=

require_tools "wine wine64" wine wineboot wineserver
require_tools "xvfb xauth xdotool x11-utils imagemagick unzip coreutils" \
    Xvfb xauth xdpyinfo xdotool xwininfo import convert unzip timeout
[[ -f "$tree/CMakeCache.txt" ]] || fail "no $tree: run scripts/windows-package.sh first"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$tree/CMakeCache.txt")
zip_file=$tree/Trevanto-$version-windows-x64.zip
setup_file=$tree/Trevanto-$version-windows-x64-setup.exe
[[ -f "$zip_file" && -f "$setup_file" ]] || fail "$zip_file or $setup_file is missing"
[[ -f "$qt_prefix/bin/Qt6Core.dll" ]] || fail "no Windows Qt in $qt_prefix"

section() { printf '\n==== %s\n' "$*"; }

started=$SECONDS
summaries=()
failures=()
passed_total=0
failed_total=0
skipped_total=0

# Whatever still runs in the Wine prefix ends with the script.
stop_extra() {
    if [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        # The server names its folder by the prefix's device and inode.
        local server folder
        server=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
        for folder in /tmp/wine-*/"$server"; do
            [[ -d "$folder" && ! -L "$folder" ]] || continue
            rm -rf "$folder"
            rmdir "$(dirname "$folder")" 2>/dev/null || true
        done
    fi
    rm -f "$tree/qt.conf"
}
begin_session trevanto-wine

# The Windows path of a Unix one, through Wine's drive Z:, which is the root folder.
windows_path() {
    local path=$1
    printf 'Z:%s' "${path//\//\\}"
}

# ---- Wine ----------------------------------------------------------------------------

export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# Wine makes the user's Documents, Desktop and the like links to the home folder, and
# copies Start menu entries into the desktop's menus there: a home of its own keeps all
# of that in the work folder, which goes at the end. No offer to install Mono and Gecko,
# which nothing here needs, and no menu entries for the Linux desktop.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache
# Debian's Wine makes its server's socket folder (wine-XXXXXX) in TMPDIR, else in /tmp;
# the Wine 10 of Debian 13 aborts in its server ("free(): invalid pointer") when TMPDIR
# is set, so it is left unset, and the folder this prefix's server made goes at
# the end (stop_extra).
unset TMPDIR
mkdir -p "$HOME"
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
unset WINEQT_QPA_PLATFORM WINEPATH
# Wine would take the Linux print server's queues for Windows printers (the test
# command's CUPS PDF printer among them) and print through them: the Windows program
# is tested here with no printer, which sends its page into a PDF in Documents. The
# suites' cases that print on that CUPS queue are Linux's.
export CUPS_SERVER=$work/no-print-server.sock
unset PRINTER LPDEST TREVANTO_CUPS_PDF_DIR TREVANTO_REFUSING_PRINTER
start_xvfb
say "Xvfb runs on $display"
wine_started=$SECONDS
timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; fail "wineboot -i failed"; }
# A program that crashes ends with its status instead of waiting in Wine's crash dialog.
timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >>"$work/wineboot.log" 2>&1 || fail "could not turn off Wine's crash dialog"
timeout 120 wineserver -w || true
say "Wine prefix made in $((SECONDS - wine_started)) s"

# ---- 1. the test suites --------------------------------------------------------------

# The suites find Qt's libraries through PATH, which Wine takes from WINEPATH, and Qt
# finds its plugins beside them; qt.conf beside the suites sends it to Debian's own
# translations of Qt's texts.
runtime_dirs=()
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    path=$("$target-g++-posix" -print-file-name="$dll")
    [[ -f "$path" ]] || fail "$target-g++-posix does not know where $dll is"
    runtime_dirs+=("$(windows_path "$(dirname "$path")")")
done
wine_path="$(windows_path "$qt_prefix/bin")"
for dir in "${runtime_dirs[@]}"; do
    [[ ";$wine_path;" == *";$dir;"* ]] || wine_path+=";$dir"
done
# Liberation 2 is in liberation2/ on Debian 12, in liberation/ on Debian 13 (where
# fonts-liberation2 is a transitional package for fonts-liberation).
font_dir=
for folder in /usr/share/fonts/truetype/liberation2 /usr/share/fonts/truetype/liberation; do
    [[ -f "$folder/LiberationSans-Regular.ttf" ]] && { font_dir=$folder; break; }
done
[[ -n "$font_dir" ]] || fail "no LiberationSans-Regular.ttf in /usr/share/fonts/truetype/liberation2 or liberation (Debian package fonts-liberation2)"
cat >"$tree/qt.conf" <<EOF
[Paths]
Prefix = $(windows_path "$qt_prefix" | tr '\\' /)
Translations = Z:/usr/share/qt6/translations
EOF

# suite_details RESULT: adds the failed and skipped cases of a results file to the
# summary, each failure with the lines that say what differed and where.
suite_details() {
    local line
    while IFS= read -r line; do
        summaries+=("    $line")
    done < <(tr -d '\r' <"$1" 2>/dev/null | awk '
        /^(FAIL!|SKIP|XPASS) / { print; detail = ($1 == "FAIL!"); next }
        detail && (/^   / || /^\(|^\)|failure location$/) { print; next }
        { detail = 0 }' || true)
}

# run_suite EXE: runs one suite, prints its results and adds them up.
run_suite() {
    local exe=$1 suite status=0 result totals reason=
    suite=$(basename "$exe" .exe)
    result=$work/$suite.txt
    rm -f "$result"
    printf '\n---- %s\n' "$suite"
    local suite_started=$SECONDS
    # Wine hands a Windows program no QT_ variable of Linux's; WINEQT_QPA_PLATFORM
    # reaches it as QT_QPA_PLATFORM. The offscreen platform reads its fonts from one
    # folder, on Windows none unless told: Liberation Sans, as on the Linux test
    # machines.
    WINEPATH=$wine_path WINEQT_QPA_PLATFORM=offscreen \
        WINEQT_QPA_FONTDIR="$(windows_path "$font_dir" | tr '\\' /)" \
        TREVANTO_WALK_SECONDS=${TREVANTO_WALK_SECONDS:-10} \
        timeout -k 10 "$suite_timeout" wine "$exe" -o "$(windows_path "$result"),txt" \
        >"$work/$suite.out" 2>&1 </dev/null || status=$?
    if ((status == 124 || status == 137)); then
        reason="did not end within $suite_timeout s"
        # What it left running (a modal message box, say) goes with it.
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    if [[ -s "$result" ]]; then
        tr -d '\r' <"$result"
    fi
    if [[ -s "$work/$suite.out" ]]; then
        echo "(its other output:)"
        tr -d '\r' <"$work/$suite.out" | tail -n 40
    fi
    totals=$(tr -d '\r' <"$result" 2>/dev/null | grep -E '^Totals: [0-9]+ passed, [0-9]+ failed, [0-9]+ skipped' | tail -n 1 || true)
    if [[ -z "$totals" && -z "$reason" ]]; then
        reason="ended with status $status without its totals"
    fi
    local took=$((SECONDS - suite_started))
    if [[ -n "$reason" ]]; then
        summaries+=("$suite: COULD NOT RUN: $reason (${took} s)${totals:+; $totals}")
        failures+=("$suite: $reason")
        # What it told before it stopped; the case after the last one told is where.
        local last
        last=$(tr -d '\r' <"$result" 2>/dev/null | grep -E '^(PASS|FAIL!|SKIP|XFAIL|XPASS) ' | tail -n 1 || true)
        summaries+=("    stopped after: ${last:-(no case ended)}")
        suite_details "$result"
        return 0
    fi
    local passed failed skipped
    passed=$(sed -E 's/^Totals: ([0-9]+) passed.*/\1/' <<<"$totals")
    failed=$(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$totals")
    skipped=$(sed -E 's/.* ([0-9]+) skipped.*/\1/' <<<"$totals")
    passed_total=$((passed_total + passed))
    failed_total=$((failed_total + failed))
    skipped_total=$((skipped_total + skipped))
    summaries+=("$suite: $passed passed, $failed failed, $skipped skipped, status $status (${took} s)")
    suite_details "$result"
    if ((failed > 0 || status != 0)); then
        failures+=("$suite: $failed failed, status $status")
    fi
}

section "test suites under Wine"
suites_started=$SECONDS
suites=("$tree"/tst_*.exe)
if [[ "${TREVANTO_WINE_PACKAGE_ONLY:-}" == 1 ]]; then
    summaries+=("suites: left out (TREVANTO_WINE_PACKAGE_ONLY=1)")
    suites=()
else
    [[ -f "${suites[0]}" ]] || fail "no test suites in $tree"
fi
for exe in "${suites[@]}"; do
    run_suite "$exe"
done
for source in tests/tst_*_unix.cpp; do
    summaries+=("$(basename "$source" .cpp): not built for Windows: it drives the program through POSIX signals and shells")
done
suites_time=$((SECONDS - suites_started))

# ---- helpers for the real window -----------------------------------------------------

shot_file=$tree/wine-shot.png

# find_window: waits for the window named Trevanto; sets window, origin_x and origin_y
# (the client area's corner on the screen).
find_window() {
    window=$(timeout "$step_timeout" xdotool search --sync --onlyvisible --name '^Trevanto$' 2>/dev/null |
        head -n 1) || true
    [[ -n "$window" ]] || return 1
    local geometry
    geometry=$(xwininfo -id "$window") || return 1
    origin_x=$(sed -n 's/^ *Absolute upper-left X: *\(-\{0,1\}[0-9]*\).*/\1/p' <<<"$geometry")
    origin_y=$(sed -n 's/^ *Absolute upper-left Y: *\(-\{0,1\}[0-9]*\).*/\1/p' <<<"$geometry")
    say "window $window, client area at ($origin_x, $origin_y)"
}

# click_at X Y: a click at a point of the client area.
click_at() {
    timeout 10 xdotool mousemove --sync $((origin_x + $1)) $((origin_y + $2)) click 1
    sleep 0.3
}

# type_leg: types bearing 90 into the first box, which has the focus at the start, and
# distance 100 into the next one, then presses Incluir, the next stop of Tab. Without a
# window manager the keyboard follows the pointer, which rests on the window's plot.
type_leg() {
    timeout 10 xdotool mousemove --sync $((origin_x + 300)) $((origin_y + 100)) && sleep 0.2 &&
        timeout 10 xdotool type --delay 60 90 && sleep 0.2 &&
        timeout 10 xdotool key --delay 60 Tab && sleep 0.2 &&
        timeout 10 xdotool type --delay 60 100 && sleep 0.2 &&
        timeout 10 xdotool key --delay 60 Tab space
    sleep 1
}

# run_program EXE LOG [SHOT]: starts EXE under Wine from its own folder, types a leg,
# takes the screenshot SHOT when given, presses FIM and waits for the end; returns
# non-zero, saying why, when any of that fails. Sets exit_status.
run_program() {
    local exe=$1 log=$2 shot=${3:-}
    (cd "$(dirname "$exe")" && exec wine "$(basename "$exe")") >"$log" 2>&1 </dev/null &
    app_pid=$!
    if ! find_window; then
        echo "$script_name: no window named Trevanto showed within $step_timeout s" >&2
        return 1
    fi
    # The first paint and the focus take a moment under Wine.
    sleep 2
    type_leg || { echo "$script_name: xdotool could not type the leg" >&2; return 1; }
    if [[ -n "$shot" ]]; then
        import -window root "$shot" 2>/dev/null || { echo "$script_name: no screenshot" >&2; return 1; }
        say "screenshot in $shot"
    fi
    say "pressing FIM"
    click_at $((8 + 48)) $((264 + 8)) || { echo "$script_name: xdotool could not click FIM" >&2; return 1; }
    local deadline=$((SECONDS + step_timeout))
    while kill -0 "$app_pid" 2>/dev/null; do
        if ((SECONDS >= deadline)); then
            echo "$script_name: the program did not end within $step_timeout s of FIM" >&2
            return 1
        fi
        sleep 0.2
    done
    exit_status=0
    wait "$app_pid" || exit_status=$?
    app_pid=
    return 0
}

# check_work_file FILE: FILE holds the leg typed in (bearing 90 over 100 m), with
# Windows line ends.
check_work_file() {
    local file=$1
    [[ -f "$file" ]] || { echo "$script_name: no work file $file" >&2; return 1; }
    if grep -q $'^DIR=100;\r$' "$file" && grep -q $'^MET=90;\r$' "$file"; then
        say "ok: $file holds DIR=100; and MET=90; with CR LF line ends"
        return 0
    fi
    echo "$script_name: $file does not hold the leg:" >&2
    od -c "$file" | head -n 20 >&2
    return 1
}

# ---- 2. the zip ----------------------------------------------------------------------

section "the zip under Wine ($zip_file)"
smoke_started=$SECONDS
smoke_ok=
unzip -q "$zip_file" -d "$work/portable"
portable=$work/portable/Trevanto-$version-windows-x64

# The licences go with the program: licencas\ beside trevanto.exe holds these, the
# LEIA-ME naming each one and the Debian source Qt was built from.
licence_files=(LEIA-ME.txt Trevanto-GPL-3.0.txt Qt-LGPL-3.0.txt Qt-terceiros.txt GCC-runtime.txt MinGW-w64.txt)
qt_debian_source=$(head -n 1 "$qt_prefix/trevanto-qt.stamp" 2>/dev/null || true)
check_licences() {
    local folder=$1/licencas file name
    for file in "${licence_files[@]}"; do
        [[ -s "$folder/$file" ]] || { echo "$script_name: no licencas\\$file in $1" >&2; return 1; }
        grep -qF "$file" "$folder/LEIA-ME.txt" ||
            { echo "$script_name: licencas\\LEIA-ME.txt does not name $file" >&2; return 1; }
    done
    [[ -n "$qt_debian_source" ]] && grep -qF "$qt_debian_source" "$folder/LEIA-ME.txt" ||
        { echo "$script_name: licencas\\LEIA-ME.txt does not name Qt's source \"$qt_debian_source\"" >&2; return 1; }
    for name in zlib libpng HarfBuzz FreeType PCRE2 MD4C Binary-Decimal; do
        grep -qi "$name" "$folder/Qt-terceiros.txt" ||
            { echo "$script_name: licencas\\Qt-terceiros.txt has no notice of $name" >&2; return 1; }
    done
    grep -q 'GCC RUNTIME LIBRARY EXCEPTION' "$folder/GCC-runtime.txt" ||
        { echo "$script_name: licencas\\GCC-runtime.txt lacks the run-time's exception" >&2; return 1; }
    say "ok: licencas\\ holds ${licence_files[*]}"
}
if check_licences "$portable"; then
    summaries+=("licences in the zip: passed")
else
    failures+=("zip: the licences")
    summaries+=("licences in the zip: FAILED")
fi

# console_run ARGUMENT...: trevanto.com in the unpacked folder, as a console runs it;
# sets console_status, console_out and console_err.
console_run() {
    console_status=0
    (cd "$portable" && exec timeout 60 wine trevanto.com "$@") >"$work/console.out" 2>"$work/console.err" </dev/null ||
        console_status=$?
    console_out=$(tr -d '\r' <"$work/console.out")
    console_err=$(tr -d '\r' <"$work/console.err")
}
# Through trevanto.com, --version and --help answer on standard output, without a
# window, and a refused option on standard error, each with the program's status;
# --help names the data folder Windows uses and no manual page.
console_ok=
console_checks() {
    [[ -f "$portable/trevanto.com" ]] || { echo "$script_name: no trevanto.com in the zip" >&2; return 1; }
    console_run --version
    [[ $console_status == 0 && "$console_out" == "trevanto $version" ]] ||
        { echo "$script_name: --version: status $console_status, \"$console_out\"" >&2; return 1; }
    say "ok: trevanto.com --version prints \"$console_out\", status 0"
    console_run --help
    [[ $console_status == 0 && "$console_out" == *'AppData\Roaming\Pervona\Trevanto\trevanto.ini'* &&
        "$console_out" != *'man trevanto'* && "$console_out" == *licencas* ]] ||
        { printf '%s\n' "$console_out" >&2; echo "$script_name: --help: status $console_status" >&2; return 1; }
    say "ok: trevanto.com --help names the data folder in AppData and no manual page, status 0"
    console_run --frobnicar
    [[ $console_status == 2 && -z "$console_out" && "$console_err" == *'"--frobnicar"'* ]] ||
        { echo "$script_name: --frobnicar: status $console_status, \"$console_out\", \"$console_err\"" >&2; return 1; }
    say "ok: trevanto.com --frobnicar refuses it on standard error, status 2"
}
if console_checks; then
    console_ok=1
else
    failures+=("zip: trevanto.com did not answer as expected")
fi
summaries+=("trevanto.com --version, --help, a refused option: $([[ -n "$console_ok" ]] && echo passed || echo FAILED)")
if [[ ! -f "$portable/trevanto.exe" ]]; then
    failures+=("zip: no Trevanto-$version-windows-x64/trevanto.exe in it")
# Through trevanto.com, as from a console: the window opens as from Explorer, and
# trevanto.com ends with the program.
elif run_program "$portable/trevanto.com" "$work/portable.log" "$shot_file"; then
    if ((exit_status != 0)); then
        cat "$work/portable.log" >&2
        failures+=("zip: trevanto.com, started with its window, ended with status $exit_status")
    elif check_work_file "$portable/trevanto.ini"; then
        smoke_ok=1
        say "ok: trevanto.com ended with the program, with status 0"
    else
        failures+=("zip: the work file beside trevanto.exe does not hold the leg")
    fi
else
    cat "$work/portable.log" >&2
    [[ -n "$app_pid" ]] && { wineserver -k 2>/dev/null || true; app_pid=; }
    failures+=("zip: the program in a real window failed")
fi
summaries+=("zip: $([[ -n "$smoke_ok" ]] && echo passed || echo FAILED) ($((SECONDS - smoke_started)) s)")

# second_copy: the portable program twice on the same work: the second says so and ends.
second_copy() {
    local before first_pid second_pid status=0 boxes
    before=$(od -c "$portable/trevanto.ini")
    (cd "$portable" && exec wine trevanto.exe) >"$work/first.log" 2>&1 </dev/null &
    first_pid=$!
    app_pid=$first_pid
    find_window || { echo "$script_name: the first copy showed no window" >&2; return 1; }
    sleep 2
    (cd "$portable" && exec wine trevanto.exe) >"$work/second.log" 2>&1 </dev/null &
    second_pid=$!
    # The second copy's message is a second window named Trevanto.
    local deadline=$((SECONDS + step_timeout))
    while :; do
        boxes=$(xdotool search --onlyvisible --name '^Trevanto$' 2>/dev/null | grep -vx "$window" | head -n 1 || true)
        [[ -n "$boxes" ]] && break
        kill -0 "$second_pid" 2>/dev/null || { echo "$script_name: the second copy ended without a message" >&2; return 1; }
        ((SECONDS < deadline)) || { echo "$script_name: the second copy showed no message" >&2; return 1; }
        sleep 0.3
    done
    import -window "$boxes" "$tree/wine-second-copy.png" 2>/dev/null || true
    xdotool mousemove --sync 5 5 windowfocus --sync "$boxes" key Return 2>/dev/null || true
    deadline=$((SECONDS + step_timeout))
    while kill -0 "$second_pid" 2>/dev/null; do
        ((SECONDS < deadline)) || { echo "$script_name: the second copy did not end at its OK" >&2; return 1; }
        # The pointer lends the keyboard under Wine without a window manager.
        xdotool mousemove --sync 5 5 windowfocus "$boxes" key Return 2>/dev/null || true
        sleep 0.5
    done
    wait "$second_pid" || status=$?
    ((status == 0)) || { echo "$script_name: the second copy ended with status $status" >&2; return 1; }
    kill -0 "$first_pid" 2>/dev/null || { echo "$script_name: the first copy ended too" >&2; return 1; }
    [[ "$(od -c "$portable/trevanto.ini")" == "$before" ]] ||
        { echo "$script_name: the second copy changed the work file" >&2; return 1; }
    say "ok: a second copy said that Trevanto is open already and ended with status 0"
    click_at $((8 + 48)) $((264 + 8))
    deadline=$((SECONDS + step_timeout))
    while kill -0 "$first_pid" 2>/dev/null; do
        ((SECONDS < deadline)) || { echo "$script_name: the first copy did not end at FIM" >&2; return 1; }
        sleep 0.2
    done
    status=0
    wait "$first_pid" || status=$?
    app_pid=
    ((status == 0)) || { echo "$script_name: the first copy ended with status $status" >&2; return 1; }
    [[ ! -e "$portable/trevanto.ini.lock" ]] || { echo "$script_name: the lock stayed" >&2; return 1; }
}
if [[ -n "$smoke_ok" ]]; then
    section "a second copy on the same work"
    if second_copy; then
        summaries+=("second copy: passed")
    else
        cat "$work/second.log" >&2 || true
        wineserver -k 2>/dev/null || true
        app_pid=
        failures+=("second copy")
        summaries+=("second copy: FAILED")
    fi
fi

# ---- 3. the installer ----------------------------------------------------------------

section "the installer under Wine ($setup_file)"
setup_started=$SECONDS
setup_ok=
installed="$WINEPREFIX/drive_c/Program Files/Trevanto"
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
app_data_file="$user_dir/AppData/Roaming/Pervona/Trevanto/trevanto.ini"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Trevanto"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Trevanto'
temp_dirs=("$user_dir/Temp" "$user_dir/AppData/Local/Temp" "$WINEPREFIX/drive_c/windows/temp")

# open_program EXE LOG: starts EXE under Wine from its own folder and types a leg, and
# leaves it open; sets app_pid.
open_program() {
    (cd "$(dirname "$1")" && exec wine "$(basename "$1")") >"$2" 2>&1 </dev/null &
    app_pid=$!
    find_window || { echo "$script_name: no window named Trevanto showed within $step_timeout s" >&2; return 1; }
    sleep 2
    type_leg || { echo "$script_name: xdotool could not type the leg" >&2; return 1; }
}

# run_setup LOG [ARGUMENT...]: the installer, silently; sets setup_status.
run_setup() {
    local log=$1
    shift
    setup_status=0
    timeout 300 wine "$(windows_path "$PWD/$setup_file")" /S "$@" >"$log" 2>&1 </dev/null || setup_status=$?
    timeout 120 wineserver -w || true
}

install_checks() {
    run_setup "$work/setup.log"
    ((setup_status == 0)) ||
        { cat "$work/setup.log" >&2; echo "$script_name: the installer ended with status $setup_status" >&2; return 1; }
    [[ -f "$installed/trevanto.exe" && -f "$installed/trevanto.com" ]] ||
        { echo "$script_name: the installer put no trevanto.exe and trevanto.com into $installed" >&2; return 1; }
    say "installed into C:\\Program Files\\Trevanto: $(find "$installed" -type f | wc -l) files"
    check_licences "$installed" || return 1
    [[ -f "$start_menu/Trevanto.lnk" ]] ||
        { echo "$script_name: no Start menu entry $start_menu/Trevanto.lnk" >&2; return 1; }
    local entries
    entries=$(find "$start_menu" -mindepth 1 -printf '%P ')
    [[ "$entries" == "Trevanto.lnk " ]] ||
        { echo "$script_name: the Start menu's folder holds $entries" >&2; return 1; }
    say "ok: the Start menu holds Programs\\Trevanto\\Trevanto.lnk alone"
    wine reg query "$uninstall_key" >"$work/uninstall-key.txt" 2>&1 ||
        { echo "$script_name: no $uninstall_key in the registry" >&2; return 1; }
    local value
    for value in 'DisplayName +REG_SZ +Trevanto' "DisplayVersion +REG_SZ +$version" 'Publisher +REG_SZ +Pervona' \
        'DisplayIcon +REG_SZ +C:\\Program Files\\Trevanto\\trevanto\.exe,0' 'NoModify +REG_DWORD +0x1' \
        'NoRepair +REG_DWORD +0x1' 'EstimatedSize +REG_DWORD +0x0*[1-9a-f][0-9a-f]*'; do
        tr -d '\r' <"$work/uninstall-key.txt" | grep -Eq "^ +$value\$" ||
            { tr -d '\r' <"$work/uninstall-key.txt" >&2; echo "$script_name: the uninstall entry lacks /$value/" >&2; return 1; }
    done
    say "ok: the list of programs names Trevanto $version by Pervona with its icon and size, NoModify and NoRepair as numbers"

    run_program "$installed/trevanto.exe" "$work/installed.log" || return 1
    ((exit_status == 0)) ||
        { cat "$work/installed.log" >&2; echo "$script_name: the installed program ended with status $exit_status" >&2; return 1; }
    say "ok: the installed trevanto.exe ended with status 0"
    [[ ! -e "$installed/trevanto.ini" ]] ||
        { echo "$script_name: the installed program wrote into its own folder" >&2; return 1; }
    check_work_file "$app_data_file" || return 1
    say "ok: the installed program saved into the user's AppData: ${app_data_file#"$WINEPREFIX/"}"
    find "$installed" -type f -printf '%P\n' | sort >"$work/installed-files.txt"

    # Over itself, as over an earlier version: the same files in the same place, the
    # work as it was.
    local work_before
    work_before=$(od -c "$app_data_file")
    run_setup "$work/upgrade.log"
    ((setup_status == 0)) ||
        { cat "$work/upgrade.log" >&2; echo "$script_name: installing over the installed copy ended with status $setup_status" >&2; return 1; }
    cmp -s "$work/installed-files.txt" <(find "$installed" -type f -printf '%P\n' | sort) ||
        { diff "$work/installed-files.txt" <(find "$installed" -type f -printf '%P\n' | sort) >&2; echo "$script_name: installed over itself, the folder differs" >&2; return 1; }
    [[ "$(od -c "$app_data_file")" == "$work_before" ]] ||
        { echo "$script_name: installing over the installed copy changed the work" >&2; return 1; }
    wine reg query "$uninstall_key" >/dev/null 2>&1 ||
        { echo "$script_name: installed over itself, the uninstall entry is gone" >&2; return 1; }
    say "ok: installed over the installed copy, in place, with the work kept"

    # While it runs, as Windows runs the uninstaller (from a copy in Temp): the program
    # saves the leg typed last and ends, and all that was installed goes.
    open_program "$installed/trevanto.exe" "$work/running.log" || return 1
    local legs_typed=2
    # By the folder's own name, C:, as Windows names it: through Z: it would be another
    # folder to the uninstaller.
    timeout 300 wine 'C:\Program Files\Trevanto\Desinstalar.exe' /S >"$work/uninstall.log" 2>&1 </dev/null ||
        { cat "$work/uninstall.log" >&2; echo "$script_name: the uninstaller failed" >&2; return 1; }
    local deadline=$((SECONDS + step_timeout))
    while kill -0 "$app_pid" 2>/dev/null; do
        ((SECONDS < deadline)) || {
            echo "$script_name: the uninstaller left Trevanto running; the folder holds: $(ls "$installed" 2>&1 | tr '\n' ' ')" >&2
            return 1
        }
        sleep 0.2
    done
    local status=0
    wait "$app_pid" || status=$?
    app_pid=
    ((status == 0)) || { echo "$script_name: Trevanto, ended by the uninstaller, ended with status $status" >&2; return 1; }
    local legs
    legs=$(printf '100;%.0s' $(seq "$legs_typed"))
    grep -q "^DIR=$legs"$'\r$' "$app_data_file" ||
        { od -c "$app_data_file" | head -n 20 >&2; echo "$script_name: the work file lacks the leg typed before uninstalling" >&2; return 1; }
    say "ok: the uninstaller ended the running Trevanto, which saved the leg typed last and ended with status 0"
    # The uninstaller runs on from a copy of itself in the temporary folder.
    timeout 120 wineserver -w || true
    local left=()
    if [[ -d "$installed" ]]; then
        mapfile -t left < <(find "$installed" -mindepth 1 -printf '%P\n' | sort)
    fi
    ((${#left[@]} == 0)) ||
        { echo "$script_name: the uninstaller left: ${left[*]}" >&2; return 1; }
    [[ ! -e "$installed" ]] || { echo "$script_name: the uninstaller left $installed" >&2; return 1; }
    say "ok: uninstalled: C:\\Program Files\\Trevanto is gone"
    [[ ! -e "$start_menu" ]] || { echo "$script_name: the Start menu entry stayed" >&2; return 1; }
    local key
    for key in "$uninstall_key" 'HKLM\Software\Pervona'; do
        if wine reg query "$key" >/dev/null 2>&1; then
            echo "$script_name: $key stayed in the registry" >&2
            return 1
        fi
    done
    mapfile -t left < <(find "${temp_dirs[@]}" -mindepth 1 -maxdepth 1 \( -iname '~nsu*' -o -iname 'ns*.tmp' -o -iname 'nul*' \) 2>/dev/null)
    ((${#left[@]} == 0)) ||
        { echo "$script_name: the uninstaller left in Temp: ${left[*]}" >&2; return 1; }
    grep -q "^DIR=$legs"$'\r$' "$app_data_file" || { echo "$script_name: the work file did not stay" >&2; return 1; }
    say "ok: the work file in the user's AppData stayed"
    say "ok: the Start menu entry, the uninstall entry, HKLM\\Software\\Pervona and the uninstaller's copy in Temp are gone"

    # While the program runs and does not answer (stopped), the uninstaller refuses
    # and changes nothing.
    run_setup "$work/setup-again.log"
    ((setup_status == 0)) || { echo "$script_name: installing again ended with status $setup_status" >&2; return 1; }
    find "$installed" -type f -printf '%P\n' | sort >"$work/installed-files.txt"
    open_program "$installed/trevanto.exe" "$work/running.log" || return 1
    kill -STOP "$app_pid"
    # Run in place (_?=), the uninstaller ends with its status; the folder after "_?="
    # stands unquoted, which Wine's own command line would quote: a batch file gives it.
    printf '@"C:\\Program Files\\Trevanto\\Desinstalar.exe" /S _?=C:\\Program Files\\Trevanto\r\n@exit /b %%ERRORLEVEL%%\r\n' \
        >"$work/uninstall-in-place.bat"
    status=0
    timeout 120 wine cmd /c "$(windows_path "$work/uninstall-in-place.bat")" \
        >"$work/uninstall-refused.log" 2>&1 </dev/null || status=$?
    kill -CONT "$app_pid"
    ((status == 2)) ||
        { echo "$script_name: uninstalling while Trevanto does not answer ended with status $status, not 2" >&2; return 1; }
    cmp -s "$work/installed-files.txt" <(find "$installed" -type f -printf '%P\n' | sort) ||
        { echo "$script_name: the refused uninstall removed files" >&2; return 1; }
    wine reg query "$uninstall_key" >/dev/null 2>&1 ||
        { echo "$script_name: the refused uninstall removed the uninstall entry" >&2; return 1; }
    say "ok: uninstalling while Trevanto does not answer is refused with status 2, nothing removed"

}
if install_checks; then
    setup_ok=1
else
    [[ -n "$app_pid" ]] && { wineserver -k 2>/dev/null || true; app_pid=; }
    failures+=("installer")
fi
summaries+=("installer: $([[ -n "$setup_ok" ]] && echo passed || echo FAILED) ($((SECONDS - setup_started)) s)")

# ---- summary -------------------------------------------------------------------------

section "summary"
for line in "${summaries[@]}"; do
    echo "$line"
done
echo "suites: ${suites_time} s; all: $((SECONDS - started)) s"
if ((${#failures[@]} > 0)); then
    printf 'failed: %s\n' "${failures[@]}"
fi
echo "wine: $passed_total passed, $failed_total failed, $skipped_total skipped"
((${#failures[@]} == 0))
