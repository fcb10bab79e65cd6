#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer and
# Qt's own bounds checks) and runs each in turn for the given number of seconds (default 60),
# starting from the seed corpus in fuzz/corpus. Prints executions, executions per second,
# coverage and findings; an input that breaks a target is kept in build/fuzz/findings/<target>/
# and the script exits with 1. Copy such an input into fuzz/corpus/ to keep it as a test.
#
# Usage: ./fuzz.sh [seconds] [target...]
#        (targets: fuzz_receive fuzz_speedsearch fuzz_views fuzz_recording fuzz_web)
#        FUZZ_JOBS=n runs n processes of each target side by side on one corpus (default 1); the
#        figures printed are their sums.
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_receive fuzz_speedsearch fuzz_views fuzz_recording fuzz_web)
declare -A seeds=([fuzz_receive]=receive [fuzz_speedsearch]=speedsearch [fuzz_views]=receive
    [fuzz_recording]=recording [fuzz_web]=web)

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DLV_FUZZ=ON -DLV_SANITIZE=ON -DLV_BUILD_TESTS=OFF -DLV_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
# A smaller quarantine that is never handed back to the system: the targets allocate little per
# input, and fresh pages for every allocation cost more than the search itself.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:quarantine_size_mb=8:allocator_release_to_os_interval_ms=-1
jobs=${FUZZ_JOBS:-1}
# Long enough for every message the receive path frames, short enough to keep it fast; a
# recording long enough to hold many of its largest records and to take the reader past its
# quarter-megabyte read-ahead.
declare -A max_len=([fuzz_receive]=1024 [fuzz_speedsearch]=512 [fuzz_views]=4096
    [fuzz_recording]=1048576 [fuzz_web]=8192)
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
rows=()
for t in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$t
    findings=build/fuzz/findings/$t
    mkdir -p "$corpus" "$findings"
    cp -n fuzz/corpus/"${seeds[$t]}"/* "$corpus"/ 2>/dev/null || true
    echo "== $t for ${seconds}s, $jobs process(es)"
    status=0
    pids=()
    rm -f build/fuzz/"$t".*.log
    for j in $(seq 1 "$jobs"); do
        build/fuzz/fuzz/"$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
            -max_len="${max_len[$t]}" -artifact_prefix="$findings"/ "$corpus" \
            >"build/fuzz/$t.$j.log" 2>&1 &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do wait "$pid" || status=$?; done
    logs=(build/fuzz/"$t".*.log)
    sum() { grep -ho "stat::$1: *[0-9]*" "${logs[@]}" | grep -o '[0-9]*$' | awk '{s+=$1} END {print s+0}'; }
    execs=$(sum number_of_executed_units)
    rate=$(sum average_exec_per_sec)
    cov=$(grep -ho 'cov: [0-9]*' "${logs[@]}" | grep -o '[0-9]*' | sort -n | tail -n 1 || echo 0)
    found=$(find "$findings" -type f | wc -l)
    if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
        failed=1
        tail -n 30 "${logs[@]}"
    fi
    rows+=("$(printf '%-18s %14s %10s %8s %9s' "$t" "$execs" "$rate" "$cov" "$found")")
done
printf '\n%-18s %14s %10s %8s %9s\n' target executions exec/s edges findings
printf '%s\n' "${rows[@]}"
exit "$failed"
