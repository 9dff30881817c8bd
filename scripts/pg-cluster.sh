#!/usr/bin/env bash
# A private PostgreSQL server in a folder of its own: for the tests, and for trying several desks
# on one machine.
#   pg-cluster.sh start DIR [PORT]   makes the server the first time, starts it, prints its URI
#   pg-cluster.sh uri DIR            prints the URI of the server in DIR
#   pg-cluster.sh stop DIR [--remove]  stops it (and removes DIR); nothing is left running
# Data, log and Unix socket live in DIR. The server listens on that socket and on 127.0.0.1 only
# (on PORT when it is free; when it is taken, on the socket alone, PORT then only names it).
# Logins over the socket are trusted (the folder is the server owner's alone); over 127.0.0.1 they
# need the password in DIR/password. Run as root, the server runs as the unprivileged user
# postgres that Debian's server package makes.
set -euo pipefail

usage() { echo "usage: $0 start DIR [PORT] | uri DIR | stop DIR [--remove]" >&2; exit 2; }
[ $# -ge 2 ] || usage
command=$1
dir=$2

bin=""
for b in /usr/lib/postgresql/15/bin /usr/lib/postgresql/*/bin; do
  if [ -x "$b/pg_ctl" ]; then bin=$b; break; fi
done
[ -n "$bin" ] || { echo "pg-cluster: no PostgreSQL server is installed (postgresql-15)" >&2; exit 1; }

# Everything the server does runs as its owner: the caller, or postgres when the caller is root.
owner=$(id -un)
as_owner() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  id postgres >/dev/null 2>&1 || { echo "pg-cluster: user postgres is missing" >&2; exit 1; }
  as_owner() { runuser -u postgres -- "$@"; }
fi

uri() { echo "postgresql:///tovik?host=$dir&port=$(cat "$dir/port")&user=tovik"; }

port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

case "$command" in
  start)
    port=${3:-$((40000 + RANDOM % 20000))}
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    chown "$owner" "$dir"
    chmod 700 "$dir"
    if [ ! -f "$dir/data/PG_VERSION" ]; then
      head -c 18 /dev/urandom | base64 | tr -d '/+=' > "$dir/password"
      chown "$owner" "$dir/password"
      chmod 600 "$dir/password"
      as_owner "$bin/initdb" -D "$dir/data" -U tovik --pwfile="$dir/password" -E UTF8 \
        --locale=C.UTF-8 --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; exit 1; }
    fi
    if as_owner "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
      uri
      exit 0
    fi
    listen=127.0.0.1
    # Tests throw their data away: they need no flush to disk at each commit.
    fast=""
    if [ "${TOVIK_PG_THROWAWAY:-}" = 1 ]; then fast=" -c fsync=off -c synchronous_commit=off"; fi
    if port_taken "$port"; then listen=""; fi
    echo "$port" > "$dir/port"
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-k '$dir' -p $port -c listen_addresses='$listen' -c unix_socket_permissions=0700$fast" \
      start >/dev/null || { tail -20 "$dir/server.log" >&2; exit 1; }
    if ! as_owner "$bin/psql" -h "$dir" -p "$port" -U tovik -d postgres -tAc \
        "SELECT 1 FROM pg_database WHERE datname='tovik'" | grep -q 1; then
      as_owner "$bin/createdb" -h "$dir" -p "$port" -U tovik tovik
    fi
    uri
    ;;
  uri)
    dir=$(cd "$dir" && pwd)
    uri
    ;;
  stop)
    if [ -d "$dir/data" ]; then
      as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null 2>&1 || true
    fi
    if [ "${3:-}" = "--remove" ]; then rm -rf "$dir"; fi
    ;;
  *) usage ;;
esac
