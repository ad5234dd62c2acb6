#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one on a fresh copy of its seed corpus.
# Usage: fuzz/run.sh [SECONDS] [NAME...]   (seconds per target, default 5; NAME e.g. probe_file,
# default every target built)
# Prints the executions each target reached; exits non-zero when a target crashed, hung or ran
# out of memory (the input is kept under build-fuzz/artifacts/<target>/).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
SECONDS_PER_TARGET="${1:-5}"
shift || true
ONLY=("$@")
BUILD="$ROOT/build-fuzz"
CXX_CLANG="${ZV_FUZZ_CXX:-clang++}"

if ! command -v "$CXX_CLANG" >/dev/null; then
    echo "fuzz: $CXX_CLANG not found (install clang and libclang-rt-14-dev)" >&2
    exit 2
fi
cmake -S fuzz -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER="$CXX_CLANG" \
    -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD" -j2

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=()
ran=0
while read -r target; do
    [ -n "$target" ] || continue
    name="${target#fuzz_}"
    if [ ${#ONLY[@]} -ne 0 ] && [[ ! " ${ONLY[*]} " =~ " $name " ]]; then
        continue
    fi
    work="$BUILD/corpus/$name"
    artifacts="$BUILD/artifacts/$name/"
    log="$BUILD/logs/$name.log"
    rm -rf "$work"
    mkdir -p "$work" "$artifacts" "$(dirname "$log")"
    cp fuzz/corpus/"$name"/* "$work"/
    status=0
    ran=$((ran + 1))
    "$BUILD/$target" "$work" -max_total_time="$SECONDS_PER_TARGET" -rss_limit_mb=2048 \
        -timeout=25 -print_final_stats=1 -artifact_prefix="$artifacts" </dev/null >"$log" 2>&1 || status=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "$target: ${execs:-?} executions in ${SECONDS_PER_TARGET} s, corpus $(ls "$work" | wc -l) inputs"
    else
        echo "$target: FAILED (exit $status) after ${execs:-?} executions; log $log" >&2
        grep -E "^(==[0-9]+==ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)" "$log" \
            | head -n 10 >&2 || true
        failed+=("$target")
    fi
done <"$BUILD/fuzz_targets.txt"
while read -r left_out; do
    [ -z "$left_out" ] || echo "$left_out: left out"
done <"$BUILD/fuzz_left_out.txt"

if [ "${#failed[@]}" -ne 0 ]; then
    echo "fuzz: ${#failed[@]} of $ran targets failed: ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: all $ran targets ran without a finding"
