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
