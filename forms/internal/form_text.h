// Small text helpers the window logic shares.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace plrxl::form_text {

inline std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

inline std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

inline bool EqualsIgnoreCase(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

// Splits at every separator; an empty text gives one empty entry.
inline std::vector<std::string> Split(const std::string& s, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = s.find(separator); at != std::string::npos; at = s.find(separator, start)) {
    parts.push_back(s.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(s.substr(start));
  return parts;
}

}  // namespace plrxl::form_text
