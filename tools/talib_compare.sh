#!/bin/sh
# Times every indicator that TA-Lib shares with the catalogue, ours against
# TA-Lib's C library, over the same 1,000,000 bars in one run, and prints the
# ratio table. A reference measurement outside CI: TA-Lib is never a
# dependency of the product.
#
# Usage: tools/talib_compare.sh [TA-Lib dir] [repetitions] [name filter]
# The TA-Lib dir holds include/ta_libc.h and lib/ with its static library.
# The npm package "talib" builds one:
#   mkdir -p /tmp/talibref && cd /tmp/talibref && npm install talib
# which leaves it in /tmp/talibref/node_modules/talib/src/lib (the default).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
talib=${1:-/tmp/talibref/node_modules/talib/src/lib}
repetitions=${2:-9}
filter=${3:-}
if [ ! -f "$talib/include/ta_libc.h" ]; then
  echo "No TA-Lib build in $talib (expected include/ta_libc.h and lib/)." >&2
  echo "Build one with: mkdir -p /tmp/talibref && cd /tmp/talibref && npm install talib" >&2
  exit 2
fi
build="$root/build/talib"
[ -f /work/ccache.env ] && . /work/ccache.env
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLRXL_SANITIZE=OFF -DPLRXL_QT=OFF \
  -DPLRXL_TALIB_DIR="$talib" >/dev/null
nice cmake --build "$build" -j2 --target talib_compare
nice "$build/bench/talib_compare" "$repetitions" $filter
