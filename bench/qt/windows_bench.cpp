// Opening the windows offscreen: the row editor on a 1,000-row project and
// the selective update window on a 32,000-row table, from the form's load to
// the window drawn on screen. Budget: 300 ms each.
//
//   windows_bench     both cases (QT_QPA_PLATFORM=offscreen is set here)
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/error_message_form.h"
#include "forms/qt/progress_dialog.h"
#include "forms/qt/qt_ui.h"
#include "forms/qt/row_editor_dialog.h"
#include "forms/qt/selective_update_dialog.h"
#include "forms/row_editor_form.h"
#include "forms/selective_update_form.h"
#include "host/memory/memory_host.h"
#include "host/spreadsheet_host.h"
#include "host/xlsx/xlsx_store.h"
#include "quotes/quote_component.h"
#include "support/clock.h"

namespace plrxl {
namespace {

QApplication& App() {
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_windows_bench_XXXXXX").string();
    setenv("XDG_CONFIG_HOME", (std::string(mkdtemp(pattern.data())) + "/config").c_str(), 1);
    static int argc = 1;
    static char name[] = "windows_bench";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *app;
}

// A project whose ticker table has `rows` rows, in an in-memory host.
struct Project {
  explicit Project(int rows)
      : host(MakeXlsxStore(), RegionalSettings()), clock(DateSerial(2026, 12, 5)), progress(nullptr), ui(progress) {
    context.host = &host;
    context.ui = &ui;
    context.clock = &clock;
    context.MakeErrorDialog = [] { return std::make_unique<frmErrorMessage>(); };
    context.MakeQuoteFetcher = [] { return MakeQuoteFetcher(QuoteSettings()); };
    pelorin = std::make_unique<CPelorin>(context);
    pelorin->ExcelApplication(&host);
    Workbook& wb = host.AddWorkbook();
    CreateProjectWorkbook(*pelorin, wb, DateSerial(2026, 12, 5));
    host.SetActiveWorkbook(wb);
    pelorin->ActivateWorkBookName(wb.Name());
    Worksheet& settings = wb.Worksheets(kSettingsSheet);
    for (int i = 0; i < rows; ++i) {
      settings.SetCellValue(3 + i, 1, Variant("T" + std::to_string(i)));
      settings.SetCellValue(3 + i, 8, Variant("SAMPLE"));
      settings.SetCellValue(3 + i, 9, Variant("dohlcv"));
    }
  }
  MemoryHost host;
  FixedClock clock;
  ProgressDialog progress;
  QtUi ui;
  RunContext context;
  std::unique_ptr<CPelorin> pelorin;
};

void BM_OpenRowEditor1000Rows(benchmark::State& state) {
  App();
  Project project(1000);
  for (auto _ : state) {
    frmMaster form(project.context);
    form.SetOwner(project.pelorin.get());
    RowEditorDialog dialog(form);
    dialog.show();
    QApplication::processEvents();
    dialog.grab();
    dialog.hide();
  }
}
BENCHMARK(BM_OpenRowEditor1000Rows)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)
    ->ReportAggregatesOnly(false);

void BM_OpenSelectiveUpdate32000Rows(benchmark::State& state) {
  App();
  Project project(32000);
  for (auto _ : state) {
    frmSelectiveUpdateWindow form(project.context);
    form.SetOwner(project.pelorin.get());
    SelectiveUpdateDialog dialog(form);
    dialog.show();
    QApplication::processEvents();
    dialog.grab();
    dialog.hide();
  }
}
BENCHMARK(BM_OpenSelectiveUpdate32000Rows)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)
    ->ReportAggregatesOnly(false);

}  // namespace
}  // namespace plrxl

BENCHMARK_MAIN();
