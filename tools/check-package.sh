#!/usr/bin/env bash
# Installs the Debian package made by ./package.sh on this machine, as a user would, and checks
# the installation: the programs run from /usr/bin and print the package's version, the web page
# (a plugin) turns on, the desktop entry is valid, the icon is in place and the manual page lists
# every option --help does. Run as root, after ./package.sh. Leaves the package installed.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "check-package: FAILED: $*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || fail "run as root (sudo $0): it installs the package"
deb=$(ls -t build/package/lvmonitor_*.deb 2>/dev/null | head -n 1) || true
[ -n "$deb" ] || fail "no package in build/package; make it with ./package.sh first"
source tools/ensure-packages.sh
ensure_packages desktop-file-utils curl python3

echo "check-package: installing $deb"
# dpkg leaves the package half-configured when a dependency is missing; apt-get fetches it.
dpkg -i "$deb" || true
export DEBIAN_FRONTEND=noninteractive
apt-get -f install -y || { apt-get update && apt-get -f install -y; } ||
    fail "apt-get could not install the package's dependencies"
dpkg-query -W -f='${Status}' lvmonitor | grep -q 'install ok installed' ||
    fail "dpkg does not list lvmonitor as installed"

depends=$(dpkg-deb --field "$deb" Depends)
for lib in libqt6widgets6 libqt6serialport6 libc6; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib (dpkg-shlibdeps not run?): $depends"
done

# As from a remote shell: no display, no platform chosen.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/lvmonitor --version) ||
    fail "/usr/bin/lvmonitor --version did not run"
package_version=$(dpkg-deb --field "$deb" Version)
[ "$version" == "LV Monitor $package_version" ] ||
    fail "/usr/bin/lvmonitor --version printed '$version', the package is $package_version"
/usr/bin/lvconsole-sim --help >/dev/null || fail "/usr/bin/lvconsole-sim --help did not run"
# The window comes up (offscreen here) and the program runs until it is stopped.
scratch=$(mktemp -d)
status=0
QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/lvmonitor --settings "$scratch/settings.ini" \
    >"$scratch/output" 2>&1 || status=$?
if [ "$status" -ne 124 ]; then
    cat "$scratch/output" >&2
    fail "/usr/bin/lvmonitor quit with status $status instead of showing its window"
fi
# The web page's plugin loads from where the package put it: the page answers on 127.0.0.1.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
QT_QPA_PLATFORM=offscreen /usr/bin/lvmonitor --settings "$scratch/settings.ini" \
    --web "127.0.0.1:$port" >"$scratch/output" 2>&1 &
web=$!
state=
for _ in $(seq 50); do
    state=$(curl -sf "http://127.0.0.1:$port/api/state") && break
    sleep 0.2
done
kill "$web" 2>/dev/null || true
wait "$web" || true
if [[ "$state" != *'"type":"snapshot"'* ]]; then
    cat "$scratch/output" >&2
    fail "/usr/bin/lvmonitor --web 127.0.0.1:$port did not answer /api/state"
fi
rm -rf "$scratch"

entry=/usr/share/applications/lvmonitor.desktop
[ -f "$entry" ] || fail "$entry is missing"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
icons=/usr/share/icons/hicolor
for icon in scalable/apps/lvmonitor.svg 16x16/apps/lvmonitor.png 32x32/apps/lvmonitor.png \
    48x48/apps/lvmonitor.png 64x64/apps/lvmonitor.png 128x128/apps/lvmonitor.png \
    256x256/apps/lvmonitor.png; do
    [ -s "$icons/$icon" ] || fail "$icons/$icon is missing"
done

# The manual page, as the package holds it (some systems leave /usr/share/man out when installing).
man_page=usr/share/man/man1/lvmonitor.1.gz
scratch=$(mktemp -d)
dpkg-deb -x "$deb" "$scratch"
gzip -t "$scratch/$man_page" || fail "the package holds no compressed /$man_page"
page=$(zcat "$scratch/$man_page")
rm -rf "$scratch"
[[ "$page" == *"LV Monitor $package_version"* ]] || fail "/$man_page does not name $package_version"
for option in $(env -u DISPLAY /usr/bin/lvmonitor --help | grep -o -- '--[a-z-]*' | sort -u); do
    [[ "$page" == *"${option//-/\\-}"* ]] || fail "/$man_page lacks $option, which --help lists"
done
if [ -f "/$man_page" ] && command -v man >/dev/null; then
    man -l "/$man_page" >/dev/null || fail "man cannot show /$man_page"
fi

echo "check-package: passed: $version from /usr/bin, web page on, $entry valid, icon and manual page installed"
