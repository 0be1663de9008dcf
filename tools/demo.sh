#!/usr/bin/env bash
# Builds a release of pelorinxl into build/demo and runs the demo project:
# writes demo/demo.xlsx (24 tickers on the offline SAMPLE source) and
# refreshes it. Usage: tools/demo.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-demo}
jobs=$(nproc)
[ "$jobs" -gt 2 ] || jobs=2
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLRXL_QT=OFF -DPLRXL_BENCH=OFF >/dev/null
cmake --build build/demo --target pelorinxl -j "$jobs"
./build/demo/app/pelorinxl demo "$dir"
echo "The demo project is $(cd "$dir" && pwd)/demo.xlsx"
