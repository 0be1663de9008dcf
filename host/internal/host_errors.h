// The host's customary failures, raised from one place so their numbers and
// texts stay consistent.
#pragma once

#include <string>

#include "host/error.h"

namespace plrxl {

inline constexpr const char* kHostSource = "PlrXL2.Host";

// 1004 for a range that does not resolve or lies outside the grid.
[[noreturn]] inline void ThrowRangeError(const std::string& what) {
  throw Error(kErrRange, kHostSource,
              what.empty() ? "Application-defined or object-defined error"
                           : "Application-defined or object-defined error: " + what);
}

// 9 for a sheet, workbook, name or item that does not exist.
[[noreturn]] inline void ThrowSubscript(const std::string& what) {
  throw Error(kErrSubscript, kHostSource,
              what.empty() ? "Subscript out of range" : "Subscript out of range: " + what);
}

}  // namespace plrxl
