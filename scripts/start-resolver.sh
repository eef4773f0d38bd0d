# Sourced by the scripts that run the protective resolver beside a local reference backend.
# start_protective_resolver FOLDER [ADDRESS [EXTRA]]
# Starts Unbound in the foreground of a background job, on loopback, with its configuration, key,
# certificate and blocklist file in FOLDER: plain DNS on a free UDP/TCP port and DNS-over-HTTPS
# (path /dns-query, self-signed certificate) on the next one. With ADDRESS (the local run's own
# network namespace) it answers there as a deployment does: plain DNS on port 53, DNS over TLS on
# 853 and DNS-over-HTTPS on 443, with EXTRA (clauses such as a forward-zone) at the end of its configuration. Sets resolver_pid, resolver_dns
# (address@port), resolver_doh (the DoH URL) and resolver_server_options: the molvena-server
# options that make the backend write the blocklist file and reload this resolver after an import.
# The caller stops it (kill "$resolver_pid").
start_protective_resolver() {
    local folder="$1" address="${2:-}" extra="${3:-}" port listen
    mkdir -p "$folder"
    folder="$(cd "$folder" && pwd)"
    port=$((30000 + RANDOM % 20000))
    listen="  interface: 127.0.0.1@$port
  interface: 127.0.0.1@$((port + 1))
  https-port: $((port + 1))"
    if [ -n "$address" ]; then
        listen="  interface: $address@53
  interface: $address@443
  interface: $address@853
  https-port: 443
  tls-port: 853"
    fi
    if [ ! -f "$folder/key.pem" ]; then
        openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 \
            -keyout "$folder/key.pem" -out "$folder/certificate.pem" -subj "/CN=localhost" \
            -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" >/dev/null 2>&1
    fi
    [ -f "$folder/blocklist.conf" ] || printf 'server:\n' >"$folder/blocklist.conf"
    cat >"$folder/unbound.conf" <<EOF
server:
$listen
  tls-service-key: "$folder/key.pem"
  tls-service-pem: "$folder/certificate.pem"
  do-daemonize: no
  username: ""
  chroot: ""
  directory: "$folder"
  pidfile: ""
  use-syslog: no
  logfile: "$folder/unbound.log"
  access-control: 127.0.0.0/8 allow
  access-control: 10.0.0.0/8 allow
  include: "$folder/blocklist.conf"
remote-control:
  control-enable: yes
  control-interface: "$folder/control.socket"
$extra
EOF
    unbound -d -c "$folder/unbound.conf" &
    resolver_pid=$!
    resolver_dns="127.0.0.1@$port"
    resolver_doh="https://127.0.0.1:$((port + 1))/dns-query"
    if [ -n "$address" ]; then
        resolver_dns="$address@53"
        resolver_doh="https://$address/dns-query"
    fi
    resolver_server_options=(--resolver-config "$folder/blocklist.conf"
        --resolver-reload "unbound-control -c $folder/unbound.conf reload")
    for _ in $(seq 1 100); do
        [ -S "$folder/control.socket" ] && return 0
        kill -0 "$resolver_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "Unbound did not start; its log:" >&2
    cat "$folder/unbound.log" >&2 2>/dev/null || true
    return 1
}
