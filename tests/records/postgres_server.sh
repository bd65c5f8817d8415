#!/usr/bin/env bash
# A private PostgreSQL server for the record-store tests: no system service
# is touched, nothing listens on the network.
#   postgres_server.sh start DIR   cluster in DIR/data, socket in DIR
#   postgres_server.sh stop DIR    stops it (the cluster stays for a restart)
#   postgres_server.sh restart DIR starts the cluster in DIR again
# A client reaches it as user "scale", database "postgres", with
# host=DIR. Run as root, the server runs as the user nobody (PostgreSQL
# refuses root). Needs Debian's postgresql package.
set -euo pipefail

action=${1:?start, stop or restart}
dir=$(realpath -m "${2:?directory}")

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ]; then
  echo "postgres_server.sh: PostgreSQL is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

server_stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  fi
}

server_start() {
  as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-c listen_addresses='' -k $dir -c fsync=off -c max_connections=50" start >/dev/null
}

case "$action" in
  start)
    server_stop 2>/dev/null || true
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown nobody "$dir"; fi
    as_owner "$bindir/initdb" -D "$dir/data" -U scale -A trust -E UTF8 --locale=C >"$dir/initdb.log"
    server_start
    ;;
  restart) server_start ;;
  stop) server_stop ;;
  *) echo "postgres_server.sh: start, stop or restart" >&2; exit 1 ;;
esac
