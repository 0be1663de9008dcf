#include "macros/export_writer.h"

#include <cstdint>
#include <string_view>

#include "host/spreadsheet_host.h"
#include "macros/internal/runtime_text.h"

namespace plrxl {

namespace {

constexpr const char* kLineEnd = "\r\n";

// Appends the text of a cell as the host converts an unformatted value;
// false when it has none (an error value) or there is no column.
bool AppendCellText(std::string& out, const ExportBlock& block, int row, int col, const RegionalSettings& rs) {
  if (col <= 0) return false;
  const Variant value = block.sheet->CellValue(row, col);
  if (value.IsNumber()) {
    AppendNumberText(out, value.Number(), rs);
    return true;
  }
  if (value.IsError() || value.IsArray() || value.IsObject()) return false;
  out += ToText(value, rs);
  return true;
}

void AppendTwoDigits(std::string& out, int value) {
  if (value < 10) out += '0';
  out += std::to_string(value);
}

bool AppendDate(std::string& out, const ExportBlock& block, int row, const char* pattern,
                const RegionalSettings& rs) {
  if (block.columns.date <= 0) return false;
  int year = 0, month = 0, day = 0;
  try {
    SplitDate(macros_internal::ToDateSerial(block.sheet->CellValue(row, block.columns.date), rs), &year, &month,
              &day);
  } catch (...) {
    return false;  // not a date: the field is skipped
  }
  const std::string yyyy = std::to_string(year);
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
  return true;
}

// Volume and open interest without a column are written as "0".
bool AppendCountText(std::string& out, const ExportBlock& block, int row, int col, const RegionalSettings& rs) {
  if (col > 0) return AppendCellText(out, block, row, col, rs);
  out += '0';
  return true;
}

// Appends one field's text; false (with `out` possibly extended) when the
// field cannot be written.
bool AppendField(std::string& out, const ExportField& field, const ExportBlock& block, int row,
                 const RegionalSettings& rs) {
  const ExportColumns& cols = block.columns;
  switch (field.kind) {
    case ExportFieldKind::kTicker: out += block.ticker; return true;
    case ExportFieldKind::kPeriod: out += block.period; return true;
    case ExportFieldKind::kDate: return AppendDate(out, block, row, field.text, rs);
    case ExportFieldKind::kLiteral: out += field.text; return true;
    case ExportFieldKind::kOpen: return AppendCellText(out, block, row, cols.open, rs);
    case ExportFieldKind::kHigh: return AppendCellText(out, block, row, cols.high, rs);
    case ExportFieldKind::kLow: return AppendCellText(out, block, row, cols.low, rs);
    case ExportFieldKind::kClose: return AppendCellText(out, block, row, cols.close, rs);
    case ExportFieldKind::kVolume: return AppendCountText(out, block, row, cols.volume, rs);
    case ExportFieldKind::kOpenInterest: return AppendCountText(out, block, row, cols.open_interest, rs);
  }
  return false;
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

namespace {

// Composes one line; sets bit i of *empty_fields for each layout field i
// written empty.
void ComposeLine(std::string& line, const ExportLayout& layout, const ExportBlock& block, int row,
                 const RegionalSettings& rs, uint32_t* empty_fields) {
  line.clear();
  for (int i = 0; i < layout.field_count; ++i) {
    const ExportField& field = layout.fields[i];
    if (i > 0 && !field.joined) line += layout.separator;
    if (field.quoted) line += '"';
    const size_t text_start = line.size();
    if (!AppendField(line, field, block, row, rs)) {
      // The field stays in the line, empty: the fields after it keep their
      // places.
      line.resize(text_start);
      if (empty_fields != nullptr) *empty_fields |= 1u << i;
    } else if (field.dot_to_comma) {
      for (size_t k = text_start; k < line.size(); ++k) {
        if (line[k] == '.') line[k] = ',';
      }
    }
    if (field.quoted) line += '"';
  }
}

}  // namespace

const char* ExportFieldTitle(ExportFieldKind kind) {
  switch (kind) {
    case ExportFieldKind::kDate: return "Date";
    case ExportFieldKind::kOpen: return "Open";
    case ExportFieldKind::kHigh: return "High";
    case ExportFieldKind::kLow: return "Low";
    case ExportFieldKind::kClose: return "Close";
    case ExportFieldKind::kVolume: return "Volume";
    case ExportFieldKind::kOpenInterest: return "Open Interest";
    case ExportFieldKind::kTicker:
    case ExportFieldKind::kPeriod:
    case ExportFieldKind::kLiteral: break;
  }
  return "";
}

std::string ExportLine(const ExportLayout& layout, const ExportBlock& block, int row, const RegionalSettings& rs) {
  std::string line;
  ComposeLine(line, layout, block, row, rs, nullptr);
  return line;
}

std::vector<std::string> WriteExport(std::ostream& out, const ExportLayout& layout, const ExportBlock& block,
                                     const RegionalSettings& rs) {
  if (layout.header != nullptr) {
    std::string header = layout.header;
    WriteLine(out, header);
  }
  std::string line;
  line.reserve(128);
  uint32_t empty_fields = 0;
  for (int row = block.first_row; row <= block.last_row; ++row) {
    ComposeLine(line, layout, block, row, rs, &empty_fields);
    WriteLine(out, line);
  }
  std::vector<std::string> titles;
  for (int i = 0; i < layout.field_count; ++i) {
    if ((empty_fields & (1u << i)) != 0) titles.emplace_back(ExportFieldTitle(layout.fields[i].kind));
  }
  return titles;
}

}  // namespace plrxl
