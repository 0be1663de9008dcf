// Fuzzes the project checks over workbook content a user supplies: the
// anchor names, the ticker table's cells and the lists of "Parameters".
// Input: lines; line 1 is the anchor name's reference, line 2 the data
// source name's, lines 3-5 replace D3, D5 and I1, and the rest fill the
// ticker rows cell by cell (11 per row, "\t" separated). Whatever the
// content, the checks answer with a Boolean and stop messages; they never
// crash, hang or leave the call stack behind.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/error_message_form.h"
#include "host/memory/memory_host.h"
#include "host/spreadsheet_host.h"
#include "support/clock.h"
#include "support/error_handler.h"
#include "support/settings_store.h"

namespace {

// Answers every box with its first button and runs forms headless; the
// error dialog then answers Abort.
class AnsweringUi : public plrxl::UiPort {
 public:
  plrxl::MsgResult MsgBox(const std::string&, plrxl::MsgButtons buttons, plrxl::MsgIcon,
                          const std::string&) override {
    return buttons == plrxl::MsgButtons::kYesNo ? plrxl::MsgResult::kYes : plrxl::MsgResult::kOk;
  }
  void ShowModal(plrxl::Form& form) override { form.RunHeadless(*this); }
  std::vector<std::string> OpenFileDialog(const plrxl::FileDialogOptions&) override { return {}; }
  std::optional<std::string> SaveFileDialog(const plrxl::FileDialogOptions&) override { return std::nullopt; }
};

plrxl::Variant CellFrom(const std::string& text) {
  if (text.rfind("#", 0) == 0 && text.size() > 1) return plrxl::Variant::Date(std::atof(text.c_str() + 1));
  return plrxl::Variant(text);
}

// Removes the folder when the fuzzer exits; the path sits on the heap so it
// outlives the statics destroyed before the exit handlers run.
void RemoveAtExit(const std::string& folder) {
  static const std::string* path = new std::string(folder);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(*path, ignored);
  });
}

constexpr int kRows = 40;  // ticker rows an input may fill
constexpr int kCols = 11;

// A new project workbook, made once: making one writes the whole template
// and fits the columns, many times the work of the checks. Each input
// changes only the two names, three cells of "Parameters" and cells of the
// ticker table (the checks themselves write B2, J2 and K2 of "Parameters",
// always alike, and may define the names again); Restore puts all of that
// back as made, so every input meets the same workbook.
struct Project {
  Project() {
    // Settings of a folder of its own, never the user's.
    std::string folder = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/plrxl-checks-fuzz-XXXXXX");
    if (mkdtemp(folder.data()) == nullptr) std::abort();
    RemoveAtExit(folder);
    settings_store = std::make_unique<plrxl::SettingsStore>(folder);
    plrxl::RunContext context;
    Serve(context);
    plrxl::CPelorin pelorin(context);
    pelorin.ExcelApplication(&host);
    workbook = &host.AddWorkbook();
    plrxl::CreateProjectWorkbook(pelorin, *workbook, 46000);
    for (const char* name : {plrxl::kRangeTickerName, plrxl::kRangeDataSourceName}) {
      const plrxl::DefinedName* defined = workbook->FindName(name);
      if (defined == nullptr) std::abort();
      names.push_back(*defined);
    }
    for (const char* address : {"D3", "D5", "I1"}) parameter_values.push_back(Parameters().GetRange(address).Value());
    plrxl::Worksheet& settings = Settings();
    for (int r = 1; r <= kRows; ++r) {
      for (int c = 1; c <= kCols; ++c) {
        cell_values[r - 1][c - 1] = settings.CellValue(r, c);
        cell_styles[r - 1][c - 1] = settings.CellStyleId(r, c);
      }
    }
  }

  void Serve(plrxl::RunContext& context) {
    context.host = &host;
    context.ui = &ui;
    context.clock = &clock;
    context.settings = settings_store.get();
    context.MakeErrorDialog = [] { return std::make_unique<plrxl::frmErrorMessage>(); };
  }

