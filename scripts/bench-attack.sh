#!/usr/bin/env bash
# What an attacker gets from the deployed backend: starts nginx (TLS) in front of two reference
# servers on loopback (deploy/local.sh) and prints
#   - status reports per second and p99 through nginx,
#   - the memory of nginx and the servers while eight clients upload 50 MiB each,
#   - status reports per second and p99 directly at one instance, in the same run,
#   - how long listing the pairing codes in use would take from 300 IPv4 addresses, one /24 and one
#     IPv6 /48, computed from the configured budgets and checked with a short bounded run,
#   - the median time of a recovery request for an existing and for an unknown address.
# Every loop is bounded; everything started is stopped at the end.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
if [ ! -x "$build/server/molvena-server" ] || [ ! -x "$build/server/molvena-heartbeat-bench" ]; then
    "$root/scripts/install-dependencies.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${MOLVENA_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target molvena-server molvena-heartbeat-bench >/dev/null

data="$(mktemp -d "${TMPDIR:-/tmp}/molvena-attack.XXXXXX")"
# shellcheck source=deploy/local.sh
source "$root/deploy/local.sh"
cleanup() {
    stop_front_end
    rm -rf "$data"
}
trap cleanup EXIT
port=$((20000 + RANDOM % 20000))
start_front_end "$build/server/molvena-server" "$data" "$port" 2
direct="${front_end_instances[0]}"
limit() { sed -n "s/.*constexpr Window $1{\([0-9]*\), \([a-z0-9 *]*\)}.*/\1/p" "$root/server/AbuseLimits.h"; }
echo "front end: $front_end_url (nginx, TLS) -> 2 molvena-server instances on SQLite; $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"

echo
echo "== status reports through nginx, then directly at one instance (same run, 500 new Macs each)"
for target in "$front_end_url" "$direct"; do
    echo "  -> $target"
    "$build/server/molvena-heartbeat-bench" --api-base "$target" --register-api-base "$direct" \
        --devices 500 --requests 10000 --concurrency 24 --time-limit 30 | grep -E "throughput|latency|sent|status" | sed 's/^/     /' || true
done

echo
echo "== memory while eight clients upload 50 MiB each (peak resident set, MiB)"
rss() { # total resident set of the given processes and their children, in KiB
    local total=0 pid
    for pid in "$@" $(pgrep -P "$front_end_nginx_pid" || true); do
        total=$((total + $(awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)))
    done
    echo "$total"
}
head -c $((50 * 1024 * 1024)) /dev/zero >"$data/upload"
for target in "$front_end_url" "$direct"; do
    before=$(rss "${front_end_pids[@]}")
    peak=$before
    uploads=()
    for i in 1 2 3 4 5 6 7 8; do
        curl -ks -o /dev/null --max-time 20 -H "Content-Type: application/x-www-form-urlencoded" \
            --data-binary @"$data/upload" "${target}pairing.php" &
        uploads+=("$!")
    done
    for _ in $(seq 1 80); do
        now=$(rss "${front_end_pids[@]}")
        [ "$now" -gt "$peak" ] && peak=$now
        running=0
        for pid in "${uploads[@]}"; do kill -0 "$pid" 2>/dev/null && running=1; done
        [ "$running" = 0 ] && break
        sleep 0.25
    done
    wait "${uploads[@]}" 2>/dev/null || true
    printf "  uploads to %-36s nginx + servers: %d MiB before, %d MiB at peak\n" "$target" \
        $((before / 1024)) $((peak / 1024))
done

echo
answered() { # address, count, url, body: how many answers were not refusals of the rate limit
    local ok=0 i
    for i in $(seq 1 "$2"); do
        status=$(curl -ks -o /dev/null -w '%{http_code}' --interface "$1" \
            -H "Content-Type: application/x-www-form-urlencoded" --data "$4" "$3")
        [ "$status" = 200 ] && ok=$((ok + 1))
    done
    echo "$ok"
}
echo
echo "== listing the pairing codes in use (every one of the 1,000,000 codes must be tried)"
# Each answer to a link or a registration tells whether a code is in use; both have a budget per
# address and network: burst B, then D a day. The attacker's best case is addresses in as many
# networks as possible.
probe_budget() { # network field (1 address, 2 /24, 3 /64, 4 /56, 5 /48): "burst per-seconds"
    sed -n '/codeProbes{/,/};/p' "$root/server/AbuseLimits.h" | tr -d '\n ' |
        sed -e 's/.*codeProbes{\(.*\)};.*/\1/' -e 's/minute/60/g; s/hour/3600/g; s/day/86400/g' |
        tr -d '{' | tr '}' '\n' | sed 's/^,//' | sed -n "${1}p" |
        awk -F, '{ n = split($2, f, "*"); s = 1; for (i = 1; i <= n; i++) s *= f[i]; printf "%d %d", $1, s }'
}
days_for() { # networks, burst, seconds of one bucket; two such budgets (links, registrations)
    awk -v n="$1" -v b="$2" -v w="$3" 'BEGIN {
        per_day = 2 * n * b * 86400 / w; burst = 2 * n * b
        printf "%.0f probes at once, then %.0f a day: %.1f days", burst, per_day, (1000000 - burst) / per_day }'
}
read -r b1 w1 <<<"$(probe_budget 1)"; read -r b24 w24 <<<"$(probe_budget 2)"; read -r b48 w48 <<<"$(probe_budget 5)"
echo "  300 IPv4 addresses, each in its own /24: $(days_for 300 "$b1" "$w1")"
echo "  300 IPv4 addresses in one /24:           $(days_for 1 "$b24" "$w24")"
echo "  one IPv6 /48 (any number of addresses):  $(days_for 1 "$b48" "$w48")"

