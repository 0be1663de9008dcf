// The version-1 converter on version-1 workbooks written here as real .xlsx
// files: every conversion rule, and the inputs it refuses with message 73.
#include <fstream>

#include "entry/converter.h"
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

struct V1Row {
  const char* ticker;
  const char* source;
  const char* macros;
};

class ConverterTest : public EntryTest {
 protected:
  // Writes a version-1 project named `name` whose settings sheet has the
  // given header cells and ticker rows (row 2 is the defaults row).
  std::string WriteVersion1(const std::string& name, const std::vector<V1Row>& rows, const char* a2 = "Defaults",
                            const char* sheet_name = kSettingsSheet) {
    Workbook& wb = host_.AddWorkbook();
    Worksheet& sheet = wb.WorksheetAt(1);
    sheet.SetName(sheet_name);
    const std::pair<const char*, const char*> header[] = {
        {"A1", "Ticker"}, {"A2", a2}, {"B1", "Start Date"}, {"C1", "End Date"}, {"D1", "Period"},
        {"H1", "Source"}, {"I1", "Fields"}, {"J1", "Autorun Macro"}};
    for (const auto& [address, text] : header) sheet.GetRange(address).SetValue(Variant(std::string(text)));
    sheet.GetRange("H2").SetValue(Variant(std::string("Yahoo")));
    int row = 3;
    for (const V1Row& r : rows) {
      sheet.Cells(row, 1).SetValue(Variant(std::string(r.ticker)));
      sheet.Cells(row, 8).SetValue(Variant(std::string(r.source)));
      if (*r.macros != '\0') sheet.Cells(row, 10).SetValue(Variant(std::string(r.macros)));
      ++row;
    }
    const std::string path = temp_.File(name);
    wb.SaveAs(path);
    wb.Close();
    return path;
  }

  std::unique_ptr<MemoryHost> Reload(const std::string& path) {
    auto host = std::make_unique<MemoryHost>(MakeXlsxStore(), PinnedRegional());
    host->OpenWorkbook(path);
    return host;
  }
};

TEST_F(ConverterTest, ConvertsEveryRuleAndShowsMessage72) {
  Workbook& project = NewProject();
  const std::string input = WriteVersion1("Old Project.xlsx", {
                                                                  {"AAA", "yahoo", "Sma(5)"},
                                                                  {"BBB", "YAHOOHIST", "Run!Old Project.xlsx.Go"},
                                                                  {"CCC", "YahooHist", "x!OLD PROJECT.Go"},
                                                                  {"DDD", "SAMPLE", "x!Other.xlsx.Go"},
                                                                  {"EEE", "Yahoo2", ""},
                                                              });
  const std::string output = temp_.File("New.xlsx");
  ui_.AnswerBox(MsgResult::kOk, "New.xlsx");
  host_.SetDisplayAlerts(true);
  host_.SetScreenUpdating(true);
  ASSERT_TRUE(ConvertVersion1Project(*pelorin_, input, output));
  EXPECT_TRUE(host_.DisplayAlerts());
  EXPECT_TRUE(host_.ScreenUpdating());
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].prompt, Filled(project, 72, output));

  auto host = Reload(output);
  Workbook& wb = *host->ActiveWorkbook();
  Worksheet& sheet = wb.Worksheets(kSettingsSheet);
  // The current column titles over A1:K1, the default source in H2.
  for (int col = 1; col <= 11; ++col) {
    EXPECT_EQ(sheet.Cells(1, col).Text(), Parameters(project).Cells(1, 8 + col).Text()) << col;
  }
  EXPECT_EQ(sheet.GetRange("H2").Text(), "SAMPLE");
  const DefinedName* ticker = wb.FindName(kRangeTickerName);
  const DefinedName* source = wb.FindName(kRangeDataSourceName);
  ASSERT_NE(ticker, nullptr);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(ticker->refers_to, "='PelorinXL Settings'!R1C1");
  EXPECT_EQ(source->refers_to, "='PelorinXL Settings'!R2C8");
  // Source renames, ignoring case; other values kept.
  const std::pair<int, const char*> sources[] = {{3, "YAHOOHIST(ADJUST VALUES)"},
                                                 {4, "YAHOOHIST(NO ADJUST VALUES)"},
                                                 {5, "YAHOOHIST(NO ADJUST VALUES)"},
                                                 {6, "SAMPLE"},
                                                 {7, "Yahoo2"}};
  for (const auto& [row, expected] : sources) EXPECT_EQ(sheet.Cells(row, 8).Text(), expected) << row;
  // Macro references to the old workbook point at the new one: the name
  // with its extension first, else without; other texts stay.
  const std::pair<int, const char*> macros[] = {
      {3, "Sma(5)"}, {4, "Run!New.xlsx.Go"}, {5, "x!New.xlsx.Go"}, {6, "x!Other.xlsx.Go"}};
  for (const auto& [row, expected] : macros) EXPECT_EQ(sheet.Cells(row, 10).Text(), expected) << row;
  // A current "Parameters" sheet makes the result a runnable project.
  ASSERT_NE(wb.FindWorksheet(kParametersSheet), nullptr);
  EXPECT_EQ(wb.Worksheets(kParametersSheet).GetRange("E72").Text(), Parameters(project).GetRange("E72").Text());
}

// The converter window as the entry object sees it: the names typed in.
class TypedConverterWindow : public ConverterWindow {
 public:
  TypedConverterWindow(std::string input, std::string output) : input_(std::move(input)), output_(std::move(output)) {}
  std::string FormName() const override { return "frmConverter"; }
  void SetOwner(CPelorin*) override {}
  void RunHeadless(UiPort&) override {}
  std::string txtFileNameInput() const override { return input_; }
  std::string txtFileNameOutput() const override { return output_; }

