#!/usr/bin/env bash
# Builds the .debs from a built tree, unpacks them into a scratch root and
# uses what they installed as a new user would: --version, the man pages
# and their sections, the help as text on a terminal without a display,
# every link of the HTML guide, the completion (run under bash), a plugin
# compiled against the installed headers, the demo, and every exit code of
# the table from a real cause.
#   deb_test.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/pelorinxl_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6 libcurl4 libzip4 libxlsxwriter4 libpugixml1v5 tzdata; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib"
done
[[ $depends != *qt* && $depends != *Qt* ]] || fail "the command line package depends on Qt: $depends"
[[ $(dpkg-deb -f "$deb" Version) == 2.0.31 ]] || fail "version"

# No lintian error in either package (warnings are reported, not fatal).
if command -v lintian >/dev/null; then
  for package in "$work"/pkg/*.deb; do
    lintian --fail-on error "$package" 2>/dev/null >"$work/lintian.txt" ||
      { cat "$work/lintian.txt"; fail "lintian errors in $(basename "$package")"; }
    ! grep '^E:' "$work/lintian.txt" || fail "lintian errors in $(basename "$package")"
  done
fi

root=$work/root
dpkg -x "$deb" "$root"
gui_deb=$(ls "$work"/pkg/pelorinxl-gui_*.deb 2>/dev/null || true)
if [[ -n $gui_deb ]]; then
  gui_depends=$(dpkg-deb -f "$gui_deb" Depends)
  [[ $gui_depends == *"pelorinxl (= 2.0.31)"* && $gui_depends == *libqt6* ]] || fail "pelorinxl-gui Depends: $gui_depends"
  dpkg -x "$gui_deb" "$root"
  [[ -x $root/usr/lib/pelorinxl/pelorinxl-windows ]] || fail "no windows program"
  desktop=$root/usr/share/applications/pelorinxl.desktop
  grep -q '^Exec=pelorinxl select %f$' "$desktop" || fail "desktop entry Exec"
  grep -q '^Icon=pelorinxl$' "$desktop" || fail "desktop entry Icon"
  [[ -s $root/usr/share/icons/hicolor/scalable/apps/pelorinxl.svg ]] || fail "no icon"
  [[ -s $root/usr/share/doc/pelorinxl-gui/copyright ]] || fail "no copyright in pelorinxl-gui"
fi
bin=$root/usr/bin/pelorinxl
export XDG_CONFIG_HOME=$work/config HOME=$work/home
unset DISPLAY WAYLAND_DISPLAY

[[ $("$bin" --version) == "pelorinxl (PelorinXL) 2.0.31" ]] || fail "--version: $("$bin" --version)"
ldd "$bin" | grep -qi qt && fail "pelorinxl links Qt"

# One documents folder, with the copyright file.
[[ -d $root/usr/share/doc/pelorinxl && ! -e $root/usr/share/doc/PelorinXL ]] || fail "documents folder"
head -1 "$root/usr/share/doc/pelorinxl/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "copyright file"

man_dir=$root/usr/share/man/man1
man -l -P cat "$man_dir/pelorinxl.1.gz" >"$work/man.txt" 2>/dev/null
grep -q "pelorinxl - historical quotes" "$work/man.txt" || fail "man pelorinxl"
grep -q "convert" "$work/man.txt" || fail "man pelorinxl lists no commands"
man -l -P cat "$man_dir/pelorinxl-convert.1.gz" 2>/dev/null | grep -q -- "--force" || fail "man pelorinxl-convert"
for page in "$man_dir"/pelorinxl*.1.gz; do
  man -l -P cat "$page" >"$work/page.txt" 2>/dev/null
  for heading in NAME SYNOPSIS DESCRIPTION OPTIONS EXAMPLES FILES ENVIRONMENT "EXIT STATUS" "SEE ALSO"; do
    grep -q "^$heading\$" "$work/page.txt" || fail "$(basename "$page") has no section $heading"
  done
  for leak in '{true}' '{false}' 'TEXT REQUIRED' 'REQUIRED'; do
    ! grep -qF -- "$leak" "$work/page.txt" || fail "$(basename "$page") shows '$leak'"
  done
done
man -l -P cat "$man_dir/pelorinxl-refresh.1.gz" 2>/dev/null | grep -q "PLRXL_TODAY" || fail "no ENVIRONMENT entries"

if [[ -f $root/usr/share/pelorinxl/help/PelorinXL/Support.htm ]]; then
  out=$(TERM=xterm "$bin" help running) || fail "help running"
  [[ $out == "# Running a project"* ]] || fail "help running printed: ${out:0:200}"
  TERM=xterm "$bin" help indicator 2>"$work/help.err" && fail "an unknown topic succeeded"
  grep -q "did you mean 'indicators'" "$work/help.err" || fail "help indicator: $(cat "$work/help.err")"
  /usr/bin/python3 "$here/check_links.py" "$root/usr/share/pelorinxl/help" || fail "broken links in the HTML help"
else
  echo "the HTML help was not built (python3-markdown missing); checking that help says so"
  ! "$bin" help running 2>"$work/help.err" || fail "help without pages succeeded"
  grep -q "the help is not installed" "$work/help.err" || fail "help message"
fi

# The completion, run under bash as the shell would: COMPREPLY for a word.
completion=$root/usr/share/bash-completion/completions/pelorinxl
bash -n "$completion" || fail "completion syntax"
complete_words() {  # complete_words WORD... : the words offered for the last WORD
  (cd "$work" && PATH="$root/usr/bin:$PATH" bash -c '
    source "$1"; shift
    COMP_WORDS=(pelorinxl "$@"); COMP_CWORD=$#
    _pelorinxl pelorinxl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@")
}
mkdir -p "$work/files"
touch "$work/files/p.xlsx" "$work/files/q.xlsm" "$work/files/notes.txt"
[[ $(complete_words refresh --on-error "" | sort | tr '\n' ' ') == "abort ignore retry " ]] || fail "completion --on-error"
sources=$(complete_words add p.xlsx --data-source "S" | sort | tr '\n' ' ')
[[ $sources == *"SAMPLE "* && $sources != *"("* && $sources != *CSV* ]] || fail "completion --data-source: '$sources' ($(cd "$work" && "$bin" sources 2>&1 | head -3))"
[[ $(complete_words add p.xlsx --periodicity W) == Weekly ]] || fail "completion --periodicity"
[[ $(complete_words set-row p.xlsx 3 --data-direction F | sort | tr '\n' ' ') == "FBT FTB " ]] || fail "completion --data-direction"
projects=$(complete_words refresh files/ | sort | tr '\n' ' ')
[[ $projects == "files/p.xlsx files/q.xlsm " ]] || fail "completion of projects: $projects"
complete_words ref | grep -qx refresh || fail "completion of commands"
complete_words help ind | grep -qx indicators || fail "completion of help topics"

pc=$(ls "$root"/usr/lib/*/pkgconfig/pelorinxl-plugin.pc 2>/dev/null || ls "$root"/usr/lib/pkgconfig/pelorinxl-plugin.pc)
cflags=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --define-prefix --cflags pelorinxl-plugin)
cat >"$work/plugin.cpp" <<'CPP'
#include "app/plugin_api.h"
extern "C" int PelorinXLRegisterMacros(plrxl::MacroRegistry& registry) {
  registry.Register("Stamp", [](plrxl::SpreadsheetHost&, std::vector<plrxl::Variant>&) { return plrxl::Variant(); });
  return 0;
}
CPP
g++ $cflags -fsyntax-only "$work/plugin.cpp" || fail "a plugin does not compile against the installed headers"

