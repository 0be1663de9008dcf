// Export writing speed, in MB of text per second (budget: at least 50).
//
//   ToStream - the writer alone, 65,000 rows of dohlcv plus open interest
//              into a stream that keeps nothing, per layout;
//   ToFile   - the same through AtomicFile (temporary file, fsync, rename)
//              into a temporary folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <streambuf>

#include "host/memory/memory_host.h"
#include "macros/export_layouts.h"
#include "macros/export_writer.h"
#include "support/atomic_file.h"

namespace plrxl {
namespace {

constexpr int kRows = 65000;

// Counts the bytes written and keeps nothing.
class CountingBuffer : public std::streambuf {
 public:
  long long bytes = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += n;
    return n;
  }
  int_type overflow(int_type ch) override {
    ++bytes;
    return ch;
  }
};

struct Quotes {
  Quotes() : host(nullptr, RegionalSettings()), sheet(host.AddWorkbook().WorksheetAt(1)) {
    const char* titles[] = {"Date", "Open", "High", "Low", "Close", "Volume", "Open Interest"};
    for (int c = 1; c <= 7; ++c) sheet.SetCellValue(1, c, Variant(titles[c - 1]));
    double price = 100;
    for (int row = 2; row <= kRows + 1; ++row) {
      price *= 1 + ((row * 7919) % 200 - 100) / 10000.0;
      sheet.SetCellValue(row, 1, Variant::Date(DateSerial(1990, 1, 1) + row));
      sheet.SetCellValue(row, 2, Variant(static_cast<double>(static_cast<long long>(price * 100)) / 100));
      sheet.SetCellValue(row, 3, Variant(static_cast<double>(static_cast<long long>(price * 101)) / 100));
      sheet.SetCellValue(row, 4, Variant(static_cast<double>(static_cast<long long>(price * 99)) / 100));
      sheet.SetCellValue(row, 5, Variant(static_cast<double>(static_cast<long long>(price * 100.5)) / 100));
      sheet.SetCellValue(row, 6, Variant(static_cast<double>(100000 + (row * 31) % 900000)));
      sheet.SetCellValue(row, 7, Variant(static_cast<double>(row % 50)));
    }
    block.sheet = &sheet;
    block.first_row = 2;
    block.last_row = kRows + 1;
    block.columns = {1, 2, 3, 4, 5, 6, 7};
    block.ticker = "BENCH";
    block.period = "D";
  }
  MemoryHost host;
  Worksheet& sheet;
  ExportBlock block;
};

Quotes& SharedQuotes() {
  static Quotes quotes;
  return quotes;
}

void BM_ToStream(benchmark::State& state) {
  const ExportLayout& layout = ExportLayouts()[static_cast<size_t>(state.range(0))];
  Quotes& q = SharedQuotes();
  long long bytes = 0;
  for (auto _ : state) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    WriteExport(out, layout, q.block, RegionalSettings());
    bytes += buffer.bytes;
  }
  state.SetBytesProcessed(bytes);
  state.SetLabel(layout.name);
}

void BM_ToFile(benchmark::State& state) {
  const ExportLayout& layout = ExportLayouts()[static_cast<size_t>(state.range(0))];
  Quotes& q = SharedQuotes();
  const std::string folder = (std::filesystem::temp_directory_path() / "plrxl_export_bench").string();
  std::filesystem::create_directories(folder);
  long long bytes = 0;
  for (auto _ : state) {
    AtomicFile file(folder + "/" + ExportFileName(layout, q.block.ticker, "Daily"));
    WriteExport(file.Stream(), layout, q.block, RegionalSettings());
    file.Commit();
    bytes += static_cast<long long>(std::filesystem::file_size(file.Path()));
  }
  std::filesystem::remove_all(folder);
  state.SetBytesProcessed(bytes);
  state.SetLabel(layout.name);
}

// The writer alone is measured in CPU time: the shared machine is loaded.
BENCHMARK(BM_ToStream)->DenseRange(0, kExportLayoutCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToFile)->Arg(0)->Arg(5)->Arg(9)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace plrxl

BENCHMARK_MAIN();
