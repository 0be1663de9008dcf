// Local quote files end to end: the real pelorinxl program refreshes a
// project whose rows read a DDE FILE link and a CSV file written in the
// host's regional short-date form, and refuses a link out of the DDE folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>

#include "entry/pelorin.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/xlsx_test_util.h"

extern char** environ;

namespace plrxl {
namespace {

using testing_xlsx::TempFolder;

// Runs pelorinxl with the C locale, whose short date is "%m/%d/%y": the
// host then reads and writes dates as mm/dd/yy.
int PelorinxlInCLocale(const TempFolder& folder, std::vector<std::string> args, std::string* err) {
  const std::string program = std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl";
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("LC_", 0) != 0 && entry.rfind("LANG", 0) != 0) env_text.push_back(entry);
  }
  env_text.push_back("LC_ALL=C");
  std::vector<char*> env;
  for (std::string& e : env_text) env.push_back(e.data());
  env.push_back(nullptr);
  const std::string err_path = folder.File(".err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), env.data()) == 0) {
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128;
  }
  posix_spawn_file_actions_destroy(&actions);
  *err = testing_xlsx::ReadBytes(err_path);
  std::remove(err_path.c_str());
  return status;
}

void Write(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// The dates of a sheet's first column below its header.
std::vector<double> DateColumn(Worksheet& sheet) {
  std::vector<double> dates;
  for (int row = 2; row < 10; ++row) {
    const Variant v = sheet.GetRange("A" + std::to_string(row)).Value();
    if (v.IsEmpty()) break;
    dates.push_back(v.Number());
  }
  return dates;
}

TEST(LocalQuoteFiles, DdeLinkKeepsItsLetterCaseAndCsvReadsRegionalDates) {
  TempFolder folder;
  const std::string project = folder.File("Project.xlsx");
  // mm/dd/yyyy: the C locale's short-date order with a four-digit year.
  const std::string us_bars =
      "Date,Open,High,Low,Close,Volume\n01/02/2020,10,11,9,10.5,100\n01/03/2020,11,12,10,11.5,200\n";
  Write(folder.File("Feeds/Sub/ACME.csv"), us_bars);
  Write(folder.File("quotes/BETA.csv"), us_bars);
  Write(folder.File("secret/SECRET.csv"), us_bars);
  const std::vector<std::vector<std::string>> commands = {
      {"new", project},
      {"set-row", project, "3", "--ticker", "ACME", "--start-date", "2020-01-01", "--end-date", "2020-01-31",
       "--data-source", "DDE(FILE;Sub/ACME.csv;;;)", "--data-fields", "dc"},
      {"set-row", project, "4", "--ticker", "BETA", "--start-date", "2020-01-01", "--end-date", "2020-01-31",
       "--data-source", "CSV", "--data-fields", "dc"},
      {"set-row", project, "5", "--ticker", "GAMMA", "--start-date", "2020-01-01", "--end-date", "2020-01-31",
       "--data-source", "DDE(FILE;../secret/SECRET.csv;;;)", "--data-fields", "dc"},
  };
  std::string err;
  for (const auto& args : commands) ASSERT_EQ(PelorinxlInCLocale(folder, args, &err), 0) << err;
  // Links read only in Feeds/, not in secret/ beside it.
  Write(folder.File("config/PelorinXL/settings.ini"), "[Sources]\nDdeFolder=Feeds\n");
  PelorinxlInCLocale(folder, {"refresh", project, "--yes"}, &err);

  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(project);
  const std::vector<double> want = {DateSerial(2020, 1, 2), DateSerial(2020, 1, 3)};
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  Worksheet* acme = wb.FindWorksheet("ACME");
  ASSERT_NE(acme, nullptr) << settings.GetRange("K3").Text() << "\n" << err;
  EXPECT_EQ(DateColumn(*acme), want) << settings.GetRange("K3").Text();
  Worksheet* beta = wb.FindWorksheet("BETA");
  ASSERT_NE(beta, nullptr) << settings.GetRange("K4").Text() << "\n" << err;
  EXPECT_EQ(DateColumn(*beta), want) << settings.GetRange("K4").Text();
  EXPECT_NE(settings.GetRange("K5").Text().find("outside the DDE folder"), std::string::npos)
      << settings.GetRange("K5").Text();
}

}  // namespace
}  // namespace plrxl
