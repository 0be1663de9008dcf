// CPelorin's version-1 converter: recognising a version-1 project, the
// checks of the converter window's Create button, and RunConverter.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "entry/converter.h"
#include "entry/internal/object_ref.h"
#include "entry/internal/screen_updating.h"
#include "entry/internal/text.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "host/spreadsheet_host.h"
#include "support/clock.h"

namespace plrxl {

namespace fs = std::filesystem;

namespace {

// Data-source names of version 1 and what they become (ignoring case).
struct SourceRename {
  const char* from;
  const char* to;
};
constexpr SourceRename kSourceRenames[] = {
    {"Yahoo", "YAHOOHIST(ADJUST VALUES)"},
    {"YAHOOHIST", "YAHOOHIST(NO ADJUST VALUES)"},
};

// The name a version-1 workbook's own "Parameters" sheet keeps when the
// converted project gets a current one.
constexpr const char* kOldParametersSheet = "Parameters (version 1)";

// The text after the last "\" or "/" (paths written on either system).
std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Replaces every occurrence of `from`, compared ignoring case, by `to`.
std::string ReplaceIgnoreCase(const std::string& s, const std::string& from, const std::string& to) {
  const std::string lower = text::Lower(s);
  const std::string lower_from = text::Lower(from);
  std::string out;
  size_t at = 0;
  for (size_t hit = lower.find(lower_from); hit != std::string::npos; hit = lower.find(lower_from, at)) {
    out += s.substr(at, hit - at) + to;
    at = hit + from.size();
  }
  return out + s.substr(at);
}

bool ContainsIgnoreCase(const std::string& s, const std::string& part) {
  return text::Lower(s).find(text::Lower(part)) != std::string::npos;
}

std::string CellText(Worksheet& sheet, const std::string& address) {
  const Variant value = sheet.GetRange(address).Value();
  return value.IsText() ? value.Text() : std::string();
}

// The macro text with references to the old workbook pointed at the new one.
std::string RenamedMacroText(const std::string& macros, const std::string& old_name, const std::string& old_stem,
                             const std::string& new_name) {
  if (ContainsIgnoreCase(macros, "!" + old_name)) return ReplaceIgnoreCase(macros, "!" + old_name, "!" + new_name);
  if (!old_stem.empty() && ContainsIgnoreCase(macros, "!" + old_stem)) {
    return ReplaceIgnoreCase(macros, "!" + old_stem, "!" + new_name);
  }
  return macros;
}

// The current "Parameters" sheet the converted project runs with.
void AddCurrentParameters(Workbook& workbook, const Clock* clock) {
  if (Worksheet* old = workbook.FindWorksheet(kParametersSheet)) old->SetName(kOldParametersSheet);
  Worksheet& parameters = workbook.AddWorksheet();
  parameters.SetName(kParametersSheet);
  const SystemClock machine;
  WriteParametersSheet(parameters, clock != nullptr ? clock->Now() : machine.Now());
  if (Worksheet* settings = workbook.FindWorksheet(kSettingsSheet)) settings->Activate();
}

// Saves the host's alert switch and restores it on every exit of the scope.
class AlertsGuard {
 public:
  explicit AlertsGuard(SpreadsheetHost& host) : host_(host), saved_(host.DisplayAlerts()) {}
  ~AlertsGuard() { host_.SetDisplayAlerts(saved_); }
  AlertsGuard(const AlertsGuard&) = delete;
  AlertsGuard& operator=(const AlertsGuard&) = delete;

