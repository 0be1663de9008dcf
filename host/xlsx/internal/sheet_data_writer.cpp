#include "host/xlsx/internal/sheet_data_writer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/address.h"
#include "host/xlsx/internal/problem.h"

namespace plrxl::xlsx {

namespace {

// Collects the XML and hands it to the file in large blocks.
class Out {
 public:
  explicit Out(FILE* file) : file_(file) { buffer_.reserve(kBlock + 4096); }
  ~Out() = default;

  void Add(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kBlock) Flush();
  }
  void Add(char c) { buffer_.push_back(c); }
  void Int(long value) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, end);
  }
  void Number(double value) {
    char digits[32];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, end);
  }
  // Text content: markup characters escaped, characters XML cannot carry
  // written as _xHHHH_, the way spreadsheet files keep them.
  void Escaped(std::string_view text) {
    for (char ch : text) {
      const auto c = static_cast<unsigned char>(ch);
      switch (c) {
        case '&': buffer_.append("&amp;"); break;
        case '<': buffer_.append("&lt;"); break;
        case '>': buffer_.append("&gt;"); break;
        case '"': buffer_.append("&quot;"); break;
        default:
          if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            char code[8];
            std::snprintf(code, sizeof code, "_x%04X_", c);
            buffer_.append(code);
          } else {
            buffer_.push_back(ch);
          }
      }
    }
    if (buffer_.size() >= kBlock) Flush();
  }
  void Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      throw XlsxProblem(std::string("cannot write the sheet data: ") + std::strerror(errno));
    }
    buffer_.clear();
  }

 private:
  static constexpr size_t kBlock = size_t{1} << 16;
  FILE* file_;
  std::string buffer_;
};

void InlineText(Out& out, const std::string& text) {
  const bool keep_spaces = !text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) ||
                                             std::isspace(static_cast<unsigned char>(text.back())));
  out.Add(keep_spaces ? "<is><t xml:space=\"preserve\">" : "<is><t>");
  out.Escaped(text);
  out.Add("</t></is>");
}

// The cached value of a formula: its type attribute and <v>.
void CachedValue(Out& out, const Variant& value) {
  switch (value.Type()) {
    case VarType::kNumber:
    case VarType::kDate:
      if (std::isfinite(value.Number())) {
        out.Add("<v>");
        out.Number(value.Number());
        out.Add("</v>");
      } else {
        out.Add("<v>#NUM!</v>");
      }
      return;
    case VarType::kText:
      out.Add("<v>");
      out.Escaped(value.Text());
      out.Add("</v>");
      return;
    case VarType::kBoolean:
      out.Add(value.Boolean() ? "<v>1</v>" : "<v>0</v>");
      return;
    case VarType::kError:
      out.Add("<v>");
      out.Add(CellErrorText(value.ErrorValue()));
      out.Add("</v>");
      return;
    default:
      return;  // no result: the formula alone, for the next program to compute
  }
}

const char* CachedType(const Variant& value) {
  switch (value.Type()) {
    case VarType::kText: return " t=\"str\"";
    case VarType::kBoolean: return " t=\"b\"";
    case VarType::kError: return " t=\"e\"";
    case VarType::kNumber:
    case VarType::kDate: return std::isfinite(value.Number()) ? "" : " t=\"e\"";
    default: return "";
  }
}

}  // namespace

