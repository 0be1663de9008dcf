#include "host/xlsx/internal/sheet_prefetch.h"

#include <malloc.h>

#include <stdexcept>
#include <system_error>
#include <utility>

#include "host/xlsx/internal/problem.h"

namespace plrxl::xlsx {

namespace {

// Thrown inside the worker's read to abandon it; never leaves the worker.
struct Stopped {};

}  // namespace

SheetPrefetch::SheetPrefetch(const std::string& path, const ZipReader::Stamp& stamp, size_t max_part_bytes,
                             const LoadBudget& budget, std::vector<std::string> parts)
    : path_(path), stamp_(stamp), max_part_bytes_(max_part_bytes), budget_(budget), parts_(std::move(parts)) {
  if (parts_.empty()) return;
  try {
    worker_ = std::thread([this] { Work(); });
  } catch (const std::system_error&) {
    // No thread to be had (a process at its limits): Next reads each part
    // itself.
  }
}

SheetPrefetch::~SheetPrefetch() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  stopping_ = true;
  changed_.notify_all();
  if (!worker_.joinable()) return;
  worker_.join();
  // What the worker allocated stays with its own heap arena once freed, and
  // glibc hands such memory back to the system only when asked: without this
  // the process keeps the room of the parts read ahead for the rest of the run.
  spare_.clear();
  malloc_trim(0);
}

SheetPrefetch::Part SheetPrefetch::Next() {
  if (taken_ >= parts_.size()) throw std::logic_error("no sheet part left to read");
  if (!worker_.joinable()) {
    if (!own_zip_) {
      own_zip_ = std::make_unique<ZipReader>(path_, max_part_bytes_);
      if (!(own_zip_->FileStamp() == stamp_)) throw XlsxProblem("the file changed while it was read");
    }
    return Read(*own_zip_, parts_[taken_++], false);
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (!ready_) {
    caller_waits_ = true;
    changed_.wait(lock, [this] { return ready_.has_value(); });
    caller_waits_ = false;
  }
  Result result = std::move(*ready_);
  ready_.reset();
  ++taken_;
  lock.unlock();
  changed_.notify_all();
  if (result.error) std::rethrow_exception(result.error);
  return std::move(result.part);
}

void SheetPrefetch::Recycle(ScannedPieces pieces) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::unique_ptr<ScannedPiece>& piece : pieces) {
    if (spare_.size() < kSparePieces) spare_.push_back(std::move(piece));
  }
}

SheetPrefetch::Part SheetPrefetch::Read(const ZipReader& zip, const std::string& name, bool scan) {
  Part part;
  CellTagCounter counter;
  part.text = zip.Read(name, [&](const std::string& so_far, bool final) {
    if (stopping_.load()) throw Stopped{};
    counter.Scan(so_far, final);
    budget_.CheckSheetCells(counter.Cells(), name);
  });
  part.cells = counter.Cells();
  if (scan) {
    ScannedPieces spare;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      spare.swap(spare_);
    }
    // When the caller already waits for this part, it reads the rows not
    // yet scanned itself: the two threads share the work instead of one
    // waiting for the other.
    part.ahead = ScanRowsAhead(
        part.text, kAheadBytes, kAheadCells, [this] { return stopping_.load() || caller_waits_.load(); }, &spare);
    if (stopping_.load()) throw Stopped{};
    Recycle(std::move(spare));
  }
  return part;
}

void SheetPrefetch::Work() {
  std::optional<ZipReader> zip;
  std::exception_ptr opened;
  try {
    zip.emplace(path_, max_part_bytes_);
    if (!(zip->FileStamp() == stamp_)) throw XlsxProblem("the file changed while it was read");
  } catch (...) {
    opened = std::current_exception();
  }
  for (const std::string& name : parts_) {
    {
      // The caller takes a part before the next is read: it holds one, the
      // worker reads one.
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || !ready_.has_value(); });
      if (stop_) return;
    }
    Result result;
    result.error = opened;
    if (!opened) {
      try {
        result.part = Read(*zip, name, true);
      } catch (const Stopped&) {
        return;
      } catch (...) {
        result.error = std::current_exception();
      }
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (stop_) return;
    const bool failed = result.error != nullptr;
    ready_ = std::move(result);
    lock.unlock();
    changed_.notify_all();
    if (failed) return;  // the caller stops at this part
  }
}

}  // namespace plrxl::xlsx
