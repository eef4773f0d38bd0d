#!/usr/bin/env bash
# The Debian packages: their sizes (file and installed), the time apt takes to install both (their
# dependencies already present, so the figure is the packages' own unpacking and scripts), and the
# installed app's first frame and memory beside the build folder's, with the default and the
# software renderer, in one run (scripts/measure-startup.sh). Needs root and the packages built
# (scripts/package.sh); installs them on this machine.
#   scripts/measure-package.sh [runs per renderer, default 3]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
runs="${1:-3}"
debs=("$build"/packages/molvena_*.deb "$build"/packages/molvena-server_*.deb)
[ -f "${debs[0]}" ] && [ -f "${debs[1]}" ] || { echo "build the packages first (scripts/package.sh)" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "installing needs root" >&2; exit 1; }

for deb in "${debs[@]}"; do
    printf 'package=%s deb_kib=%d installed_kib=%s\n' "$(dpkg-deb -f "$deb" Package)" \
        "$(($(stat -c %s "$deb") / 1024))" "$(dpkg-deb -f "$deb" Installed-Size)"
done

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null # dependencies, first time
start_ms="$(date +%s%3N)"
apt-get install -y -qq --no-install-recommends --reinstall "${debs[@]}" >/dev/null
echo "apt_install_both_ms=$(($(date +%s%3N) - start_ms))"

echo "installed app (/usr/bin/molvena):"
MOLVENA_APP=/usr/bin/molvena "$root/scripts/measure-startup.sh" "$runs"
echo "build folder app (unstripped, same build):"
"$root/scripts/measure-startup.sh" "$runs"
