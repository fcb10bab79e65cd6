#!/usr/bin/env bash
# Soak test: the Release program under Xvfb against lvconsole-sim --flood, every view open, for
# the given number of minutes (default 10). Every 30 s it samples the program's RSS and CPU; every
# 90 s it kills the simulator and starts it again on the same link, in turn with another rig
# (--seed 2 --extended: another console plugged in), with --noise and with --speed 19200, and the
# program must notice the loss and link up again by itself (Reconnect automatically). It fails
# when RSS grows by more than 1 MB after the first minute, when the program dies, or when a
# reconnect does not come back within 30 s. Prints a table as it goes.
#
# Usage: tools/soak.sh [minutes]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" xvfb
minutes=${1:-10}

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLV_BUILD_TESTS=OFF \
    -DLV_BUILD_BENCH=OFF >/dev/null
cmake --build build/release

out="$PWD/build/soak"
mkdir -p "$out"
rm -f "$out"/*
link="$out/console"
sim_pid=""
pids=()
cleanup() {
    for p in "${pids[@]}" $sim_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

restarts=0
start_sim() { # simulator options
    restarts=$((restarts + 1))
    build/release/sim/lvconsole-sim --link "$link" --flood "$@" \
        >"$out/simulator-$restarts.log" 2>&1 &
    sim_pid=$!
}
linked() { grep -q "link up" "$out/simulator-$restarts.log" 2>/dev/null; }

# Every view reopens by itself after the link-up; the program reconnects when the console goes.
export LVMONITOR_SETTINGS="$out/settings.ini"
{
    echo "[Startup]"
    for v in fixture dimmer playback page scene show; do echo "${v}_frm_open=True"; done
    echo "Reconnect=True"
} >"$LVMONITOR_SETTINGS"

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$out/display")"

start_sim --seed 5
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
build/release/src/lvmonitor --port "$link" --connect >"$out/lvmonitor.log" 2>&1 &
program=$!
pids+=($program)
for _ in $(seq 300); do linked && break; sleep 0.1; done
linked || { echo "the program did not link up; see $out/" >&2; exit 1; }

ticks() { awk '{print $14 + $15}' "/proc/$program/stat"; }
rss_kb() { awk '/VmRSS/ {print $2}' "/proc/$program/status"; }
hz=$(getconf CLK_TCK)
printf '%6s %10s %8s %9s\n' time "RSS (KB)" "CPU %" restarts
baseline=""
peak=0
fail=""
start=$(date +%s)
last_ticks=$(ticks)
last_time=$start
next_restart=$((start + 90))
while [ "$(($(date +%s) - start))" -lt "$((minutes * 60))" ]; do
    sleep 30
    kill -0 "$program" 2>/dev/null || { fail="the program died"; break; }
    now=$(date +%s)
    t=$(ticks)
    cpu=$(awk -v d="$((t - last_ticks))" -v s="$((now - last_time))" -v hz="$hz" \
        'BEGIN { printf "%.1f", 100 * d / hz / s }')
    last_ticks=$t
    last_time=$now
    rss=$(rss_kb)
    elapsed=$((now - start))
    printf '%5ss %10s %8s %9s\n' "$elapsed" "$rss" "$cpu" "$((restarts - 1))"
    if [ "$elapsed" -ge 60 ]; then
        [ -n "$baseline" ] || baseline=$rss
        [ "$rss" -gt "$peak" ] && peak=$rss
        if [ "$rss" -gt "$((baseline + 1024))" ]; then
            fail="RSS grew from $baseline KB to $rss KB"
            break
        fi
    fi
    if [ "$now" -ge "$next_restart" ]; then
        next_restart=$((now + 90))
        kill -9 "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sleep 3 # the program sees the console gone and starts retrying
        case $((restarts % 3)) in
        1) start_sim --seed 2 --extended ;;
        2) start_sim --seed 5 --noise ;;
        *) start_sim --seed 5 --speed 19200 ;;
        esac
        for _ in $(seq 300); do linked && break; sleep 0.1; done
        linked || { fail="reconnect $((restarts - 1)) did not come back"; break; }
    fi
done
if [ -n "$fail" ]; then
    echo "FAILED: $fail (logs in $out/)" >&2
    exit 1
fi
echo "passed: ${minutes} min, $((restarts - 1)) reconnects, RSS from ${baseline:-?} KB (after 1 min) to at most ${peak} KB"
