#include "macros/export_writer.h"

#include <optional>

#include "host/spreadsheet_host.h"
#include "macros/internal/runtime_text.h"

namespace plrxl {

namespace {

constexpr const char* kLineEnd = "\r\n";

// The text of a cell as the host converts an unformatted value; nullopt
// when it has none (an error value).
std::optional<std::string> CellText(const ExportBlock& block, int row, int col, const RegionalSettings& rs) {
  if (col <= 0) return std::nullopt;
  const Variant value = block.sheet->CellValue(row, col);
  if (value.IsError() || value.IsArray() || value.IsObject()) return std::nullopt;
  return ToText(value, rs);
}

void AppendTwoDigits(std::string& out, int value) {
  if (value < 10) out += '0';
  out += std::to_string(value);
}

std::optional<std::string> DateText(const ExportBlock& block, int row, const char* pattern,
                                    const RegionalSettings& rs) {
  if (block.columns.date <= 0) return std::nullopt;
  int year = 0, month = 0, day = 0;
  try {
    SplitDate(macros_internal::ToDateSerial(block.sheet->CellValue(row, block.columns.date), rs), &year, &month,
              &day);
  } catch (...) {
    return std::nullopt;  // not a date: the field is skipped
  }
  const std::string yyyy = std::to_string(year);
  std::string out;
  for (const char* p = pattern; *p != '\0';) {
    const std::string_view rest(p);
    if (rest.starts_with("YYYY")) {
      out += yyyy;
      p += 4;
    } else if (rest.starts_with("YY")) {
      out += yyyy.size() >= 2 ? yyyy.substr(yyyy.size() - 2) : yyyy;
      p += 2;
    } else if (rest.starts_with("MM")) {
      AppendTwoDigits(out, month);
      p += 2;
    } else if (rest.starts_with("DD")) {
      AppendTwoDigits(out, day);
      p += 2;
    } else {
      out += *p++;
    }
  }
  return out;
}

std::optional<std::string> FieldText(const ExportField& field, const ExportBlock& block, int row,
                                     const RegionalSettings& rs) {
  const ExportColumns& cols = block.columns;
  switch (field.kind) {
    case ExportFieldKind::kTicker: return block.ticker;
    case ExportFieldKind::kPeriod: return block.period;
    case ExportFieldKind::kDate: return DateText(block, row, field.text, rs);
    case ExportFieldKind::kLiteral: return std::string(field.text);
    case ExportFieldKind::kOpen: return CellText(block, row, cols.open, rs);
    case ExportFieldKind::kHigh: return CellText(block, row, cols.high, rs);
    case ExportFieldKind::kLow: return CellText(block, row, cols.low, rs);
    case ExportFieldKind::kClose: return CellText(block, row, cols.close, rs);
    case ExportFieldKind::kVolume:
      return cols.volume > 0 ? CellText(block, row, cols.volume, rs) : std::optional<std::string>("0");
    case ExportFieldKind::kOpenInterest:
      return cols.open_interest > 0 ? CellText(block, row, cols.open_interest, rs) : std::optional<std::string>("0");
  }
  return std::nullopt;
}

// UTF-8 to 8-bit text: code points up to U+00FF become one byte, anything
// else (and bytes that are not UTF-8) "?".
void AppendLatin1(std::string& out, const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    int length = 0;
    unsigned code = 0;
    if ((byte & 0xE0) == 0xC0) {
      length = 2, code = byte & 0x1Fu;
    } else if ((byte & 0xF0) == 0xE0) {
      length = 3, code = byte & 0x0Fu;
    } else if ((byte & 0xF8) == 0xF0) {
      length = 4, code = byte & 0x07u;
    }
    bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (!valid) {
      out += '?';
      ++i;
      continue;
    }
    out += code <= 0xFF ? static_cast<char>(code) : '?';
    i += static_cast<size_t>(length);
  }
}

bool IsAscii(const std::string& text) {
  for (char ch : text) {
    if (static_cast<unsigned char>(ch) >= 0x80) return false;
  }
  return true;
}

void WriteLine(std::ostream& out, std::string& line) {
  if (!IsAscii(line)) {
    std::string narrow;
    AppendLatin1(narrow, line);
    line.swap(narrow);
  }
  line += kLineEnd;
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

}  // namespace

std::string ExportLine(const ExportLayout& layout, const ExportBlock& block, int row, const RegionalSettings& rs) {
  std::string line;
  line.reserve(96);
  for (int i = 0; i < layout.field_count; ++i) {
    const ExportField& field = layout.fields[i];
    // A field that cannot be written is skipped with its separator, as a
    // failed statement of the line's composition would be.
    std::optional<std::string> text = FieldText(field, block, row, rs);
    if (!text) continue;
    if (i > 0 && !field.joined) line += layout.separator;
    if (field.dot_to_comma) {
      for (char& ch : *text) {
        if (ch == '.') ch = ',';
      }
    }
    if (field.quoted) line += '"';
    line += *text;
    if (field.quoted) line += '"';
  }
  return line;
}

void WriteExport(std::ostream& out, const ExportLayout& layout, const ExportBlock& block,
                 const RegionalSettings& rs) {
  if (layout.header != nullptr) {
    std::string header = layout.header;
    WriteLine(out, header);
  }
  for (int row = block.first_row; row <= block.last_row; ++row) {
    std::string line = ExportLine(layout, block, row, rs);
    WriteLine(out, line);
  }
}

}  // namespace plrxl
