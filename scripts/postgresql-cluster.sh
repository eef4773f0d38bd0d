#!/usr/bin/env bash
# A throwaway PostgreSQL cluster on 127.0.0.1 for the tests and the benchmark.
#
#   scripts/postgresql-cluster.sh start <folder> [--durable] [-c name=value ...]
#       initdb into a new folder under /tmp, start it, and write its URL to <folder>/url
#   scripts/postgresql-cluster.sh stop <folder>
#       stop it and delete both folders
#
# The URL is postgresql://molvena@127.0.0.1:<port>/ (trust authentication, loopback only); append
# a database name. Without PostgreSQL's binaries it says so and writes no URL, so the tests that
# need it skip. As root, the cluster runs as the `postgres` user (initdb refuses root). Without
# --durable it does not flush to disk at all and runs no autovacuum: throwaway data, fast tests.
set -euo pipefail

command="${1:-}"
folder="${2:-}"
if [ -z "$command" ] || [ -z "$folder" ]; then
    echo "usage: $0 start|stop <folder> [--durable]" >&2
    exit 2
fi

bin=""
for candidate in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    if [ -x "$candidate/pg_ctl" ] && [ -x "$candidate/initdb" ]; then
        bin="$candidate"
        break
    fi
done
if [ -z "$bin" ] && command -v pg_ctl >/dev/null && command -v initdb >/dev/null; then
    bin="$(dirname "$(command -v pg_ctl)")"
fi

as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    as_owner=(runuser -u postgres --)
fi

case "$command" in
stop)
    cluster="$(cat "$folder/cluster" 2>/dev/null || true)"
    if [ -n "$cluster" ] && [ -f "$cluster/data/postmaster.pid" ] && [ -n "$bin" ]; then
        "${as_owner[@]}" "$bin/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    case "$cluster" in /tmp/molvena-postgresql.*) rm -rf "$cluster" ;; esac
    rm -rf "$folder"
    exit 0
    ;;
start) ;;
*)
    echo "usage: $0 start|stop <folder> [--durable]" >&2
    exit 2
    ;;
esac

# A cluster an interrupted run left behind goes first.
"$0" stop "$folder"
mkdir -p "$folder"
if [ -z "$bin" ]; then
    echo "PostgreSQL is not installed (initdb, pg_ctl): the PostgreSQL tests skip" | tee "$folder/missing"
    exit 0
fi
if [ "$(id -u)" -eq 0 ]; then
    if ! id postgres >/dev/null 2>&1; then
        echo "running as root without a postgres user: the PostgreSQL tests skip" | tee "$folder/missing"
        exit 0
    fi
fi
# The cluster itself lives in /tmp, which the postgres user reaches whatever the checkout's folders
# allow; <folder> only points to it.
cluster="$(mktemp -d /tmp/molvena-postgresql.XXXXXX)"
echo "$cluster" >"$folder/cluster"
if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$cluster"
fi

"${as_owner[@]}" "$bin/initdb" -D "$cluster/data" -U molvena -A trust -E UTF8 --locale=C --no-sync \
    >"$folder/initdb.log" 2>&1 || { cat "$folder/initdb.log" >&2; exit 1; }

settings="-c listen_addresses=127.0.0.1 -c unix_socket_directories=$cluster -c max_connections=200"
shift 2
if [ "${1:-}" = "--durable" ]; then
    shift
else
    # Nor background maintenance: a test's bulk load would set autovacuum off in the middle of the
    # timings that follow it, on a machine whose cores the tests share.
    settings+=" -c fsync=off -c full_page_writes=off -c synchronous_commit=off -c autovacuum=off"
fi
settings+=" $*"
# A port nobody uses: try a few at random, bounded.
for _ in $(seq 1 20); do
    port=$((20000 + RANDOM % 40000))
    if "${as_owner[@]}" "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 20 \
        -o "$settings -p $port" start >/dev/null 2>&1; then
        echo "postgresql://molvena@127.0.0.1:$port/" >"$folder/url"
        echo "PostgreSQL $("$bin/postgres" --version | awk '{print $3}') at 127.0.0.1:$port ($cluster)"
        exit 0
    fi
    grep -q "could not bind\|in use" "$cluster/server.log" 2>/dev/null || break
    rm -f "$cluster/server.log"
done
cat "$cluster/server.log" >&2 || true
exit 1
