#!/usr/bin/env bash
# Installs what is missing, builds Trevanto and runs every test:
#   1. the test suites of an optimised build (build-test), with a real PDF printer;
#   2. the same suites built with AddressSanitizer and UndefinedBehaviorSanitizer
#      (build-asan), where any finding, leaks included, fails the run;
#   3. the fuzzer (scripts/run-fuzz.sh, 60 seconds) and the packaging checks
#      (scripts/check-packaging.sh on build-test), when those scripts are present;
#   4. the installed program in real windows: under Xvfb (scripts/smoke-test.sh; at the
#      display scales of laptops and under openbox, scripts/display-test.sh), under
#      the Wayland compositor weston (scripts/wayland-test.sh), and read through the
#      AT-SPI accessibility bus as a screen reader reads it (scripts/atspi-test.sh);
#   5. the Windows program: cross-built and packed (scripts/windows-package.sh; the first
#      run on a machine builds Qt for Windows, about half an hour, later runs reuse it),
#      its suites, the zip and the installer under Wine (scripts/windows-test.sh);
#   6. on Debian 12, the program on Debian 13 too: its suites and the smoke test in a
#      Debian 13 root (scripts/debian13-test.sh; the first run on a machine makes the
#      root, later runs reuse it).
# Every step runs even when an earlier one failed; the exit status is non-zero when any
# step failed. The trees of 1, 2, 3 and 5 are built with warnings as errors.
#
#   scripts/test.sh [--only STEP,...]
#
# --only runs only the steps named, of: tests, sanitizers, fuzzing, packaging, smoke,
# display, wayland, atspi, signals, windows, debian13.
# Run it as root (sudo scripts/test.sh): installing packages and starting the print
# server need it; without root the real print test is skipped. A suite that
# skipped a case is named in the summary with the reasons it gave; in CI (the CI
# environment variable set, as .ci/run has it) a skip fails the run.
set -euo pipefail

cd "$(dirname "$0")/.."
started=$SECONDS
jobs=${TREVANTO_JOBS:-$(nproc 2>/dev/null || echo 2)}

