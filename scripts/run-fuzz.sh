#!/bin/sh
# Builds the work-file fuzzer with clang and runs it for a number of seconds
# (first argument, 60 by default) on a working copy of fuzz/corpus.
# Exits non-zero when the fuzzer finds a crash, a sanitizer report, a leak or a
# timeout; the input that caused it is left in build-fuzz/findings/.
# TREVANTO_WARNINGS_AS_ERRORS=ON (as scripts/test.sh sets it) fails the build on a
# compiler warning.
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
corpus="$build/corpus"
findings="$build/findings"

cmake -S "$root" -B "$build" \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTREVANTO_FUZZ=ON \
    -DTREVANTO_BUILD_TESTS=OFF \
    -DTREVANTO_BUILD_BENCH=OFF \
    -DTREVANTO_WARNINGS_AS_ERRORS="${TREVANTO_WARNINGS_AS_ERRORS:-OFF}"
cmake --build "$build" --target fuzz_workfile -j "${JOBS:-2}"

# The fuzzer adds the inputs it finds to the corpus it runs on, so it runs on a
# copy and the seeds in the repository stay as they are.
mkdir -p "$corpus" "$findings"
cp "$root"/fuzz/corpus/* "$corpus"/

status=0
"$build/fuzz/fuzz_workfile" \
    -max_total_time="$seconds" \
    -timeout=10 \
    -max_len=8192 \
    -print_final_stats=1 \
    -artifact_prefix="$findings/" \
    "$corpus" || status=$?

if [ "$status" -ne 0 ]; then
    echo "run-fuzz: the fuzzer reported a finding (exit $status); see $findings" >&2
    exit "$status"
fi
echo "run-fuzz: no findings in $seconds s"
