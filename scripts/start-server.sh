# Sourced by the scripts that need a running reference backend.
# start_molvena_server SERVER_BINARY LOG_FILE [server options...]
# Starts molvena-server on a free loopback port (another address: --listen ADDRESS among the options)
# and waits for its "listening" line; sets server_pid and api_base. The caller stops the server
# (kill "$server_pid").
start_molvena_server() {
    local binary="$1" log="$2"
    shift 2
    : >"$log"
    "$binary" --listen 127.0.0.1 --port 0 "$@" >>"$log" 2>&1 &
    server_pid=$!
    api_base=""
    for _ in $(seq 1 100); do
        api_base="$(sed -n 's/^molvena-server listening on \(http:[^ ]*\)$/\1/p' "$log")"
        [ -n "$api_base" ] && return 0
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "molvena-server did not start; its output:" >&2
    cat "$log" >&2
    return 1
}
