#!/usr/bin/env bash
# Installs whatever the project's Debian package list names and this machine lacks.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
list="$here/debian-packages.txt"
missing=()
while read -r pkg; do
  pkg=${pkg%%#*}; pkg=$(echo "$pkg" | xargs)
  [ -n "$pkg" ] || continue
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done < "$list"
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
# The server package makes a cluster of its own and may start it; the tests start their own private
# server, so nothing of the package's is left running.
if printf '%s\n' "${missing[@]}" | grep -qx 'postgresql-15' && command -v pg_ctlcluster >/dev/null; then
  $sudo pg_ctlcluster 15 main stop >/dev/null 2>&1 || true
fi
