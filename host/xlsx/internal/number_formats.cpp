#include "host/xlsx/internal/number_formats.h"

#include <cctype>

namespace plrxl::xlsx {

namespace {

struct BuiltinFormat {
  int id;
  const char* text;
};

// Id 14 is the locale's short date; the host shows it as m/d/yyyy.
constexpr BuiltinFormat kBuiltins[] = {
    {0, "General"},
    {1, "0"},
    {2, "0.00"},
    {3, "#,##0"},
    {4, "#,##0.00"},
    {5, "\"$\"#,##0_);(\"$\"#,##0)"},
    {6, "\"$\"#,##0_);[Red](\"$\"#,##0)"},
    {7, "\"$\"#,##0.00_);(\"$\"#,##0.00)"},
    {8, "\"$\"#,##0.00_);[Red](\"$\"#,##0.00)"},
    {9, "0%"},
    {10, "0.00%"},
    {11, "0.00E+00"},
    {12, "# ?/?"},
    {13, "# ?" "?/?" "?"},
    {14, "m/d/yyyy"},
    {15, "d-mmm-yy"},
    {16, "d-mmm"},
    {17, "mmm-yy"},
    {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"},
    {20, "h:mm"},
    {21, "h:mm:ss"},
    {22, "m/d/yyyy h:mm"},
    {37, "#,##0_);(#,##0)"},
    {38, "#,##0_);[Red](#,##0)"},
    {39, "#,##0.00_);(#,##0.00)"},
    {40, "#,##0.00_);[Red](#,##0.00)"},
    {45, "mm:ss"},
    {46, "[h]:mm:ss"},
    {47, "mm:ss.0"},
    {48, "##0.0E+0"},
    {49, "@"},
};

}  // namespace

std::string BuiltinNumberFormat(int id) {
  for (const BuiltinFormat& f : kBuiltins) {
    if (f.id == id) return f.text;
  }
  return {};
}

int BuiltinNumberFormatId(const std::string& format) {
  for (const BuiltinFormat& f : kBuiltins) {
    if (format == f.text) return f.id;
  }
  return -1;
}

bool IsDateFormat(const std::string& format) {
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c == '"') {
      size_t close = format.find('"', i + 1);
      if (close == std::string::npos) return false;
      i = close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is literal (or a padding character)
    } else if (c == '[') {
      size_t close = format.find(']', i + 1);
      if (close == std::string::npos) return false;
      std::string inside = format.substr(i + 1, close - i - 1);
      // Elapsed time sections ([h], [mm], [ss]) are times; colours and
      // locale tags ([Red], [$-409]) are not.
      if (!inside.empty()) {
        char first = static_cast<char>(std::tolower(static_cast<unsigned char>(inside[0])));
        if ((first == 'h' || first == 'm' || first == 's') &&
            inside.find_first_not_of(inside[0]) == std::string::npos) {
          return true;
        }
      }
      i = close;
    } else if (c == ';') {
      return false;  // only the first section decides
    } else {
      char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower == 'a' && (format.compare(i, 5, "AM/PM") == 0 || format.compare(i, 5, "am/pm") == 0)) {
        i += 4;
        continue;
      }
      if (lower == 'g' && format.compare(i, 7, "General") == 0) {
        i += 6;
        continue;
      }
      if (lower == 'e' && i + 1 < format.size() && (format[i + 1] == '+' || format[i + 1] == '-')) {
        continue;  // scientific notation
      }
      if (lower == 'd' || lower == 'm' || lower == 'y' || lower == 'h' || lower == 's') return true;
    }
  }
  return false;
}

}  // namespace plrxl::xlsx
