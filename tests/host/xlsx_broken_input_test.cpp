// Files that are not sound workbooks give Error 1004 naming the file and the
// problem, are never changed, and a failed save leaves the target as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::ReadBytes;
using testing_xlsx::TempFolder;
using testing_xlsx::WriteBytes;

struct BrokenCase {
  const char* label;
  // Writes the broken file into the folder and returns its path.
  std::function<std::string(const TempFolder&)> make;
  const char* problem;  // expected inside the description
};

std::string Fixture(const TempFolder& folder, const std::string& name) {
  std::string path = folder.File(name);
  WriteBytes(path, ReadBytes(std::string(PLRXL_TEST_DATA) + "/" + name));
  return path;
}

std::vector<BrokenCase> BrokenCases() {
  return {
      {"missing file", [](const TempFolder& f) { return f.File("nothing here.xlsx"); }, "file not found"},
      {"folder", [](const TempFolder& f) { return f.Path(); }, "folder"},
      {"text file",
       [](const TempFolder& f) {
         WriteBytes(f.File("notes.xlsx"), "Date,Close\n2024-01-02,100\n");
         return f.File("notes.xlsx");
       },
       "not an .xlsx package"},
      {"empty file",
       [](const TempFolder& f) {
         WriteBytes(f.File("empty.xlsx"), "");
         return f.File("empty.xlsx");
       },
       "not an .xlsx package"},
      {"truncated",
       [](const TempFolder& f) {
         std::string bytes = ReadBytes(std::string(PLRXL_TEST_DATA) + "/openpyxl_values.xlsx");
         WriteBytes(f.File("cut.xlsx"), bytes.substr(0, bytes.size() * 2 / 3));
         return f.File("cut.xlsx");
       },
       "package"},
      {"damaged data",
       [](const TempFolder& f) {
         std::string bytes = ReadBytes(std::string(PLRXL_TEST_DATA) + "/openpyxl_values.xlsx");
         for (size_t i = 200; i < 600; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
         WriteBytes(f.File("damaged.xlsx"), bytes);
         return f.File("damaged.xlsx");
       },
       "damaged"},
      {"broken workbook XML", [](const TempFolder& f) { return Fixture(f, "broken_workbook_xml.xlsx"); },
       "broken XML in xl/workbook.xml"},
      {"broken sheet XML", [](const TempFolder& f) { return Fixture(f, "broken_sheet_xml.xlsx"); },
       "broken XML in xl/worksheets/sheet1.xml"},
      {"no workbook part", [](const TempFolder& f) { return Fixture(f, "broken_no_workbook.xlsx"); },
       "no workbook part"},
      {"bad cell reference", [](const TempFolder& f) { return Fixture(f, "broken_bad_cell.xlsx"); },
       "bad cell reference in xl/worksheets/sheet1.xml"},
      {"bad number", [](const TempFolder& f) { return Fixture(f, "broken_bad_number.xlsx"); }, "bad number"},
      // A small file could otherwise make a thousand sheets of one big part.
      {"two sheets on one part",
       [](const TempFolder& f) {
         const std::string from = std::string(PLRXL_TEST_DATA) + "/openpyxl_values.xlsx";
         testing_xlsx::CopyWithParts(
             from, f.File("shared part.xlsx"),
             {{"xl/workbook.xml", testing_xlsx::Replaced(testing_xlsx::ReadPart(from, "xl/workbook.xml"), "r:id=\"rId2\"",
                                                         "r:id=\"rId1\"")}});
         return f.File("shared part.xlsx");
       },
       "sheet 'Second Sheet' reads xl/worksheets/sheet1.xml, which sheet 'Values' reads already"},
  };
}

TEST(XlsxBrokenInput, GivesErrorNamingFileAndProblemAndLeavesFileAlone) {
  for (const BrokenCase& c : BrokenCases()) {
    SCOPED_TRACE(c.label);
    TempFolder folder;
    const std::string path = c.make(folder);
    struct stat before_info = {};
    bool existed = stat(path.c_str(), &before_info) == 0 && S_ISREG(before_info.st_mode);
    std::string before = existed ? ReadBytes(path) : std::string();
    auto host = MakeMemoryHost(MakeXlsxStore());
    try {
      host->OpenWorkbook(path);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), 1004);
      EXPECT_EQ(e.Description().rfind(path + ": ", 0), 0u) << e.Description();
      EXPECT_NE(e.Description().find(c.problem), std::string::npos) << e.Description();
    }
    EXPECT_EQ(host->WorkbookCount(), 0);
    if (existed) {
      struct stat after_info = {};
      ASSERT_EQ(stat(path.c_str(), &after_info), 0);
      EXPECT_TRUE(ReadBytes(path) == before);
      EXPECT_EQ(after_info.st_mtim.tv_sec, before_info.st_mtim.tv_sec);
      EXPECT_EQ(after_info.st_mtim.tv_nsec, before_info.st_mtim.tv_nsec);
    }
  }
}

