#include "host/xlsx/internal/package_patch.h"

#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/stock_chart_patch.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

namespace {

// zlib's fast level: quote rows compress to within 15 % of the default
// level's size in about half the time.
constexpr zip_uint32_t kSheetCompressionLevel = 1;

// A sheet part streamed into the archive when it is closed: the writer's
// text up to <sheetData>, the rows from the rows file, then the rest.
struct SheetStream {
  std::string head;
  std::FILE* rows = nullptr;
  long rows_begin = 0;
  long rows_end = 0;
  std::string tail;
  zip_uint64_t position = 0;
  zip_error_t error;

  zip_uint64_t Size() const { return head.size() + static_cast<zip_uint64_t>(rows_end - rows_begin) + tail.size(); }

  // Copies up to len bytes from the current position; -1 on a read error.
  zip_int64_t Read(char* data, zip_uint64_t len) {
    zip_uint64_t done = 0;
    auto copy = [&](const std::string& text, zip_uint64_t offset) {
      const zip_uint64_t n = std::min<zip_uint64_t>(len - done, text.size() - offset);
      std::memcpy(data + done, text.data() + offset, n);
      done += n;
      position += n;
    };
    const zip_uint64_t rows_size = static_cast<zip_uint64_t>(rows_end - rows_begin);
    while (done < len && position < Size()) {
      if (position < head.size()) {
        copy(head, position);
      } else if (position < head.size() + rows_size) {
        const zip_uint64_t offset = position - head.size();
        const size_t want = static_cast<size_t>(std::min<zip_uint64_t>(len - done, rows_size - offset));
        const ssize_t got = pread(fileno(rows), data + done, want, static_cast<off_t>(rows_begin + offset));
        if (got <= 0) {
          zip_error_set(&error, ZIP_ER_READ, got < 0 ? errno : EIO);
          return -1;
        }
        done += static_cast<zip_uint64_t>(got);
        position += static_cast<zip_uint64_t>(got);
      } else {
        copy(tail, position - head.size() - rows_size);
      }
    }
    return static_cast<zip_int64_t>(done);
  }
};

zip_int64_t SheetSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* stream = static_cast<SheetStream*>(state);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      stream->position = 0;
      return 0;
    case ZIP_SOURCE_READ:
      return stream->Read(static_cast<char*>(data), len);
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
      return 0;
    case ZIP_SOURCE_STAT: {
      auto* stat = static_cast<zip_stat_t*>(data);
      zip_stat_init(stat);
      stat->size = stream->Size();
      stat->valid |= ZIP_STAT_SIZE;
      return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&stream->error, data, len);
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&stream->error, ZIP_ER_OPNOTSUPP, 0);
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
  // A replaced entry keeps libzip's default level (its best, and slowest)
  // whatever is asked for it, so the sheet goes in as a new entry.
  void PutSheet(const std::string& part, SheetStream& stream) {
    zip_error_init(&stream.error);
    const zip_int64_t old = zip_name_locate(archive_, part.c_str(), 0);
    if (old >= 0 && zip_delete(archive_, static_cast<zip_uint64_t>(old)) < 0) Fail("cannot rewrite " + part);
    const zip_uint64_t index = Put(part, zip_source_function(archive_, SheetSource, &stream));
    if (zip_set_file_compression(archive_, index, ZIP_CM_DEFLATE, kSheetCompressionLevel) < 0) {
      Fail("cannot set the compression of " + part);
    }
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
      SheetStream& stream = streams.emplace_back();
      std::string written = reader.Read(rows.part);
      auto head_rewrite = edits.sheet_head_rewrites.find(rows.part);
      if (head_rewrite != edits.sheet_head_rewrites.end()) written = head_rewrite->second(written);
      SplitSheetPart(rows.part, written, &stream.head, &stream.tail);
      stream.rows = edits.rows_file;
      stream.rows_begin = rows.begin;
      stream.rows_end = rows.end;
      auto tail_rewrite = edits.sheet_tail_rewrites.find(rows.part);
      if (tail_rewrite != edits.sheet_tail_rewrites.end()) stream.tail = tail_rewrite->second(stream.tail);
    }
    for (const auto& [part, rewrite] : edits.part_rewrites) texts.push_back(rewrite(text_of(part)));
  }

  Archive archive(path);
  size_t text = 0;
  for (const ChartPartEdit& edit : edits.charts) archive.PutText(edit.part, texts[text++]);
  for (const auto& [part, rewrite] : edits.part_rewrites) archive.PutText(part, texts[text++]);
  for (size_t i = 0; i < edits.sheets.size(); ++i) archive.PutSheet(edits.sheets[i].part, streams[i]);
  for (const auto& [part, bytes] : edits.added_parts) archive.PutText(part, bytes);
  archive.Close();
}

}  // namespace plrxl::xlsx
