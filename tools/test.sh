#!/usr/bin/env bash
# Builds and runs every test. Usage: tools/test.sh [release|sanitize]
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-release}
case "$kind" in
  release) dir=build/release; flags=(-DCMAKE_BUILD_TYPE=Release -DPLRXL_SANITIZE=OFF) ;;
  # Line tables only (-g1): enough for sanitizer stack traces, much faster to build.
  sanitize) dir=build/sanitize; flags=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g1" -DPLRXL_SANITIZE=ON -DPLRXL_BENCH=OFF) ;;
  *) echo "usage: tools/test.sh [release|sanitize]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
