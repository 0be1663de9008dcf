// Sheet parts deflated on worker threads and copied into the package: the
// file checks out in Python's zipfile, each sheet is deflated, and its size
// stays within 10 % of what zlib's default level makes of the same text.
// Parts read back are inflated whole where their entries allow.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "host/memory/memory_host.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/zip_reader.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/package_files.h"
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

// A part is inflated whole when its directory entry allows, and otherwise
// piece by piece: stored parts read as they are, and an entry whose CRC or
// size lies never gives a wrong text, only the text or a refusal.
TEST(XlsxDeflate, PartsInflateWholeOrSayWhatIsWrong) {
  testing_xlsx::TempFolder folder;
  const std::string part = "xl/worksheets/sheet1.xml";
  std::string text = "<worksheet><sheetData>";
  for (int r = 1; r <= 3000; ++r) text += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(r * 7 % 1000) + "</v></c></row>";
  text += "</sheetData></worksheet>";
  const std::string path = folder.File("parts.zip");
  testing_xlsx::WriteParts(path, {{part, text}});
  const std::string intact = testing_xlsx::ReadBytes(path);
  // Sets a 32-bit field of the part's local and central headers (offsets
  // 14 and 16 for the CRC, 22 and 24 for the inflated size).
  auto patched = [&](int local_at, int central_at, uint32_t value) {
    std::string bytes = intact;
    for (const auto& [signature, at] : {std::pair{std::string("PK\x03\x04", 4), local_at},
                                        std::pair{std::string("PK\x01\x02", 4), central_at}}) {
      const size_t header = bytes.find(signature);
      for (int i = 0; i < 4; ++i) bytes[header + static_cast<size_t>(at + i)] = static_cast<char>(value >> (8 * i));
    }
    return bytes;
  };
  auto field = [&](size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(intact[at + static_cast<size_t>(i)]);
    return value;
  };
  const size_t central = intact.find(std::string("PK\x01\x02", 4));
  const uint32_t crc = field(central + 16), size = field(central + 24);
  ASSERT_EQ(size, text.size());
  const struct {
    const char* what;
    std::string bytes;
    bool refused;  // else either the text or a refusal
  } cases[] = {
      {"intact", intact, false},
      {"a wrong CRC", patched(14, 16, crc ^ 1), true},
      {"a size too small", patched(22, 24, size - 100), false},
      {"a size too large", patched(22, 24, size + 100), false},
      {"a size of nothing", patched(22, 24, 0), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing_xlsx::WriteBytes(path, c.bytes);
    try {
      xlsx::ZipReader zip(path);
      EXPECT_EQ(zip.Read(part), text);
      EXPECT_FALSE(c.refused);
    } catch (const xlsx::XlsxProblem& e) {
      EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
  }
  // Stored, not deflated.
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  zip_source_t* source = zip_source_buffer(archive, text.data(), text.size(), 0);
  const zip_int64_t index = zip_file_add(archive, part.c_str(), source, 0);
  ASSERT_GE(index, 0);
  ASSERT_EQ(zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0), 0);
  ASSERT_EQ(zip_close(archive), 0);
  EXPECT_EQ(xlsx::ZipReader(path).Read(part), text);
}

}  // namespace
}  // namespace plrxl
