#!/usr/bin/env bash
# Installs what is missing, builds the program and the console simulator (Release), starts the
# simulator on a pseudo-terminal and runs the program against it: press Connect and the program
# links up with the simulated console.
#
# With no display (DISPLAY and WAYLAND_DISPLAY unset) it runs both under Xvfb, presses Connect,
# opens every view through the menus, waits for the data, and saves screenshots in build/demo/.
# Either way it ends by saying what to look at and where.
#
# Extra arguments go to the simulator (see build/release/sim/lvconsole-sim --help); for example
# ./demo.sh --replay docs/demo-session.lvrec plays a recorded session back instead of a live rig.
# The headless run records itself into build/demo/demo.lvrec.
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh

headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    headless=1
    ensure_packages "${BUILD_PACKAGES[@]}" xvfb xdotool imagemagick x11-utils
else
    ensure_packages "${BUILD_PACKAGES[@]}"
fi

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLV_BUILD_TESTS=OFF -DLV_BUILD_BENCH=OFF
cmake --build build/release

out="$PWD/build/demo"
mkdir -p "$out"
rm -f "$out"/*.png
link="$out/console"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

build/release/sim/lvconsole-sim --link "$link" --seed 7 --rate 40 "$@" >"$out/simulator.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
[ -e "$link" ] || { echo "the simulator did not start; see $out/simulator.log" >&2; exit 1; }

# The demo keeps its own settings, so it neither reads nor changes a real installation's.
export LVMONITOR_SETTINGS="$out/settings.ini"
export LVMONITOR_COM1="$link" LVMONITOR_COM2="$link"

if [ "$headless" -eq 0 ]; then
    echo "Simulated console on $link. Press Connect in the program."
    cat <<EOF
Once it has linked up, open the views from the Window menu:
  Fixtures    every fixture's channels and live values; click a value to set it on the console
  Dimmers, Playbacks, Show    offered once the console has said what it is; in Show, choose a
              page and a show number to list its steps
  Page        the console's memory page, with a remote control that steps it
  Scene       the scene buffer as text
  Traffic     every message on the line, both ways, decoded
Help > LV Monitor Help (F1) explains the window you are in.
EOF
    build/release/src/lvmonitor
    echo "The demo's settings are in $LVMONITOR_SETTINGS; the simulator's log in $out/simulator.log."
    exit 0
fi

# Headless: drive the program through its own keyboard shortcuts and photograph it. The views
# are laid out side by side (geometry in twips, 15 to a pixel here) so that each can be cut out.
rm -f "$LVMONITOR_SETTINGS"
declare -A layout=( # view: left top width height, in twips
    [playback]="0 0 16000 3630" [fixture]="0 3630 10500 7800" [dimmer]="10500 3630 5500 7800"
    [page]="16000 0 4000 7000" [show]="20000 0 3900 7000" [scene]="16000 7000 7900 4600")
{
    echo "[Startup]"
    for v in "${!layout[@]}"; do
        read -r left top wid ht <<<"${layout[$v]}"
        printf '%s_frm_left=%s\n%s_frm_top=%s\n%s_frm_wid=%s\n%s_frm_ht=%s\n' \
            "$v" "$left" "$v" "$top" "$v" "$wid" "$v" "$ht"
    done
    echo "traffic_frm_geometry=0 0 1066 480" # in pixels, over the playbacks and fixtures
} >"$LVMONITOR_SETTINGS"
# Xvfb picks a free display and writes its number once it accepts connections.
rm -f "$out/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "Xvfb did not start; see $out/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$out/display")"

# The run is recorded too: lvconsole-sim --replay build/demo/demo.lvrec plays it back.
rm -f "$out/demo.lvrec"
build/release/src/lvmonitor --record "$out/demo.lvrec" >"$out/lvmonitor.log" 2>&1 &
program=$!
pids+=($program)

window() { # window id by title, waiting for it to appear
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
        sleep 0.1
    done
    echo "$id"
}
shot() {
    import -window root "$out/$1.png"
    echo "$out/$1.png"
}
menu_height=24 # the main window's menu bar, above the views
# A screenshot of one view, cut out of the screen by its layout.
view_shot() {
    local left top wid ht
    read -r left top wid ht <<<"${layout[$2]}"
    import -window root -crop "$((wid / 15))x$((ht / 15))+$((left / 15))+$((menu_height + top / 15))" \
        +repage "$out/$1.png"
    echo "$out/$1.png"
}
keys() { xdotool windowfocus --sync "$main" key --delay 80 "$@" 2>/dev/null || true; }
# Opens the n-th entry (from 0) of the Window menu: Fixtures, Page, Scene, Show, Dimmers,
# Playbacks once the console has told what it is.
open_view() {
    local downs=()
    for _ in $(seq "$1"); do downs+=(Down); done
    keys alt+w "${downs[@]}" Return
    sleep 1.5
}

startup=$(window "Initialize Com Port")
main=$(window "Lumivane Monitor")
[ -n "$startup" ] && [ -n "$main" ] || { echo "the program did not start; see $out/lvmonitor.log" >&2; exit 1; }
xdotool windowmove "$main" 0 0 windowsize "$main" 1600 1000
sleep 0.5
# The start-up window with its device list open.
xdotool windowfocus --sync "$startup" key alt+d F4 2>/dev/null || true
sleep 0.5
shot startup
xdotool windowfocus --sync "$startup" key Escape 2>/dev/null || true
xdotool windowfocus --sync "$startup" key Return
sleep 3 # the speed search and the data request one second after the link-up

open_view 0 # Fixtures
sleep 2
view_shot fixtures fixture
# Pick the Color value of the first spot (block 2 of the fixtures view) to open the edit dialog.
xdotool mousemove --window "$main" 507 390 click 1
sleep 1
shot edit
keys Escape
open_view 4 # Dimmers
view_shot dimmers dimmer
open_view 5 # Playbacks
sleep 1
view_shot playbacks playback
open_view 3 # Show: choose show 6 on page 1 from the number list by keyboard
keys alt+Down Down Down Down Down Down Return
sleep 2
view_shot show show
open_view 1 # Page: step the console's page up once with the remote control
keys Tab space
sleep 1.5
view_shot page page
open_view 2 # Scene
sleep 1.5
view_shot scene scene
shot main
open_view 6 # Traffic, over the playbacks and fixtures
sleep 2
import -window root -crop "1066x480+0+$menu_height" +repage "$out/traffic.png"
echo "$out/traffic.png"
keys ctrl+q # a clean exit closes the recording
for _ in $(seq 50); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
echo "$out/demo.lvrec ($(stat -c %s "$out/demo.lvrec") bytes)"
cat <<EOF

What to look at, all in build/demo/:
  main.png        the main window with every view following the simulated console
  fixtures.png, dimmers.png, playbacks.png, page.png, show.png, scene.png
                  one view each, as opened from the Window menu
  startup.png     the start-up window with its device list open
  edit.png        the channel edit dialog over the fixtures view
  traffic.png     the traffic window (Window > Traffic): every message on the line, decoded
  demo.lvrec      the whole run recorded; ./demo.sh --replay build/demo/demo.lvrec plays it back
  lvmonitor.log, simulator.log    what the program and the simulator printed
With a display, ./demo.sh shows the program itself: press Connect and open the views from the
Window menu.
EOF
