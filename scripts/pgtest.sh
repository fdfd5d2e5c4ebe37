#!/usr/bin/env bash
# Starts a private PostgreSQL server for the tests (its own cluster in a temporary
# directory, loopback only, port 55432) or stops it. Usage: scripts/pgtest.sh start|stop DIR
# On start it prints the address the tests take from DTU_TEST_PG.
set -euo pipefail
cmd=$1 dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -n "$bin" ] || { echo "pgtest: no PostgreSQL server installed" >&2; exit 1; }
port=${DTU_TEST_PG_PORT:-55432}
as=()
# The server refuses to run as root: run it as the postgres user then.
if [ "$(id -u)" -eq 0 ]; then as=(runuser -u postgres --); fi
case $cmd in
start)
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  "${as[@]}" "$bin/initdb" -D "$dir/data" -A trust -U postgres >"$dir/initdb.log" 2>&1
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1" start >/dev/null
  echo "postgresql://postgres@127.0.0.1:$port/postgres"
  ;;
stop)
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$dir"
  ;;
esac
