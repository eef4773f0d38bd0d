#!/usr/bin/env bash
# Figures of the protective resolver and the web-protection check, all on loopback or inside a
# network namespace this script makes (needs root for that part):
#   - importing 500,000 generated domains into the reference backend and writing Unbound's file,
#   - Unbound's start, reload and resident memory with that list,
#   - queries per second on loopback for blocked and for allowed names (bounded loops),
#   - one verification's time when everything is blocked, when everything resolves (the canary
#     zone's wildcard included), and when the name server never answers (bound: 12 s),
#   - the browser check's time per evaluation with a 15 MB Firefox prefs.js, on the calling thread
#     and on a worker, and how long the event loop is blocked meanwhile.
#   scripts/measure-web-protection.sh [domains]      (build folder: $MOLVENA_BUILD_DIR or build/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
count="${1:-500000}"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${MOLVENA_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target molvena-server web_protection_bench -- -j2 >/dev/null
server="$build/server/molvena-server"
bench="$build/bench/web_protection_bench"

work="$(mktemp -d)"
namespace="molvena-measure-$$"
unbound_pid=""
cleanup() {
    [ -n "$unbound_pid" ] && kill "$unbound_pid" 2>/dev/null && wait "$unbound_pid" 2>/dev/null
    ip netns del "$namespace" 2>/dev/null || true
    rm -rf "/etc/netns/$namespace" "$work"
}
trap cleanup EXIT
now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# $1: configuration file; $2: address; $3: port; $4: include file; further lines from stdin.
write_unbound_config() {
    {
        printf 'server:\n  interface: %s@%s\n  do-daemonize: no\n  username: ""\n  chroot: ""\n' "$2" "$3"
        printf '  directory: "%s"\n  pidfile: ""\n  use-syslog: no\n  logfile: "%s/unbound.log"\n' "$work" "$work"
        printf '  verbosity: 0\n  access-control: 0.0.0.0/0 allow\n  module-config: "iterator"\n'
        cat
        printf '  include: "%s"\nremote-control:\n  control-enable: yes\n' "$4"
        printf '  control-interface: "%s/control-%s.socket"\n' "$work" "$3"
    } >"$1"
}

# Waits until the resolver answers (one query), at most 120 s.
wait_for_resolver() {
    for _ in $(seq 1 1200); do
        "$bench" queries "$1" "$2" "probe.allowed.test" 1 >/dev/null 2>&1 && return 0
        kill -0 "$unbound_pid" 2>/dev/null || { cat "$work/unbound.log" >&2; return 1; }
        sleep 0.1
    done
    return 1
}

echo "== Blocklist of $count generated domains"
awk -v n="$count" 'BEGIN { for (i = 0; i < n; i++) printf "gamble-%d-casino.example\n", i }' >"$work/domains.txt"
start="$(now)"
"$server" --data "$work/server" --import-blocklist "$work/domains.txt" \
    --resolver-config "$work/blocklist.conf" | head -1
echo "import and resolver configuration: $(seconds "$start" "$(now)") s ($(du -h "$work/blocklist.conf" | cut -f1) file)"

port=$((20000 + $$ % 20000))
write_unbound_config "$work/loopback.conf" 127.0.0.1 "$port" "$work/blocklist.conf" <<'EOF'
  local-zone: "allowed.test." redirect
  local-data: "allowed.test. A 10.0.0.1"
EOF
start="$(now)"
unbound -d -c "$work/loopback.conf" &
unbound_pid=$!
wait_for_resolver 127.0.0.1 "$port"
echo "Unbound start with the list: $(seconds "$start" "$(now)") s"
echo "Unbound resident memory: $(awk '/VmRSS/ { printf "%.0f MiB", $2 / 1024 }' "/proc/$unbound_pid/status")"
start="$(now)"
unbound-control -c "$work/loopback.conf" reload >/dev/null
wait_for_resolver 127.0.0.1 "$port"
echo "Unbound reload with the list: $(seconds "$start" "$(now)") s"
printf 'blocked names: '
"$bench" queries 127.0.0.1 "$port" "gamble-%1-casino.example" 100000 || true
printf 'allowed names: '
"$bench" queries 127.0.0.1 "$port" "site-%1.allowed.test" 100000 || true
kill "$unbound_pid"
wait "$unbound_pid" 2>/dev/null || true
unbound_pid=""

echo "== Browser check"
"$bench" browsers 15

if [ "$(id -u)" -ne 0 ]; then
    echo "== Verification times need root (a network namespace); skipped."
    exit 0
fi
echo "== One verification (inside a network namespace)"
ip netns add "$namespace"
mkdir -p "/etc/netns/$namespace"
echo "nameserver 10.77.0.53" >"/etc/netns/$namespace/resolv.conf"
ip -n "$namespace" link set lo up
for address in 10.77.0.53 10.77.0.10 10.77.0.11 10.77.0.12 10.77.0.13; do
    ip -n "$namespace" addr add "$address/32" dev lo
done
names=(canary.molvena.test www.danskespil.test www.bet365.test www.unibet.test)
for mode in blocked resolves; do
    printf 'server:\n' >"$work/sites.conf"
    if [ "$mode" = blocked ]; then
        for name in "${names[@]}"; do printf 'local-zone: "%s." always_nxdomain\n' "$name"; done >>"$work/sites.conf"
    else
        # The canary zone's public wildcard: every name beneath it answers.
        printf 'local-zone: "canary.molvena.test." redirect\n' >>"$work/sites.conf"
    fi
    write_unbound_config "$work/namespace.conf" 10.77.0.53 53 "$work/sites.conf" <<'EOF'
  local-data: "api.molvena.test. A 10.77.0.2"
  local-data: "canary.molvena.test. A 10.77.0.10"
  local-data: "www.danskespil.test. A 10.77.0.11"
  local-data: "www.bet365.test. A 10.77.0.12"
  local-data: "www.unibet.test. A 10.77.0.13"
EOF
    ip netns exec "$namespace" unbound -d -c "$work/namespace.conf" &
    unbound_pid=$!
    sleep 0.5
    ip netns exec "$namespace" "$bench" verify 10.77.0.53 "$mode"
    kill "$unbound_pid"
    wait "$unbound_pid" 2>/dev/null || true
    unbound_pid=""
done
ip netns exec "$namespace" "$bench" verify 10.77.0.53 hangs
