# Sourced by the scripts that run the protective resolver beside a local reference backend.
# start_protective_resolver FOLDER
# Starts Unbound in the foreground of a background job, on loopback, with its configuration, key,
# certificate and blocklist file in FOLDER: plain DNS on a free UDP/TCP port and DNS-over-HTTPS
# (path /dns-query, self-signed certificate) on the next one. Sets resolver_pid, resolver_dns
# (address@port), resolver_doh (the DoH URL) and resolver_server_options: the molvena-server
# options that make the backend write the blocklist file and reload this resolver after an import.
# The caller stops it (kill "$resolver_pid").
start_protective_resolver() {
    local folder="$1" port
    mkdir -p "$folder"
    folder="$(cd "$folder" && pwd)"
    port=$((30000 + RANDOM % 20000))
    if [ ! -f "$folder/key.pem" ]; then
        openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 \
            -keyout "$folder/key.pem" -out "$folder/certificate.pem" -subj "/CN=localhost" \
            -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" >/dev/null 2>&1
    fi
    [ -f "$folder/blocklist.conf" ] || printf 'server:\n' >"$folder/blocklist.conf"
    cat >"$folder/unbound.conf" <<EOF
server:
  interface: 127.0.0.1@$port
  interface: 127.0.0.1@$((port + 1))
  https-port: $((port + 1))
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
  include: "$folder/blocklist.conf"
remote-control:
  control-enable: yes
  control-interface: "$folder/control.socket"
EOF
    unbound -d -c "$folder/unbound.conf" &
    resolver_pid=$!
    resolver_dns="127.0.0.1@$port"
    resolver_doh="https://127.0.0.1:$((port + 1))/dns-query"
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
