#!/usr/bin/env bash
# Builds the calculator and runs it in the current directory (its data file "kf" lives there).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-packages.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$here/build" -j"${TOVIK_JOBS:-2}" --target tovik
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "tovik is built ($here/build/app/tovik) but there is no display to show its window on:" >&2
  echo "run this command from a desktop session, or under xvfb-run." >&2
  exit 1
fi
exec "$here/build/app/tovik" "$@"
