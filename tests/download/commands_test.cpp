// The pelorinxl run commands end to end: a real project file written,
// run through the program, and read back.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <set>

#include "download/demo_project.h"
#include "tests/download/download_fixture.h"

namespace plrxl::testing {
namespace {

const std::string kProgram = std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl";

struct Ran {
  int exit_code;
  std::string out;
};

class CommandsTest : public DownloadTest {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kProgram)) GTEST_SKIP() << "pelorinxl not built";
  }

  Ran Run(const std::string& args) {
    const std::string line = "cd '" + temp_.Path() + "' && XDG_CONFIG_HOME='" + store_.ConfigHome() + "' '" +
                             kProgram + "' " + args + " 2>&1 </dev/null";
    Ran ran{-1, ""};
    FILE* pipe = popen(line.c_str(), "r");
    std::array<char, 4096> buffer;
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) ran.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    ran.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
  }

  // Writes a project with `rows` to project.xlsx.
  std::string WriteProject(const std::vector<DemoRow>& rows) {
    Workbook& wb = host_.AddWorkbook();
    CreateProjectWorkbook(*pelorin_, wb, Now());
    WriteDemoRows(wb, rows);
    const std::string path = temp_.File("project.xlsx");
    wb.SaveAs(path);
    wb.Close();
    return path;
  }

  Workbook& Reload(const std::string& path) {
    if (Workbook* open = host_.FindWorkbook("project.xlsx")) open->Close();
    return host_.OpenWorkbook(path);
  }
};

std::vector<DemoRow> ThreeRows() {
  return {{"AAA", "2024-01-02", "2024-03-28", "Daily", "FTB", "dc", ""},
          {"BBB", "2024-01-02", "2024-03-28", "Weekly", "FBT", "dohlcv", ""},
          {"CCC", "2024-01-02", "2024-03-28", "Daily", "FTB", "xyz", ""}};  // no field: a red status
}

TEST_F(CommandsTest, RefreshThenFailedRowsThenUpdateAndMacros) {
  const std::string path = WriteProject(ThreeRows());
  Ran ran = Run("refresh project.xlsx");
  ASSERT_EQ(ran.exit_code, 1) << ran.out;  // one row failed
  EXPECT_NE(ran.out.find("row 3 AAA: "), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("row 5 CCC: "), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("[failed]"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("Done: 3 row(s), 1 failed"), std::string::npos) << ran.out;
  {
    Workbook& wb = Reload(path);
    EXPECT_NE(wb.FindWorksheet("AAA"), nullptr);
    EXPECT_EQ(wb.Worksheets("AAA").CellValue(1, 2), Variant("Close"));
    EXPECT_TRUE(wb.Worksheets("BBB").CellValue(2, 1).IsDate());
    EXPECT_EQ(Settings(wb).Cells(5, 11).FontColorIndex(), 3);
    EXPECT_EQ(Settings(wb).Cells(3, 11).FontColorIndex(), 0);
    // Repair the failing row and run only what failed.
    Settings(wb).SetCellValue(5, 9, Variant("dv"));
    Settings(wb).SetCellValue(3, 11, Variant("untouched"));
    wb.Save();
    wb.Close();
  }
  ran = Run("refresh --failed project.xlsx");
  ASSERT_EQ(ran.exit_code, 0) << ran.out;
  EXPECT_NE(ran.out.find("Done: 1 row(s), 0 failed"), std::string::npos) << ran.out;
  {
    Workbook& wb = Reload(path);
    EXPECT_EQ(Status(wb, 3), "untouched");
    EXPECT_EQ(wb.Worksheets("CCC").CellValue(1, 2), Variant("Volume"));
    EXPECT_EQ(Settings(wb).Cells(5, 11).FontColorIndex(), 0);
    Settings(wb).SetCellValue(3, 3, Variant::Date(DateSerial(2024, 4, 30)));
    wb.Save();
    wb.Close();
  }
  ran = Run("update --rows 3 project.xlsx");
  ASSERT_EQ(ran.exit_code, 0) << ran.out;
  {
    Workbook& wb = Reload(path);
    const int last = wb.Worksheets("AAA").GetRange("A1").End(Direction::kDown).Row();
    EXPECT_EQ(wb.Worksheets("AAA").CellValue(last, 1), Variant::Date(DateSerial(2024, 4, 30)));
    wb.Close();
  }
  ran = Run("macros project.xlsx");
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  ran = Run("refresh --rows 9-5 project.xlsx");
  EXPECT_NE(ran.exit_code, 0);
  EXPECT_NE(ran.out.find("ends before it starts"), std::string::npos) << ran.out;
}

TEST_F(CommandsTest, SourcesListsEveryEntryWithItsDescription) {
  Ran ran = Run("sources");
  ASSERT_EQ(ran.exit_code, 0) << ran.out;
  EXPECT_EQ(ran.out.rfind("SAMPLE ", 0), 0u) << ran.out;
  EXPECT_NE(ran.out.find("\nSAMPLE(ADJUST VALUES) "), std::string::npos);
  EXPECT_NE(ran.out.find("\nDDE "), std::string::npos);
}

TEST_F(CommandsTest, MissingPluginStopsBeforeTheProjectChanges) {
  const std::string path = WriteProject(ThreeRows());
  const auto before = std::filesystem::last_write_time(path);
  Ran ran = Run("refresh --plugin ./nothing.so project.xlsx");
  EXPECT_NE(ran.exit_code, 0);
  EXPECT_NE(ran.out.find("Cannot load plugin ./nothing.so"), std::string::npos) << ran.out;
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

TEST_F(CommandsTest, DemoWritesAndRefreshesItsProject) {
  Ran ran = Run("demo demo");
  ASSERT_EQ(ran.exit_code, 0) << ran.out;
  Workbook& wb = host_.OpenWorkbook(temp_.File("demo/demo.xlsx"));
  EXPECT_GE(wb.WorksheetCount(), 2 + 20);
  int red = 0;
  for (int row = 3; row < 3 + static_cast<int>(DemoRows().size()); ++row) {
    red += Settings(wb).Cells(row, 11).FontColorIndex() == 3 ? 1 : 0;
    EXPECT_FALSE(Settings(wb).IsCellEmpty(row, 11)) << row;
  }
  EXPECT_EQ(red, 0);
  // Every ticker exported (the twelve layouts in turn), and has its summary
  // and transposed lines.
  const int tickers = static_cast<int>(DemoRows().size());
  std::set<std::string> files, extensions;
  for (const auto& entry : std::filesystem::directory_iterator(temp_.File("demo/exports"))) {
    files.insert(entry.path().filename().string());
    extensions.insert(entry.path().extension().string());
  }
  EXPECT_EQ(static_cast<int>(files.size()), tickers);
  EXPECT_EQ(extensions, (std::set<std::string>{".asc", ".csv", ".prn", ".sc4", ".txt", ".xls"}));
  EXPECT_EQ(files.count("ALPHA_D.prn"), 1u);  // the first row: "metastock"
  for (int k = 1; k <= tickers; ++k) {
    EXPECT_FALSE(wb.Worksheets("Summary").IsCellEmpty(1 + k, 1)) << k;
    EXPECT_FALSE(wb.Worksheets("Data").IsCellEmpty(1 + k, 2)) << k;
  }
  wb.Close();

  // One chart per ticker, titled with it, also after the macros ran again.
  ASSERT_EQ(Run("macros demo/demo.xlsx").exit_code, 0);
  Workbook& again = host_.OpenWorkbook(temp_.File("demo/demo.xlsx"));
  std::set<ChartKind> kinds;
  for (const DemoRow& r : DemoRows()) {
    if (r.macros.empty()) continue;
    Worksheet& sheet = again.Worksheets(r.ticker);
    ASSERT_EQ(sheet.ChartCount(), 1) << r.ticker;
    EXPECT_EQ(sheet.ChartAt(1).title, r.ticker);
    kinds.insert(sheet.ChartAt(1).kind);
  }
  EXPECT_EQ(kinds, (std::set<ChartKind>{ChartKind::kLine, ChartKind::kStock}));
}

}  // namespace
}  // namespace plrxl::testing