echo "== checked with a short run directly at one instance (client addresses by X-Real-IP)"
answered_from() { # address, count, endpoint, body: answers that were not refusals of a limit
    local args=() i
    for i in $(seq 1 "$2"); do
        [ "$i" -gt 1 ] && args+=(--next)
        args+=(-s -o /dev/null -w '%{http_code}\n' -H "X-Real-IP: $1" --data "$4" "${direct}$3")
    done
    curl "${args[@]}" | grep -c '^200$' || true
}
started=$(date +%s.%N)
total=0
for a in $(seq 1 300); do
    total=$((total + $(answered_from "10.$((a / 250)).$((a % 250)).9" 12 pairing.php "action=link&code=123123&email=a%40b.dk")))
done
elapsed=$(awk "BEGIN {print $(date +%s.%N) - $started}")
echo "  300 addresses in 300 /24s, 12 links each: $total answered (budget $((300 * b1))) in ${elapsed%.*} s"
one24=0
for a in $(seq 1 100); do
    one24=$((one24 + $(answered_from "10.200.7.$a" 3 pairing.php "action=link&code=123123&email=a%40b.dk")))
done
echo "  100 addresses of one /24, 3 links each: $one24 answered (budget $b24)"
one48=0
for a in $(seq 1 100); do
    one48=$((one48 + $(answered_from "2001:db8:42:$(printf %x $((a * 256)))::$a" 3 pairing.php "action=link&code=123123&email=a%40b.dk")))
done
echo "  100 addresses of one /48 (each in its own /56), 3 links each: $one48 answered (budget $b48)"
echo "  recovery requests answered from 127.0.0.3 through nginx (20 tried): $(answered 127.0.0.3 20 "${front_end_url}recovery_request.php" "email=x%40b.dk&role=player")"

echo
echo "== recovery request time, existing against unknown address (100 each, directly at one instance)"
for i in $(seq 1 100); do
    token="mac-$(cat /proc/sys/kernel/random/uuid)"
    curl -s -o /dev/null -H "X-Real-IP: 10.1.$i.1" --data "action=register&device_token=$token&pairing_code=$((500000 + i))&name=T&master_pin=1234&email=t$i%40example.dk" "${direct}pairing.php"
done
# Recovery reaches only confirmed addresses: press each confirmation mail's button.
sleep 1
grep -ho 'token=[0-9a-f]\{48\}' "$data"/server/outbox/*player_confirmation.eml | while read -r confirm; do
    curl -s -o /dev/null --data "$confirm" "${direct}confirm_email.php"
done
median_of() { sort -n | awk '{v[NR]=$1} END {printf "%.2f", v[int((NR+1)/2)] * 1000}'; }
: >"$data/known"; : >"$data/unknown"
for i in $(seq 1 100); do
    curl -s -o /dev/null -w '%{time_total}\n' -H "X-Real-IP: 10.2.$i.1" --data "email=t$i%40example.dk&role=player" "${direct}recovery_request.php" >>"$data/known"
    curl -s -o /dev/null -w '%{time_total}\n' -H "X-Real-IP: 10.3.$i.1" --data "email=u$i%40example.dk&role=player" "${direct}recovery_request.php" >>"$data/unknown"
done
known=$(median_of <"$data/known") unknown=$(median_of <"$data/unknown")
echo "  median: existing $known ms, unknown $unknown ms, difference $(awk "BEGIN {printf \"%.2f\", $known - $unknown}") ms"
echo "  codes mailed: $(ls "$data"/server/outbox/*recovery_code* | wc -l)"
