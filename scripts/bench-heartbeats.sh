#!/usr/bin/env bash
# Measures the reference backend's heartbeat path on SQLite: starts molvena-server on a free
# loopback port with a fresh data folder, registers simulated Macs and sends mac_device_status.php
# reports from them, then prints requests per second, p50/p99 latency and how many Macs one machine
# carries at one heartbeat per Mac every 300 s. Bounded in requests and time; stops by itself.
# Options go to the benchmark: --devices N --requests N --concurrency N --time-limit S.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"

if [ ! -x "$build/server/molvena-server" ] || [ ! -x "$build/server/molvena-heartbeat-bench" ]; then
    "$root/scripts/install-dependencies.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${MOLVENA_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target molvena-server molvena-heartbeat-bench >/dev/null

data="$(mktemp -d "${TMPDIR:-/tmp}/molvena-bench.XXXXXX")"
log="$data/server.log"
server_pid=""
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$data"
}
trap cleanup EXIT

# shellcheck source=scripts/start-server.sh
source "$root/scripts/start-server.sh"
start_molvena_server "$build/server/molvena-server" "$log" --data "$data/server" --behind-proxy

echo "molvena-server at $api_base (SQLite, WAL) — $(nproc) cores, $(uname -m)"
"$build/server/molvena-heartbeat-bench" --api-base "$api_base" "$@"
reports="$(sqlite3 "$data/server/molvena.sqlite" 'SELECT COUNT(*) FROM device_reports' 2>/dev/null || echo '?')"
echo "reports stored:         $reports"
