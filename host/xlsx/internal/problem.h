// XlsxProblem: what went wrong inside the package, without the file name.
// The store adds the path and turns it into the host's Error 1004.
#pragma once

#include <stdexcept>
#include <string>

namespace plrxl::xlsx {

class XlsxProblem : public std::runtime_error {
 public:
  explicit XlsxProblem(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace plrxl::xlsx
