// A refresh through the Calc extension against the command line's refresh
// of the same project file: 10 and 100 daily rows of 2,500 bars (offline
// SAMPLE source, no quote store). The extension's time is from the menu
// command's dispatch until it ended, the document already open; the command
// line's is the whole program (load, run, save). Also reported: installing
// the extension with unopkg and the office's start-up. Prints one line per
// figure; run it under nice, it takes a few minutes.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "tests/calc_ext/ext_office.h"

namespace {

using namespace plrxl::calc::testing;

double Seconds(const std::function<void()>& f) {
  const auto begin = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
  const ExtOffice& shared = SharedExtOffice();
  if (shared.office == nullptr) {
    std::fprintf(stderr, "calc_ext_bench: %s\n", shared.why.c_str());
    return 1;
  }
  std::printf("unopkg add: %.2f s\nsoffice start until accepting: %.2f s\n", shared.install_seconds,
              shared.start_seconds);
  for (int count : {10, 100}) {
    const std::string cli_file = ExtFolder() + "/bench_cli.xlsx", menu_file = ExtFolder() + "/bench_menu.xlsx";
    std::filesystem::remove(cli_file);
    std::filesystem::remove(menu_file);
    WriteProject(cli_file, plrxl::BenchmarkRows(count));
    std::filesystem::copy_file(cli_file, menu_file);
    int status = 0;
    const double cli = Seconds([&] { status = RunCli("refresh --no-store " + cli_file); });
    if (status != 0) std::fprintf(stderr, "calc_ext_bench: pelorinxl refresh exited %d\n", status);
    plrxl::calc::Reference<plrxl::calc::css::frame::XModel> document;
    const double load = Seconds([&] { document = LoadDocument(*shared.office, menu_file); });
    const double menu = Seconds([&] { Dispatch(*shared.office, document, "Refresh"); });
    CloseDocument(document);
    std::printf("%d tickers: command line %.2f s; extension %.2f s (+ %.2f s opening the file in Calc); ratio %.2f\n",
                count, cli, menu, load, menu / cli);
  }
  return 0;
}
