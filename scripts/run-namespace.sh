#!/usr/bin/env bash
# The local run's whole road with real DNS, started by run.sh inside a network, mount and process
# namespace of its own (unshare --map-current-user --keep-caps: the user's own uid, so the display's
# and D-Bus's path sockets still accept the app). Nothing here touches the machine's own DNS:
#   10.77.0.1   the ISP's resolver stand-in: answers every name; every name under the canary zone and
#               the gambling sites lead to 10.77.0.10
#   10.77.0.53  the protective resolver (Unbound, blocklist written by the backend), asking the
#               ISP stand-in for every name it does not block
#   10.77.0.2   the reference backend, api.molvena.test
#   10.77.0.10  nginx answering HTTPS for the canary and the gambling sites, with a certificate from
#               a local CA that only this namespace trusts
# /etc/resolv.conf starts at the ISP stand-in; the app's "Installer webbeskyttelse" runs
# molvena-dns-helper directly (pkexec cannot work in a user namespace) on a root folder of its own,
# whose etc/resolv.conf is the namespace's /etc/resolv.conf.
# Usage (run.sh does this): run-namespace.sh BUILD_DIR [app arguments...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$1"
shift
run="$root/.run/namespace"
data="$root/.run/server"
mkdir -p "$run" "$data"

ip link set lo up
for address in 10.77.0.1 10.77.0.2 10.77.0.10 10.77.0.53; do
    ip addr add "$address/32" dev lo
done

pids=()
stop_all() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap stop_all EXIT

# The sites' certificate from a CA of this run's own, trusted inside the namespace only.
tls="$run/tls"
sites=(canary.molvena.dk '*.canary.molvena.dk' www.danskespil.dk www.bet365.dk www.unibet.dk)
if [ ! -f "$tls/site.pem" ]; then
    mkdir -p "$tls"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 \
        -keyout "$tls/ca.key" -out "$tls/ca.pem" -subj "/CN=Molvena local run CA" >/dev/null 2>&1
    san="$(printf 'DNS:%s,' "${sites[@]}")"
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$tls/site.key" \
        -out "$tls/site.csr" -subj "/CN=canary.molvena.dk" >/dev/null 2>&1
    openssl x509 -req -in "$tls/site.csr" -CA "$tls/ca.pem" -CAkey "$tls/ca.key" -CAcreateserial \
        -days 3650 -out "$tls/site.pem" -extfile <(printf 'subjectAltName=%s' "${san%,}") >/dev/null 2>&1
fi
certs="$run/certs"
rm -rf "$certs"
cp -a /etc/ssl/certs "$certs"
cp "$tls/ca.pem" "$certs/molvena-local-run.pem"
ln -sf molvena-local-run.pem "$certs/$(openssl x509 -hash -noout -in "$tls/ca.pem").0"
cat "$tls/ca.pem" >>"$certs/ca-certificates.crt"
mount --bind "$certs" /etc/ssl/certs

# HTTPS stand-ins: every request gets a reply (a probe counts any status as reachable).
nginx_dir="$run/nginx"
mkdir -p "$nginx_dir"
cat >"$nginx_dir/nginx.conf" <<CONF
worker_processes 1;
$([ "$(id -u)" -eq 0 ] && echo "user root root;") # root's workers as root: no other user is mapped here
pid $nginx_dir/nginx.pid;
error_log $nginx_dir/error.log;
events {}
http {
    access_log $nginx_dir/access.log;
    client_body_temp_path $nginx_dir; proxy_temp_path $nginx_dir; fastcgi_temp_path $nginx_dir;
    uwsgi_temp_path $nginx_dir; scgi_temp_path $nginx_dir;
    server {
        listen 10.77.0.10:443 ssl;
        listen 10.77.0.10:80;
        server_name _;
        ssl_certificate $tls/site.pem;
        ssl_certificate_key $tls/site.key;
        location / { return 200 "Stand-in for a site the protective resolver blocks.\n"; }
    }
}
CONF
nginx -e "$nginx_dir/error.log" -c "$nginx_dir/nginx.conf" -g 'daemon off;' &
pids+=($!)

