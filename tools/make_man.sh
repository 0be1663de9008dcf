#!/usr/bin/env bash
# Writes the man pages of pelorinxl from the program's own --help texts:
#   make_man.sh PELORINXL OUT_DIR
# pelorinxl.1.gz for the program and pelorinxl-COMMAND.1.gz for each command
# listed in the command groups of `pelorinxl --help` ("... commands:").
# Each page gets EXAMPLES, FILES, ENVIRONMENT, EXIT STATUS and SEE ALSO:
# the examples and exit codes from the program's help, the rest from
# tools/man/sections.h2m. Needs help2man.
set -euo pipefail
# A sanitizer build's program must not fail --help over leak reports.
export ASAN_OPTIONS=detect_leaks=0
bin=$(readlink -f "$1")
out=$2
here=$(dirname "$(readlink -f "$0")")
mkdir -p "$out"
rm -f "$out"/pelorinxl*.1.gz
version=$("$bin" --version | awk '{print $NF}')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin" --help >"$work/help.txt"

# The lines under a heading of the main --help ("Examples:", "Exit codes:").
section() { awk -v h="$1:" '$0 == h {on=1; next} on && /^[^ ]/ {exit} on && NF {print}' "$work/help.txt"; }

# EXIT STATUS: "  0    text" -> a tagged paragraph per code.
{
  echo "[EXIT STATUS]"
  section "Exit codes" | sed -E 's/^ +([0-9-]+) +/.TP\n.B \1\n/'
} >"$work/exit.h2m"

# The help as help2man reads it: everything up to the footer, which the
# sections above carry.
cat >"$work/filter" <<'AWK'
/^Examples:$/ {exit}
{print}
AWK

page() {  # page NAME DESCRIPTION EXAMPLES PROGRAM
  {
    echo "[EXAMPLES]"
    printf '%s\n' "$3" | sed -E 's/^ +//; s/^(pelorinxl .*[^ ])  +(.*)$/.TP\n.B \1\n\2/'
    echo
    cat "$work/exit.h2m" "$here/man/sections.h2m"
  } >"$work/$1.h2m"
  help2man --no-info --no-discard-stderr --section=1 --version-string="$version" \
    --name="$2" --include="$work/$1.h2m" --output="$work/$1.1" "$4"
  gzip -9n < "$work/$1.1" > "$out/$1.1.gz"
}

main_wrapper="$work/pelorinxl"
printf '#!/bin/sh\n[ "$1" = --help ] && { "%s" --help | awk -f "%s"; exit; }\nexec "%s" "$@"\n' \
  "$bin" "$work/filter" "$bin" >"$main_wrapper"
chmod +x "$main_wrapper"
page pelorinxl "historical quotes, indicators and exports for project workbooks" "$(section Examples | grep '^ *pelorinxl')" \
  "$main_wrapper"

# Examples of each command: "command|example  what it does".
examples() {
  case $1 in
    demo) echo "pelorinxl demo ~/pelorinxl-demo  write demo.xlsx and its exports there and refresh it" ;;
    new) echo "pelorinxl new Stocks.xlsx  create a project with three example tickers" ;;
    convert) echo "pelorinxl convert Old.xlsx New.xlsx  convert a version-1 project" ;;
    refresh | update | macros)
      echo "pelorinxl $1 Stocks.xlsx  every row of the project"
      echo "pelorinxl $1 --rows 3,5-9 Stocks.xlsx  only these sheet rows"
      echo "pelorinxl $1 --failed --on-error ignore Stocks.xlsx  only the red rows, unattended" ;;
    add) echo "pelorinxl add Stocks.xlsx --ticker MSFT --data-source SAMPLE  append a row" ;;
    set-row) echo "pelorinxl set-row Stocks.xlsx 3 --start-date 2020-01-01  change the first ticker's start" ;;
    copy) echo "pelorinxl copy Stocks.xlsx Backup.xlsx  load and save under another name" ;;
    check) echo "pelorinxl check Stocks.xlsx  the project check every run makes" ;;
    rows) echo "pelorinxl rows Stocks.xlsx  the ticker table with each row's last status" ;;
    info) echo "pelorinxl info Stocks.xlsx  sheets, names, charts and what a save would not keep" ;;
    sources) echo "pelorinxl sources  the data sources a row may name" ;;
    help) echo "pelorinxl help indicators  the guide's page on indicators"
          echo "pelorinxl help --list  the topics" ;;
    edit) echo "pelorinxl edit Stocks.xlsx  add rows in the row editor window" ;;
    select) echo "pelorinxl select Stocks.xlsx  run chosen rows from a window" ;;
    *) echo "pelorinxl $1 --help  the options" ;;
  esac
}

# The commands: the lines under the "... commands:" headings, "  name   description".
awk '/^[A-Z].* commands/ && /:$/ {on=1; next} /^[^ ]/ {on=0} on && /^  [a-z]/ {print}' "$work/help.txt" |
while read -r cmd description; do
  wrapper="$work/pelorinxl-$cmd"
  printf '#!/bin/sh\nexec "%s" %s "$@"\n' "$bin" "$cmd" > "$wrapper"
  chmod +x "$wrapper"
  page "pelorinxl-$cmd" "$description" "$(examples "$cmd")" "$wrapper"
done
ls "$out"/pelorinxl-refresh.1.gz >/dev/null
