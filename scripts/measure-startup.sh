#!/usr/bin/env bash
# Measures the app's start under Xvfb with Qt Quick's default renderer and with its software
# renderer: the time from starting the process to the first frame on screen, and the resident memory
# 5 s after start. A fresh preference folder each run, so the role selection is what shows.
#   scripts/measure-startup.sh [runs per renderer, default 5]
# MOLVENA_APP=/usr/bin/molvena measures the installed app instead of the build's.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
app="${MOLVENA_APP:-${MOLVENA_BUILD_DIR:-$root/build}/src/app/molvena}"
runs="${1:-5}"
[ -x "$app" ] || { echo "build the app first (scripts/build.sh)" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb is needed (scripts/install-dependencies.sh)" >&2; exit 1; }

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
work="$(mktemp -d)"
cleanup() { kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
sleep 1

measure() { # renderer
    local renderer="$1" out="$work/out" home start_ms frame_ms pid
    home="$(mktemp -d "$work/home.XXXXXX")"
    start_ms="$(date +%s%3N)"
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
        ${renderer:+QT_QUICK_BACKEND=$renderer} MOLVENA_REPORT_FIRST_FRAME=1 \
        MOLVENA_API_BASE=http://127.0.0.1:9/api/ MOLVENA_CANARY_URL=http://127.0.0.1:9/ \
        MOLVENA_PROBE_URLS=http://127.0.0.1:9/a,http://127.0.0.1:9/b,http://127.0.0.1:9/c \
        "$app" >"$out" 2>/dev/null &
    pid=$!
    sleep 5
    frame_ms="$(sed -n 's/^first-frame-epoch-ms=//p' "$out" | head -1)"
    rss_kib="$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")"
    kill "$pid"; wait "$pid" 2>/dev/null || true
    echo "$((frame_ms - start_ms)) $rss_kib"
}

for renderer in "" software; do
    label="${renderer:-default}"
    results=()
    for _ in $(seq 1 "$runs"); do results+=("$(measure "$renderer")"); done
    printf '%s\n' "${results[@]}" | sort -n | awk -v label="$label" '
        { frame[NR] = $1; rss[NR] = $2 }
        END {
            median = frame[int((NR + 1) / 2)]; max = frame[NR]; r = 0
            for (i = 1; i <= NR; i++) r += rss[i]
            printf "renderer=%s runs=%d first_frame_ms_median=%d first_frame_ms_max=%d rss_mib_at_5s=%.1f\n", label, NR, median, max, r / NR / 1024
        }'
done
