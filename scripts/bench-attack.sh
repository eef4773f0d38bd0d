#!/usr/bin/env bash
# What an attacker gets from the deployed backend: starts nginx (TLS) in front of two reference
# servers on loopback (deploy/local.sh) and prints
#   - status reports per second and p99 through nginx,
#   - the memory of nginx and the servers while eight clients upload 50 MiB each,
#   - the attempts per hour at pairing codes and recovery codes from one and from 100 addresses,
#     computed from the configured limits and checked with a short bounded run (127.0.0.x),
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
echo "== status reports through nginx"
"$build/server/molvena-heartbeat-bench" --api-base "$front_end_url" --register-api-base "$direct" \
    --devices 500 --requests 10000 --concurrency 24 --time-limit 30 | grep -E "throughput|latency|sent|status" || true

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
echo "== attempts per hour (configured limits)"
links=$(limit linksPerAddress) failed=$(limit failedLinksOverall) codes=$(limit recoveryCodesPerEmail)
wrong=$(limit wrongRecoveryCodesPerAddress) guesses=$(sed -n 's/.*guessesPerRecoveryCode = \([0-9]*\);/\1/p' "$root/server/AbuseLimits.h")
echo "  pairing-code guesses, 1 address:    $links"
echo "  pairing-code guesses, 100 addresses: $((failed + 100)) (overall budget $failed, then one try per fresh address)"
echo "  recovery-code guesses at one account, 1 address:    $((codes * guesses < wrong ? codes * guesses : wrong))"
echo "  recovery-code guesses at one account, 100 addresses: $((codes * guesses)) ($codes codes an hour x $guesses guesses; a code works only from the address that asked)"

echo "== checked with a short run through nginx"
answered() { # address, count, url, body: how many answers were not refusals of the rate limit
    local ok=0 i
    for i in $(seq 1 "$2"); do
        status=$(curl -ks -o /dev/null -w '%{http_code}' --interface "$1" \
            -H "Content-Type: application/x-www-form-urlencoded" --data "$4" "$3")
        [ "$status" = 200 ] && ok=$((ok + 1))
    done
    echo "$ok"
}
echo "  pairing guesses answered from 127.0.0.2 (30 tried): $(answered 127.0.0.2 30 "${front_end_url}pairing.php" "action=link&code=123123&email=a%40b.dk")"
many=0
for a in $(seq 10 109); do
    many=$((many + $(answered "127.0.0.$a" 3 "${front_end_url}pairing.php" "action=link&code=321321&email=a%40b.dk")))
done
echo "  pairing guesses answered from 100 addresses (300 tried): $many"
echo "  recovery requests answered from 127.0.0.3 (20 tried): $(answered 127.0.0.3 20 "${front_end_url}recovery_request.php" "email=x%40b.dk&role=player")"

echo
echo "== recovery request time, existing against unknown address (100 each, directly at one instance)"
for i in $(seq 1 100); do
    token="mac-$(cat /proc/sys/kernel/random/uuid)"
    curl -s -o /dev/null -H "X-Real-IP: 10.1.0.$i" --data "action=register&device_token=$token&pairing_code=$((500000 + i))&name=T&master_pin=1234&email=t$i%40example.dk" "${direct}pairing.php"
done
median_of() { sort -n | awk '{v[NR]=$1} END {printf "%.2f", v[int((NR+1)/2)] * 1000}'; }
: >"$data/known"; : >"$data/unknown"
for i in $(seq 1 100); do
    curl -s -o /dev/null -w '%{time_total}\n' -H "X-Real-IP: 10.2.0.$i" --data "email=t$i%40example.dk&role=player" "${direct}recovery_request.php" >>"$data/known"
    curl -s -o /dev/null -w '%{time_total}\n' -H "X-Real-IP: 10.3.0.$i" --data "email=u$i%40example.dk&role=player" "${direct}recovery_request.php" >>"$data/unknown"
done
known=$(median_of <"$data/known") unknown=$(median_of <"$data/unknown")
echo "  median: existing $known ms, unknown $unknown ms, difference $(awk "BEGIN {printf \"%.2f\", $known - $unknown}") ms"
echo "  codes mailed: $(ls "$data/server/outbox" | wc -l)"
