#!/usr/bin/env bash
# Builds the calculator and runs it in the current directory (its data file "kf" lives there).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-packages.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$here/build" -j"${TOVIK_JOBS:-2}" --target tovik
exec "$here/build/app/tovik" "$@"
