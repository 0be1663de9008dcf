#include "host/xlsx/internal/package_patch.h"

#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <deque>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/rows_segment.h"
#include "host/xlsx/internal/stock_chart_patch.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

namespace {

// The sheet parts are deflated on the machine's cores before the archive
// is closed, each into a scratch file, and go into the package as they are.
// Level 5, the fastest whose files stay within 10 % of libxlsxwriter's
// (which deflates at the default level, 6). Measured on one sheet of quote
// rows and one of ten mixed columns, deflated size and speed:
//   level   1      2      3      4      5      6
//   quotes  1.29   1.20   1.17   1.04   1.004  1  x level 6's size
//   mixed   1.25   1.20   1.17   1.09   1.003  1
//   speed   162    149    97     97     73     54 MB/s (quote rows)
// Level 4 made the whole file 1.16 times libxlsxwriter's on the mixed
// columns; level 5 makes it 1.09 times, for a third more work than level 4
// and 0.7 times level 6's.
constexpr int kSheetCompressionLevel = 5;
// Rows are flushed in runs of at least this many bytes (rows_segment.h):
// on quote rows that costs under 1 % of the deflated size.
constexpr zip_uint64_t kRowsRun = zip_uint64_t{64} << 10;

// A sheet part to deflate: the writer's text up to <sheetData>, the rows
// kept from the loaded file (deflated already), the new rows from the rows
// file, then the rest.
struct SheetStream {
  std::string head;
  const KeptRows* kept = nullptr;
  std::FILE* rows = nullptr;
  long rows_begin = 0;
  long rows_end = 0;
  std::string tail;
};

// A sheet part deflated ahead of the archive's close: raw deflate bytes
// [begin, begin + compressed) of a scratch file.
struct DeflatedSheet {
  int fd = -1;
  zip_uint64_t begin = 0;
  zip_uint64_t compressed = 0;
  zip_uint64_t size = 0;  // inflated
  zip_uint32_t crc = 0;
  RowsSegment segment;  // where its rows stand
  zip_uint64_t position = 0;
  zip_error_t error;
};

// Writes all of `bytes` at `offset`; false on a write error.
bool WriteAt(int fd, const unsigned char* bytes, size_t n, zip_uint64_t offset) {
  while (n > 0) {
    const ssize_t put = pwrite(fd, bytes, n, static_cast<off_t>(offset));
    if (put <= 0) return false;
    bytes += put;
    n -= static_cast<size_t>(put);
    offset += static_cast<zip_uint64_t>(put);
  }
  return true;
}

// Deflates a part piece by piece into a scratch file from `end` on.
class PieceDeflater {
 public:
  PieceDeflater(int fd, zip_uint64_t& end) : fd_(fd), end_(end), out_(size_t{1} << 16) {
    started_ = deflateInit2(&z_, kSheetCompressionLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    ok_ = started_;
    if (!ok_) problem_ = "cannot start compressing";
  }
  ~PieceDeflater() {
    if (started_) deflateEnd(&z_);
  }
  PieceDeflater(const PieceDeflater&) = delete;
  PieceDeflater& operator=(const PieceDeflater&) = delete;

  // Deflates n bytes; `flush` ends the piece (Z_FULL_FLUSH: what follows
  // stands alone; Z_FINISH: the end of the part).
  void Add(const unsigned char* data, size_t n, int flush) {
    if (!ok_) return;
    if (n > 0) crc_ = crc32(crc_, data, static_cast<uInt>(n));
    size_ += n;
    z_.next_in = const_cast<unsigned char*>(data);
    z_.avail_in = static_cast<uInt>(n);
    do {
      z_.next_out = out_.data();
      z_.avail_out = static_cast<uInt>(out_.size());
      deflate(&z_, flush);
      Write(out_.data(), out_.size() - z_.avail_out);
    } while (ok_ && z_.avail_out == 0);
  }
  // Deflated bytes that go in as they are, standing for `text_length`
  // bytes of text whose CRC-32 is `crc`; only after a full flush.
  void AddDeflated(const unsigned char* data, size_t n) { Write(data, n); }
  void CountText(uint32_t crc, uint64_t text_length) {
    crc_ = crc32_combine(crc_, crc, static_cast<z_off_t>(text_length));
    size_ += text_length;
  }
  void Fail(const std::string& problem) {
    if (problem_.empty()) problem_ = problem;
    ok_ = false;
  }

  zip_uint64_t Written() const { return written_; }
  uLong Crc() const { return crc_; }
  zip_uint64_t Size() const { return size_; }
  const std::string& Problem() const { return problem_; }

 private:
  void Write(const unsigned char* data, size_t n) {
    if (!ok_ || n == 0) return;
    if (!WriteAt(fd_, data, n, end_)) {
      Fail(std::string("cannot write a scratch file: ") + std::strerror(errno));
      return;
    }
    end_ += n;
    written_ += n;
  }

  z_stream z_{};
  int fd_;
  zip_uint64_t& end_;
  std::vector<unsigned char> out_;
  bool started_ = false;
  bool ok_ = false;
  std::string problem_;
  uLong crc_ = crc32(0, nullptr, 0);
  zip_uint64_t size_ = 0;
  zip_uint64_t written_ = 0;
};

// Copies the kept rows' deflated bytes into the deflater. libzip serves
// one archive to one thread at a time: `source_lock` guards the source.
void CopyKeptRows(const KeptRows& kept, std::mutex& source_lock, PieceDeflater& out) {
  std::lock_guard<std::mutex> hold(source_lock);
  zip_file_t* file = zip_fopen_index(kept.source, kept.index, ZIP_FL_COMPRESSED);
  if (file == nullptr) {
    out.Fail("cannot read the kept rows");
    return;
  }
  std::vector<unsigned char> buffer(size_t{1} << 16);
  zip_uint64_t at = 0;
  while (at < kept.deflated_end) {
    const zip_uint64_t want = std::min<zip_uint64_t>(buffer.size(), kept.deflated_end - at);
    const zip_int64_t got = zip_fread(file, buffer.data(), want);
    if (got <= 0) {
      out.Fail("cannot read the kept rows");
      break;
    }
    const zip_uint64_t n = static_cast<zip_uint64_t>(got);
    const zip_uint64_t from = at < kept.deflated_begin ? std::min<zip_uint64_t>(kept.deflated_begin - at, n) : 0;
    if (from < n) out.AddDeflated(buffer.data() + from, static_cast<size_t>(n - from));
    at += n;
  }
  zip_fclose(file);
  out.CountText(kept.crc, kept.text_length);
}

// Deflates the sheet into fd from `end` on (moved past what it wrote).
// "" when done, else why not.
std::string DeflateSheet(const SheetStream& stream, std::mutex& source_lock, int fd, zip_uint64_t& end,
                         DeflatedSheet& out) {
  out.fd = fd;
  out.begin = end;
  PieceDeflater deflater(fd, end);
  auto text = [](const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); };
  deflater.Add(text(stream.head), stream.head.size(), Z_FULL_FLUSH);
  out.segment.deflated_begin = deflater.Written();
  out.segment.text_begin = deflater.Size();
  uLong rows_crc = crc32(0, nullptr, 0);
  if (stream.kept != nullptr) {
    for (RowsCheckpoint c : stream.kept->checkpoints) {
      c.deflated += out.segment.deflated_begin;
      c.text += out.segment.text_begin;
      out.segment.checkpoints.push_back(c);
    }
    CopyKeptRows(*stream.kept, source_lock, deflater);
    rows_crc = stream.kept->crc;
    if (stream.rows_end > stream.rows_begin) {
      out.segment.checkpoints.push_back({deflater.Written(), deflater.Size(), stream.kept->crc, stream.kept->next_row});
    }
  }
  // A full flush before a row after every `run` bytes of rows, and one
  // before the row where the last kRowsTailRun bytes begin, so that the
  // next update, which corrects the last bar and appends a few, rewrites
  // those rows and not a whole run. The rows of a small update get no tail
  // flush of their own: the next update rewrites them with its own, and
  // runs never shrink below kRowsTailRun bytes.
  const zip_uint64_t new_rows = static_cast<zip_uint64_t>(stream.rows_end - stream.rows_begin);
  const zip_uint64_t run = std::max<zip_uint64_t>(kRowsRun, (deflater.Size() - out.segment.text_begin + new_rows) /
                                                                     (kMaxRowsCheckpoints / 2));
  const long tail_at =
      new_rows >= 2 * kRowsTailRun ? stream.rows_end - static_cast<long>(kRowsTailRun) : stream.rows_end;
  long run_start = stream.rows_begin;  // where the current run began, in the rows file
  std::vector<unsigned char> in(size_t{1} << 16);
  auto add_rows = [&](const unsigned char* data, size_t n, int flush) {
    rows_crc = crc32(rows_crc, data, static_cast<uInt>(n));
    deflater.Add(data, n, flush);
  };
  for (long at = stream.rows_begin; at < stream.rows_end && deflater.Problem().empty();) {
    const size_t want = static_cast<size_t>(std::min<long>(static_cast<long>(in.size()), stream.rows_end - at));
    const ssize_t got = pread(fileno(stream.rows), in.data(), want, static_cast<off_t>(at));
    if (got <= 0) {
      deflater.Fail("cannot read the rows back");
      break;
    }
    const std::string_view chunk(reinterpret_cast<const char*>(in.data()), static_cast<size_t>(got));
    size_t done = 0;
    while (done < chunk.size()) {
      // The next flush goes before the first row at or after `due`.
      long due = run_start + static_cast<long>(run);
      if (run_start < tail_at) due = std::min(due, tail_at);
      size_t row = std::string_view::npos;
      if (at + static_cast<long>(chunk.size()) > due && out.segment.checkpoints.size() < kMaxRowsCheckpoints) {
        row = chunk.find("<row r=\"", std::max(done, static_cast<size_t>(std::max<long>(due - at, 0))));
      }
      uint32_t number = 0;
      if (row != std::string_view::npos) {
        const char* first = chunk.data() + row + 8;
        const char* last = chunk.data() + chunk.size();
        auto [end, ec] = std::from_chars(first, last, number);
        if (ec != std::errc() || end == last || *end != '"') row = std::string_view::npos;
      }
      if (row == std::string_view::npos) {
        add_rows(in.data() + done, chunk.size() - done, Z_NO_FLUSH);
        break;
      }
      add_rows(in.data() + done, row - done, Z_FULL_FLUSH);
      out.segment.checkpoints.push_back(
          {deflater.Written(), deflater.Size(), static_cast<uint32_t>(rows_crc), number});
      run_start = at + static_cast<long>(row);
      done = row;
    }
    at += got;
  }
  deflater.Add(nullptr, 0, Z_FULL_FLUSH);
  out.segment.deflated_end = deflater.Written();
  out.segment.text_end = deflater.Size();
  out.segment.rows_crc = static_cast<uint32_t>(rows_crc);
  deflater.Add(text(stream.tail), stream.tail.size(), Z_FINISH);
  out.compressed = deflater.Written();
  out.size = deflater.Size();
  out.crc = static_cast<zip_uint32_t>(deflater.Crc());
  out.segment.part_crc = out.crc;
  out.segment.part_compressed = out.compressed;
  return deflater.Problem();
}

// Deflates every sheet on up to as many threads as the machine has cores,
// each thread into a scratch file of its own (kept in `files`). Throws
// XlsxProblem naming the first part that failed.
std::vector<DeflatedSheet> DeflateSheets(const std::deque<SheetStream>& streams, const std::vector<SheetRows>& sheets,
                                         std::vector<std::unique_ptr<std::FILE, int (*)(std::FILE*)>>& files) {
  std::vector<DeflatedSheet> deflated(streams.size());
  const size_t threads = std::max<size_t>(1, std::min<size_t>(std::thread::hardware_concurrency(), streams.size()));
  for (size_t t = 0; t < threads; ++t) {
    files.emplace_back(std::tmpfile(), &std::fclose);
    if (!files.back()) throw XlsxProblem(std::string("cannot make a scratch file: ") + std::strerror(errno));
  }
  std::atomic<size_t> next{0};
  std::mutex source_lock;
  std::mutex failed_lock;
  std::string failed;
  auto work = [&](int fd) {
    zip_uint64_t end = 0;
    for (size_t i = next++; i < streams.size(); i = next++) {
      std::string problem = DeflateSheet(streams[i], source_lock, fd, end, deflated[i]);
      if (!problem.empty()) {
        std::lock_guard<std::mutex> hold(failed_lock);
        if (failed.empty()) failed = problem + " for " + sheets[i].part;
        next = streams.size();
      }
    }
  };
  std::vector<std::thread> workers;
  for (size_t t = 1; t < threads; ++t) workers.emplace_back(work, fileno(files[t].get()));
  work(fileno(files[0].get()));
  for (std::thread& worker : workers) worker.join();
  if (!failed.empty()) throw XlsxProblem(failed);
  return deflated;
}

zip_int64_t DeflatedSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* part = static_cast<DeflatedSheet*>(state);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      part->position = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      const size_t want = static_cast<size_t>(std::min<zip_uint64_t>(len, part->compressed - part->position));
      if (want == 0) return 0;
      const ssize_t got = pread(part->fd, data, want, static_cast<off_t>(part->begin + part->position));
      if (got <= 0) {
        zip_error_set(&part->error, ZIP_ER_READ, got < 0 ? errno : EIO);
        return -1;
      }
      part->position += static_cast<zip_uint64_t>(got);
      return got;
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
      return 0;
    case ZIP_SOURCE_STAT: {
      // Compressed data with its method, sizes and CRC: libzip copies it
      // into the archive as it is.
      auto* stat = static_cast<zip_stat_t*>(data);
      zip_stat_init(stat);
      stat->size = part->size;
      stat->comp_size = part->compressed;
      stat->comp_method = ZIP_CM_DEFLATE;
      stat->crc = part->crc;
      stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
      return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&part->error, data, len);
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&part->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

// Splits the writer's sheet part around its (empty) <sheetData>. The tail
// starts at </sheetData>.
void SplitSheetPart(const std::string& part, const std::string& text, std::string* head, std::string* tail) {
  size_t at = text.find("<sheetData/>");
  if (at != std::string::npos) {
    *head = text.substr(0, at) + "<sheetData>";
    *tail = "</sheetData>" + text.substr(at + 12);
    return;
  }
  at = text.find("<sheetData>");
  const size_t end = text.find("</sheetData>");
  if (at == std::string::npos || end == std::string::npos) throw XlsxProblem("no cell table in the written " + part);
  *head = text.substr(0, at + 11);
  *tail = text.substr(end);
}

class Archive {
 public:
  explicit Archive(const std::string& path) {
    int code = 0;
    archive_ = zip_open(path.c_str(), 0, &code);
    if (archive_ == nullptr) throw XlsxProblem("cannot reopen the saved package");
  }
  ~Archive() {
    if (archive_ != nullptr) zip_discard(archive_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  // Puts source in as `part`, replacing the part of that name if any.
  // Takes the source over.
  zip_uint64_t Put(const std::string& part, zip_source_t* source) {
    if (source == nullptr) Fail("cannot rewrite " + part);
    const zip_int64_t index = zip_name_locate(archive_, part.c_str(), 0);
    zip_int64_t placed = index;
    if (index >= 0) {
      if (zip_file_replace(archive_, static_cast<zip_uint64_t>(index), source, 0) < 0) placed = -1;
    } else {
      placed = zip_file_add(archive_, part.c_str(), source, 0);
    }
    if (placed < 0) {
      zip_source_free(source);
      Fail("cannot rewrite " + part);
    }
    return static_cast<zip_uint64_t>(placed);
  }
  void PutText(const std::string& part, const std::string& text) {
    Put(part, zip_source_buffer(archive_, text.data(), text.size(), 0));
  }
  // The sheet goes in as a new entry, already deflated.
  // With the field that tells where its rows stand.
  void PutSheet(const std::string& part, DeflatedSheet& sheet) {
    zip_error_init(&sheet.error);
    Drop(part);
    const zip_uint64_t index = Put(part, zip_source_function(archive_, DeflatedSource, &sheet));
    SetField(part, index, EncodeRowsSegment(sheet.segment));
  }
  // The whole entry of another package, taken compressed: copied as it is,
  // with its rows field.
  void PutCopy(const CopiedPart& copy) {
    Drop(copy.part);
    const zip_uint64_t index = Put(copy.part, zip_source_zip(archive_, copy.source, copy.index, ZIP_FL_COMPRESSED, 0, -1));
    zip_uint16_t length = 0;
    const zip_uint8_t* field =
        zip_file_extra_field_get_by_id(copy.source, copy.index, kRowsSegmentField, 0, &length, ZIP_FL_CENTRAL);
    if (field != nullptr) SetField(copy.part, index, std::string(reinterpret_cast<const char*>(field), length));
  }
  void SetField(const std::string& part, zip_uint64_t index, const std::string& field) {
    if (zip_file_extra_field_set(archive_, index, kRowsSegmentField, ZIP_EXTRA_FIELD_NEW,
                                 reinterpret_cast<const zip_uint8_t*>(field.data()),
                                 static_cast<zip_uint16_t>(field.size()), ZIP_FL_CENTRAL) < 0) {
      Fail("cannot rewrite " + part);
    }
  }
  void Drop(const std::string& part) {
    const zip_int64_t old = zip_name_locate(archive_, part.c_str(), 0);
    if (old >= 0 && zip_delete(archive_, static_cast<zip_uint64_t>(old)) < 0) Fail("cannot rewrite " + part);
  }
  void Close() {
    if (zip_close(archive_) < 0) Fail("cannot finish the saved package");
    archive_ = nullptr;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw XlsxProblem(what + ": " + zip_strerror(archive_));
  }

  zip_t* archive_ = nullptr;
};

}  // namespace

void PatchPackage(const std::string& path, const PackageEdits& edits) {
  // Every text handed to the archive must live until it is closed.
  std::deque<std::string> texts;
  std::deque<SheetStream> streams;
  std::vector<SheetRows> written;  // the sheets to deflate, with streams
  {
    ZipReader reader(path);
    auto text_of = [&](const std::string& part) { return reader.Has(part) ? reader.Read(part) : std::string(); };
    for (const ChartPartEdit& edit : edits.charts) {
      if (edit.replacement) {
        texts.push_back(*edit.replacement);
      } else {
        texts.push_back(PatchChartPart(reader.Read(edit.part), edit.patch));
      }
    }
    for (const SheetRows& rows : edits.sheets) {
      if (rows.copied) continue;
      written.push_back(rows);
      SheetStream& stream = streams.emplace_back();
      std::string written = reader.Read(rows.part);
      auto head_rewrite = edits.sheet_head_rewrites.find(rows.part);
      if (head_rewrite != edits.sheet_head_rewrites.end()) written = head_rewrite->second(written);
      SplitSheetPart(rows.part, written, &stream.head, &stream.tail);
      stream.rows = edits.rows_file;
      if (rows.kept) stream.kept = &*rows.kept;
      stream.rows_begin = rows.begin;
      stream.rows_end = rows.end;
      auto tail_rewrite = edits.sheet_tail_rewrites.find(rows.part);
      if (tail_rewrite != edits.sheet_tail_rewrites.end()) stream.tail = tail_rewrite->second(stream.tail);
    }
    for (const auto& [part, rewrite] : edits.part_rewrites) texts.push_back(rewrite(text_of(part)));
  }

  std::vector<std::unique_ptr<std::FILE, int (*)(std::FILE*)>> scratch;
  std::vector<DeflatedSheet> deflated = DeflateSheets(streams, written, scratch);

  Archive archive(path);
  size_t text = 0;
  for (const ChartPartEdit& edit : edits.charts) archive.PutText(edit.part, texts[text++]);
  for (const auto& [part, rewrite] : edits.part_rewrites) archive.PutText(part, texts[text++]);
  for (size_t i = 0; i < written.size(); ++i) archive.PutSheet(written[i].part, deflated[i]);
  for (const CopiedPart& copy : edits.copied_parts) archive.PutCopy(copy);
  for (const auto& [part, bytes] : edits.added_parts) archive.PutText(part, bytes);
  archive.Close();
}

void AddRewrite(std::map<std::string, PartRewrite>& rewrites, const std::string& part, PartRewrite rewrite) {
  PartRewrite& slot = rewrites[part];
  if (!slot) {
    slot = std::move(rewrite);
    return;
  }
  slot = [before = std::move(slot), after = std::move(rewrite)](const std::string& text) { return after(before(text)); };
}

}  // namespace plrxl::xlsx
