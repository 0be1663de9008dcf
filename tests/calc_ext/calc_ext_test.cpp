// The PelorinXL extension in a headless Calc: every menu command dispatched
// by its URL on a project document, the document read back through the Calc
// host; a refresh through the extension against the command line's refresh
// of the same file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include "calc/extension_commands.h"
#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "tests/app/project_file.h"
#include "tests/calc_ext/ext_office.h"

namespace plrxl::calc::testing {
namespace {

namespace fs = std::filesystem;

// Skips without an office program; an office that cannot take the
// extension fails the test.
#define PLRXL_NEED_EXT_OFFICE()                                                                    \
  do {                                                                                             \
    if (!CalcOffice::ProgramAvailable()) GTEST_SKIP() << "no office program (soffice) on this machine"; \
    ASSERT_NE(SharedExtOffice().office, nullptr) << SharedExtOffice().why;                          \
  } while (0)

// Regional settings as the tests of the Calc host pin them.
RegionalSettings Pinned() {
  RegionalSettings rs;
  rs.short_date = "dd.mm.yyyy";
  rs.time_format = "hh:mm:ss";
  rs.decimal_symbol = '.';
  return rs;
}

// Three rows of the demo project (no exports: they would write files).
std::vector<DemoRow> FewRows() {
  std::vector<DemoRow> rows = DemoRows();
  rows.resize(3);
  return rows;
}

std::string Fresh(const std::string& name) {
  const std::string path = ExtFolder() + "/" + name;
  fs::remove(path);
  return path;
}

bool LogHas(const std::string& text) {
  for (const std::string& line : UiLogLines())
    if (line.find(text) != std::string::npos) return true;
  return false;
}

std::string LogText() {
  std::string all;
  for (const std::string& line : UiLogLines()) all += line + "\n";
  return all;
}

std::string ValueText(const Variant& value) {
  char number[40];
  if (value.IsNumeric()) {
    std::snprintf(number, sizeof number, "%s%.12g", value.IsDate() ? "d" : "", value.Number());
    return number;
  }
  // Status lines begin with the time they were written.
  if (value.IsText()) return "'" + std::regex_replace(value.Text(), std::regex(R"(\d+/\d+/\d+ \d+:\d+:\d+)"), "<time>");
  if (value.IsBoolean()) return value.Number() != 0 ? "TRUE" : "FALSE";
  return "#" + std::to_string(static_cast<int>(value.Type()));
}

// Every cell value of every sheet, as text, sheet by sheet.
std::string Dump(Workbook& wb) {
  std::ostringstream out;
  for (int i = 1; i <= wb.WorksheetCount(); ++i) {
    Worksheet& sheet = wb.WorksheetAt(i);
    out << "[" << sheet.Name() << "]\n";
    const std::optional<Rect> used = sheet.UsedRange();
    if (!used) continue;
    for (int row = used->row1; row <= used->row2; ++row) {
      for (int col = used->col1; col <= used->col2; ++col) {
        const Variant value = sheet.CellValue(row, col);
        if (!value.IsEmpty()) out << row << "," << col << "=" << ValueText(value) << "\n";
      }
    }
  }
  return out.str();
}

// The Status column's cell of a ticker row (the table starts at the named anchor).
std::string StatusOf(Workbook& wb, int table_row) {
  Range anchor = wb.NameRange(kRangeTickerName);
  return anchor.Sheet().Cells(anchor.Row() + 1 + table_row, anchor.Column() + kStatus - 1).Text();
}

TEST(CalcExtMenu, MenuFileListsEveryCommandOfTheTable) {
  std::ifstream in(std::string(PLRXL_SOURCE_DIR) + "/calc/oxt/Addons.xcu");
  std::stringstream text;
  text << in.rdbuf();
  const std::string xcu = text.str();
  ASSERT_FALSE(xcu.empty());
  for (const ExtensionCommand& command : ExtensionCommands()) {
    SCOPED_TRACE(command.name);
    const std::string url = "<value>" + CommandUrl(command) + "</value>";
    const size_t at = xcu.find(url);
    ASSERT_NE(at, std::string::npos);
    // The entry's title follows its URL.
    EXPECT_NE(xcu.find(std::string(">") + command.label + "</value>", at), std::string::npos);
  }
  size_t urls = 0;
  for (size_t at = xcu.find("<value>vnd.plrxl:"); at != std::string::npos; at = xcu.find("<value>vnd.plrxl:", at + 1))
    ++urls;
  // Menu and toolbar each list every command once.
  EXPECT_EQ(urls, 2 * ExtensionCommands().size());
}

TEST(CalcExt, RefreshGivesTheCommandLinesValuesAndIsOneUndoEntry) {
  PLRXL_NEED_EXT_OFFICE();
  CalcOffice& office = *SharedExtOffice().office;
  const std::string by_cli = Fresh("cli.xlsx"), by_menu = Fresh("menu.xlsx");
  WriteProject(by_cli, FewRows());
  fs::copy_file(by_cli, by_menu);
  ASSERT_EQ(RunCli("refresh --no-store " + by_cli), 0);

  ClearUiLog();
  Reference<css::frame::XModel> document = LoadDocument(office, by_menu);
  Dispatch(office, document, "Refresh");
  EXPECT_EQ(UiLogLines().size(), 0u) << LogText();

  CalcHost host(office, Pinned(), {});
  Workbook& menu = host.AdoptDocument(Reference<css::lang::XComponent>(document, UNO_QUERY));
  Workbook& cli = host.OpenWorkbook(by_cli);
  for (int row = 1; row <= 3; ++row) EXPECT_FALSE(StatusOf(menu, row).empty()) << row;
  EXPECT_EQ(Dump(menu), Dump(cli));

  Reference<css::document::XUndoManager> undo =
      Reference<css::document::XUndoManagerSupplier>(document, UNO_QUERY_THROW)->getUndoManager();
  ASSERT_TRUE(undo->isUndoPossible());
  EXPECT_EQ(FromOu(undo->getCurrentUndoActionTitle()), "PelorinXL Refresh");
  cli.Close();
  menu.Close();
  CloseDocument(document);
}

TEST(CalcExt, UpdateAndRunMacrosRunOnTheOpenProject) {
  PLRXL_NEED_EXT_OFFICE();
  CalcOffice& office = *SharedExtOffice().office;
  const std::string path = Fresh("update.xlsx");
  WriteProject(path, FewRows());
  Reference<css::frame::XModel> document = LoadDocument(office, path);
  ClearUiLog();
  Dispatch(office, document, "Refresh");
  Dispatch(office, document, "Update");
  Dispatch(office, document, "RunMacros");
  EXPECT_EQ(UiLogLines().size(), 0u) << LogText();
  Reference<css::document::XUndoManager> undo =
      Reference<css::document::XUndoManagerSupplier>(document, UNO_QUERY_THROW)->getUndoManager();
  EXPECT_EQ(FromOu(undo->getCurrentUndoActionTitle()), "PelorinXL Run macros");
  CalcHost host(office, Pinned(), {});
  Workbook& wb = host.AdoptDocument(Reference<css::lang::XComponent>(document, UNO_QUERY));
  for (int row = 1; row <= 3; ++row) EXPECT_FALSE(StatusOf(wb, row).empty()) << row;
  EXPECT_NE(wb.FindWorksheet(FewRows()[0].ticker), nullptr);
  wb.Close();
  CloseDocument(document);
}

// Select rows: the dialog lists the ticker table; a run button runs on the
// rows chosen only, and the dialog comes back until it is cancelled. In an
// office without a display it is cancelled at once.
TEST(CalcExt, SelectRowsRunsOnTheRowsChosen) {
  PLRXL_NEED_EXT_OFFICE();
  CalcOffice& office = *SharedExtOffice().office;
  const std::string path = Fresh("select.xlsx");
  WriteProject(path, FewRows());
  Reference<css::frame::XModel> document = LoadDocument(office, path);
  ClearUiLog();
  AnswerDialogs({"rows 2 cmdRefresh", "cancel"});
  Dispatch(office, document, "SelectRows");
  AnswerDialogs({});
  Dispatch(office, document, "SelectRows");
  const std::vector<std::string> log = UiLogLines();
  ASSERT_EQ(log.size(), 3u) << LogText();
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].rfind("Select rows\t", 0), 0u) << log[i];
    for (const DemoRow& row : FewRows()) EXPECT_NE(log[i].find(row.ticker), std::string::npos) << row.ticker;
  }
  EXPECT_NE(log[0].find("\tcmdRefresh"), std::string::npos) << log[0];
  EXPECT_NE(log[1].find("\tcmdCancel"), std::string::npos) << log[1];
  EXPECT_NE(log[2].find("\tcmdCancel"), std::string::npos) << log[2];
  CalcHost host(office, Pinned(), {});
  Workbook& wb = host.AdoptDocument(Reference<css::lang::XComponent>(document, UNO_QUERY));
  for (int row = 1; row <= 3; ++row) {
    const bool chosen = row == 2;
    EXPECT_EQ(StatusOf(wb, row).empty(), !chosen) << row;
    EXPECT_EQ(wb.FindWorksheet(FewRows()[static_cast<size_t>(row - 1)].ticker) != nullptr, chosen) << row;
  }
  wb.Close();
  CloseDocument(document);
}

