// A small project workbook in the in-memory host for the macro tests: the
// settings sheet with one ticker row selected, the "Parameters" sheet with
// the field lists and message 48, a data sheet with titled OHLCV columns in
// either direction, an entry object and a scripted UI. Recording host
// functions stand in for the workbook's "MyFormula", "MyFormula4",
// "UslFormat" and "MyOutPut" where a test wants to see the calls.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "entry/pelorin.h"
#include "entry/run_context.h"
#include "forms/scripted_ui.h"
#include "host/memory/memory_host.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"
#include "support/clock.h"

namespace plrxl::testing {

// One recorded call of a host function.
struct HostCall {
  std::string name;
  std::vector<Variant> args;
};

// Text form of a recorded argument: ranges print as "[$E$2:$E$11]", other
// values as their text.
inline std::string ArgText(const Variant& v, const RegionalSettings& rs) {
  if (const Range* range = AsRange(v)) return "[" + range->Address() + "]";
  if (v.IsArray()) return "{array}";
  return ToText(v, rs);
}

// Temporary XDG_CONFIG_HOME and working folder, removed afterwards.
class TempWorld {
 public:
  TempWorld() {
    dir_ = std::filesystem::temp_directory_path() /
           ("plrxl_macros_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::create_directories(dir_ / "config");
    old_cwd_ = std::filesystem::current_path();
    const char* old = ::getenv("XDG_CONFIG_HOME");
    if (old) old_config_ = old;
    had_config_ = old != nullptr;
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    std::filesystem::current_path(dir_);
  }
  ~TempWorld() {
    std::filesystem::current_path(old_cwd_);
    if (had_config_) {
      ::setenv("XDG_CONFIG_HOME", old_config_.c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::filesystem::path& Dir() const { return dir_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path dir_, old_cwd_;
  std::string old_config_;
  bool had_config_ = false;
};

enum class Order { kOldestFirst, kNewestFirst };  // "FTB" / "FBT"

class MacroProject {
 public:
  static constexpr int kTickerRow = 3;
  static constexpr int kBars = 10;

  // A new project in a host without files, or (with a store and a path)
  // the project saved earlier at that path.
  explicit MacroProject(std::unique_ptr<WorkbookStore> store = nullptr, const std::string& open_path = "")
      : host_(std::move(store), PinnedRegional()), clock_(46000.5), ctx_(), pelorin_(Init()) {
    ui_.SetFailureSink([](const std::string& text) { ADD_FAILURE() << text; });
    if (!open_path.empty()) {
      workbook_ = &host_.OpenWorkbook(open_path);
      settings_ = &workbook_->Worksheets(kSettingsSheet);
      parameters_ = &workbook_->Worksheets(kParametersSheet);
      data_ = &workbook_->Worksheets("AAPL");
      Wire();
      return;
    }
    workbook_ = &host_.AddWorkbook();
    settings_ = &workbook_->WorksheetAt(1);
    settings_->SetName(kSettingsSheet);
    parameters_ = &workbook_->AddWorksheet();
    parameters_->SetName(kParametersSheet);
    data_ = &workbook_->AddWorksheet();
    data_->SetName("AAPL");

    // Ticker table anchored at A1: header row, defaults row, one ticker row.
    const char* titles[] = {"Ticker", "Start Date", "End Date", "Periodicity", "Direction", "Location",
                            "Data Beginning", "Data Source", "Data Fields", "Macros", "Status"};
    for (int c = 1; c <= 11; ++c) settings_->SetCellValue(1, c, Variant(titles[c - 1]));
    settings_->SetCellValue(2, 1, Variant("Defaults"));
    settings_->SetCellValue(2, 7, Variant("A1"));
    settings_->SetCellValue(2, 9, Variant("DOHLCV"));
    settings_->SetCellValue(kTickerRow, 1, Variant("AAPL"));
    workbook_->AddName(kRangeTickerName, "='PelorinXL Settings'!R1C1");

    parameters_->SetCellValue(5, 4, Variant("D|O|H|L|C|V|T|I"));
    parameters_->SetCellValue(7, 4, Variant("date|open|high|low|close|volume|time|open interest"));
    parameters_->SetCellValue(48, 5, Variant("No end of data found"));

    FillData(Order::kOldestFirst);
    Wire();
  }

  // Folder for files of this test (removed afterwards).
  std::filesystem::path Dir() const { return world_.Dir(); }

  static RegionalSettings PinnedRegional() {
    RegionalSettings rs;
    rs.short_date = "dd.mm.yyyy";
    rs.time_format = "hh:mm:ss";
    rs.decimal_symbol = '.';
    return rs;
  }

  // The macro runner's state on entry: the ticker's row selected on the
  // settings sheet, the data sheet active.
  void SelectTickerRow(int row) {
    settings_->Activate();
    settings_->SetSelectionRect(Rect{row, 1, row, 1});
    data_->Activate();
  }

  // Titles in row 1 (Date Open High Low Close Volume), kBars quotes below.
  // Close of bar i (oldest = 0) is 100 + i.
  void FillData(Order order, int bars = kBars) {
    data_->ClearCells(Rect{1, 1, 400, 6}, true, true);
    const char* titles[] = {"Date", "Open", "High", "Low", "Close", "Volume"};
    for (int c = 1; c <= 6; ++c) data_->SetCellValue(1, c, Variant(titles[c - 1]));
    for (int i = 0; i < bars; ++i) {
      const int row = order == Order::kOldestFirst ? 2 + i : 1 + bars - i;
      data_->SetCellValue(row, 1, Variant::Date(DateSerial(2024, 1, 1) + i));
      data_->SetCellValue(row, 2, Variant(99.0 + i));
      data_->SetCellValue(row, 3, Variant(101.0 + i));
      data_->SetCellValue(row, 4, Variant(98.0 + i));
      data_->SetCellValue(row, 5, Variant(100.0 + i));
      data_->SetCellValue(row, 6, Variant(1000.0 * (i + 1)));
    }
  }

  // Registers a recording host function that returns `result`.
  void Record(const std::string& name, Variant result = Variant()) {
    host_.RegisterFunction(name, [this, name, result](SpreadsheetHost&, std::vector<Variant>& args) {
      calls_.push_back(HostCall{name, args});
      return result;
    });
  }

  // The four workbook functions the indicators need: the formulas return
  // one value per input row (1, 2, 3, ...); MyOutPut writes the series
  // into its range; all four are recorded.
  void RegisterIndicatorFunctions() {
    for (const char* entry : {"MyFormula", "MyFormula4"}) {
      host_.RegisterFunction(entry, [this, entry](SpreadsheetHost&, std::vector<Variant>& args) {
        calls_.push_back(HostCall{entry, args});
        const Range* input = AsRange(args.at(1));
        const long long n = input ? input->Count() : 0;
        std::vector<Variant> values;
        for (long long i = 1; i <= n; ++i) values.emplace_back(static_cast<double>(i));
        return Variant::Array1D(std::move(values), 1);
      });
    }
    Record("UslFormat");
    host_.RegisterFunction("MyOutPut", [this](SpreadsheetHost& host, std::vector<Variant>& args) {
      calls_.push_back(HostCall{"MyOutPut", args});
      const Range out = host.ActiveSheet()->GetRange(args.at(1).Text());
      const VariantArray& values = args.at(0).Array();
      for (int i = 0; i < out.RowCount() && i < values.Rows(); ++i) {
        out.Cells(i + 1, 1).SetValue(values.At(values.LBound() + i));
      }
      return Variant();
    });
  }

  // Calls recorded under `name`.
  std::vector<HostCall> CallsTo(const std::string& name) const {
    std::vector<HostCall> out;
    for (const HostCall& call : calls_) {
      if (call.name == name) out.push_back(call);
    }
    return out;
  }
  std::vector<std::string> ArgTexts(const HostCall& call) const {
    std::vector<std::string> out;
    for (const Variant& v : call.args) out.push_back(ArgText(v, host_.Regional()));
    return out;
  }

  MemoryHost& Host() { return host_; }
  Workbook& Book() { return *workbook_; }
  Worksheet& Settings() { return *settings_; }
  Worksheet& Parameters() { return *parameters_; }
  Worksheet& Data() { return *data_; }
  ScriptedUi& Ui() { return ui_; }
  RunContext& Context() { return ctx_; }
  CPelorin& Pelorin() { return pelorin_; }
  Cfenmar& Engine() { return engine_; }
  std::vector<HostCall>& Calls() { return calls_; }

 private:
  void Wire() {
    pelorin_.ExcelApplication(&host_);
    pelorin_.ThisWorkbookApplication(workbook_);
    SelectTickerRow(kTickerRow);
    engine_.ExcelApplication(&host_);
    engine_.ThisWorkbookApplication(workbook_);
    engine_.Owner(&pelorin_);
  }

  RunContext& Init() {
    ctx_.host = &host_;
    ctx_.ui = &ui_;
    ctx_.clock = &clock_;
    return ctx_;
  }

  TempWorld world_;
  MemoryHost host_;
  ScriptedUi ui_;
  FixedClock clock_;
  RunContext ctx_;
  CPelorin pelorin_;
  Cfenmar engine_;
  Workbook* workbook_ = nullptr;
  Worksheet* settings_ = nullptr;
  Worksheet* parameters_ = nullptr;
  Worksheet* data_ = nullptr;
  std::vector<HostCall> calls_;
};

}  // namespace plrxl::testing