std::pair<long, long> WriteSheetData(lxw_worksheet* ws, const Worksheet& sheet, FormatCache& formats,
                                     std::FILE* rows) {
  const long begin = std::ftell(rows);
  if (begin < 0) throw XlsxProblem(std::string("cannot write the sheet data: ") + std::strerror(errno));
  auto used = sheet.UsedRange();
  std::vector<int> heights;
  for (int row = 1; row <= kMaxRows; ++row) {
    if (sheet.RowHeightIsCustom(row)) heights.push_back(row);
  }
  if (!used && heights.empty()) return {begin, begin};

  std::string columns[kMaxCols + 1];
  for (int c = 1; c <= kMaxCols; ++c) columns[c] = ColumnLetters(c);

  Out out(rows);
  int open_row = 0;
  size_t next_height = 0;
  int row_min = kMaxRows + 1, row_max = 0, col_min = kMaxCols + 1, col_max = 0;
  auto open = [&](int row) {
    out.Add("<row r=\"");
    out.Int(row);
    out.Add('"');
    if (sheet.RowHeightIsCustom(row)) {
      out.Add(" ht=\"");
      out.Number(sheet.RowHeight(row));
      out.Add("\" customHeight=\"1\"");
    }
    out.Add('>');
    open_row = row;
    row_min = std::min(row_min, row);
    row_max = std::max(row_max, row);
  };
  auto close = [&] {
    if (open_row != 0) out.Add("</row>");
    open_row = 0;
  };
  // Rows with a custom height but no cell, up to `row` (exclusive).
  auto heights_before = [&](int row) {
    for (; next_height < heights.size() && heights[next_height] < row; ++next_height) {
      if (heights[next_height] == open_row) continue;
      close();
      open(heights[next_height]);
    }
  };

  if (used) {
    sheet.ForEachCell(*used, [&](int row, int col) {
      if (row != open_row) {
        heights_before(row);
        close();
        open(row);
        if (next_height < heights.size() && heights[next_height] == row) ++next_height;
      }
      col_min = std::min(col_min, col);
      col_max = std::max(col_max, col);
      const Variant value = sheet.CellValue(row, col);
      lxw_format* format = formats.Get(sheet.CellStyleId(row, col), value.IsDate());
      out.Add("<c r=\"");
      out.Add(columns[col]);
      out.Int(row);
      out.Add('"');
      if (format != nullptr) {
        out.Add(" s=\"");
        out.Int(lxw_format_get_xf_index(format));
        out.Add('"');
      }
      const std::string formula = sheet.CellFormula(row, col);
      if (!formula.empty()) {
        out.Add(CachedType(value));
        out.Add("><f>");
        out.Escaped(formula[0] == '=' ? std::string_view(formula).substr(1) : std::string_view(formula));
        out.Add("</f>");
        CachedValue(out, value);
        out.Add("</c>");
        return;
      }
      switch (value.Type()) {
        case VarType::kNumber:
        case VarType::kDate:
          if (std::isfinite(value.Number())) {
            out.Add("><v>");
            out.Number(value.Number());
            out.Add("</v></c>");
          } else {
            out.Add(" t=\"e\"><v>#NUM!</v></c>");
          }
          break;
        case VarType::kText:
          out.Add(" t=\"inlineStr\">");
          InlineText(out, value.Text());
          out.Add("</c>");
          break;
        case VarType::kBoolean:
          out.Add(value.Boolean() ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>");
          break;
        case VarType::kError:
          out.Add(" t=\"e\"><v>");
          out.Add(CellErrorText(value.ErrorValue()));
          out.Add("</v></c>");
          break;
        default:
          out.Add("/>");
          break;
      }
    });
  }
  heights_before(kMaxRows + 1);
  close();
  out.Flush();

  // The part's <dimension> and the writer's "is there data" test.
  ws->dim_rowmin = static_cast<lxw_row_t>(row_min - 1);
  ws->dim_rowmax = static_cast<lxw_row_t>(row_max - 1);
  ws->dim_colmin = static_cast<lxw_col_t>(col_max == 0 ? 0 : col_min - 1);
  ws->dim_colmax = static_cast<lxw_col_t>(col_max == 0 ? 0 : col_max - 1);
  const long end = std::ftell(rows);
  if (end < 0) throw XlsxProblem(std::string("cannot write the sheet data: ") + std::strerror(errno));
  return {begin, end};
}

}  // namespace plrxl::xlsx
