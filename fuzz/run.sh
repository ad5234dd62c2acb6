#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them side by side, one per core, each on a
# fresh copy of its seed corpus until it has reached its goal of executions or SECONDS have passed.
# Usage: fuzz/run.sh [SECONDS] [--merge] [NAME...]
#   SECONDS  the most any one target runs (default 5)
#   --merge  afterwards, add what each target found to its seed corpus fuzz/corpus/<name>/
#            (libFuzzer -merge=1: only inputs that reach new coverage are added)
#   NAME     e.g. probe_file; default every target built
# The slowest targets start first; a core whose target is done takes the next one. Prints
# executions, rate and coverage per target; exits non-zero when a target crashed, hung or ran out
# of memory (the input is kept under build-fuzz/artifacts/).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
RUN_SECONDS=5
MERGE=0
ONLY=()
for arg in "$@"; do
    case "$arg" in
        --merge) MERGE=1 ;;
        ''|*[!0-9]*) ONLY+=("$arg") ;;
        *) RUN_SECONDS="$arg" ;;
    esac
done
BUILD="$ROOT/build-fuzz"
CXX_CLANG="${ZV_FUZZ_CXX:-clang++}"

if ! command -v "$CXX_CLANG" >/dev/null; then
    echo "fuzz: $CXX_CLANG not found (install clang and libclang-rt-14-dev)" >&2
    exit 2
fi
cmake -S fuzz -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER="$CXX_CLANG" >/dev/null
cmake --build "$BUILD" -j2

# Goal of executions, the longest input worth trying and the dictionary of each target. A value
# of the command characteristic holds at most 512 bytes; a record's hex text is 800 characters;
# a whole record read takes about 1,100 bytes of replies; a language file's handling repeats
# every 32 bytes and every 200.
goal() { case "$1" in picture_loader) echo 1000000 ;; *) echo 10000000 ;; esac; }
max_len() {
    case "$1" in
        reply_dispatcher | identity | language_file) echo 512 ;;
        record_decoder | probe_file) echo 1024 ;;
        reply_path) echo 1280 ;;
        *) echo 4096 ;;
    esac
}
# Slowest first, so that the quick ones fill the cores at the end.
ORDER=(reply_path record_decoder language_file picture_loader identity reply_dispatcher
       language_names probe_file)
SLOTS=$(nproc)
dictionary() {
    case "$1" in
        reply_dispatcher | reply_path) echo "-dict=$ROOT/fuzz/dict/replies.dict" ;;
        identity) echo "-dict=$ROOT/fuzz/dict/identity.dict" ;;
    esac
}

export QT_QPA_PLATFORM=offscreen
# Allocation stacks are left out while fuzzing (they cost a third of the time of the small
# targets); replaying a kept input with the default options gives them back.
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_target() {
    local name=$1 work=$2 log=$3 artifacts=$4 started ended status=0
    started=$(date +%s.%N)
    # shellcheck disable=SC2046
    "$BUILD/fuzz_$name" "$work" -runs="$(goal "$name")" -max_total_time="$RUN_SECONDS" \
        -max_len="$(max_len "$name")" $(dictionary "$name") -rss_limit_mb=2048 -timeout=25 \
        -print_final_stats=1 -artifact_prefix="$artifacts" </dev/null >"$log" 2>&1 || status=$?
    ended=$(date +%s.%N)
    echo "$status $(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.1f", b - a }')" >"$log.end"
}

built=()
while read -r target; do
    [ -n "$target" ] || continue
    name="${target#fuzz_}"
    if [ ${#ONLY[@]} -ne 0 ] && [[ ! " ${ONLY[*]} " =~ " $name " ]]; then
        continue
    fi
    built+=("$name")
done <"$BUILD/fuzz_targets.txt"
names=()
for name in "${ORDER[@]}"; do
    [[ " ${built[*]} " =~ " $name " ]] && names+=("$name")
done
for name in "${built[@]}"; do
    [[ " ${names[*]} " =~ " $name " ]] || names+=("$name")
done

running=0
for name in "${names[@]}"; do
    if [ "$running" -ge "$SLOTS" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    work="$BUILD/corpus/$name"
    rm -rf "$work" "$BUILD/logs/$name.log.end"
    mkdir -p "$work" "$BUILD/artifacts/$name" "$BUILD/logs"
    cp fuzz/corpus/"$name"/* "$work"/
    run_target "$name" "$work" "$BUILD/logs/$name.log" "$BUILD/artifacts/$name/" &
    running=$((running + 1))
done
wait || true

failed=()
printf '%-18s %12s %8s %9s %6s %7s %s\n' target executions seconds "exec/s" cov features goal
for name in "${names[@]}"; do
    log="$BUILD/logs/$name.log"
    read -r status seconds <"$log.end"
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true)
    cov=$(echo "$done_line" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$done_line" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
    rate=$(awk -v n="${execs:-0}" -v s="$seconds" 'BEGIN { printf "%d", (s > 0 ? n / s : 0) }')
    reached=no
    [ "${execs:-0}" -ge "$(goal "$name")" ] && reached=yes
    printf '%-18s %12s %8.0f %9s %6s %7s %s\n' "$name" "${execs:-?}" "$seconds" "$rate" \
        "${cov:-?}" "${ft:-?}" "$reached"
    if [ "$status" -ne 0 ]; then
        echo "fuzz_$name: FAILED (exit $status); log $log" >&2
        grep -E "^(==[0-9]+==ERROR|SUMMARY|.*runtime error|Test unit written)" "$log" \
            | head -n 10 >&2 || true
        failed+=("$name")
    elif [ "$MERGE" -eq 1 ]; then
        before=$(ls fuzz/corpus/"$name" | wc -l)
        "$BUILD/fuzz_$name" -merge=1 -max_len="$(max_len "$name")" fuzz/corpus/"$name" \
            "$BUILD/corpus/$name" >"$BUILD/logs/$name.merge.log" 2>&1
        echo "  merged: fuzz/corpus/$name $before -> $(ls fuzz/corpus/"$name" | wc -l) inputs"
    fi
done
while read -r left_out; do
    [ -z "$left_out" ] || echo "$left_out: left out"
done <"$BUILD/fuzz_left_out.txt"

if [ "${#failed[@]}" -ne 0 ]; then
    echo "fuzz: ${#failed[@]} of ${#names[@]} targets failed: ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: all ${#names[@]} targets ran without a finding"