  plrxl::Worksheet& Settings() { return workbook->Worksheets(plrxl::kSettingsSheet); }
  plrxl::Worksheet& Parameters() { return workbook->Worksheets(plrxl::kParametersSheet); }

  void SetTickerCell(int row, int col, const plrxl::Variant& value) {
    Settings().SetCellValue(row, col, value);
    touched.emplace_back(row, col);
  }

  void Restore() {
    for (const plrxl::DefinedName& name : names) {
      if (workbook->FindName(name.name) != nullptr) workbook->DeleteName(name.name);
      workbook->DefineName(name);
    }
    const char* addresses[] = {"D3", "D5", "I1"};
    for (size_t i = 0; i < parameter_values.size(); ++i) Parameters().GetRange(addresses[i]).SetValue(parameter_values[i]);
    plrxl::Worksheet& settings = Settings();
    for (const auto& [r, c] : touched) {
      settings.SetCellValue(r, c, cell_values[r - 1][c - 1]);
      settings.SetCellStyleId(r, c, cell_styles[r - 1][c - 1]);
    }
    touched.clear();
    host.SetActiveWorkbook(*workbook);
    settings.Activate();
  }

  plrxl::MemoryHost host{nullptr, plrxl::RegionalSettings()};
  AnsweringUi ui;
  plrxl::FixedClock clock{46000.5};
  std::unique_ptr<plrxl::SettingsStore> settings_store;
  plrxl::Workbook* workbook = nullptr;
  std::vector<plrxl::DefinedName> names;
  std::vector<plrxl::Variant> parameter_values;
  plrxl::Variant cell_values[kRows][kCols];
  int cell_styles[kRows][kCols] = {};
  std::vector<std::pair<int, int>> touched;
};

Project& TheProject() {
  static Project* project = new Project();
  return *project;
}

// Fills the workbook from the input; false when the input is refused.
bool Fill(Project& project, const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  plrxl::Workbook& wb = *project.workbook;
  plrxl::Worksheet& parameters = project.Parameters();
  std::string line;
  int line_number = 0;
  int row = 1;
  while (std::getline(in, line)) {
    ++line_number;
    switch (line_number) {
      case 1:
      case 2:
        // A reference the host refuses outright is a rejected input.
        try {
          wb.AddName(line_number == 1 ? plrxl::kRangeTickerName : plrxl::kRangeDataSourceName, line);
        } catch (const plrxl::Error&) {
          return false;
        }
        break;
      case 3:
        parameters.GetRange("D3").SetValue(plrxl::Variant(line));
        break;
      case 4:
        parameters.GetRange("D5").SetValue(plrxl::Variant(line));
        break;
      case 5:
        parameters.GetRange("I1").SetValue(plrxl::Variant(line));
        break;
      default: {
        if (row > kRows) break;
        std::istringstream cells(line);
        std::string cell;
        for (int col = 1; col <= kCols && std::getline(cells, cell, '\t'); ++col) {
          project.SetTickerCell(row, col, cell.empty() ? plrxl::Variant() : CellFrom(cell));
        }
        ++row;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  Project& project = TheProject();
  project.Restore();
  plrxl::RunContext context;
  project.Serve(context);
  plrxl::CPelorin pelorin(context);
  pelorin.ExcelApplication(&project.host);
  pelorin.ThisWorkbookApplication(project.workbook);
  if (!Fill(project, data, size)) return 0;

  plrxl::Worksheet& settings = project.Settings();
  if (pelorin.Successor()) pelorin.RavellXLSettingsAreOk();
  pelorin.SetCorrectDateFormat();
  for (int r = 1; r <= 6; ++r) pelorin.SettingsValue(settings, static_cast<int16_t>(r), plrxl::kDataSource);
  if (!context.g_ObjErrorHandler->CallStackNames().empty()) std::abort();
  return 0;
}
