// ZipReader: read-only access to the parts of a package file. The file is
// opened read-only and never changed. Failures throw XlsxProblem with a
// short reason ("not an .xlsx package", "truncated or damaged package",
// "damaged part xl/workbook.xml").
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct zip;

namespace plrxl::xlsx {

class ZipReader {
 public:
  // Opens path; throws XlsxProblem when it is missing or not a zip package.
  // Parts larger than max_part_bytes once inflated are refused.
  explicit ZipReader(const std::string& path, size_t max_part_bytes = kMaxPartSize);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Part names match regardless of case, as the package format has it
  // (an exact match first).
  bool Has(const std::string& part) const;
  // The name the package stores the part under; part itself when missing.
  std::string NameOf(const std::string& part) const;
  // Called with the text inflated so far after each block, and once more
  // with final = true; it may throw to stop reading.
  using Watch = std::function<void(const std::string& text, bool final)>;
  // The whole part; throws XlsxProblem when missing or damaged, and when it
  // is larger than the limit, by its directory entry (before inflating) or
  // while inflating (the directory may lie). The problem names the setting
  // that holds the limit.
  std::string Read(const std::string& part, const Watch& watch = {}) const;
  // Where a part sits in the package and what its directory entry says.
  struct Entry {
    uint64_t index = 0;
    uint64_t compressed_size = 0, size = 0;
    uint32_t crc = 0;
    uint16_t method = 0;
  };
  // Throws XlsxProblem when the part is missing.
  Entry EntryOf(const std::string& part) const;
  // The entry's extra field `id` of the central directory; empty when none.
  std::string ExtraField(uint64_t index, uint16_t id) const;
  // The file as it was when opened.
  struct Stamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified_ns = 0;
    bool operator==(const Stamp&) const = default;
  };
  const Stamp& FileStamp() const { return stamp_; }
  static Stamp StampOf(const std::string& path);  // all zero when it cannot be read

  // Every part name in the package, in directory order.
  const std::vector<std::string>& Parts() const { return parts_; }

  static constexpr size_t kMaxPartSize = size_t{1} << 30;

 private:
  long long Locate(const std::string& part) const;

  zip* archive_ = nullptr;
  size_t max_part_bytes_;
  Stamp stamp_;
  std::vector<std::string> parts_;
};

}  // namespace plrxl::xlsx