// Random damage to real packages (seeded, so a failure replays): every
// variant either loads or is refused with Error 1004 naming the file.
TEST(XlsxBrokenInput, RandomDamageIsRefusedCleanly) {
  const unsigned seed = 20261205;
  std::srand(seed);
  for (const char* name : {"openpyxl_values.xlsx", "openpyxl_parts.xlsx"}) {
    const std::string original = ReadBytes(std::string(PLRXL_TEST_DATA) + "/" + name);
    TempFolder folder;
    const std::string path = folder.File("damaged.xlsx");
    for (int round = 0; round < 150; ++round) {
      std::string bytes = original;
      if (round % 3 == 0) {
        bytes.resize(static_cast<size_t>(std::rand()) % bytes.size());
      } else {
        for (int flips = 1 + std::rand() % 4; flips > 0; --flips) {
          bytes[static_cast<size_t>(std::rand()) % bytes.size()] ^= static_cast<char>(1 << (std::rand() % 8));
        }
      }
      WriteBytes(path, bytes);
      auto host = MakeMemoryHost(MakeXlsxStore());
      try {
        host->OpenWorkbook(path);
      } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 1004) << "seed " << seed << " round " << round;
        EXPECT_EQ(e.Description().rfind(path + ": ", 0), 0u) << e.Description();
      }
    }
  }
}

struct FailedSaveCase {
  const char* label;
  std::function<void(Workbook&)> spoil;  // makes the workbook unsavable
  const char* problem;
};

TEST(XlsxFailedSave, LeavesTargetUntouchedAndNoTemporaryFile) {
  const FailedSaveCase cases[] = {
      {"text too long for a cell",
       [](Workbook& b) { b.ActiveSheet()->SetCellValue(3, 2, std::string(40000, 'x')); }, "cannot write cell B3"},
      {"sheet name the file format rejects", [](Workbook& b) { b.AddWorksheet().SetName("History'"); },
       "cannot add sheet 'History''"},
  };
  for (const FailedSaveCase& c : cases) {
    SCOPED_TRACE(c.label);
    TempFolder folder;
    const std::string target = folder.File("target.xlsx");
    WriteBytes(target, "the previous version");
    auto host = MakeMemoryHost(MakeXlsxStore());
    Workbook& book = host->AddWorkbook();
    book.ActiveSheet()->SetCellValue(1, 1, 1.0);
    try {
      c.spoil(book);
    } catch (const Error& e) {
      GTEST_SKIP() << "the model refuses this already: " << e.Description();
    }
    try {
      book.SaveAs(target);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), 1004);
      EXPECT_EQ(e.Description().rfind(target + ": ", 0), 0u) << e.Description();
      EXPECT_NE(e.Description().find(c.problem), std::string::npos) << e.Description();
    }
    EXPECT_TRUE(ReadBytes(target) == "the previous version");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"target.xlsx"});
  }
}

TEST(XlsxFailedSave, MissingFolderIsReportedAndNothingIsCreated) {
  TempFolder folder;
  auto host = MakeMemoryHost(MakeXlsxStore());
  Workbook& book = host->AddWorkbook();
  const std::string target = folder.File("no such folder/out.xlsx");
  try {
    book.SaveAs(target);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1004);
    EXPECT_EQ(e.Description(), target + ": folder not found");
  }
  EXPECT_TRUE(folder.Files().empty());
}

}  // namespace
}  // namespace plrxl
