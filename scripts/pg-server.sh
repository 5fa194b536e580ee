#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: a cluster in a folder of its
# own, reached over a Unix socket in that folder only (no TCP port), with
# fsync off. Debian's server binaries; as root the cluster belongs to the
# postgres user, since the server refuses to run as root.
#   scripts/pg-server.sh start DIR   prints the libpq connection string
#   scripts/pg-server.sh stop DIR
set -euo pipefail
cmd="${1:-}"
dir="${2:-}"
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
port="${PG_TEST_PORT:-54329}"

bindir=""
for d in /usr/lib/postgresql/*/bin; do
  [ -x "$d/initdb" ] && bindir="$d"
done
[ -n "$bindir" ] || { echo "pg-server: no PostgreSQL server binaries (Debian package postgresql)" >&2; exit 3; }

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$cmd" in
start)
  mkdir -p "$dir"
  dir="$(cd "$dir" && pwd)"
  # The server's user must reach the socket folder through every parent.
  chmod 755 "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  if [ ! -f "$dir/data/PG_VERSION" ]; then
    as_owner "$bindir/initdb" -D "$dir/data" -A trust -E UTF8 --locale=C -U postgres >"$dir/initdb.log" 2>&1 \
      || { cat "$dir/initdb.log" >&2; exit 3; }
  fi
  as_owner "$bindir/pg_ctl" -D "$dir/data" -w -t 60 -l "$dir/server.log" \
    -o "-k $dir -p $port -c listen_addresses='' -c fsync=off -c max_connections=200" start >/dev/null \
    || { cat "$dir/server.log" >&2; exit 3; }
  echo "host=$dir port=$port user=postgres dbname=postgres"
  ;;
stop)
  [ -f "$dir/data/postmaster.pid" ] || exit 0
  as_owner "$bindir/pg_ctl" -D "$dir/data" -w -m fast stop >/dev/null
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
