#!/bin/sh
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz (BUILD overrides it) and runs
# each for SECONDS (default 60), two at a time, from its seeds in fuzz/corpus/NAME. Fails on
# any crash, hang, leak or runaway memory, naming the input that shows it; reproduce with
#   build-fuzz/fuzz/fuzz_NAME FILE
#   scripts/fuzz.sh [SECONDS]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$top/build-fuzz}

# One target: fuzz.sh --one NAME SECONDS. Its findings go to $build/fuzz-out/NAME/.
if [ "${1:-}" = --one ]; then
    name=$2
    out=$build/fuzz-out/$name
    rm -rf "$out"
    mkdir -p "$out/corpus"
    status=0
    # Leaks count as failures; Qt's warnings about odd input are no news.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        QT_LOGGING_RULES='*=false' "$build/fuzz/fuzz_$name" -max_total_time="$3" -timeout=10 \
        -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 -artifact_prefix="$out/" \
        "$out/corpus" "$top/fuzz/corpus/$name" >"$out/log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log")
    found=$(find "$out" -maxdepth 1 -type f ! -name log | head -n 1)
    if [ "$status" -eq 0 ] && [ -z "$found" ]; then
        echo "fuzz_$name: ${runs:-?} inputs, no fault"
        exit 0
    fi
    echo "fuzz_$name: FAILED (exit $status) after ${runs:-?} inputs; input: ${found:-none}; log: $out/log"
    grep -m 3 -e '^==[0-9]*==ERROR' -e 'runtime error' -e 'ALARM' "$out/log" | sed 's/^/    /' || true
    exit 1
fi

seconds=${1:-60}
"$top/scripts/deps.sh" --fuzz
if [ ! -f "$build/build.ninja" ]; then
    flags=""
    [ "${CI:-}" = true ] && flags="-DPARLO_WERROR=ON"
    command -v ccache >/dev/null && flags="$flags -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    # shellcheck disable=SC2086
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DPARLO_FUZZ=ON -DPARLO_TESTS=OFF $flags >/dev/null
fi
if ! log=$(cmake --build "$build" -j2 --target fuzzers -- --quiet 2>&1); then
    printf '%s\n' "$log" >&2
    exit 1
fi

names=$(for file in "$top"/fuzz/*.cpp; do basename "$file" .cpp; done)
echo "Fuzzing $(echo "$names" | wc -l) targets for $seconds s each, two at a time"
# xargs fails when any run fails, after every run has ended.
echo "$names" | xargs -P 2 -I NAME "$0" --one NAME "$seconds"
