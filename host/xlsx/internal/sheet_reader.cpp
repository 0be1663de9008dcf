#include "host/xlsx/internal/sheet_reader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

#include "host/format_limits.h"
#include "host/regional.h"
#include "host/xlsx/internal/formula_shift.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/xml_pieces.h"
#include "host/xlsx/internal/xml_util.h"

namespace plrxl::xlsx {

namespace {

constexpr size_t kPieceBytes = size_t{1} << 20;

// "B12" -> row 12, col 2, also beyond this grid (up to "XFD1048576", the
// largest a file may name). Returns false for anything else.
bool ParseCellRef(const char* s, int* row, int* col) {
  int c = 0;
  const char* p = s;
  while (*p >= 'A' && *p <= 'Z') {
    c = c * 26 + (*p - 'A' + 1);
    if (p - s >= 3) return false;
    ++p;
  }
  if (p == s) return false;
  int r = 0;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') {
    r = r * 10 + (*p - '0');
    if (p - digits >= 7) return false;
    ++p;
  }
  if (p == digits || *p != '\0' || r < 1) return false;
  *row = r;
  *col = c;
  return true;
}

bool InGrid(int row, int col) { return row >= 1 && row <= kMaxRows && col >= 1 && col <= kMaxCols; }

bool ParseNumber(const char* s, double* out) {
  const char* end = s + std::strlen(s);
  while (s < end && *s == ' ') ++s;
  if (s < end && *s == '+') ++s;
  auto result = std::from_chars(s, end, *out);
  return result.ec == std::errc() && result.ptr == end && std::isfinite(*out);
}

// "2024-03-15T12:30:00" (cells of type "d") -> serial.
bool ParseIsoDate(const char* s, double* out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  double sec = 0;
  int n = std::sscanf(s, "%d-%d-%dT%d:%d:%lf", &y, &mo, &d, &h, &mi, &sec);
  if (n < 3 || y < 1900 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31) return false;
  *out = DateSerial(y, mo, d) + (h * 3600 + mi * 60 + sec) / 86400.0;
  return true;
}

struct SharedFormula {
  std::string text;
  int row, col;
};

class CellLoader {
 public:
  CellLoader(Worksheet& sheet, SheetContext& ctx, const std::string& part)
      : sheet_(sheet), ctx_(ctx), part_(part) {}

  void Row(const pugi::xml_node& row_node) {
    int row = row_node.attribute("r").as_int(last_row_ + 1);
    if (row < 1 || row > 1048576) throw XlsxProblem("row number out of range in " + part_);
    last_row_ = row;
    if (row <= kMaxRows && row_node.attribute("customHeight").as_bool()) {
      if (pugi::xml_attribute ht = row_node.attribute("ht")) sheet_.SetRowHeight(row, ht.as_double());
    }
    int last_col = 0;
    for (pugi::xml_node c = row_node.first_child(); c; c = c.next_sibling()) {
      if (!Is(c, "c")) continue;
      int r = row, col = last_col + 1;
      if (pugi::xml_attribute ref = c.attribute("r")) {
        if (!ParseCellRef(ref.value(), &r, &col)) throw XlsxProblem("bad cell reference in " + part_);
      }
      last_col = col;
      if (!InGrid(r, col)) {
        if (beyond_grid_++ == 0) first_beyond_ = ColumnName(col) + std::to_string(r);
        continue;
      }
      Cell(c, r, col);
    }
  }

  // One warning for the cells skipped beyond the grid, if any.
  void ReportBeyondGrid() const {
    if (beyond_grid_ == 0) return;
    ctx_.losses->push_back(std::to_string(beyond_grid_) + " cell(s) beyond the grid of " +
                             std::to_string(kMaxRows) + " rows and " + std::to_string(kMaxCols) +
                             " columns skipped on sheet '" + sheet_.Name() + "', the first at " + first_beyond_);
  }

 private:
  // Column letters beyond IV as well ("XFD").
  static std::string ColumnName(int col) {
    std::string letters;
    for (; col > 0; col = (col - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (col - 1) % 26));
    return letters;
  }

  std::string Where(int row, int col) const { return "cell " + CellName(sheet_, row, col) + " in " + part_; }

  // A text a cell will show: charged to the budget and checked against what
  // the file format holds.
  void Admit(const std::string& text, int row, int col) {
    ctx_.budget->SpendText(text.size(), part_);
    if (std::string why = CellTextProblem(text); !why.empty()) throw XlsxProblem(Where(row, col) + ": " + why);
  }

