#!/usr/bin/env bash
# Tries several desks on one machine: a private PostgreSQL server for the odds table, kept in a
# folder of its own (default ~/.local/share/tovik/server;
# /var/tmp/tovik-server for root).
#   scripts/local-server.sh start [DIR]   starts it and says how to open the calculator on it
#   scripts/local-server.sh stop [DIR]    stops it; the data stay in DIR for the next start
# Desks on other machines connect to a server their administrator runs; see the README.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
command=${1:-}
default=${XDG_DATA_HOME:-$HOME/.local/share}/tovik/server
# As root the server runs as user postgres, who cannot enter root's home.
[ "$(id -u)" -ne 0 ] || default=/var/tmp/tovik-server
dir=${2:-$default}
case "$command" in
  start)
    uri=$(bash "$here/scripts/pg-cluster.sh" start "$dir" "${TOVIK_SERVER_PORT:-54329}")
    echo "Server running, data in $dir"
    echo "Open each desk with:"
    echo "  $here/build/app/tovik --database='$uri'"
    echo "or set TOVIK_DATABASE='$uri' for every copy started from this shell."
    ;;
  stop)
    bash "$here/scripts/pg-cluster.sh" stop "$dir"
    echo "Server stopped; the data stay in $dir"
    ;;
  *)
    echo "usage: $0 start|stop [DIR]" >&2
    exit 2
    ;;
esac
