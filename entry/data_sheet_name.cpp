#include "entry/data_sheet_name.h"

#include <cctype>
#include <string_view>

namespace plrxl {
namespace {

constexpr const char* kBadChars = "!:\\/?*[]";
constexpr size_t kCutAt = 28;
constexpr size_t kMaxSheetNameLength = 31;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Characters, not bytes: a UTF-8 sequence counts once.
size_t CharacterCount(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += IsContinuationByte(c) ? 0 : 1;
  return n;
}

std::string Cleaned(std::string name) {
  for (char& c : name) {
    if (std::string_view(kBadChars).find(c) != std::string_view::npos) c = '_';
  }
  size_t characters = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    if (!IsContinuationByte(name[i]) && ++characters > kCutAt) return name.substr(0, i);
  }
  return name;
}

}  // namespace

bool IsAutoLocation(const std::string& data_location) { return Upper(data_location) == "AUTO"; }

std::string DataSheetName(const std::string& data_location, const std::string& ticker) {
  if (!IsAutoLocation(data_location)) return Cleaned(data_location);
  std::string name = Cleaned(ticker);
  if (!name.empty() && name.front() == '\'') name.front() = '_';
  if (!name.empty() && name.back() == '\'') name.back() = '_';
  return name;
}

bool SameDataLocation(const std::string& a, const std::string& b) {
  return a == b || (IsAutoLocation(a) && IsAutoLocation(b));
}

bool IsUsableSheetName(const std::string& name) {
  if (name.empty() || CharacterCount(name) > kMaxSheetNameLength) return false;
  if (name.find_first_of(":\\/?*[]") != std::string::npos) return false;
  if (name.front() == '\'' || name.back() == '\'') return false;
  return Upper(name) != "HISTORY";
}

}  // namespace plrxl
