#!/usr/bin/env bash
# Usage: tools/with-weston.sh COMMAND [ARG...]
# Runs the command as a Wayland client of a headless weston of its own, with its own runtime
# folder and socket, and stops the compositor afterwards. The command's exit status is returned.
set -euo pipefail
runtime=$(mktemp -d /tmp/lv-weston.XXXXXX)
chmod 700 "$runtime"
socket="lv-weston-$$"
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket="$socket" \
    --idle-time=0 --width=1280 --height=900 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
cleanup() {
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT
for _ in $(seq 1 100); do
    [ -S "$runtime/$socket" ] && break
    if ! kill -0 "$weston_pid" 2>/dev/null; then
        echo "weston did not start:" >&2
        cat "$runtime/weston.log" >&2
        exit 1
    fi
    sleep 0.1
done
[ -S "$runtime/$socket" ] || { echo "weston's socket never appeared" >&2; exit 1; }
env XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland "$@"
