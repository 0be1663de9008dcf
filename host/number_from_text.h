// Reading a number from a text that may come from outside (a setting, a
// cell, a workbook part). Unlike std::stoi and its kin it never throws,
// never reads just a prefix ("12abc"), skips no blanks and refuses a value
// out of the type's range, an infinity and a NaN: the caller decides what a
// bad text means.
#pragma once

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace plrxl {

// The whole text as a Number ("42", "-7", "2.5e3"), or nothing.
template <typename Number>
std::optional<Number> NumberFromText(std::string_view text) {
  static_assert(std::is_arithmetic_v<Number> && !std::is_same_v<Number, bool>);
  Number value{};
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || stop != end) return std::nullopt;
  if constexpr (std::is_floating_point_v<Number>) {
    if (!std::isfinite(value)) return std::nullopt;
  }
  return value;
}

}  // namespace plrxl
