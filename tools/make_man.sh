#!/usr/bin/env bash
# Writes the man pages of pelorinxl from the program's own --help texts:
#   make_man.sh PELORINXL OUT_DIR
# pelorinxl.1.gz for the program and pelorinxl-COMMAND.1.gz for each command
# listed under "Subcommands:" in `pelorinxl --help`. Needs help2man.
set -euo pipefail
# A sanitizer build's program must not fail --help over leak reports.
export ASAN_OPTIONS=detect_leaks=0
bin=$(readlink -f "$1")
out=$2
mkdir -p "$out"
rm -f "$out"/pelorinxl*.1.gz
version=$("$bin" --version | awk '{print $NF}')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

page() {  # page NAME DESCRIPTION PROGRAM
  help2man --no-info --no-discard-stderr --section=1 --version-string="$version" \
    --name="$2" --output="$work/$1.1" "$3"
  gzip -9n < "$work/$1.1" > "$out/$1.1.gz"
}

page pelorinxl "historical quotes, indicators and exports for project workbooks" "$bin"
# The commands: the lines under "Subcommands:", "  name   description".
"$bin" --help | awk 'tolower($0) ~ /^subcommands:/ {on=1; next} on && /^  [a-z]/ {print}' |
while read -r cmd description; do
  wrapper="$work/pelorinxl-$cmd"
  printf '#!/bin/sh\nexec "%s" %s "$@"\n' "$bin" "$cmd" > "$wrapper"
  chmod +x "$wrapper"
  page "pelorinxl-$cmd" "$description" "$wrapper"
done
