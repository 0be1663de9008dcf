#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan+UBSan) and runs them one after
# another, each for SECONDS (default 60), under nice. Not part of CI.
#
#   tools/fuzz.sh [--fast] [TARGET...] [SECONDS]     TARGET: host_text, xlsx_reader, ... or all
#
# --fast builds and runs them under UBSan alone (build/fuzz-fast): about
# twice the executions per CPU second, for the long runs, but blind to the
# memory faults and leaks ASan sees, so a share of every campaign still
# runs under ASan. Each target's line gives its executions per CPU second
# as well as per second: on a busy machine only the first says how fast a
# target is.
#
# Each target starts from its kept corpus fuzz/corpus/TARGET plus the seeds
# of the tests (tests/data/fuzz/TARGET and the target's own test data; for
# xlsx_reader every workbook under tests/data and the build trees). After
# the run the kept corpus is replaced by the merge of all that: about the
# fewest inputs that reach the same coverage (-set_cover_merge=1), less the
# seeds and the inputs slower than two seconds, at most 256 KB a target so
# the repository stays small. A crash,
# leak, timeout or out-of-memory input is kept under build/fuzz/findings/
# TARGET/ and makes the script exit 1 after the last target; logs go to
# build/fuzz/logs/ (build/fuzz-fast/ for both with --fast).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() {
  echo "usage: tools/fuzz.sh [--fast] [TARGET... | all] [SECONDS]" >&2
  echo "targets: ${all_targets[*]}" >&2
  exit 2
}

