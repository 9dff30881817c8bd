#!/usr/bin/env bash
# Builds and runs every test twice: a normal build (g++), then an AddressSanitizer and
# UndefinedBehaviorSanitizer build (clang) that also runs the fuzz targets under libFuzzer.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/install-packages.sh
jobs=${TOVIK_JOBS:-2}

# CTest starts and stops each build tree's private PostgreSQL server; should a run be cut short,
# the server still goes with this script. The folder is the one CMakeLists.txt derives.
stop_servers() {
  for tree in build build-asan; do
    hash=$(printf '%s' "$here/$tree" | md5sum | cut -c1-10)
    bash scripts/pg-cluster.sh stop "/tmp/tovik-pg-$hash" --remove >/dev/null 2>&1 || true
  done
}
trap stop_servers EXIT

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOVIK_SANITIZE=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$here/testing/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$jobs")