  const std::shared_ptr<const std::string>& SharedString(const char* text) const {
    char* end = nullptr;
    unsigned long index = std::strtoul(text, &end, 10);
    if (*end != '\0' || index >= ctx_.shared_strings->size()) {
      throw XlsxProblem("shared string index out of range in " + part_);
    }
    return (*ctx_.shared_strings)[index];
  }

  int ModelStyle(int xf) {
    if (xf < 0 || xf >= static_cast<int>(ctx_.styles->styles.size())) return 0;
    int& id = ctx_.model_style[static_cast<size_t>(xf)];
    if (id < 0) id = sheet_.Parent().InternStyle(ctx_.styles->styles[static_cast<size_t>(xf)]);
    return id;
  }

  Variant Value(const pugi::xml_node& c, std::string_view type, bool is_date, bool in_formula, int row, int col) {
    pugi::xml_node v = Child(c, "v");
    const char* text = v ? v.text().get() : "";
    if (type == "inlineStr") {
      std::string inline_text = TextOf(Child(c, "is"));
      Admit(inline_text, row, col);
      return Variant(std::move(inline_text));
    }
    if (!v) return Variant();
    if (type.empty() || type == "n") {
      double x = 0;
      if (*text == '\0') return Variant();
      if (!ParseNumber(text, &x)) throw XlsxProblem("bad number \"" + std::string(text).substr(0, 40) + "\" in " + part_);
      // A time of day (no whole day) is the same in either date system.
      return is_date ? Variant::Date(x >= 1 ? x + ctx_.date_shift : x) : Variant(x);
    }
    if (type == "s") {
      const std::string& shared = *SharedString(text);
      Admit(shared, row, col);
      return Variant(shared);
    }
    if (type == "b") return Variant(std::string_view(text) == "1" || std::string_view(text) == "true");
    if (type == "e") {
      CellError e;
      return ParseCellError(text, &e) ? Variant(e) : Variant(CellError::kValue);
    }
    if (type == "str") {
      // Files saved by earlier versions stored Boolean and error results of
      // formulas as texts: they come back from their texts.
      std::string_view s(text);
      CellError e;
      if (in_formula && s == "TRUE") return Variant(true);
      if (in_formula && s == "FALSE") return Variant(false);
      if (in_formula && ParseCellError(text, &e)) return Variant(e);
      Admit(text, row, col);
      return Variant(std::string(text));
    }
    if (type == "d") {
      double serial = 0;
      if (!ParseIsoDate(text, &serial)) throw XlsxProblem("bad date in " + part_);
      return Variant::Date(serial);
    }
    throw XlsxProblem("unknown cell type \"" + std::string(type) + "\" in " + part_);
  }

  void Cell(const pugi::xml_node& c, int row, int col) {
    int xf = c.attribute("s").as_int(0);
    bool is_date = xf >= 0 && xf < static_cast<int>(ctx_.styles->is_date.size()) &&
                   ctx_.styles->is_date[static_cast<size_t>(xf)];
    std::string_view type = c.attribute("t").value();
    pugi::xml_node f = Child(c, "f");
    if (f) {
      std::string formula = f.text().get();
      ctx_.budget->SpendText(formula.size(), part_);
      if (std::string why = FormulaProblem("=" + formula); !why.empty()) throw XlsxProblem(Where(row, col) + ": " + why);
      std::string_view kind = f.attribute("t").value();
      if (kind == "shared") {
        int si = f.attribute("si").as_int(-1);
        if (!formula.empty()) {
          shared_[si] = {formula, row, col};
        } else if (auto it = shared_.find(si); it != shared_.end()) {
          formula = ShiftFormula(it->second.text, row - it->second.row, col - it->second.col);
        }
      }
      Variant cached = Value(c, type, is_date, true, row, col);
      CellError e;
      if (!formula.empty() && ParseCellError(formula, &e)) {
        // Files saved by earlier versions stored constant errors and the
        // empty text as formulas.
        sheet_.SetCellValue(row, col, Variant(e));
      } else if (formula == "\"\"") {
        sheet_.SetCellValue(row, col, Variant(std::string()));
      } else if (!formula.empty()) {
        sheet_.SetCellFormula(row, col, "=" + formula, cached);
      } else {
        sheet_.SetCellValue(row, col, cached);
      }
    } else if (type == "s") {
      // Shared strings go in by reference: one copy however many cells show it.
      pugi::xml_node v = Child(c, "v");
      if (v) {
        const std::shared_ptr<const std::string>& shared = SharedString(v.text().get());
        Admit(*shared, row, col);
        sheet_.SetCellSharedText(row, col, shared);
      }
    } else {
      Variant value = Value(c, type, is_date, false, row, col);
      if (!value.IsEmpty()) sheet_.SetCellValue(row, col, value);
    }
    if (xf != 0 || ctx_.styles->styles[0] != CellStyle()) {
      int id = ModelStyle(xf);
      if (id != 0) sheet_.SetCellStyleId(row, col, id);
    }
  }