// Convert version-1 project: the converter dialog's Create converts as the
// command line does and opens the new project in the office; Cancel (and a
// headless office's answer) converts nothing.
TEST(CalcExt, ConvertWritesTheCommandLinesProjectAndOpensIt) {
  PLRXL_NEED_EXT_OFFICE();
  CalcOffice& office = *SharedExtOffice().office;
  const std::string old_project = Fresh("version1.xlsx");
  plrxl::testing::WriteVersion1Project(old_project);
  // A space in the new project's name: the office takes the file as a URL.
  const std::string by_menu = Fresh("converted project.xlsx"), by_cli = Fresh("converted_cli.xlsx");
  ASSERT_EQ(RunCli("convert " + old_project + " " + by_cli), 0);
  const std::string plain = Fresh("convert_start.xlsx");
  {
    CalcHost host(office, Pinned(), {});
    host.AddWorkbook().SaveAs(plain);
  }
  Reference<css::frame::XModel> start = LoadDocument(office, plain);
  ClearUiLog();
  AnswerDialogs({"files\t" + old_project + "\t" + by_menu});
  Dispatch(office, start, "ConvertProject");
  AnswerDialogs({});
  Dispatch(office, start, "ConvertProject");
  const std::vector<std::string> log = UiLogLines();
  ASSERT_EQ(log.size(), 3u) << LogText();
  EXPECT_EQ(log[0], "Convert a version-1 project\t" + old_project + "\\n" + by_menu + "\tcmdCreate");
  EXPECT_NE(log[1].find(by_menu), std::string::npos) << log[1];  // the message that it is done
  EXPECT_EQ(log[2], "Convert a version-1 project\t\\n\tcmdCancel");

  Reference<css::frame::XModel> opened;
  Reference<css::container::XEnumeration> all = office.Uno().desktop->getComponents()->createEnumeration();
  while (all->hasMoreElements()) {
    Reference<css::frame::XModel> model(all->nextElement(), UNO_QUERY);
    if (model.is() && FromOu(model->getURL()).find("/converted%20project.xlsx") != std::string::npos) opened = model;
  }
  ASSERT_TRUE(opened.is()) << "the new project is not open in the office";
  CalcHost host(office, Pinned(), {});
  Workbook& menu = host.AdoptDocument(Reference<css::lang::XComponent>(opened, UNO_QUERY));
  Workbook& cli = host.OpenWorkbook(by_cli);
  EXPECT_NE(menu.FindWorksheet(kParametersSheet), nullptr);
  EXPECT_EQ(Dump(menu), Dump(cli));
  cli.Close();
  menu.Close();
  CloseDocument(opened);
  CloseDocument(start);
}

