#!/usr/bin/env bash
# CPU and memory of the Release program at a flooded 38400 line: the simulator keeps the line full
# (lvconsole-sim --flood), the program runs under Xvfb, first with no view open, then with every
# view open. For each it prints the program's CPU (percent of one core) and RSS over a window of
# the given seconds (default 60), and the message rate the simulator delivered. Exits 1 when a
# figure misses its target: at most 1 % of a core with no view, 2 % with every view, RSS at most
# 45 MB.
#
# Side by side: --compare REF [PAIRS] also builds the git revision REF (in a worktree of its own)
# and measures every view open with the old and the new build in alternating pairs (at least 5,
# the order swapped every pair), each build with its own Xvfb and simulator, and prints the
# median of each. Then the new build must also stay within 0.3 points of the old one.
#
# Usage: tools/cpu-at-flood.sh [seconds]
#        tools/cpu-at-flood.sh --compare REF [PAIRS] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" xvfb

compare=""
pairs=5
if [ "${1:-}" = "--compare" ]; then
    compare=${2:?"--compare needs a git revision"}
    shift 2
    if [ $# -ge 2 ]; then
        pairs=$1
        shift
    fi
    [ "$pairs" -ge 5 ] || { echo "at least 5 pairs" >&2; exit 2; }
fi
seconds=${1:-60}

build_release() { # source dir, build dir
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLV_BUILD_TESTS=OFF \
        -DLV_BUILD_BENCH=OFF >/dev/null
    cmake --build "$2" >/dev/null
}
build_release . build/release

out="$PWD/build/cpu-at-flood"
mkdir -p "$out"
rm -rf "${out:?}"/*
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

old_bin=""
if [ -n "$compare" ]; then
    worktree="$PWD/build/compare-src"
    git worktree remove --force "$worktree" 2>/dev/null || rm -rf "$worktree"
    git worktree add --detach "$worktree" "$compare" >/dev/null
    build_release "$worktree" "$PWD/build/compare-release"
    old_bin="$PWD/build/compare-release"
fi

# start_xvfb <name>: an Xvfb of its own; sets display.
display=""
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$out/display-$1" \
        >"$out/xvfb-$1.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$out/display-$1" ] && break; sleep 0.1; done
    [ -s "$out/display-$1" ] || { echo "Xvfb did not start" >&2; exit 1; }
    display=":$(head -n 1 "$out/display-$1")"
}
hz=$(getconf CLK_TCK)

declare -A layout=( # view: left top width height, in twips
    [playback]="0 0 16000 3630" [fixture]="0 3630 10500 7800" [dimmer]="10500 3630 5500 7800"
    [page]="16000 0 4000 7000" [show]="20000 0 3900 7000" [scene]="16000 7000 7900 4600")

# run_once <name> <build dir> <views: True|False>: sets cpu, rss and rate.
cpu="" rss="" rate=""
run_once() {
    local name=$1 bin=$2 open=$3
    local link="$out/console-$name" simlog="$out/simulator-$name.log"
    local settings="$out/settings-$name.ini"
    {
        echo "[Startup]"
        for v in fixture dimmer playback page scene show; do echo "${v}_frm_open=$open"; done
        # The views side by side (in twips), so that each is painted.
        for v in "${!layout[@]}"; do
            read -r left top wid ht <<<"${layout[$v]}"
            printf '%s_frm_left=%s\n%s_frm_top=%s\n%s_frm_wid=%s\n%s_frm_ht=%s\n' \
                "$v" "$left" "$v" "$top" "$v" "$wid" "$v" "$ht"
        done
    } >"$settings"
    start_xvfb "$name"
    local xvfb=${pids[-1]}
    "$bin/sim/lvconsole-sim" --link "$link" --seed 5 --flood --verbose >"$simlog" 2>&1 &
    local sim=$!
    pids+=($sim)
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
    # The main window fills the screen, so that every view is in sight and painted.
    DISPLAY=$display LVMONITOR_SETTINGS=$settings "$bin/src/lvmonitor" --port "$link" --connect \
        -geometry 1600x1000+0+0 >"$out/lvmonitor-$name.log" 2>&1 &
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
    rss=$(awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$program/status")
    cpu=$(awk -v d="$((t1 - t0))" -v s="$seconds" -v hz="$hz" 'BEGIN { printf "%.2f", 100 * d / hz / s }')
    rate=$(awk -v m="$((m1 - m0))" -v s="$seconds" 'BEGIN { printf "%.0f", m / s }')
    kill "$program" "$sim" "$xvfb" 2>/dev/null || true
    wait "$program" "$sim" "$xvfb" 2>/dev/null || true
}

failed=0
rows=()
row() { # label cpu target rss rate
    local verdict=ok
    if awk -v c="$2" -v t="$3" -v r="$4" 'BEGIN { exit !(c > t || r > 45) }'; then
        verdict=MISSED
        failed=1
    fi
    rows+=("$(printf '%-18s %8s %8s %9s %10s %7s' "$1" "$2" "$3" "$4" "$5" "$verdict")")
}
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

run_once none build/release False
row "no view open" "$cpu" 1.0 "$rss" "$rate"
if [ -z "$compare" ]; then
    run_once every build/release True
    row "every view open" "$cpu" 2.0 "$rss" "$rate"
    printf '%-18s %8s %8s %9s %10s %7s\n' program "CPU %" target "RSS (MB)" "msgs/s" verdict
    printf '%s\n' "${rows[@]}"
    exit "$failed"
fi

old_cpu=() new_cpu=() new_rss=()
printf '%5s %10s %10s\n' pair "old CPU %" "new CPU %"
for i in $(seq 1 "$pairs"); do
    # The order is swapped every pair, so that neither build always runs first.
    if [ $((i % 2)) -eq 1 ]; then
        run_once "old-$i" "$old_bin" True; oc=$cpu
        run_once "new-$i" build/release True; nc=$cpu; nr=$rss
    else
        run_once "new-$i" build/release True; nc=$cpu; nr=$rss
        run_once "old-$i" "$old_bin" True; oc=$cpu
    fi
    old_cpu+=("$oc") new_cpu+=("$nc") new_rss+=("$nr")
    printf '%5s %10s %10s\n' "$i" "$oc" "$nc"
done
old_median=$(median "${old_cpu[@]}")
new_median=$(median "${new_cpu[@]}")
rss_max=$(printf '%s\n' "${new_rss[@]}" | sort -g | tail -n 1)
row "every view (new)" "$new_median" 2.0 "$rss_max" "-"
if awk -v n="$new_median" -v o="$old_median" 'BEGIN { exit !(n > o + 0.3) }'; then
    failed=1
    echo "the new build costs more than 0.3 points above the old one" >&2
fi
printf '\nmedians of %s pairs, every view open: old (%s) %s %%, new %s %% (%+.2f points)\n\n' \
    "$pairs" "$compare" "$old_median" "$new_median" \
    "$(awk -v n="$new_median" -v o="$old_median" 'BEGIN { print n - o }')"
printf '%-18s %8s %8s %9s %10s %7s\n' program "CPU %" target "RSS (MB)" "msgs/s" verdict
printf '%s\n' "${rows[@]}"
exit "$failed"
