#!/usr/bin/env bash
# The relatives' web overview as a phone meets it: nginx with TLS in front of one molvena-server on
# SQLite (deploy/local.sh), a relative signed in from the confirmation mail. Prints
#   - the page weight of GET /oversigt/ with its stylesheet and script: bytes as served, as sent
#     with Accept-Encoding: gzip, and gzip -9'd,
#   - time to first byte over N requests (median, min, max): on a fresh TLS connection each, and
#     the server's part after the handshake,
#   - requests per second with wrk (C connections for D seconds) for /oversigt/ with the session,
#     and for the sign-in page, /api/count.php and the overview directly at the server in the same
#     run, for the ratios (nginx's per-address pace for pages lifted, as wrk is one address),
#   - axe-core's result (WCAG 2.x A/AA) on the overview in Chromium at 360 and 1280 px.
# Usage: scripts/measure-web-overview.sh [requests, default 50] [wrk seconds, default 10] [connections, default 16]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
requests="${1:-50}" seconds="${2:-10}" connections="${3:-16}"
if [ ! -x "$build/server/molvena-server" ]; then
    "$root/scripts/install-dependencies.sh"
    cmake -S "$root" -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target molvena-server >/dev/null
# shellcheck source=tests/web/npm-tools.sh
source "$root/tests/web/npm-tools.sh"
install_npm_tools

data="$(mktemp -d "${TMPDIR:-/tmp}/molvena-web-measure.XXXXXX")"
# shellcheck source=deploy/local.sh
source "$root/deploy/local.sh"
trap 'stop_front_end; rm -rf "$data"' EXIT
port=$((20000 + RANDOM % 20000))
start_front_end "$build/server/molvena-server" "$data" "$port" 1
origin="https://127.0.0.1:$port"
mkdir -p "$data/chromium"
export MOLVENA_WEB_ORIGIN="$origin" MOLVENA_WEB_CERT="$front_end_runtime/tls.crt" MOLVENA_WEB_DATA="$data/server" \
    MOLVENA_WEB_SPKI="$(spki_hash "$front_end_runtime/tls.crt")" MOLVENA_WEB_PROFILE="$data/chromium" \
    MOLVENA_WEB_COOKIE="$data/cookie" MOLVENA_WEB_TOOLS="$root/tests/web"
echo "front end: $origin/oversigt/ (nginx, TLS) -> 1 molvena-server on SQLite; $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"

# Sign in as the relative (the session cookie goes to a file), then axe on the overview.
echo
echo "== axe-core (wcag2a, wcag2aa, wcag21aa, wcag22aa) on the overview in Chromium"
node --input-type=module -e '
const tools = process.env.MOLVENA_WEB_TOOLS;
const { origin, request, pairedRelative } = await import(`${tools}/backend.mjs`);
const { launchChromium, axeViolations, widths } = await import(`${tools}/browser.mjs`);
const { signIn } = await pairedRelative();
const signedIn = await request("POST", "/oversigt/log-ind", { token: new URL(signIn).searchParams.get("token") }, { origin });
const cookie = (signedIn.headers["set-cookie"] || [""])[0].split(";")[0];
(await import("node:fs")).writeFileSync(process.env.MOLVENA_WEB_COOKIE, cookie);
const browser = await launchChromium(process.env.MOLVENA_WEB_SPKI, process.env.MOLVENA_WEB_PROFILE);
const page = await browser.newPage();
const [name, ...value] = cookie.split("=");
await page.setCookie({ name, value: value.join("="), url: `${origin}/oversigt/` });
await page.goto(`${origin}/oversigt/`);
for (const width of widths) {
    await page.setViewport({ width, height: 780 });
    const violations = await axeViolations(page);
    console.log(`  ${width} px: ${violations.length} violations${violations.map((v) => `\n    ${v}`).join("")}`);
}
await browser.close();
'
cookie="Cookie: $(cat "$data/cookie")"

echo
echo "== page weight of /oversigt/ with a session (bytes)"
curl -ks -H "$cookie" "$origin/oversigt/" -o "$data/page.html"
grep -q 'id="spiller"' "$data/page.html" || { echo "the session did not open the overview" >&2; exit 1; }
assets=("/oversigt/" $(grep -oE '(href|src)="/oversigt/[^"]+\.(css|js)[^"]*"' "$data/page.html" | cut -d'"' -f2 | sort -u))
total=(0 0 0)
printf "  %-34s %9s %9s %9s\n" resource served "gzip sent" "gzip -9"
for asset in "${assets[@]}"; do
    curl -ks -H "$cookie" "$origin$asset" -o "$data/asset"
    served=$(wc -c <"$data/asset")
    sent=$(curl -ks -H "$cookie" -H "Accept-Encoding: gzip" -o /dev/null -w '%{size_download}' "$origin$asset")
    packed=$(gzip -9c "$data/asset" | wc -c)
    printf "  %-34s %9d %9d %9d\n" "$asset" "$served" "$sent" "$packed"
    total=($((total[0] + served)) $((total[1] + sent)) $((total[2] + packed)))
done
printf "  %-34s %9d %9d %9d\n" "total" "${total[@]}"

echo
echo "== time to first byte of /oversigt/ with a session, $requests requests, ms (median min max)"
stats() { sort -n | awk '{v[NR]=$1} END {printf "%.1f %.1f %.1f\n", v[int((NR+1)/2)], v[1], v[NR]}'; }
for _ in $(seq 1 "$requests"); do
    curl -ks -H "$cookie" -o /dev/null -w '%{time_appconnect} %{time_starttransfer}\n' "$origin/oversigt/"
done >"$data/times"
echo "  fresh TLS connection:     $(awk '{print $2 * 1000}' "$data/times" | stats)"
echo "  after the TLS handshake:  $(awk '{print ($2 - $1) * 1000}' "$data/times" | stats)"

echo
echo "== requests per second, wrk: $connections connections, 2 threads, $seconds s each"
echo "   (nginx's pace of 60 pages a minute per address is lifted here: wrk is one address)"
sed -i '/zone=molvena_web/d' "$front_end_runtime/nginx.conf"
nginx -p "$front_end_runtime" -c "$front_end_runtime/nginx.conf" -s reload 2>/dev/null
sleep 1
direct="${front_end_instances[0]%/api/}"
run_wrk() { # label, URL, [header]
    wrk -t2 -c"$connections" -d"${seconds}s" ${3:+-H "$3"} "$2" >"$data/wrk"
    printf "  %-44s %9s req/s, latency avg %s, non-2xx: %s\n" "$1" \
        "$(awk '/Requests\/sec/ {print $2}' "$data/wrk")" "$(awk '/Latency/ {print $2}' "$data/wrk")" \
        "$(awk '/Non-2xx/ {print $5}' "$data/wrk" | grep . || echo 0)"
}
run_wrk "/oversigt/ with the session" "$origin/oversigt/" "$cookie"
run_wrk "/oversigt/ without one (sign-in page)" "$origin/oversigt/"
run_wrk "/api/count.php" "$origin/api/count.php"
run_wrk "/oversigt/ with the session, at the server" "$direct/oversigt/" "$cookie"