 private:
  std::string input_, output_;
};

TEST_F(ConverterTest, TheWindowsCreateRunsTheConverter) {
  Workbook& project = NewProject();
  const std::string input = WriteVersion1("v1.xlsx", {{"AAA", "Yahoo", ""}});
  const std::string output = temp_.File("v2.xlsx");
  context_.factories.frmConverter = [&](RunContext&) { return std::make_unique<TypedConverterWindow>(input, output); };
  ui_.ExpectModal("frmConverter", "", [](Form& form, UiPort&) { form.Tag = "1"; });
  ui_.AnswerBox(MsgResult::kOk, "v2.xlsx");
  pelorin_->ShowConverterFromPelorin1IntoPelorin2();
  EXPECT_EQ(ui_.Boxes().back().prompt, Filled(project, 72, output));
  EXPECT_EQ(Reload(output)->ActiveWorkbook()->Worksheets(kSettingsSheet).GetRange("H3").Text(),
            "YAHOOHIST(ADJUST VALUES)");
  EXPECT_EQ(context_.windows.frmConverter, nullptr);  // unloaded
}

TEST_F(ConverterTest, KeepsAnOldParametersSheetUnderAnotherName) {
  NewProject();
  Workbook& old = host_.AddWorkbook();
  old.WorksheetAt(1).SetName(kSettingsSheet);
  Worksheet& settings = old.WorksheetAt(1);
  for (const Version1Cell& cell : kVersion1Cells) settings.GetRange(cell.address).SetValue(Variant(std::string(cell.text)));
  Worksheet& parameters = old.AddWorksheet();
  parameters.SetName(kParametersSheet);
  parameters.GetRange("A1").SetValue(Variant(std::string("old")));
  const std::string input = temp_.File("v1.xlsx");
  old.SaveAs(input);
  old.Close();
  ui_.AnswerBox(MsgResult::kOk);
  ASSERT_TRUE(ConvertVersion1Project(*pelorin_, input, temp_.File("v2.xlsx")));
  auto host = Reload(temp_.File("v2.xlsx"));
  Workbook& wb = *host->ActiveWorkbook();
  EXPECT_EQ(wb.Worksheets("Parameters (version 1)").GetRange("A1").Text(), "old");
  EXPECT_EQ(wb.Worksheets(kParametersSheet).GetRange("I1").Text(), "Ticker");
}

TEST_F(ConverterTest, RecognisesOnlyTheFiveCellsOfVersion1) {
  NewProject();
  EXPECT_TRUE(CheckFilePelorinXL(*pelorin_, WriteVersion1("good.xlsx", {})));
  EXPECT_FALSE(CheckFilePelorinXL(*pelorin_, WriteVersion1("default.xlsx", {}, "Default")));
  EXPECT_FALSE(CheckFilePelorinXL(*pelorin_, WriteVersion1("other.xlsx", {}, "Defaults", "Settings")));
  // The project workbook is still the active one afterwards.
  EXPECT_EQ(host_.ActiveWorkbook(), pelorin_->ThisWorkbookApplication());
}

TEST_F(ConverterTest, RefusesWhatItCannotConvertWithMessage73) {
  Workbook& project = NewProject();
  const std::string good = WriteVersion1("good.xlsx", {});
  const std::string defaults = WriteVersion1("default.xlsx", {}, "Default");
  const std::string no_sheet = WriteVersion1("nosheet.xlsx", {}, "Defaults", "Sheet1");
  const std::string binary = temp_.File("old.xls");
  {
    std::ofstream out(binary, std::ios::binary);
    out << "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" << std::string(504, '\0');
  }
  const std::string broken = temp_.File("broken.xlsx");
  std::ofstream(broken) << "not a zip";
  const std::string existing = temp_.File("exists.xlsx");
  std::ofstream(existing) << "x";

  struct Case {
    std::string input, output, reason;
  };
  const Case cases[] = {
      {"", temp_.File("o.xlsx"), "Enter the name of the version-1 workbook."},
      {good, "", "Enter the name of the workbook to create."},
      {good, temp_.File("GOOD.XLSX"), "The new workbook needs a name other than the version-1 workbook's."},
      {temp_.File("missing.xlsx"), temp_.File("o.xlsx"), "The file \"" + temp_.File("missing.xlsx") + "\" does not exist."},
      {binary, temp_.File("o.xlsx"), "libreoffice --headless --convert-to xlsx \"" + binary + "\""},
      {good, existing, "The file \"" + existing + "\" exists already."},
      {defaults, temp_.File("o.xlsx"),
       "is not a version-1 project: cell A2 of \"PelorinXL Settings\" reads \"Default\" instead of \"Defaults\"."},
      {no_sheet, temp_.File("o.xlsx"), "is not a version-1 project: it has no sheet \"PelorinXL Settings\"."},
      {broken, temp_.File("o.xlsx"), "\"" + broken + "\" cannot be read: "},
  };
  const std::string intro = Filled(project, 73, "");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    ui_.AnswerBox(MsgResult::kOk);
    EXPECT_FALSE(ConvertVersion1Project(*pelorin_, c.input, c.output));
    ASSERT_FALSE(ui_.Boxes().empty());
    const std::string& prompt = ui_.Boxes().back().prompt;
    EXPECT_EQ(prompt.rfind(intro, 0), 0u) << prompt;
    EXPECT_NE(prompt.find(c.reason), std::string::npos) << prompt;
    EXPECT_FALSE(std::filesystem::exists(temp_.File("o.xlsx")));
  }
  // An existing output is replaced when asked to.
  ui_.AnswerBox(MsgResult::kOk);
  EXPECT_TRUE(ConvertVersion1Project(*pelorin_, good, existing, true));
}

}  // namespace
}  // namespace plrxl::testing
