// SheetPrefetch: inflates the sheet parts of a package on a worker thread,
// one part ahead of the caller, and reads the first rows of each with the
// quick row reader (ScanRowsAhead, sheet_reader.h), so that inflating and
// scanning the next sheet overlap putting the cells of this one into the
// model. The caller takes the parts in the order given, exactly as if it
// had read each itself: the same text, and the same XlsxProblem where a
// read fails (a damaged part, a part over the part limit, a sheet over the
// cell limit counted while inflating), thrown when that part's turn comes;
// every check of the cells themselves is the caller's, in ReadSheet. The
// worker reads a part only once the one before it is taken: with the
// caller's, two parts are held at most, and of each at most kAheadBytes of
// rows scanned ahead (a sheet over the limits is refused while inflating,
// before any of it is scanned). Once the caller waits for a part, the
// worker scans no further piece of it: the caller reads the rest in turn.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/xlsx/internal/load_budget.h"
#include "host/xlsx/internal/sheet_reader.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

class SheetPrefetch {
 public:
  // Starts reading `parts` of the package at `path`, which must still be
  // the file `stamp` describes (else the first Next throws). `budget` must
  // outlive this object; only its limits are read.
  SheetPrefetch(const std::string& path, const ZipReader::Stamp& stamp, size_t max_part_bytes,
                const LoadBudget& budget, std::vector<std::string> parts);
  // Stops the worker, whatever it was inflating, and waits for it.
  ~SheetPrefetch();
  SheetPrefetch(const SheetPrefetch&) = delete;
  SheetPrefetch& operator=(const SheetPrefetch&) = delete;

  // Rows of a part read ahead: a few pieces of rows, a whole sheet of a
  // few thousand quote rows; the rest of a larger sheet is read in its
  // turn, so what is held ahead stays small against the model.
  static constexpr size_t kAheadBytes = size_t{1} << 20;
  // At most this many cells read ahead (some 2.5 MB of scanned cells): a
  // megabyte of cells without values would be ten times as many.
  static constexpr size_t kAheadCells = 32768;
  // Pieces kept for reuse: those of one part read ahead.
  static constexpr size_t kSparePieces = 8;

  struct Part {
    std::string text;
    int64_t cells = 0;  // cell elements counted while inflating
    ScannedPieces ahead;  // for ReadSheet; empty when the caller read the part itself
  };
  // The next part in order; throws what reading it threw. Throws
  // std::logic_error past the last part.
  Part Next();
  // Gives back the pieces of a part taken, once read: the worker reads
  // later parts into their room instead of asking for new memory.
  void Recycle(ScannedPieces pieces);

 private:
  struct Result {
    Part part;
    std::exception_ptr error;
  };
  void Work();
  // One part, its cells counted and checked while it inflates; with
  // `scan`, its first rows read ahead.
  Part Read(const ZipReader& zip, const std::string& name, bool scan);

  const std::string path_;
  const ZipReader::Stamp stamp_;
  const size_t max_part_bytes_;
  const LoadBudget& budget_;
  const std::vector<std::string> parts_;
  size_t taken_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<Result> ready_;  // the next part, once inflated
  ScannedPieces spare_;          // pieces given back, for the worker
  bool stop_ = false;
  std::atomic<bool> stopping_{false};  // stop_, for the worker's read to see without the lock
  std::atomic<bool> caller_waits_{false};  // Next waits for the part the worker reads
  std::thread worker_;
  std::unique_ptr<ZipReader> own_zip_;  // for reading without a worker
};

}  // namespace plrxl::xlsx
