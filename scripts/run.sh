#!/usr/bin/env bash
# Runs the app against the local reference backend: installs what is missing, builds, starts the
# protective resolver (Unbound, configured by the backend from its blocklist) and molvena-server (data
# in .run/server, kept between runs; e-mails such as recovery codes land in .run/server/outbox),
# points the app at the backend and stops everything when the app exits.
#
# Where it can, it runs the whole road with real DNS in a network namespace of its own
# (scripts/run-namespace.sh): a new player starts unprotected behind a stand-in for the ISP's
# resolver, and "Installer webbeskyttelse" points that namespace's /etc/resolv.conf at the protective
# resolver. The machine's own DNS is never touched.
#
# Where no namespace can be made (or with MOLVENA_RUN_MODE=loopback) it says so and falls back to
# the loopback simulation: the canary and the gambling sites are names under .invalid, which never
# exist, while the backend goes by "localhost", which does, so the app counts them as blocked
# (protection active); MOLVENA_SIMULATE_UNPROTECTED=1 points the canary and the probe sites at the
# running server instead, which answers, so the app sees the protection as gone.
# Arguments are passed to the app.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
data="$root/.run/server"

"$root/scripts/build.sh"

namespace=(unshare --map-current-user --keep-caps --net --mount --pid --fork --mount-proc)
if [ "${MOLVENA_RUN_MODE:-namespace}" != "loopback" ]; then
    if "${namespace[@]}" true 2>/dev/null; then
        echo "Mode: network namespace, real DNS (web protection changes only the namespace's resolv.conf)."
        exec "${namespace[@]}" bash "$root/scripts/run-namespace.sh" "$build" "$@"
    fi
    echo "Could not make a network namespace here (unshare --map-current-user --net --mount failed;"
    echo "  user namespaces may be switched off). Falling back to the loopback simulation."
fi
echo "Mode: loopback simulation (web protection is simulated, not installed)."

mkdir -p "$data"
log="$data/server.log"
resolver_host="${MOLVENA_RESOLVER_HOST:-dns.molvena.dk}"
server_pid=""
resolver_pid=""
stop_server() {
    for pid in "$server_pid" "$resolver_pid"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
}
trap stop_server EXIT
# shellcheck source=scripts/start-resolver.sh
source "$root/scripts/start-resolver.sh"
start_protective_resolver "$root/.run/resolver"
# shellcheck source=scripts/start-server.sh
source "$root/scripts/start-server.sh"
start_molvena_server "$build/server/molvena-server" "$log" --data "$data" --resolver-host "$resolver_host" \
    "${resolver_server_options[@]}" --log-requests
server_root="${api_base%/api/}"

export MOLVENA_API_BASE="${api_base/127.0.0.1/localhost}"
export MOLVENA_BLOCK_PROXY="${MOLVENA_API_BASE%/api/}/shield_blocked"
export MOLVENA_RESOLVER_HOST="$resolver_host"
if [ "${MOLVENA_SIMULATE_UNPROTECTED:-0}" = "1" ]; then
    export MOLVENA_CANARY_URL="$server_root/"
    export MOLVENA_PROBE_URLS="$server_root/danskespil,$server_root/bet365,$server_root/unibet"
else
    export MOLVENA_CANARY_URL="http://canary.molvena.invalid/"
    export MOLVENA_PROBE_URLS="http://www.danskespil.invalid/,http://www.bet365.invalid/,http://www.unibet.invalid/"
fi

echo "Reference backend: $api_base (data and outbox in ${data#"$root"/})"
echo "Protective resolver: DNS $resolver_dns, DoH $resolver_doh (try: curl --doh-insecure --doh-url $resolver_doh https://bet365.dk)"
"$build/src/app/molvena" "$@"
