#!/usr/bin/env bash
# CPU and memory of the Release program at a flooded 38400 line: the simulator keeps the line full
# (lvconsole-sim --flood), the program runs under Xvfb, first with no view open, then with every
# view open. For each it prints the program's CPU (percent of one core) and RSS over a window of
# the given seconds (default 60), and the message rate the simulator delivered. Exits 1 when a
# figure misses its target: at most 1 % of a core with no view, 1.5 % with every view, RSS at most
# 45 MB.
#
# Usage: tools/cpu-at-flood.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" xvfb
seconds=${1:-60}

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLV_BUILD_TESTS=OFF \
    -DLV_BUILD_BENCH=OFF >/dev/null
cmake --build build/release >/dev/null

out="$PWD/build/cpu-at-flood"
mkdir -p "$out"
rm -f "$out"/*
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$out/display")"
hz=$(getconf CLK_TCK)

declare -A layout=( # view: left top width height, in twips
    [playback]="0 0 16000 3630" [fixture]="0 3630 10500 7800" [dimmer]="10500 3630 5500 7800"
    [page]="16000 0 4000 7000" [show]="20000 0 3900 7000" [scene]="16000 7000 7900 4600")

# measure <label> <views: True|False> <CPU target %>
failed=0
rows=()
measure() {
    local label=$1 open=$2 target=$3
    local link="$out/console-$open" simlog="$out/simulator-$open.log"
    export LVMONITOR_SETTINGS="$out/settings-$open.ini"
    {
        echo "[Startup]"
        for v in fixture dimmer playback page scene show; do echo "${v}_frm_open=$open"; done
        # The views side by side (in twips), so that each is painted.
        for v in "${!layout[@]}"; do
            read -r left top wid ht <<<"${layout[$v]}"
            printf '%s_frm_left=%s\n%s_frm_top=%s\n%s_frm_wid=%s\n%s_frm_ht=%s\n' \
                "$v" "$left" "$v" "$top" "$v" "$wid" "$v" "$ht"
        done
    } >"$LVMONITOR_SETTINGS"
    build/release/sim/lvconsole-sim --link "$link" --seed 5 --flood --verbose >"$simlog" 2>&1 &
    local sim=$!
    pids+=($sim)
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
    # The main window fills the screen, so that every view is in sight and painted.
    build/release/src/lvmonitor --port "$link" --connect -geometry 1600x1000+0+0 \
        >"$out/lvmonitor-$open.log" 2>&1 &
    local program=$!
    pids+=($program)
    for _ in $(seq 300); do grep -q "link up" "$simlog" 2>/dev/null && break; sleep 0.1; done
    grep -q "link up" "$simlog" || { echo "the program did not link up; see $out/" >&2; exit 1; }
    sleep 10 # the data load and the views' opening requests are over
    local t0 m0 t1 m1
    t0=$(awk '{print $14 + $15}' "/proc/$program/stat")
    m0=$(grep -c -- '-> A5' "$simlog" || true)
    sleep "$seconds"
    t1=$(awk '{print $14 + $15}' "/proc/$program/stat")
    m1=$(grep -c -- '-> A5' "$simlog" || true)
    local rss cpu rate
    rss=$(awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$program/status")
    cpu=$(awk -v d="$((t1 - t0))" -v s="$seconds" -v hz="$hz" 'BEGIN { printf "%.2f", 100 * d / hz / s }')
    rate=$(awk -v m="$((m1 - m0))" -v s="$seconds" 'BEGIN { printf "%.0f", m / s }')
    local verdict=ok
    if awk -v c="$cpu" -v t="$target" -v r="$rss" 'BEGIN { exit !(c > t || r > 45) }'; then
        verdict=MISSED
        failed=1
    fi
    rows+=("$(printf '%-18s %8s %8s %9s %10s %7s' "$label" "$cpu" "$target" "$rss" "$rate" "$verdict")")
    kill "$program" "$sim" 2>/dev/null || true
    wait "$program" "$sim" 2>/dev/null || true
}

measure "no view open" False 1.0
measure "every view open" True 1.5
printf '%-18s %8s %8s %9s %10s %7s\n' program "CPU %" target "RSS (MB)" "msgs/s" verdict
printf '%s\n' "${rows[@]}"
exit "$failed"