namespace plrxl::testing {
namespace {

// The documented entry point, built the way docs/plugins.md says.
constexpr const char* kPluginSource = R"(
#include "app/plugin_api.h"

extern "C" int PelorinXLRegisterMacros(plrxl::MacroRegistry& registry) {
  registry.Register("Stamp", [](plrxl::SpreadsheetHost& host, std::vector<plrxl::Variant>& args) {
    host.ActiveSheet()->GetRange(args.at(0).Text()).SetValue(plrxl::Variant(args.at(1).Text()));
    return plrxl::Variant();
  });
  return 0;
}
)";

TEST_F(CommandsTest, PluginMacrosRunFromTheMacroText) {
  {
    std::ofstream out(temp_.File("stamp.cpp"));
    out << kPluginSource;
  }
  const std::string compile = "c++ -std=c++20 -shared -fPIC -I'" + std::string(PLRXL_SOURCE_DIR) + "' '" +
                              temp_.File("stamp.cpp") + "' -o '" + temp_.File("libstamp.so") + "' 2>&1";
  ASSERT_EQ(std::system(compile.c_str()), 0);
  WriteProject({{"AAA", "2024-01-02", "2024-01-31", "Daily", "FTB", "dc", "Stamp(E1,stamped)"}});
  Ran ran = Run("refresh --plugin ./libstamp.so project.xlsx");
  ASSERT_EQ(ran.exit_code, 0) << ran.out;
  Workbook& wb = Reload(temp_.File("project.xlsx"));
  EXPECT_EQ(wb.Worksheets("AAA").CellValue(1, 5), Variant("stamped"));
  EXPECT_EQ(Settings(wb).Cells(3, 11).FontColorIndex(), 0);

  // Without the plugin the name is unknown: the macro fails and, with --no,
  // the run stops there.
  ran = Run("refresh --no project.xlsx");
  EXPECT_NE(ran.out.find("Error Function :Stamp"), std::string::npos) << ran.out;
}

}  // namespace
}  // namespace plrxl::testing
