#include "host/xlsx/internal/zip_reader.h"

#include <libdeflate.h>
#include <sys/stat.h>
#include <zip.h>

#include <memory>
#include <optional>

#include "host/xlsx/internal/problem.h"
#include "host/xlsx/xlsx_store.h"

namespace plrxl::xlsx {

namespace {

std::string OpenProblem(int code) {
  switch (code) {
    case ZIP_ER_NOENT:
      return "file not found";
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
      return "cannot read the file";
    case ZIP_ER_NOZIP:
      return "not an .xlsx package (no zip directory)";
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
      return "truncated or damaged package";
    case ZIP_ER_MEMORY:
      return "out of memory";
    default: {
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      std::string text = std::string("cannot open the package: ") + zip_error_strerror(&error);
      zip_error_fini(&error);
      return text;
    }
  }
}

// Parts up to this size, by their directory entry, are inflated whole.
constexpr zip_uint64_t kWholeLimit = zip_uint64_t{64} << 20;

// A deflated part inflated in one call: about twice the speed of inflating
// it piece by piece, which matters for the sheets of a large workbook. Null
// when that cannot be done: another method, encryption, a size over
// kWholeLimit, or bytes that do not inflate to exactly the size and CRC
// its entry gives. The caller then reads the part piece by piece, which
// says what is wrong with it.
std::optional<std::string> InflateWhole(zip_t* archive, zip_uint64_t index, const zip_stat_t& st) {
  constexpr zip_uint64_t kNeeded = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                                   ZIP_STAT_ENCRYPTION_METHOD;
  if ((st.valid & kNeeded) != kNeeded || st.comp_method != ZIP_CM_DEFLATE ||
      st.encryption_method != ZIP_EM_NONE || st.size == 0 || st.size > kWholeLimit || st.comp_size > kWholeLimit) {
    return std::nullopt;
  }
  zip_file_t* file = zip_fopen_index(archive, index, ZIP_FL_COMPRESSED);
  if (file == nullptr) return std::nullopt;
  std::string deflated(static_cast<size_t>(st.comp_size), '\0');
  size_t got = 0;
  while (got < deflated.size()) {
    const zip_int64_t n = zip_fread(file, deflated.data() + got, deflated.size() - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  zip_fclose(file);
  if (got != deflated.size()) return std::nullopt;
  std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
      libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
  if (!inflater) return std::nullopt;
  std::string text(static_cast<size_t>(st.size), '\0');
  size_t size = 0;
  if (libdeflate_deflate_decompress(inflater.get(), deflated.data(), deflated.size(), text.data(), text.size(),
                                    &size) != LIBDEFLATE_SUCCESS ||
      size != text.size() || libdeflate_crc32(0, text.data(), text.size()) != st.crc) {
    return std::nullopt;
  }
  return text;
}

}  // namespace

ZipReader::ZipReader(const std::string& path, size_t max_part_bytes) : max_part_bytes_(max_part_bytes) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) throw XlsxProblem("file not found");
  if (S_ISDIR(info.st_mode)) throw XlsxProblem("is a folder, not a file");
  stamp_ = StampOf(path);
  int code = 0;
  archive_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (archive_ == nullptr) throw XlsxProblem(OpenProblem(code));
  zip_int64_t count = zip_get_num_entries(archive_, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (name != nullptr) parts_.emplace_back(name);
  }
}

ZipReader::~ZipReader() {
  if (archive_ != nullptr) zip_discard(archive_);
}

long long ZipReader::Locate(const std::string& part) const {
  const zip_int64_t exact = zip_name_locate(archive_, part.c_str(), ZIP_FL_ENC_GUESS);
  return exact >= 0 ? exact : zip_name_locate(archive_, part.c_str(), ZIP_FL_ENC_GUESS | ZIP_FL_NOCASE);
}

bool ZipReader::Has(const std::string& part) const { return Locate(part) >= 0; }

std::string ZipReader::NameOf(const std::string& part) const {
  const long long index = Locate(part);
  const char* name = index < 0 ? nullptr : zip_get_name(archive_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
  return name != nullptr ? std::string(name) : part;
}

ZipReader::Entry ZipReader::EntryOf(const std::string& part) const {
  const zip_int64_t index = Locate(part);
  zip_stat_t st;
  if (index < 0 || zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) != 0) {
    throw XlsxProblem("missing part " + part);
  }
  Entry entry;
  entry.index = static_cast<uint64_t>(index);
  if (st.valid & ZIP_STAT_COMP_SIZE) entry.compressed_size = st.comp_size;
  if (st.valid & ZIP_STAT_SIZE) entry.size = st.size;
  if (st.valid & ZIP_STAT_CRC) entry.crc = st.crc;
  if (st.valid & ZIP_STAT_COMP_METHOD) entry.method = st.comp_method;
  return entry;
}

std::string ZipReader::ExtraField(uint64_t index, uint16_t id) const {
  zip_uint16_t length = 0;
  const zip_uint8_t* field = zip_file_extra_field_get_by_id(archive_, index, id, 0, &length, ZIP_FL_CENTRAL);
  return field == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(field), length);
}

ZipReader::Stamp ZipReader::StampOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return {};
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino), static_cast<uint64_t>(info.st_size),
          int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
}

std::string ZipReader::Read(const std::string& part, const Watch& watch) const {
  const size_t max_bytes = max_part_bytes_;
  const zip_int64_t index = Locate(part);
  if (index < 0) throw XlsxProblem("missing part " + part);
  auto too_large = [&](const std::string& how) {
    return XlsxProblem(part + " " + how + ", over the limit " + kMaxPartMBKey + " (" +
                       std::to_string(max_bytes >> 20) + " MB)");
  };
  zip_stat_t st;
  std::string data;
  // The declared size refuses an honest oversized part at once; it is only
  // a hint otherwise, since a damaged directory may lie about it.
  if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
    if (st.size > max_bytes) throw too_large("is " + std::to_string(st.size) + " bytes inflated");
    if (std::optional<std::string> whole = InflateWhole(archive_, static_cast<zip_uint64_t>(index), st)) {
      if (watch) {
        watch(*whole, false);
        watch(*whole, true);
      }
      return std::move(*whole);
    }
    if (st.size < kWholeLimit) data.reserve(static_cast<size_t>(st.size));
  }
  auto close = [](zip_file_t* f) {
    if (f != nullptr) zip_fclose(f);
  };
  std::unique_ptr<zip_file_t, decltype(close)> file(
      zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0), close);
  if (!file) throw XlsxProblem("damaged part " + part + ": " + zip_strerror(archive_));
  char buffer[1 << 16];
  for (;;) {
    zip_int64_t n = zip_fread(file.get(), buffer, sizeof buffer);
    if (n < 0) throw XlsxProblem("damaged part " + part + ": " + zip_file_strerror(file.get()));
    if (n == 0) break;
    if (data.size() + static_cast<size_t>(n) > max_bytes) throw too_large("inflates past " + std::to_string(max_bytes) + " bytes");
    data.append(buffer, static_cast<size_t>(n));
    if (watch) watch(data, false);
  }
  if (watch) watch(data, true);
  return data;
}

}  // namespace plrxl::xlsx
