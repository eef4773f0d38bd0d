#!/usr/bin/env bash
# A local deployment of the Molvena backend as it meets the internet: nginx with TLS in front
# (a self-signed certificate made at first start), N reference servers behind it on loopback
# sharing one data folder, and the protective resolver when its deployment is present.
#
#   deploy/local.sh [--port 8443] [--instances 1] [--data .run/deploy]
#
# Runs until Ctrl-C, then stops everything it started. Other scripts source this file and call
# start_front_end / stop_front_end themselves.
set -euo pipefail
trap "exit 130" INT TERM

front_end_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
front_end_pids=()
front_end_instances=() # the API base of each server instance, behind nginx

# start_front_end SERVER_BINARY DATA_FOLDER PORT INSTANCES [SERVER_OPTIONS...]
# Sets front_end_url (https://127.0.0.1:PORT/api/), front_end_runtime, front_end_instances and
# front_end_nginx_pid.
start_front_end() {
    local binary="$1" data="$2" port="$3" instances="$4"
    front_end_runtime="$data/front-end"
    mkdir -p "$front_end_runtime"/{body,proxy,fastcgi,uwsgi,scgi}
    # nginx's workers (another user) reach the TLS part's socket in the runtime folder.
    chmod o+x "$data" "$front_end_runtime"
    local certificate="$front_end_runtime/tls.crt" key="$front_end_runtime/tls.key"
    if [ ! -s "$certificate" ]; then
        openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=localhost" \
            -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" \
            -keyout "$key" -out "$certificate" 2>/dev/null
        chmod 600 "$key"
    fi

    # shellcheck source=scripts/start-server.sh
    source "$front_end_root/scripts/start-server.sh"
    local upstreams="" instance
    for instance in $(seq 1 "$instances"); do
        start_molvena_server "$binary" "$front_end_runtime/server-$instance.log" --data "$data/server" \
            --behind-proxy --public-url "https://127.0.0.1:$port/api/" "${@:5}"
        front_end_pids+=("$server_pid")
        front_end_instances+=("$api_base")
        upstreams+="        server ${api_base#http://}"
        upstreams="${upstreams%/api/}; # instance $instance"$'\n'
    done

    # Resolver hook: the protective resolver's deployment (deploy/unbound/) provides
    # deploy/unbound/local.sh with start_resolver DATA_FOLDER; it is started beside the servers.
    if [ -f "$front_end_root/deploy/unbound/local.sh" ]; then
        # shellcheck source=/dev/null
        source "$front_end_root/deploy/unbound/local.sh"
        start_resolver "$data"
    fi

    sed -e "s|@WORKERS@|${MOLVENA_NGINX_WORKERS:-1}|" -e "s|@RUNTIME@|$front_end_runtime|g" \
        -e "s|@LISTEN@|127.0.0.1:$port|" -e "s|@CERTIFICATE@|$certificate|" \
        -e "s|@CERTIFICATE_KEY@|$key|" \
        -e "/@UPSTREAM_SERVERS@/{r /dev/stdin" -e "d}" \
        "$front_end_root/deploy/nginx/molvena.conf.in" <<<"$upstreams" >"$front_end_runtime/nginx.conf"
    nginx -p "$front_end_runtime" -c "$front_end_runtime/nginx.conf" -g "daemon off;" \
        2>>"$front_end_runtime/error.log" &
    front_end_nginx_pid=$!
    front_end_pids+=("$front_end_nginx_pid")
    local attempt
    for attempt in $(seq 1 50); do
        if curl -ks -o /dev/null "https://127.0.0.1:$port/api/count.php" 2>/dev/null; then
            front_end_url="https://127.0.0.1:$port/api/"
            return 0
        fi
        sleep 0.1
    done
    echo "nginx did not start; see $front_end_runtime/error.log" >&2
    return 1
}

stop_front_end() {
    local pid
    for pid in "${front_end_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    front_end_pids=()
front_end_instances=() # the API base of each server instance, behind nginx
    if declare -F stop_resolver >/dev/null; then
        stop_resolver
    fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    port=8443 instances=1 data="$front_end_root/.run/deploy"
    while [ $# -gt 0 ]; do
        case "$1" in
            --port) port="$2"; shift 2 ;;
            --instances) instances="$2"; shift 2 ;;
            --data) data="$2"; shift 2 ;;
            *) echo "usage: deploy/local.sh [--port N] [--instances N] [--data FOLDER]" >&2; exit 2 ;;
        esac
    done
    build="${MOLVENA_BUILD_DIR:-$front_end_root/build}"
    if [ ! -x "$build/server/molvena-server" ]; then
        "$front_end_root/scripts/install-dependencies.sh"
        cmake -S "$front_end_root" -B "$build" -G Ninja >/dev/null
    fi
    cmake --build "$build" --target molvena-server >/dev/null
    trap stop_front_end EXIT
    start_front_end "$build/server/molvena-server" "$data" "$port" "$instances"
    echo "Molvena backend at $front_end_url ($instances server instance(s) behind nginx; Ctrl-C stops)"
    echo "Relatives' web overview at ${front_end_url%/api/}/oversigt/"
    wait
fi