// Edit row: the row editor's Insert appends the row it composes to the
// open project's table, as one undo entry; a headless office cancels it.
TEST(CalcExt, EditRowAppendsTheComposedRow) {
  PLRXL_NEED_EXT_OFFICE();
  CalcOffice& office = *SharedExtOffice().office;
  const std::string path = Fresh("edit.xlsx");
  WriteProject(path, FewRows());
  Reference<css::frame::XModel> document = LoadDocument(office, path);
  ClearUiLog();
  AnswerDialogs({"source\tSAMPLE", "value\tTICKER\tmsft", "value\tData Location\tAUTO",
                 "value\tData Direction\tFBT", "value\tData Beginning\tB3", "press\tcmdInsert"});
  Dispatch(office, document, "EditRow");
  AnswerDialogs({});
  Dispatch(office, document, "EditRow");
  const std::vector<std::string> log = UiLogLines();
  ASSERT_EQ(log.size(), 2u) << LogText();
  EXPECT_EQ(log[0].rfind("Row editor\t", 0), 0u) << log[0];
  EXPECT_NE(log[0].find("TICKER = msft"), std::string::npos) << log[0];
  EXPECT_NE(log[0].find("\tcmdInsert"), std::string::npos) << log[0];
  EXPECT_NE(log[1].find("\tcmdCancel"), std::string::npos) << log[1];
  Reference<css::document::XUndoManager> undo =
      Reference<css::document::XUndoManagerSupplier>(document, UNO_QUERY_THROW)->getUndoManager();
  EXPECT_EQ(FromOu(undo->getCurrentUndoActionTitle()), "PelorinXL Edit row");
  CalcHost host(office, Pinned(), {});
  Workbook& wb = host.AdoptDocument(Reference<css::lang::XComponent>(document, UNO_QUERY));
  Range anchor = wb.NameRange(kRangeTickerName);
  Worksheet& table = anchor.Sheet();
  const int added = anchor.Row() + 1 + 4;  // below the three rows
  EXPECT_EQ(table.Cells(added, anchor.Column() + kTicker - 1).Text(), "MSFT");
  EXPECT_EQ(table.Cells(added, anchor.Column() + kDataDirection - 1).Text(), "FBT");
  EXPECT_EQ(table.Cells(added, anchor.Column() + kDataBeginning - 1).Text(), "B3");
  EXPECT_EQ(table.Cells(added, anchor.Column() + kDataSource - 1).Text().rfind("SAMPLE", 0), 0u);
  EXPECT_TRUE(table.Cells(added + 1, anchor.Column() + kTicker - 1).Text().empty()) << "one row only";
  wb.Close();
  CloseDocument(document);
}

