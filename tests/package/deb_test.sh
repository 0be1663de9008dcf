#!/usr/bin/env bash
# Builds the .deb from a built tree, unpacks it into a scratch root and runs
# what it installed: --version, the man pages, the help, the completion, a
# plugin compiled against the installed headers, and the demo project.
#   deb_test.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/pelorinxl_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6 libcurl4 libzip4 libxlsxwriter4 libpugixml1v5 tzdata; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib"
done
[[ $(dpkg-deb -f "$deb" Version) == 2.0.31 ]] || fail "version"

root=$work/root
dpkg -x "$deb" "$root"
bin=$root/usr/bin/pelorinxl
export XDG_CONFIG_HOME=$work/config HOME=$work/home

[[ $("$bin" --version) == "pelorinxl (PelorinXL) 2.0.31" ]] || fail "--version: $("$bin" --version)"

man_dir=$root/usr/share/man/man1
man -l -P cat "$man_dir/pelorinxl.1.gz" >"$work/man.txt" 2>/dev/null
grep -q "pelorinxl - historical quotes" "$work/man.txt" || fail "man pelorinxl"
grep -q "convert" "$work/man.txt" || fail "man pelorinxl lists no commands"
man -l -P cat "$man_dir/pelorinxl-convert.1.gz" 2>/dev/null | grep -q -- "--force" || fail "man pelorinxl-convert"
[[ -f $man_dir/pelorinxl-refresh.1.gz ]] || fail "no page for refresh"

if [[ -f $root/usr/share/pelorinxl/help/PelorinXL/Support.htm ]]; then
  [[ $(PATH=/nonexistent "$bin" help running) == "$root/usr/share/pelorinxl/help/PelorinXL/running.htm" ]] ||
    fail "help running"
else
  echo "the HTML help was not built (python3-markdown missing); checking that help says so"
  ! "$bin" help 2>"$work/help.err" || fail "help without pages succeeded"
  grep -q "the help is not installed" "$work/help.err" || fail "help message"
fi

completion=$root/usr/share/bash-completion/completions/pelorinxl
bash -n "$completion" || fail "completion syntax"

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
echo "1 passed, 0 failed"
