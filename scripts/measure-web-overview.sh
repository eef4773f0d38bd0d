#!/usr/bin/env bash
# The relatives' web overview as deployed: starts nginx (TLS) in front of one reference server
# (deploy/local.sh), makes a player with a protected Mac and events and a relative who signs in with
# the link from the confirmation mail, then prints
#   - the weight of the overview page, its stylesheet and script (bytes as sent),
#   - the time to first byte of the overview through nginx (new TLS connection each; median and p90
#     of 50, with and without the handshake),
#   - requests per second for the overview through nginx and directly at the server (wrk, 10 s
#     each, same run). One machine is one client address, so for this the per-address request rate
#     of /oversigt/ in the running nginx is lifted; everything else is the checked-in configuration.
# Everything started is stopped at the end.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
if [ ! -x "$build/server/molvena-server" ]; then
    "$root/scripts/install-dependencies.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${MOLVENA_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target molvena-server >/dev/null
command -v wrk >/dev/null || { echo "wrk is not installed (scripts/install-dependencies.sh installs it)" >&2; exit 1; }

data="$(mktemp -d "${TMPDIR:-/tmp}/molvena-web.XXXXXX")"
# shellcheck source=deploy/local.sh
source "$root/deploy/local.sh"
cleanup() {
    stop_front_end
    rm -rf "$data"
}
trap cleanup EXIT
port=$((20000 + RANDOM % 20000))
start_front_end "$build/server/molvena-server" "$data" "$port" 1
origin="https://127.0.0.1:$port"
direct="${front_end_instances[0]%/api/}"
echo "front end: $origin (nginx, TLS) -> 1 molvena-server on SQLite; $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"

api() { curl -ks --fail-with-body "$front_end_url$1" "${@:2}"; }
mac="mac-$(cat /proc/sys/kernel/random/uuid)"
api pairing.php -d action=register -d "device_token=$mac" -d pairing_code=482917 -d name=Mikkel \
    -d push_token= -d master_pin=1234 -d support_contacts= -d email=mikkel@example.dk -d country=DK >/dev/null
api save_player_profile.php -d "device_token=$mac" -d "last_gambling_date=$(($(date +%s) - 40 * 86400))" \
    -d location_type=online -d game_types=casino -d monthly_spend_dkk=2500 >/dev/null
api mac_device_status.php -d "device_token=$mac" -d active=1 -d filter_active=1 -d launch_at_login=1 \
    -d dns_active=1 -d vpn_active=0 -d heartbeat=0 -d source=app_start -d platform=macos >/dev/null
api pairing.php -d action=link -d code=482917 -d email=mor@example.dk -d platform=macos -d country=DK >/dev/null
outbox="$data/server/outbox"
for _ in $(seq 1 50); do
    mail="$(grep -l "mor@example.dk" "$outbox"/*relative_confirmation.eml 2>/dev/null | head -1 || true)"
    [ -n "$mail" ] && break
    sleep 0.1
done
token="$(grep -o '/oversigt/log-ind?token=[0-9a-f]*' "$mail" | head -1 | cut -d= -f2)"
cookie="$(curl -ks -o /dev/null -D - -H "Origin: $origin" -d "token=$token" "$origin/oversigt/log-ind" |
    sed -n 's/^Set-Cookie: \(molvena_oversigt=[0-9a-f]*\);.*/\1/p')"
[ -n "$cookie" ] || { echo "sign-in failed" >&2; exit 1; }

echo
echo "== page weight (bytes as sent, without compression)"
for path in /oversigt/ /oversigt/oversigt.css /oversigt/oversigt.js; do
    printf '  %-24s %6s\n' "$path" "$(curl -ks -o /dev/null -w '%{size_download}' -H "Cookie: $cookie" "$origin$path")"
done
printf '  %-24s %6s\n' "sign-in page" "$(curl -ks -o /dev/null -w '%{size_download}' "$origin/oversigt/")"

echo
echo "== time to first byte of the overview through nginx (50 new TLS connections, ms)"
for _ in $(seq 1 50); do
    curl -ks -o /dev/null -w '%{time_appconnect} %{time_starttransfer}\n' -H "Cookie: $cookie" "$origin/oversigt/"
done >"$data/ttfb"
percentiles() { # median and p90 of one column of numbers in seconds, as milliseconds
    sort -n | awk '{ v[NR] = $1 * 1000 } END { printf "median %.1f, p90 %.1f\n", v[int((NR + 1) / 2)], v[int(NR * 0.9)] }'
}
echo "  including the TLS handshake: $(awk '{ print $2 }' "$data/ttfb" | percentiles)"
echo "  after the handshake:         $(awk '{ print $2 - $1 }' "$data/ttfb" | percentiles)"

echo
echo "== requests per second for the overview (wrk, 2 threads, 16 connections, 10 s)"
sed -i 's|zone=molvena_web:10m rate=60r/m|zone=molvena_web:10m rate=100000r/s|' "$front_end_runtime/nginx.conf"
kill -HUP "$front_end_nginx_pid"
sleep 1
for target in "$origin" "$direct"; do
    echo "  -> $target/oversigt/"
    wrk -t2 -c16 -d10s -H "Cookie: $cookie" "$target/oversigt/" |
        grep -E "Requests/sec|Latency|Non-2xx" | sed 's/^/     /'
done