all_targets=()
for src in fuzz/*_fuzz.cpp; do
  name=$(basename "$src" _fuzz.cpp)
  all_targets+=("$name")
done

seconds=60
budget_kb=256
fast=0
targets=()
for arg in "$@"; do
  case "$arg" in
    -h | --help) usage ;;
    --fast) fast=1 ;;
    -*) echo "tools/fuzz.sh: unknown option \"$arg\"" >&2; usage ;;
    all) targets+=("${all_targets[@]}") ;;
    *[!0-9]*)
      [ -f "fuzz/${arg}_fuzz.cpp" ] || { echo "tools/fuzz.sh: no fuzz target \"$arg\"" >&2; usage; }
      targets+=("$arg")
      ;;
    *) seconds=$arg ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
[ "$seconds" -gt 0 ] || { echo "tools/fuzz.sh: SECONDS must be at least 1" >&2; exit 2; }

# The longest input each target is given: workbooks are zip files whose
# directory sits at the end, so a cut one is only a broken zip. Row lists
# past 256 characters are refused by their target, and the texts of
# host_text (addresses, dates, numbers, number formats of at most 255
# characters in a file) gain nothing from more than 1 KB. INI files and the
# MIME lists are read line by line: 1 KB holds every kind of line many
# times over, and runs twice as many inputs as 4 KB.
max_len_of() {
  case "$1" in
    xlsx_reader) echo 65536 ;;
    row_list) echo 256 ;;
    host_text | ini | xdg_mime) echo 1024 ;;
    *) echo 4096 ;;
  esac
}

# Seconds one input may take before it counts as a hang. A formula over a
# range of a whole column takes most of a second under the sanitizers, and
# a busy machine (the fuzzers run under nice) stretches that past ten.
timeout_of() {
  case "$1" in
    formula_eval) echo 30 ;;
    *) echo 10 ;;
  esac
}

# Seeds from the tests, one path a line.
seeds_of() {
  local dir="tests/data/fuzz/$1"
  [ -d "$dir" ] && find "$dir" -type f
  case "$1" in
    ini) find tests/data/ini -type f ;;
    macro_text) find tests/data/macro_texts -type f ;;
    # The quote files of the tests and the quote texts the exports write;
    # most are longer than an input may be and are cut below.
    quotes_csv) find tests/data -name '*.csv' -o -path 'tests/data/exports/*.golden' ;;
    xlsx_reader) find tests/data build -name '*.xlsx' -size -"$(max_len_of "$1")"c 2>/dev/null ;;
  esac
  return 0
}

# Copies the seeds of target $1 into folder $2, each named by its content.
# A text seed longer than the target's inputs keeps its whole first lines
# up to that length, so a long quote file still seeds its header and rows.
copy_seeds() {
  local max f
  max=$(max_len_of "$1")
  seeds_of "$1" | while read -r f; do
    if [ "$(stat -c %s "$f")" -gt "$max" ] && [ "$1" != xlsx_reader ]; then
      head -c "$max" "$f" | sed '$d' >"$2/cut"
      [ -s "$2/cut" ] && mv "$2/cut" "$2/$(sha1sum "$2/cut" | cut -c1-16)"
      rm -f "$2/cut"
    else
      cp "$f" "$2/$(sha1sum "$f" | cut -c1-16)"
    fi
  done
}

build=build/fuzz
sanitizers=address,undefined
if [ "$fast" = 1 ]; then
  build=build/fuzz-fast
  sanitizers=undefined
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPLRXL_FUZZ=ON -DPLRXL_FUZZ_SANITIZERS="$sanitizers" -DPLRXL_QT=OFF -DPLRXL_BENCH=OFF >/dev/null
fi
build_targets=()
for t in "${targets[@]}"; do build_targets+=("${t}_fuzz"); done
nice cmake --build "$build" -j2 --target "${build_targets[@]}"

# Five frames of each allocation's stack, not thirty: recording stacks is a
# tenth of the time of the allocation-heavy targets. Run a finding's input
# again without this to see its whole stacks.
export ASAN_OPTIONS=detect_leaks=1:malloc_context_size=5
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/logs"
summary=()
found=0
for t in "${targets[@]}"; do
  corpus=fuzz/corpus/$t
  findings=$build/findings/$t
  log=$build/logs/$t.log
  mkdir -p "$corpus" "$findings"
  rm -rf "$work/seeds" "$work/new" "$work/merged"
  mkdir -p "$work/seeds" "$work/new" "$work/merged"
  copy_seeds "$t" "$work/seeds"
  before=$(find "$findings" -type f | wc -l)
  echo "== $t ($sanitizers): ${seconds}s from $(ls "$corpus" | wc -l) kept inputs and $(ls "$work/seeds" | wc -l) seeds"
  # New inputs land in the first folder; the run ends at the first finding.
  TIMEFORMAT='%U %S'
  { time nice "$build/fuzz/${t}_fuzz" "$work/new" "$corpus" "$work/seeds" -max_total_time="$seconds" \
    -max_len="$(max_len_of "$t")" -timeout="$(timeout_of "$t")" -rss_limit_mb=2048 -print_final_stats=1 \
    -entropic_scale_per_exec_time=1 -artifact_prefix="$findings/" >"$log" 2>&1; } 2>"$log.cpu" || true
  # An input slower than two seconds is not kept: a few of them (formulas
  # run to their array limits) took most of a run's time and cut its rate
  # from 1,500 inputs a second to 300. The run itself mutates the fast
  # inputs more often than the slow ones (-entropic_scale_per_exec_time).
  # The merge's own timeouts go to the scratch folder, not into the source
  # tree.
  nice "$build/fuzz/${t}_fuzz" -set_cover_merge=1 "$work/merged" "$corpus" "$work/new" "$work/seeds" \
    -max_len="$(max_len_of "$t")" -timeout=2 -rss_limit_mb=2048 -artifact_prefix="$work/" >"$log.merge" 2>&1 || true
  # The seeds come back from the tests on every run, so the kept corpus
  # holds only what they do not reach, smallest first within its budget.
  # A merge that failed leaves the kept corpus as it was.
  [ -n "$(ls "$work/merged")" ] && rm -f "$corpus"/*
  for f in "$work/seeds"/*; do [ -f "$f" ] && rm -f "$work/merged/$(sha1sum "$f" | cut -d' ' -f1)"; done
  total=0
  for f in $(ls -rS "$work/merged"); do
    size=$(stat -c %s "$work/merged/$f")
    [ $((total + size)) -le $((budget_kb * 1024)) ] || break
    cp "$work/merged/$f" "$corpus/"
    total=$((total + size))
  done
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  per_sec=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  per_cpu_sec=$(awk -v n="${execs:-0}" '{ t = $1 + $2 } END { if (t > 0) printf "%d", n / t; else print "?" }' "$log.cpu")
  cov_start=$(grep -m1 'INITED' "$log" | grep -o 'cov: [0-9]*' | cut -d' ' -f2)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  new=$(( $(find "$findings" -type f | wc -l) - before ))
  kept="$(ls "$corpus" | wc -l) inputs, $(find "$corpus" -type f -printf '%s\n' | awk '{s += $1} END {print int((s + 1023) / 1024)}') KB"
  line=$(printf '%-20s execs %-9s (%s/s, %s/CPU s)  cov %s->%-6s ft %-6s corpus %-22s findings %s' \
    "$t" "${execs:-?}" "${per_sec:-?}" "$per_cpu_sec" "${cov_start:-?}" "${cov:-?}" "${ft:-?}" "$kept" "$new")
  echo "$line"
  if [ "$new" -gt 0 ]; then
    found=1
    grep -m1 -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|terminate called|deadly signal' "$log" |
      sed 's/^/    /' || true
    echo "    inputs: $findings  log: $log"
  fi
  summary+=("$line")
done

echo "== summary (${seconds}s each, $sanitizers)"
printf '%s\n' "${summary[@]}"
exit "$found"