# The ISP's resolver: every name resolves, the canary zone with every label under it too.
isp="$run/isp"
mkdir -p "$isp"
cat >"$isp/unbound.conf" <<CONF
server:
  interface: 10.77.0.1@53
  do-daemonize: no
  username: ""
  chroot: ""
  directory: "$isp"
  pidfile: ""
  use-syslog: no
  logfile: "$isp/unbound.log"
  access-control: 10.0.0.0/8 allow
  access-control: 127.0.0.0/8 allow
  local-zone: "." redirect
  local-data: ". 60 IN A 10.77.0.10"
  local-zone: "canary.molvena.dk." redirect
  local-data: "canary.molvena.dk. 60 IN A 10.77.0.10"
  local-zone: "api.molvena.test." static
  local-data: "api.molvena.test. 60 IN A 10.77.0.2"
CONF
unbound -d -c "$isp/unbound.conf" &
pids+=($!)

# The protective resolver: blocked names NXDOMAIN, everything else from the ISP's resolver.
resolver_host="dns.molvena.test"
# shellcheck source=scripts/start-resolver.sh
source "$root/scripts/start-resolver.sh"
start_protective_resolver "$root/.run/resolver-namespace" 10.77.0.53 \
    "server:
  local-zone: \"api.molvena.test.\" static
  local-data: \"api.molvena.test. 60 IN A 10.77.0.2\"
forward-zone:
  name: \".\"
  forward-addr: 10.77.0.1"
pids+=("$resolver_pid")

# The helper's root folder: its own resolver file, and etc/resolv.conf as the namespace's own.
helper_root="$run/helper-root"
rm -rf "$helper_root"
# shellcheck source=/dev/null
source "$build/src/platform/linux/dnshelper/paths.sh" # helper_resolver_file, where this build reads it
mkdir -p "$helper_root$(dirname "$helper_resolver_file")" "$helper_root/etc"
printf 'address = 10.77.0.53\ntls-name = %s\n' "$resolver_host" >"$helper_root$helper_resolver_file"
chmod 644 "$helper_root$helper_resolver_file"
printf '# The ISP stand-in of the local run\nnameserver 10.77.0.1\noptions timeout:1 attempts:2\n' \
    >"$helper_root/etc/resolv.conf"
# A mount point of its own, so the helper rewrites it in place and /etc/resolv.conf sees the change.
mount --bind "$helper_root/etc/resolv.conf" "$helper_root/etc/resolv.conf"
mount --bind "$helper_root/etc/resolv.conf" /etc/resolv.conf

log="$data/server.log"
# shellcheck source=scripts/start-server.sh
source "$root/scripts/start-server.sh"
start_molvena_server "$build/server/molvena-server" "$log" --data "$data" --resolver-host "$resolver_host" \
    "${resolver_server_options[@]}" --log-requests --listen 10.77.0.2
pids+=("$server_pid")
api_base="${api_base/10.77.0.2/api.molvena.test}"

export MOLVENA_API_BASE="$api_base"
export MOLVENA_BLOCK_PROXY="${api_base%/api/}/shield_blocked"
export MOLVENA_RESOLVER_HOST="$resolver_host"
export MOLVENA_CANARY_URL="https://canary.molvena.dk/"
export MOLVENA_PROBE_URLS="https://www.danskespil.dk/,https://www.bet365.dk/,https://www.unibet.dk/"
export MOLVENA_DNS_HELPER_COMMAND="$build/src/platform/linux/dnshelper/molvena-dns-helper --root $helper_root"

echo "Web protection: real DNS in this run's own network namespace; the machine's DNS is untouched."
echo "Reference backend: $api_base (data and outbox in ${data#"$root"/})"
echo "Name server now: the ISP stand-in 10.77.0.1 (unprotected). \"Installer webbeskyttelse\" points"
echo "  the namespace's /etc/resolv.conf at the protective resolver $resolver_dns (DoT :853, DoH $resolver_doh)."
if [ "${MOLVENA_RUN_NO_APP:-0}" = "1" ]; then
    # For scripts and checks: a shell in the namespace instead of the app.
    "${SHELL:-bash}"
else
    "$build/src/app/molvena" "$@"
fi
