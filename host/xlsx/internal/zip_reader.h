// ZipReader: read-only access to the parts of a package file. The file is
// opened read-only and never changed. Failures throw XlsxProblem with a
// short reason ("not an .xlsx package", "truncated or damaged package",
// "damaged part xl/workbook.xml").
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct zip;

namespace plrxl::xlsx {

class ZipReader {
 public:
  // Opens path; throws XlsxProblem when it is missing or not a zip package.
  explicit ZipReader(const std::string& path);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  bool Has(const std::string& part) const;
  // The whole part; throws XlsxProblem when missing, damaged or larger than
  // kMaxPartSize once inflated.
  std::string Read(const std::string& part) const;
  // Every part name in the package, in directory order.
  const std::vector<std::string>& Parts() const { return parts_; }

  static constexpr size_t kMaxPartSize = size_t{1} << 30;

 private:
  zip* archive_ = nullptr;
  std::vector<std::string> parts_;
};

}  // namespace plrxl::xlsx