all_steps=,tests,sanitizers,fuzzing,packaging,smoke,display,wayland,atspi,signals,windows,debian13,
steps=$all_steps
case "${1:-}" in
    --only)
        steps=,${2:-},
        [[ $# -eq 2 && "$steps" != ,, ]] || { echo "usage: $0 [--only STEP,...]" >&2; exit 2; }
        for step in ${steps//,/ }; do
            [[ "$all_steps" == *,"$step",* ]] || { echo "test: no step $step" >&2; exit 2; }
        done
        ;;
    '') ;;
    *) echo "usage: $0 [--only STEP,...]" >&2; exit 2 ;;
esac
# Whether the step named is to run.
wanted() { [[ "$steps" == *,"$1",* ]]; }

# Names the system the tests run on and its Qt, as the summary shows them.
system_name() {
    local qt
    qt=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/[+~-].*//')
    echo "$(. /etc/os-release && echo "${PRETTY_NAME:-$ID}"), Qt ${qt:-unknown}"
}

# A new compiler warning fails the build here (and in CI), as every tree is built clean.
export TREVANTO_WARNINGS_AS_ERRORS=ON

work=$(mktemp -d)
cleanup() {
    if [[ -s "$work/cupsd.pid" ]]; then
        kill "$(cat "$work/cupsd.pid")" 2>/dev/null || true
    fi
    rm -rf "$work"
    # Under sudo, hand the build trees back to the developer who asked for them.
    if [[ $(id -u) -eq 0 && -n "${SUDO_UID:-}" && "${SUDO_UID}" != 0 ]]; then
        for tree in build-test build-asan build-fuzz; do
            [[ -d "$tree" ]] && chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$tree"
        done
    fi
    return 0
}
trap cleanup EXIT

section() { printf '\n==== %s\n' "$*"; }

failures=()
summaries=()
passed_total=0
failed_total=0
skipped_total=0

# Runs ctest in a build tree and keeps its summary line, and the suites it skipped with
# the reasons Qt Test gave (ctest counts a skipped suite among the passed ones in that
# line); returns ctest's status. In CI a skip is a failure.
run_ctest() {
    local name=$1 tree=$2
    local log="$work/ctest-$name.log" status=0
    ctest --test-dir "$tree" --output-on-failure --no-tests=error 2>&1 | tee "$log" || status=$?
    local line skipped
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
    skipped=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$log")
    if [[ -n "$line" ]]; then
        local failed total count=0
        failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
        [[ -z "$skipped" ]] || count=$(wc -l <<<"$skipped")
        summaries+=("$name: $line, $count skipped")
        passed_total=$((passed_total + total - failed - count))
        failed_total=$((failed_total + failed))
        skipped_total=$((skipped_total + count))
    else
        summaries+=("$name: ctest gave no summary")
    fi
    if [[ -n "$skipped" ]]; then
        summaries+=("$name: SKIPPED: $(paste -sd ' ' - <<<"$skipped")")
        local reason
        while IFS= read -r reason; do
            summaries+=("    $reason")
        done < <(grep -h '^SKIP   : ' "$tree/Testing/Temporary/LastTest.log" 2>/dev/null || true)
        if [[ -n "${CI:-}" ]]; then
            failures+=("skipped suites in $tree (in CI every suite must run)")
        fi
    fi
    return "$status"
}

# Configures and builds one tree; returns non-zero when either fails.
build_tree() {
    local tree=$1
    shift
    cmake -S . -B "$tree" "$@" && cmake --build "$tree" -j "$jobs"
}

section "dependencies"
if wanted windows; then
    scripts/install-deps.sh --test --windows
else
    scripts/install-deps.sh --test
fi

export QT_QPA_PLATFORM=offscreen
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

section "print server"
if cups_pdf_dir=$(TREVANTO_CUPSD_PIDFILE="$work/cupsd.pid" scripts/start-cups.sh); then
    export TREVANTO_CUPS_PDF_DIR="$cups_pdf_dir" TREVANTO_REFUSING_PRINTER=TrevantoRefuses
    # The tests print on this queue even on a machine whose default printer is another.
    export PRINTER=TrevantoPDF
    echo "printer TrevantoPDF writes its PDFs into $TREVANTO_CUPS_PDF_DIR"
else
    unset TREVANTO_CUPS_PDF_DIR
    echo "no print server: the test that prints on a real printer will be skipped"
fi

if ! wanted tests; then
    :
elif section "optimised build (build-test)" &&
        build_tree build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVANTO_BUILD_TESTS=ON \
        -DTREVANTO_SANITIZE=OFF -DTREVANTO_WARNINGS_AS_ERRORS=ON; then
    section "tests (build-test)"
    # The random walk over the window (tests/tst_walk.cpp) runs for a fixed time: a
    # short one here, a longer one under the sanitizers, which see more.
    TREVANTO_WALK_SECONDS=${TREVANTO_WALK_SECONDS:-10} run_ctest tests build-test || failures+=("tests in build-test")
else
    failures+=("build of build-test")
fi

if ! wanted sanitizers; then
    :
elif section "sanitizer build (build-asan)" &&
        build_tree build-asan -DCMAKE_BUILD_TYPE=Debug -DTREVANTO_SANITIZE=ON \
        -DTREVANTO_BUILD_TESTS=ON -DTREVANTO_BUILD_BENCH=OFF -DTREVANTO_WARNINGS_AS_ERRORS=ON; then
    section "tests under the sanitizers (build-asan)"
    # Leaks count as findings too, except the system libraries' caches in lsan.supp.
    if ! ASAN_OPTIONS=detect_leaks=1 TREVANTO_WALK_SECONDS=${TREVANTO_WALK_SECONDS:-60} \
            LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            run_ctest sanitizers build-asan; then
        failures+=("tests in build-asan")
    fi
else
    failures+=("build of build-asan")
fi

# Runs an optional helper script, executable or not.
run_script() {
    local script=$1
    shift
    if [[ -x "$script" ]]; then
        "$script" "$@"
    else
        bash "$script" "$@"
    fi
}

if wanted fuzzing && [[ -f scripts/run-fuzz.sh ]]; then
    section "fuzzing (scripts/run-fuzz.sh 60)"
    if run_script scripts/run-fuzz.sh 60; then
        summaries+=("fuzzing: passed")
    else
        failures+=("fuzzing")
        summaries+=("fuzzing: FAILED")
    fi
fi

if wanted packaging && [[ -f scripts/check-packaging.sh ]]; then
    section "packaging (scripts/check-packaging.sh build-test)"
    if run_script scripts/check-packaging.sh build-test; then
        summaries+=("packaging: passed")
    else
        failures+=("packaging checks")
        summaries+=("packaging: FAILED")
    fi
fi

# run_and_record NAME LOG SCRIPT [both]: runs SCRIPT off Qt's offscreen platform (each
# sets the platform it tests), its output shown and kept in LOG (with "both", its
# errors too), and records whether it passed under NAME.
run_and_record() {
    local name=$1 log=$2 script=$3 streams=${4:-}
    if (
        unset QT_QPA_PLATFORM
        if [[ "$streams" == both ]]; then exec 2>&1; fi
        run_script "$script"
    ) | tee "$log"; then
        summaries+=("$name: passed")
        return 0
    fi
    failures+=("$name")
    summaries+=("$name: FAILED")
    return 1
}

# run_window_test NAME SCRIPT WHERE: runs a test of the installed program in real
# windows, when its script is present, and records it.
run_window_test() {
    local name=$1 script=$2 where=$3
    [[ -f "$script" ]] || return 0
    section "real window under $where ($script)"
    run_and_record "$name" "$work/window-test.log" "$script" both && return 0
    # Why, in the summary too: the end of a long log is often all that is kept of it.
    while IFS= read -r line; do
        summaries+=("    $line")
    done < <(grep -E ': FAILED|rror' "$work/window-test.log" | tail -n 5)
}
wanted smoke && run_window_test "smoke test" scripts/smoke-test.sh Xvfb
wanted display && run_window_test "display test" scripts/display-test.sh "Xvfb at 100 % to 175 %, and openbox"
wanted wayland && run_window_test "wayland test" scripts/wayland-test.sh Wayland
wanted atspi && run_window_test "atspi test" scripts/atspi-test.sh "Xvfb, read through the accessibility bus"
wanted signals && run_window_test "signal trial" scripts/signal-trial.sh Xvfb

if ! wanted windows; then
    :
elif section "Windows program (scripts/windows-package.sh)" && run_script scripts/windows-package.sh; then
    summaries+=("windows package: passed")
    section "Windows program under Wine (scripts/windows-test.sh)"
    # The suites run in their own environment there: QT_QPA_PLATFORM reaches them through
    # Wine as the script sets it.
    run_and_record "windows under wine" "$work/wine.log" scripts/windows-test.sh || true
    # Its own summary: the suites, what they skipped and why, the zip, the installer.
    while IFS= read -r line; do
        summaries+=("    $line")
    done < <(sed -n '/^==== summary/,$p' "$work/wine.log" | sed '1d')
    # A suite that skipped a case under Wine is named with its reason, as above; a skip
    # for what Windows has not (poppler's tools, the Linux print server) is expected.
else
    failures+=("windows package")
    summaries+=("windows package: FAILED")
fi

# The suites and the smoke test on Debian 13 as well, from a Debian 12 machine: in a
# Debian 13 root that the script makes once and keeps (making it needs root).
other_systems=()
if ! wanted debian13 || [[ ! -f scripts/debian13-test.sh ]]; then
    :
elif [[ "$(. /etc/os-release && echo "$ID $VERSION_ID")" == "debian 13" ]]; then
    summaries+=("debian 13: this system is Debian 13, tested above")
elif [[ $(id -u) -ne 0 ]]; then
    summaries+=("debian 13: SKIPPED: making the Debian 13 root needs root (sudo $0)")
    [[ -z "${CI:-}" ]] || failures+=("debian 13 (in CI it must run)")
else
    section "Debian 13 (scripts/debian13-test.sh)"
    run_and_record "debian 13" "$work/debian13.log" scripts/debian13-test.sh || true
    # Its own summary, indented; its count of tests beside this system's at the end.
    while IFS= read -r line; do
        if [[ "$line" == "tests on "* ]]; then
            other_systems+=("$line")
        elif [[ "$line" != debian13-test:* ]]; then
            summaries+=("    $line")
        fi
    done < <(sed -n '/^==== summary/,$p' "$work/debian13.log" | sed '1d')
    ((${#other_systems[@]} > 0)) || other_systems+=("tests on Debian 13: no summary (see above)")
fi

section "summary"
for line in "${summaries[@]}"; do
    echo "$line"
done
echo "time: $((SECONDS - started)) s"
if ((${#failures[@]} > 0)); then
    printf 'failed: %s\n' "${failures[@]}"
fi
echo "tests on $(system_name): $passed_total passed, $failed_total failed, $skipped_total skipped"
for line in "${other_systems[@]}"; do
    echo "$line"
done
((${#failures[@]} == 0))
