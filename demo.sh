#!/usr/bin/env bash
# Installs what is missing, builds the program (Release) and runs it.
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLV_BUILD_TESTS=OFF -DLV_BUILD_BENCH=OFF
cmake --build build/release
exec build/release/src/lvmonitor "$@"
