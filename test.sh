#!/usr/bin/env bash
# Installs what is missing, builds the test build (Debug, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test through CTest, offscreen.
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh
# The Wayland test runs the program on a headless compositor of its own.
ensure_packages "${BUILD_PACKAGES[@]}" weston qt6-wayland

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLV_SANITIZE=ON
cmake --build build/test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure -j2 --timeout 300 "$@"
