// CFileOpenSaveDialog over the scripted UI.
#include "support/file_dialog.h"

#include <gtest/gtest.h>

#include "support/error_numbers.h"
#include "tests/support/temp_folder.h"

namespace plrxl {
namespace {

TEST(FileDialogTest, FilterRecordHasNulSeparatorsAndTwoClosingNuls) {
  EXPECT_EQ(CFileOpenSaveDialog::FilterRecord("Text files|*.txt|All files|*.*"),
            std::string("Text files\0*.txt\0All files\0*.*\0\0", 32));
}

TEST(FileDialogTest, StartsWithTheDocumentedValues) {
  testing::TestUi ui;
  CFileOpenSaveDialog dialog(ui);
  EXPECT_FALSE(dialog.CenterDialog);
  EXPECT_EQ(dialog.Flags, 0x280000);
  EXPECT_EQ(dialog.FileCount(), 0);
  EXPECT_EQ(dialog.DefaultFilter, 1);
  EXPECT_EQ(dialog.MaxFileSize, 1024);
  EXPECT_EQ(dialog.HWndOwner(), 0);
  EXPECT_EQ(dialog.GetNextFileName(1), "");
}

TEST(FileDialogTest, ShowPassesTheOptionsAndUnpacksTheChoice) {
  struct Case {
    const char* name;
    int32_t flags;
    std::vector<std::string> chosen;
    std::string file_name;
    std::string file_title;
    std::string selected_path;
    int16_t file_count;
    std::vector<std::string> next;  // GetNextFileName(0..3)
  };
  const Case cases[] = {
      {"single file", 0x81004, {"/data/quotes/a.csv"}, "/data/quotes/a.csv", "a.csv", "/data/quotes/", 1,
       {"/data/quotes/a.csv", "/data/quotes/a.csv", "/data/quotes/a.csv", "/data/quotes/a.csv"}},
      {"two files of a Windows folder", 0x81204, {"C:\\Data\\a.txt", "C:\\Data\\b.txt"}, "C:\\Data", "a.txt",
       "C:\\Data", 2, {"C:\\Data", "C:\\Data\\a.txt", "C:\\Data\\b.txt", "C:\\Data"}},
      {"three files", 0x80200, {"/q/x.xls", "/q/y.xls", "/q/z.xls"}, "/q", "x.xls", "/q", 3,
       {"/q", "/q/x.xls", "/q/y.xls", "/q/z.xls"}},
      {"multi flag, one file", 0x80200, {"/q/x.xls"}, "/q/x.xls", "x.xls", "/q/", 1,
       {"/q/x.xls", "/q/x.xls", "/q/x.xls", "/q/x.xls"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TestUi ui;
    ui.ChooseFiles(c.chosen);
    CFileOpenSaveDialog dialog(ui);
    dialog.CenterDialog = true;
    dialog.Init("Workbooks|*.xls;*.xlsx|Text|*.txt|All files|*.*", 3, "/start", "", "Load project", 0, c.flags);
    EXPECT_TRUE(dialog.Show(0));
    EXPECT_EQ(dialog.FileName, c.file_name);
    EXPECT_EQ(dialog.FileTitle, c.file_title);
    EXPECT_EQ(dialog.SelectedPath(), c.selected_path);
    EXPECT_EQ(dialog.FileCount(), c.file_count);
    for (int16_t i = 0; i < 4; ++i) EXPECT_EQ(dialog.GetNextFileName(i), c.next[i]) << i;
    EXPECT_EQ(dialog.Flags & 0x20, 0x20);
    ASSERT_EQ(ui.FileDialogs().size(), 1u);
    const FileDialogOptions& o = ui.FileDialogs()[0];
    EXPECT_EQ(o.title, "Load project");
    EXPECT_EQ(o.initial_dir, "/start");
    EXPECT_EQ(o.selected_filter, 3);
    EXPECT_EQ(o.multi_select, (c.flags & 0x200) != 0);
    ASSERT_EQ(o.filters.size(), 3u);
    EXPECT_EQ(o.filters[0], (std::pair<std::string, std::string>{"Workbooks", "*.xls;*.xlsx"}));
    EXPECT_EQ(o.filters[2], (std::pair<std::string, std::string>{"All files", "*.*"}));
  }
}

TEST(FileDialogTest, CancelAndUnknownTypesChangeNothing) {
  testing::TestUi ui;
  ui.ChooseFiles({}).ChooseSavePath(std::nullopt);
  CFileOpenSaveDialog dialog(ui);
  dialog.Init("All|*.*", 1, "", "keep.txt");
  EXPECT_FALSE(dialog.Show(0));
  EXPECT_FALSE(dialog.Show(1));
  EXPECT_FALSE(dialog.Show(2));
  EXPECT_EQ(dialog.FileName, "keep.txt");
  EXPECT_EQ(dialog.FileCount(), 0);
  EXPECT_EQ(ui.FileDialogs().size(), 2u);
}

TEST(FileDialogTest, SaveAddsTheDefaultExtension) {
  testing::TestUi ui;
  ui.ChooseSavePath("/out/report").ChooseSavePath("/out/report.txt");
  CFileOpenSaveDialog dialog(ui);
  dialog.DefaultExt = "csv";
  EXPECT_TRUE(dialog.Show(1));
  EXPECT_EQ(dialog.FileName, "/out/report.csv");
  EXPECT_TRUE(dialog.Show(1));
  EXPECT_EQ(dialog.FileName, "/out/report.txt");
  EXPECT_EQ(dialog.FileTitle, "report.txt");
}

TEST(FileDialogTest, OwnerWindowsAreChecked) {
  testing::TestUi ui;
  CFileOpenSaveDialog dialog(ui);
  try {
    dialog.Init("All|*.*", 2, "/dir", "name", "title", 77, 0x200);
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), static_cast<int32_t>(0x80044435u));
    EXPECT_EQ(e.Source(), "PlrXL2.CFileOpenSaveDialog");
    EXPECT_EQ(e.Description(), "Invalid window handle");
  }
  // The values before the check stay; the later ones were not stored.
  EXPECT_EQ(dialog.Filter, "All|*.*");
  EXPECT_EQ(dialog.FileName, "name");
  EXPECT_EQ(dialog.Flags, 0x280000);
  CFileOpenSaveDialog known(ui, [](int32_t handle) { return handle == 77; });
  known.SetHWndOwner(77);
  EXPECT_EQ(known.HWndOwner(), 77);
  EXPECT_THROW(known.SetHWndOwner(78), Error);
  EXPECT_NO_THROW(known.SetHWndOwner(0));
}

TEST(FileDialogTest, AFailingInterfaceIsTheComponentFailure) {
  testing::TestUi ui;  // nothing scripted: the open dialog is unforeseen
  std::vector<std::string> failures;
  ui.SetFailureSink([&](const std::string& m) { failures.push_back(m); });
  CFileOpenSaveDialog dialog(ui);
  try {
    dialog.Show(0);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrFileDialogFailure);
  }
  EXPECT_EQ(failures.size(), 1u);
}

}  // namespace
}  // namespace plrxl
