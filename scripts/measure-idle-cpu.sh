#!/usr/bin/env bash
# Measures the app's CPU use while it sits idle: starts the window (under Xvfb when available,
# else on the offscreen platform), lets start-up settle, then reads utime+stime from /proc over
# the measuring window. Usage: scripts/measure-idle-cpu.sh [seconds, default 30] [screen]
# screen: role-selection (a fresh start, the default) or onboarding (a player who has chosen the role).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
app="${MOLVENA_BUILD_DIR:-$root/build}/src/app/molvena"
seconds="${1:-30}"
screen="${2:-role-selection}"
[ -x "$app" ] || { echo "build the app first (scripts/build.sh)" >&2; exit 1; }

home="$(mktemp -d)"
cleanup() { kill "$pid" "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$home"; }
trap cleanup EXIT

. "$root/scripts/virtual-display.sh"
start_virtual_display

if [ "$screen" = onboarding ]; then
    mkdir -p "$home/.config/Molvena"
    printf '[General]\nmacRole=player\n' >"$home/.config/Molvena/Molvena.conf"
fi

MOLVENA_API_BASE=http://127.0.0.1:9/api/ MOLVENA_CANARY_URL=http://127.0.0.1:9/ \
    MOLVENA_PROBE_URLS=http://127.0.0.1:9/a,http://127.0.0.1:9/b,http://127.0.0.1:9/c \
    HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM="$platform" "$app" >/dev/null 2>&1 &
pid=$!
sleep 5 # past the start-up sequence
kill -0 "$pid" 2>/dev/null || { echo "the app did not stay up" >&2; exit 1; }

ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz="$(getconf CLK_TCK)"
start_ticks="$(ticks)"
start_time="$(date +%s.%N)"
sleep "$seconds"
end_ticks="$(ticks)"
end_time="$(date +%s.%N)"
kill -0 "$pid" 2>/dev/null || { echo "the app ended while measured" >&2; exit 1; }
rss_kib="$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")"

awk -v t0="$start_ticks" -v t1="$end_ticks" -v s0="$start_time" -v s1="$end_time" -v hz="$hz" \
    -v platform="$platform" -v screen="$screen" -v rss="$rss_kib" -v total="$start_ticks" 'BEGIN {
        cpu = (t1 - t0) / hz; wall = s1 - s0;
        printf "screen=%s platform=%s startup_cpu_seconds=%.2f idle_seconds=%.1f idle_cpu_seconds=%.2f idle_cpu_percent=%.2f rss_mib=%.1f\n", screen, platform, total / hz, wall, cpu, 100 * cpu / wall, rss / 1024
    }'