(cd "$work" && "$bin" demo demo >"$work/demo.log" 2>&1) || { tail -20 "$work/demo.log"; fail "demo"; }
[[ -s $work/demo/demo.xlsx ]] || fail "demo wrote no workbook"

# Every exit code of the table, each from a real cause.
expect_code() {  # expect_code CODE LABEL COMMAND...
  local code=$1 label=$2 got=0
  shift 2
  (cd "$work" && "$@") >"$work/code.out" 2>"$work/code.err" || got=$?
  [[ $got == "$code" ]] || { cat "$work/code.out" "$work/code.err"; fail "$label: exit $got, expected $code"; }
}
project=$work/p.xlsx
expect_code 0 "new project" "$bin" new "$project"
expect_code 0 "refresh" "$bin" refresh "$project"
mkdir -p "$work/config/PelorinXL" "$work/feeds"
printf '[Sources]\nCsvFolder=%s\n' "$work/feeds" >"$work/config/PelorinXL/settings.ini"
cp "$project" "$work/failing.xlsx"
expect_code 0 "add a row without quotes" "$bin" add "$work/failing.xlsx" --ticker NOFILE --data-source CSV
expect_code 1 "a row failed" "$bin" refresh "$work/failing.xlsx"
expect_code 2 "copy over a file" "$bin" copy "$project" "$work/failing.xlsx"
echo "not a workbook" >"$work/broken.xlsx"
expect_code 3 "not a workbook" "$bin" info "$work/broken.xlsx"
expect_code 3 "full disk" bash -c 'ulimit -f 4; trap "" XFSZ; exec "$0" "$@"' "$bin" copy "$project" "$work/c.xlsx"
[[ ! -e $work/c.xlsx ]] || fail "a copy on a full disk was left behind"
expect_code 105 "rows not a list" "$bin" refresh --rows abc "$project"
expect_code 106 "missing project" "$bin" refresh
expect_code 109 "typo'd command" "$bin" refesh "$project"
grep -q "did you mean 'refresh'" "$work/code.err" || fail "no suggestion: $(cat "$work/code.err")"
# 130: a stop signal while a row waits for its quotes (a server that never answers).
/usr/bin/python3 -c '
import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(8)
print(s.getsockname()[1], flush=True)
conns = []
while True:
    c, _ = s.accept(); conns.append(c)
' >"$work/port" &
server=$!
for _ in $(seq 1 100); do [[ -s $work/port ]] && break; sleep 0.2; done
printf '[Sources]\nStooqBaseUrl=http://127.0.0.1:%s\nStooqKey=test\n' "$(cat "$work/port")" >"$work/config/PelorinXL/settings.ini"
cp "$project" "$work/slow.xlsx"
"$bin" add "$work/slow.xlsx" --ticker SLOW --data-source STOOQ >/dev/null
"$bin" refresh "$work/slow.xlsx" >"$work/slow.out" 2>&1 &
runner=$!
# The example rows finish first; then the run waits for SLOW's quotes.
examples=$(($("$bin" rows "$work/slow.xlsx" | tail -1 | awk '{print $1}') - 1))
for _ in $(seq 1 300); do
  (($(grep -c "^row " "$work/slow.out" 2>/dev/null || true) >= examples)) && break
  sleep 0.2
done
sleep 1
kill -TERM "$runner"
code=0
wait "$runner" || code=$?
kill "$server" 2>/dev/null || true
[[ $code == 130 ]] || { cat "$work/slow.out"; fail "stop signal: exit $code"; }
echo "1 passed, 0 failed"
