// DDE FILE links read only inside the DDE folder, find names whatever their
// letter case, and the settings and host hand the component the folder and
// the short-date pattern.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/quotes/quote_test_util.h"

namespace plrxl::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBars = "Date,Open,High,Low,Close,Volume\n2024-01-02,1,2,1,2,10\n2024-01-09,2,3,2,3,20\n";

struct LinkCase {
  const char* name;
  const char* topic;       // "@" stands for the workbook folder's absolute path
  const char* dde_folder;  // the DdeFolder setting; "" = the workbook's folder
  int32_t error;           // 0 = the bars are read
  const char* text;        // part of the error text
};

class DdeLinks : public ::testing::TestWithParam<LinkCase> {
 protected:
  // The workbook lives in book/; beside it lie a secret file and a second
  // folder of links; book/ holds a link out and a file link out.
  void SetUp() override {
    dir_.Write("book/Feeds/ACME.csv", kBars);
    dir_.Write("book/inside.csv", kBars);
    dir_.Write("book/Twin/a.csv", kBars);
    dir_.Write("book/Twin/A.csv", kBars);
    dir_.Write("secret.csv", kBars);
    dir_.Write("links/Q.csv", kBars);
    fs::create_symlink(dir_.Path() / "secret.csv", dir_.Path() / "book/escape.csv");
    fs::create_directory_symlink(dir_.Path(), dir_.Path() / "book/tunnel");
    fs::create_symlink(dir_.Path() / "book/inside.csv", dir_.Path() / "book/alias.csv");
  }

  TempDir dir_;
};

TEST_P(DdeLinks, ReadOnlyInsideTheFolder) {
  const LinkCase& c = GetParam();
  QuoteSettings settings = TestSettings(dir_);
  settings.base_folder = (dir_.Path() / "book").string();
  settings.dde_folder = c.dde_folder;
  std::string topic = c.topic;
  if (topic.rfind("@", 0) == 0) topic = settings.base_folder + topic.substr(1);
  auto fetcher = MakeQuoteFetcher(settings);
  auto r = NewRequest(*fetcher, {"DDE", "X", Day(2024, 1, 1), Day(2024, 1, 31)});
  r->SetParameter("SERVICE", Variant("file"));
  r->SetParameter("TOPIC", Variant(topic));
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), c.error) << r->ErrorDescription();
  if (c.error == 0) {
    EXPECT_EQ(Column(r->Result(), kFieldClose), (std::vector<double>{2, 3}));
  } else {
    EXPECT_NE(r->ErrorDescription().find(c.text), std::string::npos) << r->ErrorDescription();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DdeLinks,
    ::testing::Values(
        LinkCase{"exact_case", "Feeds/ACME.csv", "", 0, ""},
        LinkCase{"lower_cased_by_the_project", "feeds/acme.csv", "", 0, ""},
        LinkCase{"windows_separators", "feeds\\acme.csv", "", 0, ""},
        LinkCase{"absolute_inside", "@/Feeds/ACME.csv", "", 0, ""},
        LinkCase{"dot_dot_that_stays_inside", "Feeds/../inside.csv", "", 0, ""},
        LinkCase{"link_that_stays_inside", "alias.csv", "", 0, ""},
        LinkCase{"dot_dot_escape", "../secret.csv", "", kQuoteFile, "outside the DDE folder"},
        LinkCase{"deep_dot_dot_escape", "feeds/../../../../../../etc/passwd", "", kQuoteFile,
                 "outside the DDE folder"},
        LinkCase{"absolute_outside", "/etc/passwd", "", kQuoteFile, "outside the DDE folder"},
        LinkCase{"file_link_out", "escape.csv", "", kQuoteFile, "outside the DDE folder"},
        LinkCase{"folder_link_out", "tunnel/secret.csv", "", kQuoteFile, "outside the DDE folder"},
        LinkCase{"missing_file", "Feeds/none.csv", "", kQuoteFile, "no file \"Feeds/none.csv\""},
        LinkCase{"two_names_differ_only_in_case", "twin/A.CSV", "", kQuoteFile, "differ only in letter case"},
        LinkCase{"configured_folder_relative", "q.csv", "../links", 0, ""},
        LinkCase{"configured_folder_shuts_out_the_book", "../book/inside.csv", "../links", kQuoteFile,
                 "outside the DDE folder"},
        LinkCase{"configured_folder_missing", "q.csv", "/nonexistent/links", kQuoteFile, "does not exist"}),
    [](const auto& info) { return std::string(info.param.name); });

// The settings file names the folder; the host's regional settings reach
// the CSV reader (a file in the host's short-date form is read).
TEST(DdeLinkSettings, FolderFromTheSettingsFileAndDatesInTheHostsShortForm) {
  TempDir dir;
  const std::string old = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  dir.Write("PelorinXL/settings.ini", "[Sources]\nDdeFolder=feeds\n");
  dir.Write("book/feeds/us.csv", "Date,Close\n01/02/2020,5\n01/03/2020,6\n");
  RegionalSettings us;
  us.short_date = "mm/dd/yy";
  const QuoteSettings settings = LoadQuoteSettings((dir.Path() / "book").string(), us);
  EXPECT_EQ(settings.dde_folder, "feeds");
  EXPECT_EQ(settings.regional.short_date, "mm/dd/yy");
  EXPECT_TRUE(LoadQuoteSettings("/work/book", (dir.Path() / "none.ini").string()).dde_folder.empty());
  auto fetcher = MakeQuoteFetcher(settings);
  auto r = NewRequest(*fetcher, {"DDE", "X", Day(2020, 1, 1), Day(2020, 1, 31)});
  r->SetParameter("SERVICE", Variant("FILE"));
  r->SetParameter("TOPIC", Variant("us.csv"));
  RunToEnd(*r);
  EXPECT_EQ(r->ErrorNumber(), 0) << r->ErrorDescription();
  EXPECT_EQ(Column(r->Result(), kFieldDate), (std::vector<double>{Day(2020, 1, 2), Day(2020, 1, 3)}));
  if (old.empty()) {
    unsetenv("XDG_CONFIG_HOME");
  } else {
    setenv("XDG_CONFIG_HOME", old.c_str(), 1);
  }
}

}  // namespace
}  // namespace plrxl::testing
