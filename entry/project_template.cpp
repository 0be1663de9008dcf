// Writes the project template onto a "Parameters" sheet and turns a
// workbook into a complete new project.
#include "entry/project_template.h"

#include <cmath>
#include <optional>
#include <string>

#include "entry/pelorin.h"
#include "host/error.h"
#include "host/number_from_text.h"
#include "host/regional.h"
#include "host/spreadsheet_host.h"

namespace plrxl {

namespace {

constexpr uint32_t kDefaultsFill = 0xFFFF99;  // pale yellow, as the selective update shows it
constexpr uint32_t kTitleFill = 0xDDEBF7;

// The template is our own table; a cell that does not read as its kind is
// a fault of the table, refused with its address.
Variant TemplateValue(const TemplateCell& cell) {
  std::optional<double> value;
  switch (cell.kind) {
    case TemplateKind::kNumber:
      value = NumberFromText<double>(cell.value);
      break;
    case TemplateKind::kDate:
      value = TextToDate(cell.value, RegionalSettings());  // yyyy-mm-dd
      break;
    case TemplateKind::kText:
      return Variant(cell.value);
  }
  if (!value) {
    throw Error(kErrInvalidCall, "PlrXL2.ProjectTemplate",
                std::string("template cell ") + cell.address + " holds \"" + cell.value + "\", not a " +
                    (cell.kind == TemplateKind::kDate ? "date" : "number"));
  }
  return cell.kind == TemplateKind::kDate ? Variant::Date(*value) : Variant(*value);
}

void Emphasize(Worksheet& sheet, const std::string& address, bool bold, uint32_t fill) {
  const Range range = sheet.GetRange(address);
  for (int r = 1; r <= range.RowCount(); ++r) {
    for (int c = 1; c <= range.ColumnCount(); ++c) {
      const Range cell = range.Cells(r, c);
      CellStyle style = cell.Style();
      style.bold = bold;
      style.fill_color = fill;
      cell.SetStyle(style);
    }
  }
}

}  // namespace

void WriteParametersSheet(Worksheet& parameters, double today) {
  for (const TemplateCell& cell : TemplateCells()) parameters.GetRange(cell.address).SetValue(TemplateValue(cell));
  for (const MessageText& message : MessageTexts()) {
    parameters.GetRange("E" + std::to_string(message.number)).SetValue(Variant(message.text));
  }
  // The default end date follows the calendar.
  parameters.SetCellFormula(2, ColumnNumber("K"), "=TODAY()", Variant::Date(std::floor(today)));

  // The template's own date pattern (B2) until the first run probes the
  // user's one.
  const std::string date_format = parameters.GetRange("B2").Text();
  parameters.GetRange("J2").SetNumberFormat(date_format);
  parameters.GetRange("K2").SetNumberFormat(date_format);
  Emphasize(parameters, "I1:S1", true, kTitleFill);
  Emphasize(parameters, "I2:S2", false, kDefaultsFill);
  for (const char* caption : {"A1", "D1", "E1", "G1", "H1", "AR4", "Z31"}) Emphasize(parameters, caption, true, kAutomatic);
  parameters.SetColumnWidth(ColumnNumber("A"), 18);
  parameters.SetColumnWidth(ColumnNumber("B"), 16);
  parameters.SetColumnWidth(ColumnNumber("C"), 16);
  parameters.SetColumnWidth(ColumnNumber("D"), 40);
  parameters.SetColumnWidth(ColumnNumber("E"), 90);
  for (const char* column : {"I", "J", "K", "L", "M", "N", "O", "P", "Q"}) {
    parameters.SetColumnWidth(ColumnNumber(column), 14);
  }
}

void CreateProjectWorkbook(CPelorin& pelorin, Workbook& workbook, double today) {
  Worksheet& parameters = workbook.WorksheetAt(1);
  parameters.SetName(kParametersSheet);
  WriteParametersSheet(parameters, today);
  pelorin.ThisWorkbookApplication(&workbook);
  workbook.Application().SetActiveWorkbook(workbook);
  pelorin.CreateNewRavellProject();
  if (Worksheet* settings = workbook.FindWorksheet(kSettingsSheet)) {
    workbook.MoveWorksheet(*settings, 1);
    settings->Activate();
  }
}

Workbook& AddNewProjectWorkbook(SpreadsheetHost& host, double today) {
  RunContext rc;
  rc.host = &host;
  CPelorin pelorin(rc);
  pelorin.ExcelApplication(&host);
  Workbook& workbook = host.AddWorkbook();
  CreateProjectWorkbook(pelorin, workbook, today);
  return workbook;
}

}  // namespace plrxl
