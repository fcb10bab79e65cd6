#!/usr/bin/env bash
# The web page in a real browser: headless Chromium opens the page of the Release program, which
# follows the console simulator, and the page must show what the program's /api/state holds as
# the values change, load in under a second and report no error. Everything stays on 127.0.0.1.
# Installs chromium when it is missing; run after ./test.sh (CI does).
#
# Usage: tools/web-browser-check.sh [--screenshot FILE]   (FILE: a phone-sized picture of the page)
#        LV_BUILD=dir uses the programs built there instead of building build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" chromium python3

build=${LV_BUILD:-build/release}
if [ -z "${LV_BUILD:-}" ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLV_BUILD_TESTS=OFF \
        -DLV_BUILD_BENCH=OFF >/dev/null
    cmake --build build/release --target lvmonitor lvmonitor-web lvconsole-sim >/dev/null
fi

out="$PWD/build/web-browser-check"
mkdir -p "$out"
rm -f "$out"/*
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
link="$out/console"
"$build"/sim/lvconsole-sim --link "$link" --seed 5 --rate 4 >"$out/simulator.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
# The memory page view open, so that the console's page is followed and shown too.
printf '[Startup]\npage_frm_open=True\nshow_frm_open=True\n' >"$out/settings.ini"
"$build"/src/lvmonitor --settings "$out/settings.ini" --port "$link" --connect \
    --web "127.0.0.1:$port" >"$out/lvmonitor.log" 2>&1 &
pids+=($!)
url="http://127.0.0.1:$port/"
for _ in $(seq 300); do
    curl -s "${url}api/state" 2>/dev/null | grep -q '"state":"connected".*"fixtures":\[{' && break
    sleep 0.1
done
sleep 3 # the data load is over
python3 tools/web-browser-check.py "$url" "$(command -v chromium)" "$@"
