// Starting and reaching an office: the failures a cron job must see clearly,
// and a second connection to a running office.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/error.h"
#include "tests/calc/calc_office_fixture.h"

namespace plrxl::calc::testing {
namespace {

std::string Script(const std::string& name, const std::string& body) {
  const std::string path = TestFolder() + "/" + name;
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return path;
}

std::string FailureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1004) << e.Description();
    return e.Description();
  }
  return "";
}

struct StartCase {
  const char* name;
  std::string program;  // "" when made by the case
  std::string script;   // the body of a stand-in office program
  double timeout;
  const char* says;
};

TEST(CalcOffice, StartFailuresSayWhatWentWrong) {
  const std::string pid_file = TestFolder() + "/stand_in.pid";
  const StartCase cases[] = {
      {"no such program", "/nonexistent/soffice", "", 5, "was not found"},
      {"quits at once", "", "exit 3", 20, "quit before it accepted"},
      {"never accepts", "", "echo $$ > " + pid_file + "\nexec sleep 600", 1, "No office accepts"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartOptions options;
    options.soffice = c.program.empty() ? Script("stand_in.sh", c.script) : c.program;
    options.profile_dir = TestFolder() + "/stand_in_profile";
    options.timeout_seconds = c.timeout;
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_NE(FailureOf([&] { CalcOffice::Start(options); }).find(c.says), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(15));
  }
  // The program that never accepted was ended, not left behind.
  std::ifstream in(pid_file);
  int pid = 0;
  ASSERT_TRUE(in >> pid);
  EXPECT_NE(kill(pid, 0), 0);
  EXPECT_NE(FailureOf([] {
              StartOptions options;
              CalcOffice::Start(options);
            }).find("profile folder"),
            std::string::npos);
}

// An office that outlives a crashed caller must not keep the caller's
// output open: a test runner reading it would wait for ever.
TEST(CalcOffice, AStartedOfficeSharesNoStandardStreams) {
  const std::string streams_file = TestFolder() + "/stand_in.streams";
  StartOptions options;
  options.soffice = Script("streams.sh", "streams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
                                             "echo \"$streams\" > " + streams_file + "\nexit 3");
  options.profile_dir = TestFolder() + "/streams_profile";
  options.timeout_seconds = 20;
  EXPECT_NE(FailureOf([&] { CalcOffice::Start(options); }).find("quit before it accepted"), std::string::npos);
  std::ifstream in(streams_file);
  std::stringstream streams;
  streams << in.rdbuf();
  EXPECT_EQ(streams.str(), "/dev/null\n/dev/null\n/dev/null\n");
}

TEST(CalcOffice, ConnectToNothingFailsWithinItsTime) {
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_NE(FailureOf([] { CalcOffice::Connect("pipe,name=plrxl_nobody_here", 0.5); }).find("No office accepts"),
            std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
}

TEST(CalcOffice, ASecondConnectionSeesTheSameOffice) {
  PLRXL_NEED_OFFICE();
  std::unique_ptr<CalcOffice> again = CalcOffice::Connect(SharedOffice()->Connection(), 10);
  EXPECT_EQ(again->ProcessId(), 0) << "a connected office is not ours to end";
  auto first = MakeCalcHost(*SharedOffice(), RegionalSettings{});
  auto second = MakeCalcHost(*again, RegionalSettings{});
  Workbook& book = second->AddWorkbook();
  book.WorksheetAt(1).SetCellFormula(1, 1, "=6*7", Variant());
  EXPECT_EQ(book.WorksheetAt(1).CellValue(1, 1), Variant(42.0));
  second.reset();
  again.reset();  // lets go of the office without ending it
  Workbook& other = first->AddWorkbook();
  other.WorksheetAt(1).SetCellValue(1, 1, Variant("still here"));
  EXPECT_EQ(other.WorksheetAt(1).CellValue(1, 1), Variant("still here"));
}

}  // namespace
}  // namespace plrxl::calc::testing