// What each command shows when it cannot do its work here; none of them
// changes the document.
TEST(CalcExt, CommandsThatCannotRunSayWhy) {
  PLRXL_NEED_EXT_OFFICE();
  CalcOffice& office = *SharedExtOffice().office;
  const std::string project = Fresh("windows.xlsx");
  WriteProject(project, FewRows());
  Reference<css::frame::XModel> document = LoadDocument(office, project);
  struct Case {
    const char* command;
    const char* shown;
  };
  const Case cases[] = {
      {"CancelRun", "No PelorinXL run is in progress."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    ClearUiLog();
    Dispatch(office, document, c.command);
    EXPECT_TRUE(LogHas(c.shown)) << LogText();
  }
  Reference<css::util::XModifiable> modified(document, UNO_QUERY_THROW);
  EXPECT_FALSE(modified->isModified());
  CloseDocument(document);

  // A spreadsheet that is no project.
  const std::string plain = Fresh("plain.xlsx");
  {
    CalcHost host(office, Pinned(), {});
    host.AddWorkbook().SaveAs(plain);
  }
  document = LoadDocument(office, plain);
  ClearUiLog();
  Dispatch(office, document, "Refresh");
  EXPECT_TRUE(LogHas("This document is not a PelorinXL project")) << LogText();
  CloseDocument(document);
}

// New project opens an untitled document holding what `pelorinxl new`
// writes, and leaves no scratch file behind. (The office here is headless:
// the document stays hidden, as showing a window would end such an office.)
TEST(CalcExt, NewProjectOpensAnUntitledProject) {
  PLRXL_NEED_EXT_OFFICE();
  CalcOffice& office = *SharedExtOffice().office;
  const std::string by_cli = Fresh("new.xlsx");
  ASSERT_EQ(RunCli("new " + by_cli), 0);
  const std::string plain = Fresh("start.xlsx");
  {
    CalcHost host(office, Pinned(), {});
    host.AddWorkbook().SaveAs(plain);
  }
  Reference<css::frame::XModel> start = LoadDocument(office, plain);
  auto projects = [&] {
    std::vector<Reference<css::frame::XModel>> found;
    Reference<css::container::XEnumeration> all = office.Uno().desktop->getComponents()->createEnumeration();
    while (all->hasMoreElements()) {
      Reference<css::frame::XModel> model(all->nextElement(), UNO_QUERY);
      if (model.is() && model->getURL().isEmpty()) found.push_back(model);
    }
    return found;
  };
  const size_t untitled = projects().size();
  ClearUiLog();
  Dispatch(office, start, "NewProject");
  EXPECT_EQ(UiLogLines().size(), 0u) << LogText();
  const std::vector<Reference<css::frame::XModel>> now = projects();
  ASSERT_EQ(now.size(), untitled + 1);
  const Reference<css::frame::XModel> made = now.back();

  CalcHost host(office, Pinned(), {});
  Workbook& menu = host.AdoptDocument(Reference<css::lang::XComponent>(made, UNO_QUERY));
  Workbook& cli = host.OpenWorkbook(by_cli);
  EXPECT_NE(menu.FindWorksheet(kSettingsSheet), nullptr);
  EXPECT_NE(menu.FindWorksheet(kParametersSheet), nullptr);
  EXPECT_EQ(Dump(menu), Dump(cli));
  cli.Close();
  menu.Close();
  CloseDocument(made);
  CloseDocument(start);
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
    EXPECT_EQ(entry.path().filename().string().rfind("pelorinxl-project-", 0), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace plrxl::calc::testing
