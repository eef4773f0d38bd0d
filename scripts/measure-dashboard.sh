#!/usr/bin/env bash
# Measures the player's dashboard with the protection monitor running: a returning, protected player
# against the reference backend on loopback, every probe site on loopback. Prints the app process's
# own CPU time over an idle spell (default 120 s), its resident memory after start and after a soak
# (default 600 s from start, through the monitor's heartbeats), and how long "Synkronisér" takes until
# the pill settles (protected, then with the protection gone), as median/min/max over several runs.
# Runs under Xvfb when available (the renderer a desktop uses), else on the offscreen platform.
# Usage: scripts/measure-dashboard.sh [idle-seconds, default 120] [soak-seconds, default 600] [sync-runs, default 10]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
[ -f "$build/CMakeCache.txt" ] || { echo "build first (scripts/build.sh)" >&2; exit 1; }
cmake --build "$build" --target measure_dashboard molvena-server --parallel 2 >/dev/null

home="$(mktemp -d)"
cleanup() { [ -z "${xvfb_pid:-}" ] || kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$home"; }
trap cleanup EXIT

. "$root/scripts/virtual-display.sh"
start_virtual_display

idle="${1:-120}"
soak="${2:-600}"
runs="${3:-10}"
# QTest's watchdog would end the run after five minutes.
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM="$platform" \
    MOLVENA_TEST_ARTIFACTS="$home" QTEST_FUNCTION_TIMEOUT=$(((idle + soak + 300) * 1000)) \
    MOLVENA_MEASURE_IDLE_SECONDS="$idle" MOLVENA_MEASURE_SOAK_SECONDS="$soak" MOLVENA_MEASURE_SYNC_RUNS="$runs" \
    "$build/bench/measure_dashboard" -silent
