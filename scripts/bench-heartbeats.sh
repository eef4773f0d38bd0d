#!/usr/bin/env bash
# Measures the reference backend's heartbeat path: registers simulated Macs and sends
# mac_device_status.php reports from them, against molvena-server on SQLite, then on PostgreSQL with
# one instance and with two instances sharing the database (the reports spread over both), all in
# the same run. Prints requests per second, p50/p99 latency, the ratios, and on PostgreSQL the
# round trips (statements, from pg_stat_statements) and transactions (pg_stat_database) per
# heartbeat. PostgreSQL is a throwaway cluster on 127.0.0.1 that flushes to disk as a real one does.
# Bounded in requests and time; stops by itself and leaves nothing running.
# Options go to the benchmark: --devices N --requests N --concurrency N --time-limit S.
# MOLVENA_BENCH_SQLITE_ONLY=1 skips PostgreSQL.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"

if [ ! -x "$build/server/molvena-server" ] || [ ! -x "$build/server/molvena-heartbeat-bench" ]; then
    "$root/scripts/install-dependencies.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${MOLVENA_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target molvena-server molvena-heartbeat-bench >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/molvena-bench.XXXXXX")"
server_pids=()
cleanup() {
    for pid in "${server_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    "$root/scripts/postgresql-cluster.sh" stop "$work/postgresql" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=scripts/start-server.sh
source "$root/scripts/start-server.sh"
bench="$build/server/molvena-heartbeat-bench"
head -c 32 /dev/urandom >"$work/recovery.key"

# run_bench LABEL [bench options]: runs the benchmark, prints its output, keeps throughput and p99.
declare -A throughput p99
run_bench() {
    local label="$1"
    shift
    local output
    output="$("$bench" "$@")"
    echo "$output"
    throughput[$label]="$(sed -n 's/^throughput: *\([0-9]*\).*/\1/p' <<<"$output")"
    p99[$label]="$(sed -n 's/.*p99 \([0-9.]*\) ms.*/\1/p' <<<"$output")"
}

echo "== SQLite (WAL, synchronous=NORMAL), one instance — $(nproc) cores, $(uname -m)"
start_molvena_server "$build/server/molvena-server" "$work/sqlite.log" --data "$work/sqlite" --behind-proxy
server_pids+=("$server_pid")
run_bench sqlite --api-base "$api_base" "$@"
echo "reports stored:         $(sqlite3 "$work/sqlite/molvena.sqlite" 'SELECT COUNT(*) FROM device_reports' 2>/dev/null || echo '?')"
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pids=()

if [ "${MOLVENA_BENCH_SQLITE_ONLY:-0}" = 1 ]; then
    exit 0
fi
"$root/scripts/postgresql-cluster.sh" start "$work/postgresql" --durable \
    -c shared_preload_libraries=pg_stat_statements -c shared_buffers=128MB
if [ ! -f "$work/postgresql/url" ]; then
    echo "PostgreSQL is not installed: only SQLite measured"
    exit 0
fi
url="$(cat "$work/postgresql/url")"
sql() { psql -X -q -t -A "${url}postgres" -c "$1"; }
sql "CREATE EXTENSION pg_stat_statements" >/dev/null

# postgresql_phase LABEL INSTANCES [bench options]
postgresql_phase() {
    local label="$1" instances="$2"
    shift 2
    local database="bench_$label" bases=() i
    sql "CREATE DATABASE $database" >/dev/null
    for i in $(seq 1 "$instances"); do
        start_molvena_server "$build/server/molvena-server" "$work/$label-$i.log" --data "$work/$label-$i" \
            --database "$url$database" --secret-file "$work/recovery.key" --behind-proxy
        server_pids+=("$server_pid")
        bases+=(--api-base "$api_base")
    done
    local counters="SELECT (SELECT xact_commit + xact_rollback FROM pg_stat_database WHERE datname = '$database')
        || ' ' || (SELECT COALESCE(SUM(calls), 0) FROM pg_stat_statements
                   WHERE dbid = (SELECT oid FROM pg_database WHERE datname = '$database'))"
    # The registrations first; the counters are read between them and the heartbeats. Statistics
    # of idle connections reach pg_stat_database within ten seconds.
    coproc BENCH { "$bench" "${bases[@]}" --wait-after-registration "$@"; }
    local line output=""
    read -r line <&"${BENCH[0]}"
    [ "$line" = registered ] || { echo "benchmark: $line" >&2; return 1; }
    sleep 11
    local before
    before="$(sql "$counters")"
    echo go >&"${BENCH[1]}"
    output="$(cat <&"${BENCH[0]}")"
    wait "$BENCH_PID" || true
    sleep 11
    local after
    after="$(sql "$counters")"
    echo "$output"
    throughput[$label]="$(sed -n 's/^throughput: *\([0-9]*\).*/\1/p' <<<"$output")"
    p99[$label]="$(sed -n 's/.*p99 \([0-9.]*\) ms.*/\1/p' <<<"$output")"
    local sent
    sent="$(sed -n 's/^heartbeats sent: *\([0-9]*\) (\([0-9]*\) failed).*/\1 \2/p' <<<"$output")"
    read -r total failed <<<"$sent"
    read -r xacts_before calls_before <<<"$before"
    read -r xacts_after calls_after <<<"$after"
    awk -v t="$((total - failed))" -v x="$((xacts_after - xacts_before))" -v c="$((calls_after - calls_before))" \
        'BEGIN { printf "per heartbeat:          %.2f transactions, %.2f round trips (statements)\n", x / t, c / t }'
    for pid in "${server_pids[@]}"; do
        kill "$pid"
        wait "$pid" 2>/dev/null || true
    done
    server_pids=()
}

echo
echo "== PostgreSQL $(psql --version | awk '{print $3}'), one instance (synchronous_commit=off)"
postgresql_phase postgresql1 1 "$@"
echo
echo "== PostgreSQL, two instances on the same database"
postgresql_phase postgresql2 2 "$@"

echo
echo "== summary (same run)"
for label in sqlite postgresql1 postgresql2; do
    awk -v l="$label" -v r="${throughput[$label]}" -v p="${p99[$label]}" -v s="${throughput[sqlite]}" \
        'BEGIN { printf "%-12s %6d heartbeats/s  p99 %7.2f ms  %.2f of SQLite\n", l, r, p, r / s }'
done
awk -v a="${throughput[postgresql2]}" -v b="${throughput[postgresql1]}" \
    'BEGIN { printf "two PostgreSQL instances: %.2f x one\n", a / b }'
