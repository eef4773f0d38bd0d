#!/usr/bin/env bash
# Runs overview.test.mjs against the deployment's front end: molvena-server behind nginx with TLS
# (deploy/local.sh, a fresh self-signed certificate), which Chromium trusts by the hash of the
# certificate's public key (--ignore-certificate-errors-spki-list), so no certificate store changes.
# Installs the npm tools from the committed lockfile when they are missing or stale.
#   tests/web/run-overview-test.sh SERVER_BINARY ARTIFACTS_FOLDER
# Exits 77 (skipped) when Chromium, Node.js or nginx is not installed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
server="$1" artifacts="$2"
for tool in chromium node npm nginx openssl; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-dependencies.sh)"; exit 77; }
done
# shellcheck source=tests/web/npm-tools.sh
source "$here/npm-tools.sh"
install_npm_tools

data="$(mktemp -d "${TMPDIR:-/tmp}/molvena-web.XXXXXX")"
# shellcheck source=deploy/local.sh
source "$here/../../deploy/local.sh"
trap 'stop_front_end; rm -rf "$data"' EXIT
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
for attempt in 1 2 3; do # a port another test took in the meantime: start afresh on another
    port=$(free_port)
    start_front_end "$server" "$data" "$port" 1 && break
    stop_front_end
    [ "$attempt" = 3 ] && { cat "$data/front-end/error.log" >&2; exit 1; }
    rm -rf "${data:?}"/* # nginx leaves its socket behind when it fails
done
# The checked-in front end, but for nginx's pace of pages per address (60 a minute, 30 at once):
# the test browser is one address with some 40 page requests in ten seconds.
sed -i 's|zone=molvena_web:10m rate=60r/m|zone=molvena_web:10m rate=20r/s|' "$front_end_runtime/nginx.conf"
grep -q 'rate=20r/s' "$front_end_runtime/nginx.conf" || { echo "nginx's page pace is no longer where this test expects it" >&2; exit 1; }
nginx -p "$front_end_runtime" -c "$front_end_runtime/nginx.conf" -s reload 2>/dev/null
sleep 0.5
mkdir -p "$data/chromium"
MOLVENA_WEB_ORIGIN="https://127.0.0.1:$port" MOLVENA_WEB_CERT="$front_end_runtime/tls.crt" \
    MOLVENA_WEB_SPKI="$(spki_hash "$front_end_runtime/tls.crt")" MOLVENA_WEB_DATA="$data/server" \
    MOLVENA_WEB_PROFILE="$data/chromium" MOLVENA_TEST_ARTIFACTS="$artifacts" \
    node "$here/overview.test.mjs"
