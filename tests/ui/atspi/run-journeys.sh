#!/usr/bin/env bash
# Runs the screen-reader journeys: the app on the xcb platform under Xvfb with Qt's accessibility
# always on, inside a private D-Bus session with its own AT-SPI bus, against the reference backend;
# journeys.py, a process of its own, drives it through that bus only.
#   run-journeys.sh APP SERVER_BINARY ARTIFACTS_DIR
# Re-executes itself inside dbus-run-session so nothing leaks to the caller's session bus.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
app="$1" server="$2" artifacts="$3"

if [ -z "${MOLVENA_JOURNEYS_IN_SESSION:-}" ]; then
    export MOLVENA_JOURNEYS_IN_SESSION=1
    exec dbus-run-session -- "$0" "$@"
fi

work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display number no other test holds: Xvfb picks it and reports it on a descriptor.
exec 5<> <(:)
Xvfb -displayfd 5 -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 display <&5
export DISPLAY=":$display"

# The accessibility bus, as a desktop session starts it.
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
pids+=($!)
sleep 1

root="$here/../../.."
# shellcheck source=scripts/start-server.sh
source "$root/scripts/start-server.sh"
start_molvena_server "$server" "$work/server.log" --data "$work/server"
pids+=("$server_pid")
# No refused connection counts as blocked: the gambling names must not exist. Names under .invalid
# never do, and the backend goes by a name that resolves (localhost), which is the check's proof
# that name resolution works at all.
api_by_name="${api_base/127.0.0.1/localhost}"

# The player's app, run from the home's own programs folder, where it counts as installed and may
# start itself at login.
home="$work/player"
mkdir -p "$home/.local/bin"
cp "$app" "$home/.local/bin/molvena"
env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
    MOLVENA_API_BASE="$api_by_name" MOLVENA_BLOCK_PROXY="${api_by_name%/api/}/shield_blocked" \
    MOLVENA_CANARY_URL="http://canary.molvena.invalid/" \
    MOLVENA_PROBE_URLS="http://www.danskespil.invalid/,http://www.bet365.invalid/,http://www.unibet.invalid/" \
    "$home/.local/bin/molvena" >"$artifacts/atspi-player.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")

/usr/bin/python3 "$here/journeys.py" player_onboarding "$app_pid"
