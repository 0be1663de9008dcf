#include "tests/calc/calc_office_fixture.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

#include "host/error.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/host_contract.h"

namespace plrxl::calc::testing {
namespace {

std::unique_ptr<CalcOffice>& Office() {
  static std::unique_ptr<CalcOffice> office;
  return office;
}

// The office goes when the test program ends, after the last test.
class OfficeEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    Office().reset();
    std::error_code ec;
    std::filesystem::remove_all(TestFolder(), ec);
  }
};

::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);

}  // namespace

std::vector<std::string> ChartsInFile(const std::string& path,
                                      const std::function<std::string(const Chart&)>& describe) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  std::vector<std::string> charts;
  for (int s = 1; s <= wb.WorksheetCount(); ++s) {
    Worksheet& sheet = wb.WorksheetAt(s);
    for (int i = 1; i <= sheet.ChartCount(); ++i) charts.push_back(sheet.Name() + ": " + describe(sheet.ChartAt(i)));
  }
  return charts;
}

const std::string& TestFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_calc_XXXXXX").string();
    std::string path = mkdtemp(pattern.data());
    // The office and its helpers write caches and settings under the home
    // and XDG folders: never the real ones.
    for (const char* sub : {"home", "config", "cache", "profile"}) std::filesystem::create_directories(path + "/" + sub);
    setenv("HOME", (path + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (path + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (path + "/cache").c_str(), 1);
    return path;
  }();
  return folder;
}

CalcOffice* SharedOffice() {
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (!CalcOffice::ProgramAvailable()) {
      std::printf("[calc] soffice not found: the tests that need an office are skipped\n");
      return nullptr;
    }
    StartOptions options;
    options.profile_dir = TestFolder() + "/profile";
    options.timeout_seconds = 120;
    Office() = CalcOffice::Start(options);  // a failure to start fails the test that asked
    std::printf("[calc] soffice started and accepting after %.2f s\n", Office()->SecondsToAccept());
  }
  return Office().get();
}

std::unique_ptr<SpreadsheetHost> MakeTestHost() {
  CalcOffice* office = SharedOffice();
  if (office == nullptr) return nullptr;
  return MakeCalcHost(*office, contract::Pinned());
}

}  // namespace plrxl::calc::testing