 private:
  SpreadsheetHost& host_;
  bool saved_;
};

std::optional<fs::file_time_type> WriteTime(const std::string& path) {
  std::error_code ec;
  const auto time = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return time;
}

}  // namespace

std::string Version1ProjectProblem(Workbook& workbook) {
  Worksheet* settings = workbook.FindWorksheet(kSettingsSheet);
  if (settings == nullptr) return "it has no sheet \"" + std::string(kSettingsSheet) + "\".";
  for (const Version1Cell& cell : kVersion1Cells) {
    const std::string found = CellText(*settings, cell.address);
    if (found != cell.text) {
      return "cell " + std::string(cell.address) + " of \"" + kSettingsSheet + "\" reads \"" + found +
             "\" instead of \"" + cell.text + "\".";
    }
  }
  return "";
}

bool IsBinaryWorkbookFile(const std::string& path) {
  // The compound-document signature every .xls file starts with.
  static constexpr unsigned char kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::ifstream in(path, std::ios::binary);
  unsigned char head[sizeof kSignature] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  return std::equal(std::begin(head), std::end(head), std::begin(kSignature));
}

bool CheckFilePelorinXL(CPelorin& pelorin, const std::string& path) {
  Procedure proc(pelorin.Context(), "Pelorin.CPelorin.CheckFilePelorinXL");
  bool recognised = false;
  proc.Do([&] {
    SpreadsheetHost& app = Ref(pelorin.ExcelApplication());
    if (IsBinaryWorkbookFile(path)) return;
    Workbook* active = app.ActiveWorkbook();
    Workbook& workbook = app.OpenWorkbook(path);
    recognised = Version1ProjectProblem(workbook).empty();
    workbook.Close();
    if (active != nullptr && active != &workbook) app.SetActiveWorkbook(*active);
  });
  return recognised;
}

bool ConvertVersion1Project(CPelorin& pelorin, const std::string& input, const std::string& output,
                            bool replace_existing) {
  Procedure proc(pelorin.Context(), "Pelorin.CPelorin.ConvertVersion1Project");
  std::string problem;
  proc.Do([&] {
    std::error_code ec;
    if (input.empty()) {
      problem = "Enter the name of the version-1 workbook.";
    } else if (output.empty()) {
      problem = "Enter the name of the workbook to create.";
    } else if (text::EqualsIgnoreCase(input, output)) {
      problem = "The new workbook needs a name other than the version-1 workbook's.";
    } else if (!fs::is_regular_file(input, ec)) {
      problem = "The file \"" + input + "\" does not exist.";
    } else if (IsBinaryWorkbookFile(input)) {
      problem = "\"" + input +
                "\" is in the old binary .xls format, which PelorinXL does not read. Open it in a spreadsheet "
                "program and save it as an Excel workbook (.xlsx), for example with\n"
                "  libreoffice --headless --convert-to xlsx \"" + input + "\"\n"
                "then convert the .xlsx file.";
    } else if (!replace_existing && fs::exists(output, ec)) {
      problem = "The file \"" + output + "\" exists already. Choose another name or remove that file first.";
    }
  });
  if (problem.empty()) {
    proc.Do([&] {
      SpreadsheetHost& app = Ref(pelorin.ExcelApplication());
      Workbook* active = app.ActiveWorkbook();
      Workbook* workbook = nullptr;
      try {
        workbook = &app.OpenWorkbook(input);
      } catch (const Error& e) {
        problem = "\"" + input + "\" cannot be read: " + e.Description();
        return;
      }
      const std::string mismatch = Version1ProjectProblem(*workbook);
      if (!mismatch.empty()) problem = "\"" + input + "\" is not a version-1 project: " + mismatch;
      workbook->Close();
      if (active != nullptr && active != workbook) app.SetActiveWorkbook(*active);
    });
  }
  if (!problem.empty()) {
    proc.Do([&] { pelorin.myBreak(73, problem); });
    return false;
  }
  const std::optional<fs::file_time_type> before = WriteTime(output);
  proc.Do([&] { pelorin.RunConverter(input, output); });
  const std::optional<fs::file_time_type> after = WriteTime(output);
  return after.has_value() && after != before;
}

void CPelorin::RunConverter(const std::string& input, const std::string& output) {
  Procedure proc(context_, "Pelorin.CPelorin.RunConverter");
  if (context_.hooks.RunConverter) {
    proc.Do([&] { context_.hooks.RunConverter(*this, input, output); });
    return;
  }
  proc.Do([&] { SetCorrectDateFormat(); });
  Workbook* workbook = nullptr;
  proc.Do([&] { workbook = &App().OpenWorkbook(input); });
  proc.Do([&] { App().SetActiveWorkbook(Ref(workbook)); });
  // Both switches come back also when a statement aborts the procedure.
  std::optional<ScreenUpdatingGuard> screen;
  std::optional<AlertsGuard> alerts;
  proc.Do([&] {
    screen.emplace(App());
    screen->Off();
    alerts.emplace(App());
    App().SetDisplayAlerts(false);
  });

  std::string old_name, old_stem, new_name;
  proc.Do([&] {
    old_name = Ref(workbook).Name();
    const auto dot = old_name.rfind('.');
    old_stem = dot == std::string::npos ? old_name : old_name.substr(0, dot);
    new_name = FileNameOf(output);
  });

  Worksheet* settings = nullptr;
  proc.Do([&] { settings = &Ref(workbook).Worksheets(kSettingsSheet); });
  proc.Do([&] {
    ParametersSheet().GetRange("I1:S1").CopyTo(Ref(settings).GetRange("A1"));
    ParametersSheet().GetRange("P2").CopyTo(Ref(settings).GetRange("H2"));
    App().EndCopyMode();
  });
  proc.Do([&] {
    const std::string prefix = "=" + QuoteSheetName(kSettingsSheet) + "!";
    Ref(workbook).AddName(kRangeTickerName, prefix + "R1C1");
    Ref(workbook).AddName(kRangeDataSourceName, prefix + "R2C8");
  });

  int last_row = 0;
  proc.Do([&] {
    const std::string last = GotoLastCell(Ref(workbook).Name(), kSettingsSheet, "A1");
    last_row = Ref(settings).GetRange(last).Row();
  });
  proc.Do([&] {
    Worksheet& sheet = Ref(settings);
    for (int row = 1; row <= last_row; ++row) {
      const Variant source = sheet.CellValue(row, kDataSource);
      if (!source.IsText()) continue;
      for (const SourceRename& rename : kSourceRenames) {
        if (text::EqualsIgnoreCase(source.Text(), rename.from)) {
          sheet.SetCellValue(row, kDataSource, Variant(std::string(rename.to)));
          break;
        }
      }
    }
  });
  proc.Do([&] {
    Worksheet& sheet = Ref(settings);
    for (int row = 1; row <= last_row; ++row) {
      const Variant macros = sheet.CellValue(row, kMacros);
      if (!macros.IsText()) continue;
      const std::string renamed = RenamedMacroText(macros.Text(), old_name, old_stem, new_name);
      if (renamed != macros.Text()) sheet.SetCellValue(row, kMacros, Variant(renamed));
    }
  });
  // A project of the current layout runs with the current "Parameters"
  // sheet: its messages, lists and ticker-table template.
  proc.Do([&] { AddCurrentParameters(Ref(workbook), context_.clock); });

  proc.Do([&] { Ref(workbook).SaveAs(output); });
  proc.Do([&] { Ref(workbook).Close(); });
  proc.Do([&] {
    alerts.reset();
    screen.reset();
  });
  proc.Do([&] { myBreak(72, output); });
}

}  // namespace plrxl
