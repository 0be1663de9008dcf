// Fuzzes the project checks over workbook content a user supplies: the
// anchor names, the ticker table's cells and the lists of "Parameters".
// Input: lines; line 1 is the anchor name's reference, line 2 the data
// source name's, lines 3-5 replace D3, D5 and I1, and the rest fill the
// ticker rows cell by cell (11 per row, "\t" separated). Whatever the
// content, the checks answer with a Boolean and stop messages; they never
// crash, hang or leave the call stack behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "forms/error_message_form.h"
#include "host/memory/memory_host.h"
#include "host/spreadsheet_host.h"
#include "support/clock.h"
#include "support/error_handler.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  plrxl::RegionalSettings rs;
  plrxl::MemoryHost host(nullptr, rs);
  AnsweringUi ui;
  plrxl::FixedClock clock(46000.5);
  plrxl::RunContext context;
  context.host = &host;
  context.ui = &ui;
  context.clock = &clock;
  context.MakeErrorDialog = [] { return std::make_unique<plrxl::frmErrorMessage>(); };
  plrxl::CPelorin pelorin(context);
  pelorin.ExcelApplication(&host);
  plrxl::Workbook& wb = host.AddWorkbook();
  plrxl::CreateProjectWorkbook(pelorin, wb, 46000);
  plrxl::Worksheet& settings = wb.Worksheets(plrxl::kSettingsSheet);
  plrxl::Worksheet& parameters = wb.Worksheets(plrxl::kParametersSheet);

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
          return 0;
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
        if (row > 40) break;
        std::istringstream cells(line);
        std::string cell;
        for (int col = 1; col <= 11 && std::getline(cells, cell, '\t'); ++col) {
          settings.SetCellValue(row, col, cell.empty() ? plrxl::Variant() : CellFrom(cell));
        }
        ++row;
      }
    }
  }

  if (pelorin.Successor()) pelorin.RavellXLSettingsAreOk();
  pelorin.SetCorrectDateFormat();
  for (int r = 1; r <= 6; ++r) pelorin.SettingsValue(settings, static_cast<int16_t>(r), plrxl::kDataSource);
  if (!context.g_ObjErrorHandler->CallStackNames().empty()) std::abort();
  return 0;
}
