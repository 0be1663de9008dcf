// The run's read-ahead: whatever its byte budget, and with none at all, a
// run of many rows writes the same workbook, a failed row included; a cancel
// still ends the run where it was pressed.
#include <gtest/gtest.h>

#include "quotes/fault_injecting_fetcher.h"
#include "tests/download/download_fixture.h"
#include "tests/download/wrapped_fetcher.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl::testing {
namespace {

// More rows than the window reads ahead.
constexpr int kRows = ProgressBarWindow::kPrefetchRows + 12;
// The row whose download fails (counted in starts, so in rows that download).
constexpr int kFailingStart = 7;

// Rows of every shape; one repeats an earlier row and one asks for a
// weekend, where the source has no bars.
std::vector<RowSpec> ManyRows(const std::string& macros = "") {
  const char* periodicities[] = {"Daily", "Weekly", "Monthly"};
  const char* directions[] = {"FTB", "FBT"};
  const char* fields[] = {"dohlcv", "dc", "dcva"};
  std::vector<RowSpec> rows;
  for (int i = 0; i < kRows; ++i) {
    rows.push_back({"T" + std::to_string(i), Variant::Date(DateSerial(2024, 1, 2)),
                    Variant::Date(DateSerial(2024, 1 + i % 6, 28)), periodicities[i % 3], directions[i % 2], "", "",
                    i % 5 == 0 ? "SAMPLE(ADJUST VALUES)" : "SAMPLE", fields[i % 3], macros});
  }
  rows[20] = rows[10];
  rows[30].start = rows[30].end = Variant::Date(DateSerial(2024, 1, 6));
  return rows;
}

// A fetcher that is handed the rows ahead and ignores them: every download
// starts when its row is reached.
class SequentialFetcher : public WrappedFetcher {
 public:
  using WrappedFetcher::WrappedFetcher;
  void Prefetch(const std::vector<PrefetchItem>&) override {}
};

std::unique_ptr<QuoteFetcher> FetcherWithBudget(size_t bytes) {
  QuoteSettings settings;
  settings.worker_threads = 2;
  settings.prefetch_bytes = bytes;
  FaultPlan plan;
  plan.fail_call = kFailingStart;
  return MakeFaultInjectingFetcher(MakeQuoteFetcher(settings), plan);
}

struct BudgetCase {
  const char* name;
  size_t bytes;
};

void PrintTo(const BudgetCase& c, std::ostream* os) { *os << c.name; }

class ReadAheadTest : public DownloadTest, public ::testing::WithParamInterface<BudgetCase> {
 protected:
  // Refreshes a new project of ManyRows() and saves it; returns the file.
  std::string RefreshAndSave(const std::string& name) {
    Workbook& wb = Project(ManyRows());
    RunRefresh();
    const std::string path = temp_.File(name + ".xlsx");
    wb.SaveAs(path);
    return path;
  }
};

TEST_P(ReadAheadTest, WritesTheWorkbookOfASequentialRun) {
  context_.MakeQuoteFetcher = [] {
    QuoteSettings settings;
    settings.worker_threads = 2;
    FaultPlan plan;
    plan.fail_call = kFailingStart;
    return std::make_unique<SequentialFetcher>(MakeFaultInjectingFetcher(MakeQuoteFetcher(settings), plan), 0);
  };
  const std::string sequential = RefreshAndSave("sequential");
  const size_t bytes = GetParam().bytes;
  context_.MakeQuoteFetcher = [bytes] { return FetcherWithBudget(bytes); };
  const std::string read_ahead = RefreshAndSave(GetParam().name);

  Workbook& expected = host_.OpenWorkbook(sequential);
  Workbook& actual = host_.OpenWorkbook(read_ahead);
  ASSERT_NE(expected.FindWorksheet("T" + std::to_string(kRows - 1)), nullptr) << "the run reached the last row";
  Worksheet& settings = expected.Worksheets(kSettingsSheet);
  EXPECT_NE(ToText(settings.CellValue(3 + kFailingStart - 1, 11), Pinned()).find("injected"), std::string::npos);
  EXPECT_NE(ToText(settings.CellValue(3 + 30, 11), Pinned()).find("no bars"), std::string::npos);
  testing_xlsx::ExpectSameWorkbook(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(Budgets, ReadAheadTest,
                         ::testing::Values(BudgetCase{"default", QuoteSettings().prefetch_bytes},
                                           BudgetCase{"a_few_results", 4000}, BudgetCase{"one_byte", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, CancelEndsARunWithATinyReadAheadBudget) {
  context_.MakeQuoteFetcher = [] { return FetcherWithBudget(1); };
  Workbook& wb = Project(ManyRows("PressCancel"));
  int calls = 0;
  host_.RegisterFunction("PressCancel", [&](SpreadsheetHost&, std::vector<Variant>&) {
    if (++calls == 3) {
      EXPECT_TRUE(context_.windows.ProgressBarWindow->Click("CancelButton"));
    }
    return Variant();
  });
  RunRefresh();
  EXPECT_TRUE(context_.StopFlag);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(Status(wb, 4).rfind("05.12.2026 14:02:11 " + Message(wb, 16), 0), 0u) << Status(wb, 4);
  EXPECT_TRUE(Settings(wb).IsCellEmpty(5, 11)) << "the row being processed gets no status";
  EXPECT_NE(wb.FindWorksheet("T2"), nullptr);
  EXPECT_EQ(wb.FindWorksheet("T3"), nullptr);
  EXPECT_EQ(view_.closed, 1);
}

}  // namespace
}  // namespace plrxl::testing
