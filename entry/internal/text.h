// Small text helpers of the entry folder. Lower is ASCII only, as the
// system's own names, letters and list entries are; Upper (tickers) and
// EqualsIgnoreCase (sheet names, list entries) know the letters of Latin,
// Greek and Cyrillic scripts.
#pragma once

#include <string>
#include <vector>

namespace plrxl::text {

std::string Lower(std::string s);
std::string Upper(std::string s);
bool EqualsIgnoreCase(const std::string& a, const std::string& b);
// Splits at every separator; an empty text gives one empty entry.
std::vector<std::string> Split(const std::string& s, char separator);
// Replaces every occurrence of `from` (non-empty), scanning left to right.
std::string ReplaceAll(std::string s, const std::string& from, const std::string& to);

}  // namespace plrxl::text
