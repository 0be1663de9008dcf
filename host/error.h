// The error object every failure in the system carries: a number, the source
// that raised it and a description. Host failures use the spreadsheet's
// customary numbers; engine classes use kComponentFailure.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace plrxl {

// Customary error numbers of the runtime the system was written for.
inline constexpr int32_t kErrOverflow = 6;           // "Overflow"
inline constexpr int32_t kErrSubscript = 9;          // "Subscript out of range"
inline constexpr int32_t kErrTypeMismatch = 13;      // "Type mismatch"
inline constexpr int32_t kErrInvalidCall = 5;        // "Invalid procedure call or argument"
inline constexpr int32_t kErrFileNotFound = 53;      // "File not found"
inline constexpr int32_t kErrPathNotFound = 76;      // "Path not found"
inline constexpr int32_t kErrObjectRequired = 424;   // "Object required"
inline constexpr int32_t kErrMacroNotFound = 1004;   // Run of a missing function
inline constexpr int32_t kErrRange = 1004;           // a range that does not resolve
inline constexpr int32_t kComponentFailure = -2147221404;  // 0x80040064

// Thrown for every run-time failure. what() returns the description.
class Error : public std::runtime_error {
 public:
  Error(int32_t number, std::string source, std::string description)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  int32_t Number() const { return number_; }
  const std::string& Source() const { return source_; }
  const std::string& Description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// The 16-bit row counters of the system: values above 32767 (or below
// -32768) raise error 6 "Overflow" instead of widening silently.
int16_t ToInt16(long long value, const std::string& source = "PlrXL2");

}  // namespace plrxl
