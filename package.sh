#!/usr/bin/env bash
# Installs what is missing, builds the programs (Release) in build/package and makes the Debian
# package there with CPack. Its runtime dependencies come from dpkg-shlibdeps.
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh
# dpkg-dev brings dpkg-shlibdeps; CPack needs `file` to find the programs among the files.
ensure_packages "${BUILD_PACKAGES[@]}" dpkg-dev file desktop-file-utils

desktop-file-validate packaging/lvmonitor.desktop
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DLV_SANITIZE=OFF \
    -DLV_BUILD_TESTS=OFF -DLV_BUILD_BENCH=OFF -DLV_FUZZ=OFF
cmake --build build/package
rm -f build/package/lvmonitor_*.deb
(cd build/package && cpack -G DEB)
deb=$(ls build/package/lvmonitor_*.deb)
echo
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends
dpkg-deb --contents "$deb" | grep -q '/usr/share/man/man1/lvmonitor\.1\.gz$' ||
    { echo "the package holds no manual page" >&2; exit 1; }