  Worksheet& sheet_;
  SheetContext& ctx_;
  const std::string& part_;
  int last_row_ = 0;
  std::map<int, SharedFormula> shared_;
  int64_t beyond_grid_ = 0;
  std::string first_beyond_;
};

void ReadColumns(const pugi::xml_node& cols, Worksheet& sheet) {
  for (pugi::xml_node col = cols.first_child(); col; col = col.next_sibling()) {
    if (!Is(col, "col")) continue;
    pugi::xml_attribute width = col.attribute("width");
    if (!width || !col.attribute("customWidth").as_bool(true)) continue;
    int first = std::max(1, col.attribute("min").as_int(1));
    int last = std::min(kMaxCols, col.attribute("max").as_int(first));
    double w = FileWidthToColumnWidth(width.as_double());
    for (int c = first; c <= last; ++c) sheet.SetColumnWidth(c, w);
  }
}

void ReadView(const pugi::xml_node& views, Worksheet& sheet) {
  pugi::xml_node view = Child(views, "sheetView");
  if (!view) return;
  if (pugi::xml_attribute zoom = view.attribute("zoomScale")) {
    int z = zoom.as_int(100);
    if (z >= 10 && z <= 400) sheet.SetZoom(z);
  }
  std::string active_pane;
  if (pugi::xml_node pane = Child(view, "pane")) {
    std::string_view state = pane.attribute("state").value();
    if (state == "frozen" || state == "frozenSplit") {
      sheet.FreezePanes(pane.attribute("ySplit").as_int(0), pane.attribute("xSplit").as_int(0));
    }
    active_pane = pane.attribute("activePane").as_string("topLeft");
  }
  for (pugi::xml_node sel = view.first_child(); sel; sel = sel.next_sibling()) {
    if (!Is(sel, "selection")) continue;
    std::string pane = sel.attribute("pane").as_string("topLeft");
    if (!active_pane.empty() && pane != active_pane) continue;
    std::string sqref = sel.attribute("sqref").as_string(sel.attribute("activeCell").as_string());
    sqref = sqref.substr(0, sqref.find(' '));
    if (auto parsed = ParseA1(sqref)) sheet.SetSelectionRect(parsed->rect);
  }
}

}  // namespace

double FileWidthToColumnWidth(double file_width) {
  if (file_width <= 0) return 0;
  double pixels = std::trunc(file_width * 7 + 0.5);
  double chars = pixels < 12 ? pixels / 12 : (pixels - 5) / 7;
  return std::round(chars * 100) / 100;
}

SheetExtras ReadSheet(const std::string& text, const std::string& part, Worksheet& sheet, SheetContext& ctx) {
  const ElementContent cells = FindContent(text, "sheetData");
  std::string outer = WithoutContent(text, cells);
  pugi::xml_document doc;
  ParseXml(outer, doc, part);
  pugi::xml_node root = Root(doc, "worksheet", part);
  SheetExtras extras;
  CellLoader loader(sheet, ctx, part);
  for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
    if (node.type() != pugi::node_element) continue;
    std::string_view name = LocalName(node.name());
    if (name == "sheetData") {
      ForEachPiece(text, cells, "row", kPieceBytes, part, [&](const pugi::xml_node& rows) {
        for (pugi::xml_node row = rows.first_child(); row; row = row.next_sibling()) {
          if (Is(row, "row")) loader.Row(row);
        }
      });
      loader.ReportBeyondGrid();
    } else if (name == "cols") {
      ReadColumns(node, sheet);
    } else if (name == "sheetViews") {
      ReadView(node, sheet);
    } else if (name == "mergeCells") {
      for (pugi::xml_node m = node.first_child(); m; m = m.next_sibling()) {
        if (!Is(m, "mergeCell")) continue;
        auto parsed = ParseA1(m.attribute("ref").as_string());
        if (!parsed) throw XlsxProblem("bad merged range in " + part);
        sheet.Merge(parsed->rect);
      }
    } else if (name == "drawing") {
      extras.drawing_rid = Attr(node, "id").as_string();
    }
  }
  if (cells.found) {
    // Just after <sheetData/>, or after its end tag.
    const bool empty = cells.begin == cells.end && cells.end >= 2 && text.compare(cells.end - 2, 2, "/>") == 0;
    const size_t close = empty ? cells.end - 1 : text.find('>', cells.end);
    if (close != std::string::npos) extras.tail_begin = close + 1;
  }
  return extras;
}

}  // namespace plrxl::xlsx
