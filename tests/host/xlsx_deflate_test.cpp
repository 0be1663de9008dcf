// Sheet parts deflated on worker threads and copied into the package: the
// file checks out in Python's zipfile, each sheet is deflated, and its size
// stays within 10 % of what zlib's default level makes of the same text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

// Runs the command and gives what it printed.
std::string Output(const std::string& command) {
  std::string out;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

TEST(XlsxDeflate, SheetPartsAreDeflatedAndCheckOut) {
  testing_xlsx::TempFolder folder;
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = host.AddEmptyWorkbook();
  // Daily quotes of a random walk, in cents, and volumes.
  uint32_t seed = 12345;
  auto random = [&seed](int below) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(below));
  };
  double last_close = 0;
  for (int s = 0; s < 5; ++s) {  // more sheets than cores
    Worksheet& sheet = book.AddWorksheet();
    sheet.SetName("Quotes" + std::to_string(s));
    int cents = 10000;
    for (int r = 1; r <= 3000; ++r) {
      cents = std::max(100, cents + random(401) - 200);
      sheet.SetCellValue(r, 1, Variant::Date(45000 + r));
      sheet.SetCellValue(r, 2, Variant((cents + random(101) - 50) / 100.0));
      sheet.SetCellValue(r, 3, Variant((cents + random(200)) / 100.0));
      sheet.SetCellValue(r, 4, Variant((cents - random(200)) / 100.0));
      sheet.SetCellValue(r, 5, Variant(cents / 100.0));
      sheet.SetCellValue(r, 6, Variant(static_cast<double>(100000 + random(5000000))));
      last_close = cents / 100.0;
    }
  }
  const std::string path = folder.File("deflated.xlsx");
  book.SaveAs(path);

  // Per sheet: its compression method and compressed size against zlib's
  // default level on the same text, then the archive's own check.
  const std::string script =
      "import sys, zipfile, zlib\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "for i in z.infolist():\n"
      "    if i.filename.startswith('xl/worksheets/sheet'):\n"
      "        c = zlib.compressobj(6, zlib.DEFLATED, -15)\n"
      "        default = len(c.compress(z.read(i)) + c.flush())\n"
      "        print(i.filename, i.compress_type, 'ok' if i.compress_size <= 1.10 * default else 'large %.3f' % (i.compress_size / default))\n"
      "print('bad' if z.testzip() else 'checked')\n";
  const std::string script_path = folder.File("check.py");
  std::FILE* out = std::fopen(script_path.c_str(), "w");
  ASSERT_NE(out, nullptr);
  std::fputs(script.c_str(), out);
  std::fclose(out);
  const std::string report = Output("python3 '" + script_path + "' '" + path + "'");
  for (int s = 1; s <= 5; ++s) {
    const std::string line = "xl/worksheets/sheet" + std::to_string(s) + ".xml 8 ok\n";
    EXPECT_NE(report.find(line), std::string::npos) << report;
  }
  EXPECT_NE(report.find("checked"), std::string::npos) << report;

  MemoryHost reader(MakeXlsxStore(), RegionalSettings{});
  Workbook& loaded = reader.OpenWorkbook(path);
  ASSERT_EQ(loaded.WorksheetCount(), 5);
  EXPECT_EQ(loaded.WorksheetAt(5).CellValue(3000, 5), Variant(last_close));
}

}  // namespace
}  // namespace plrxl
