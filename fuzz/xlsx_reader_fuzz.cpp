// Fuzzes the .xlsx reader: the input bytes are written to a file and loaded
// as a workbook. Any input must either load or be refused with the store's
// Error 1004 naming the file; a crash, a hang or another exception is a bug.
// Whatever loads must also save.
//
// Build and run (clang with libFuzzer):
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DPLRXL_FUZZ=ON -DPLRXL_QT=OFF -DPLRXL_BENCH=OFF
//   cmake --build build/fuzz --target xlsx_reader_fuzz -j2
//   mkdir -p /tmp/xlsx_corpus && cp tests/data/*.xlsx /tmp/xlsx_corpus/
//   build/fuzz/fuzz/xlsx_reader_fuzz /tmp/xlsx_corpus -max_len=65536 -rss_limit_mb=2048
// The seeds are the test workbooks of tests/data; carried_features.xlsx
// leads into the code that carries what the model does not know through the
// save (host/xlsx/internal/carry_*), sheet_features_*.xlsx into the sheet
// layout carried with it (hidden and grouped rows, views, cells beyond the
// grid), the others into cells, styles, charts. The corpus also holds a
// workbook this program saved, whose sheet part names where its runs of
// rows stand (host/xlsx/internal/rows_segment.h): its load reads that
// field, and the save after it copies the parts and keeps the rows.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/error.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"

namespace {

// The workbooks live in memory where the system allows: writing a file per
// input to a disk file system can wait for the disk.
const std::string& TempPrefix() {
  static const std::string prefix = access("/dev/shm", W_OK) == 0 ? "/dev/shm/plrxl_xlsx_fuzz_" : "/tmp/plrxl_xlsx_fuzz_";
  return prefix;
}

std::string TempPath(const char* suffix) { return TempPrefix() + std::to_string(getpid()) + suffix; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = TempPath(".xlsx");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  plrxl::MemoryHost host(plrxl::MakeXlsxStore(), plrxl::RegionalSettings{});
  try {
    plrxl::Workbook& book = host.OpenWorkbook(path);
    book.SaveAs(TempPath("_saved.xlsx"));
  } catch (const plrxl::Error& e) {
    if (e.Number() != 1004 || e.Description().rfind(TempPrefix(), 0) != 0) std::abort();
  }
  std::remove(path.c_str());
  std::remove(TempPath("_saved.xlsx").c_str());
  return 0;
}
