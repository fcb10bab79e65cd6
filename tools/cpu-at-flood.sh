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
# The web page: --web N [PAIRS] measures every view open with the web page on (127.0.0.1), with
# no client and with N live-feed clients (at most 32, tools/web-load-clients.py) for the window,
# in alternating pairs (3 unless given), and compares the medians. Then the clients must cost at
# most 1 point of a core, RSS stay within 60 MB and every client be at most 50 ms behind the line
# in every run: a change message's age when it reaches the client (its "since"), plus the 15 ms
# the program may take to read the line while someone watches.
#
# Usage: tools/cpu-at-flood.sh [seconds]
#        tools/cpu-at-flood.sh --compare REF [PAIRS] [seconds]
#        tools/cpu-at-flood.sh --web N [PAIRS] [seconds]
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
web_clients=""
if [ "${1:-}" = "--web" ]; then
    web_clients=${2:?"--web needs the number of clients"}
    shift 2
    pairs=3
    if [ $# -ge 2 ]; then
        pairs=$1
        shift
    fi
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

# run_once <name> <build dir> <views: True|False> [web clients]: sets cpu, rss and rate.
cpu="" rss="" rate=""
run_once() {
    local name=$1 bin=$2 open=$3 web=${4:-}
    local web_args=() web_port=$((18000 + RANDOM % 2000)) load=""
    [ -z "$web" ] || web_args=(--web "127.0.0.1:$web_port")
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
        "${web_args[@]}" -geometry 1600x1000+0+0 >"$out/lvmonitor-$name.log" 2>&1 &
    local program=$!
    pids+=($program)
    for _ in $(seq 300); do grep -q "link up" "$simlog" 2>/dev/null && break; sleep 0.1; done
    grep -q "link up" "$simlog" || { echo "the program did not link up; see $out/" >&2; exit 1; }
    sleep 10 # the data load and the views' opening requests are over
    if [ "${web:-0}" -gt 0 ]; then
        python3 tools/web-load-clients.py "$web_port" "$web" "$((seconds + 4))" \
            >"$out/clients-$name.json" &
        load=$!
        pids+=($load)
        sleep 2 # every client has its snapshot
    fi
    local t0 m0 t1 m1
    t0=$(awk '{print $14 + $15}' "/proc/$program/stat")
    m0=$(grep -c -- '-> A5' "$simlog" || true)
    sleep "$seconds"
    t1=$(awk '{print $14 + $15}' "/proc/$program/stat")
    m1=$(grep -c -- '-> A5' "$simlog" || true)
    rss=$(awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$program/status")
    cpu=$(awk -v d="$((t1 - t0))" -v s="$seconds" -v hz="$hz" 'BEGIN { printf "%.2f", 100 * d / hz / s }')
    rate=$(awk -v m="$((m1 - m0))" -v s="$seconds" 'BEGIN { printf "%.0f", m / s }')
    [ -z "$load" ] || wait "$load" || true
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

if [ -n "$web_clients" ]; then
    field() { python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' "$json" "$1"; }
    quiet_cpu=() load_cpu=() load_rss=() lags=() lags99=() got_all=1 rate=""
    printf '%5s %14s %14s %9s %14s\n' pair "no client CPU" "clients CPU" "RSS (MB)" "lag p99/max ms"
    for i in $(seq 1 "$pairs"); do
        # The order is swapped every pair, so that neither kind of run always comes first.
        for kind in $([ $((i % 2)) -eq 1 ] && echo "0 N" || echo "N 0"); do
            if [ "$kind" = 0 ]; then
                run_once "web-0-$i" build/release True 0
                quiet_cpu+=("$cpu")
                c0=$cpu
            else
                run_once "web-$web_clients-$i" build/release True "$web_clients"
                json="$out/clients-web-$web_clients-$i.json"
                load_cpu+=("$cpu") load_rss+=("$rss")
                cn=$cpu rn=$rss l99=$(field lag_p99_ms) lmax=$(field lag_max_ms)
                lags+=("$lmax") lags99+=("$l99")
                [ "$(field snapshots)" -ge "$web_clients" ] || got_all=0
            fi
        done
        printf '%5s %14s %14s %9s %14s\n' "$i" "$c0" "$cn" "$rn" "$l99/$lmax"
    done
    cpu0=$(median "${quiet_cpu[@]}") cpun=$(median "${load_cpu[@]}")
    rss=$(printf '%s\n' "${load_rss[@]}" | sort -g | tail -n 1)
    lag=$(printf '%s\n' "${lags[@]}" | sort -g | tail -n 1)
    lag99=$(median "${lags99[@]}")
    behind=$(awk -v l="$lag" 'BEGIN { printf "%.1f", l + 15 }')
    verdict=ok
    if [ "$got_all" = 0 ] || awk -v c="$cpun" -v c0="$cpu0" -v r="$rss" -v b="$behind" \
        'BEGIN { exit !(c - c0 > 1.0 || r > 60 || b > 50) }'; then
        verdict=MISSED
        failed=1
    fi
    echo
    printf '%-26s %8s %9s %14s %7s\n' "every view open, web page" "CPU %" "RSS (MB)" \
        "lag p99/max ms" verdict
    printf '%-26s %8s %9s %14s %7s\n' "no client (median)" "$cpu0" "-" "-" ""
    printf '%-26s %8s %9s %14s %7s\n' "$web_clients clients (median)" "$cpun" "$rss" \
        "$lag99/$lag" "$verdict"
    printf 'clients cost %+.2f points of a core (target at most 1); a client at most %s ms behind\n' \
        "$(awk -v c="$cpun" -v c0="$cpu0" 'BEGIN { print c - c0 }')" "$behind"
    printf '(the slowest message of all runs %s ms on its way, plus 15 ms to read the line; target 50)\n' "$lag"
    exit "$failed"
fi

run_once none build/release False
row "no view open" "$cpu" 1.0 "$rss" "$rate"
if [ -z "$compare" ]; then
    run_once every build/release True
    row "every view open" "$cpu" 2.0 "$rss" "$rate"
    printf '%-18s %8s %8s %9s %10s %7s\n' program "CPU %" target "RSS (MB)" "msgs/s" verdict
    printf '%s\n' "${rows[@]}"
    exit "$failed"
fi

old_cpu=()
new_cpu=()
new_rss=()
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
    old_cpu+=("$oc")
    new_cpu+=("$nc")
    new_rss+=("$nr")
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
