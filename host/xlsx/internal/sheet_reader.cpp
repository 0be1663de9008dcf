#include "host/xlsx/internal/sheet_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "host/format_limits.h"
#include "host/regional.h"
#include "host/xlsx/internal/formula_shift.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/row_scanner.h"
#include "host/xlsx/internal/sheet_layout_reader.h"
#include "host/xlsx/internal/xml_pieces.h"
#include "host/xlsx/internal/xml_scan.h"
#include "host/xlsx/internal/xml_util.h"

namespace plrxl::xlsx {

namespace {

// Rows are read in pieces of about this size. Small enough that a sheet
// read ahead on the worker hands over at a piece's end: when the caller
// comes for it early, it reads only the pieces not yet read.
constexpr size_t kPieceBytes = size_t{128} << 10;

// "A1:C3" or "B2" (a single cell), also beyond this grid; false for
// anything else. Dollar signs are allowed.
bool ParseCellRange(std::string_view text, Rect* rect) {
  auto cell = [](std::string_view part, int* row, int* col) {
    std::string plain;
    for (char c : part) {
      if (c != '$') plain += c;
    }
    return ParseCellRef(plain.c_str(), row, col);
  };
  const size_t colon = text.find(':');
  if (!cell(text.substr(0, colon), &rect->row1, &rect->col1)) return false;
  if (colon == std::string_view::npos) {
    rect->row2 = rect->row1, rect->col2 = rect->col1;
    return true;
  }
  return cell(text.substr(colon + 1), &rect->row2, &rect->col2) && rect->row1 <= rect->row2 &&
         rect->col1 <= rect->col2 && rect->row2 <= kMaxFileRows && rect->col2 <= kMaxFileColumns;
}

bool InGrid(int row, int col) { return row >= 1 && row <= kMaxRows && col >= 1 && col <= kMaxCols; }

// "2024-03-15T12:30:00" (cells of type "d") -> serial; a time alone
// ("10:10:10", "T10:10") is a fraction of a day.
bool ParseIsoDate(const char* s, double* out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  double sec = 0;
  if (std::strchr(s, '-') == nullptr && std::strchr(s, ':') != nullptr) {
    const int n = std::sscanf(s[0] == 'T' ? s + 1 : s, "%d:%d:%lf", &h, &mi, &sec);
    if (n < 2 || h < 0 || h > 24 || mi < 0 || mi > 59 || sec < 0 || sec >= 61) return false;
    *out = (h * 3600 + mi * 60 + sec) / 86400.0;
    return true;
  }
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
  CellLoader(Worksheet& sheet, SheetContext& ctx, const std::string& part, SheetExtras& extras)
      : sheet_(sheet), ctx_(ctx), part_(part), layout_(extras.layout), references_(extras.references) {}

  int LastRow() const { return last_row_; }

  // Rows the quick reader read (row_scanner.h): they hold nothing that
  // needs the general reader.
  void Rows(const ScannedRows& scanned) {
    for (const ScannedRow& row : scanned.rows) {
      BeginRow(row.row, row.xf >= 0 ? &row.xf : nullptr, row.custom_height, row.has_height ? &row.height : nullptr);
      const ScannedCell* cell = scanned.cells.data() + row.first_cell;
      for (const ScannedCell* end = cell + row.cell_count; cell != end; ++cell) {
        Place(cell->row, cell->col);
        if (cell->formula != nullptr) {
          FormulaCell(cell->row, cell->col, cell->xf, cell->type, cell->value, cell->inline_text,
                      {cell->formula, cell->formula_type, cell->formula_si, cell->formula_ref});
        } else {
          PlainCell(cell->row, cell->col, cell->xf, cell->type, cell->value, cell->inline_text,
                    cell->has_number ? &cell->number : nullptr);
        }
      }
    }
  }

  void Row(const pugi::xml_node& row_node) {
    int row = row_node.attribute("r").as_int(last_row_ + 1);
    if (row < 1 || row > kMaxFileRows) throw XlsxProblem("row number out of range in " + part_);
    const pugi::xml_attribute style = row_node.attribute("s");
    const int xf = style.as_int(-1);
    const bool custom_height = row_node.attribute("customHeight").as_bool();
    const pugi::xml_attribute ht = row_node.attribute("ht");
    const double height = ht.as_double(-1);
    BeginRow(row, style ? &xf : nullptr, custom_height, ht ? &height : nullptr);
    CarriedRow* carried = nullptr;
    auto carried_row = [&]() -> CarriedRow& {
      if (carried == nullptr) carried = &layout_.rows.emplace_back(CarriedRow{row, {}, {}});
      return *carried;
    };
    // What the model does not hold of the row itself.
    for (const char* name : {"hidden", "outlineLevel", "collapsed", "thickTop", "thickBot"}) {
      const pugi::xml_attribute a = row_node.attribute(name);
      const std::string_view value = a.value();
      if (!a || value == "0" || value == "false") continue;
      carried_row().attributes += std::string(" ") + name + "=\"" + Escape(value) + "\"";
    }
    if (row > kMaxRows && custom_height && row_node.attribute("ht")) {
      carried_row().attributes += " ht=\"" + Escape(row_node.attribute("ht").value()) + "\" customHeight=\"1\"";
    }
    int last_col = 0;
    for (pugi::xml_node c = row_node.first_child(); c; c = c.next_sibling()) {
      if (!Is(c, "c")) continue;
      int r = row, col = last_col + 1;
      if (pugi::xml_attribute ref = c.attribute("r")) {
        if (!ParseCellRef(ref.value(), &r, &col)) throw XlsxProblem("bad cell reference in " + part_);
      }
      last_col = col;
      Place(r, col);
      if (r > kMaxFileRows || col > kMaxFileColumns) throw XlsxProblem("bad cell reference in " + part_);
      if (!InGrid(r, col)) {
        CarriedCell cell = BeyondGrid(c, r, col);
        // Held as text: it counts with the carried parts, so a file of such
        // cells cannot claim more memory than they may.
        ctx_.budget->SpendCarried(sizeof(CarriedCell) + cell.body.size(), part_);
        carried_row().cells.push_back(std::move(cell));
        continue;
      }
      Cell(c, r, col);
    }
    if (carried != nullptr && carried->attributes.empty() && carried->cells.empty()) layout_.rows.pop_back();
  }

 private:
  // A row's number, style and height, as both readers give them.
  void BeginRow(int row, const int* xf, bool custom_height, const double* height) {
    last_row_ = row;
    if (references_.first_row == 0 || row < references_.first_row) references_.first_row = row;
    references_.last_row = std::max(references_.last_row, row);
    if (xf != nullptr) references_.Xf(*xf);
    if (row <= kMaxRows && custom_height && height != nullptr) {
      if (!(*height >= 0 && std::isfinite(*height))) throw XlsxProblem("bad row height in " + part_);
      sheet_.SetRowHeight(row, *height);
    }
  }

  // Where a cell stands, for the part's span.
  void Place(int row, int col) {
    if (references_.first_col == 0 || col < references_.first_col) references_.first_col = col;
    references_.last_col = std::max(references_.last_col, col);
    references_.last_row = std::max(references_.last_row, row);
  }

  // What a cell's <f> says, as both readers give it.
  struct FormulaFields {
    const char* text;
    std::string_view type;  // t
    int si;                 // -1 when absent
    std::string_view ref;
  };

  static FormulaFields FieldsOf(const pugi::xml_node& f) {
    return {f.text().get(), f.attribute("t").value(), f.attribute("si").as_int(-1), f.attribute("ref").value()};
  }

  // The formula text of a cell's <f>: a shared formula's follower gets the
  // leader's text moved to it.
  std::string FormulaOf(const FormulaFields& f, int row, int col) {
    std::string formula = f.text;
    ctx_.budget->SpendText(formula.size(), part_);
    if (std::string why = FormulaProblem("=" + formula); !why.empty()) throw XlsxProblem(Where(row, col) + ": " + why);
    if (f.type == "shared") {
      const int si = f.si;
      if (!formula.empty()) {
        shared_[si] = {formula, row, col};
      } else if (auto it = shared_.find(si); it != shared_.end()) {
        formula = ShiftFormula(it->second.text, row - it->second.row, col - it->second.col);
      }
    }
    return formula;
  }

  // A cell beyond the grid, kept as the file gave it but standing alone:
  // a shared string becomes an inline text, a shared formula its own text.
  CarriedCell BeyondGrid(const pugi::xml_node& c, int row, int col) {
    CarriedCell cell;
    cell.col = col;
    const int xf = c.attribute("s").as_int(0);
    references_.Xf(xf);
    if (xf != 0) cell.style_id = ModelStyle(xf);
    const std::string_view type = c.attribute("t").value();
    if (type == "s") references_.shared_strings = true;
    if (type == "s") {
      pugi::xml_node v = Child(c, "v");
      const std::string_view index = v ? v.text().get() : "";
      if (index.empty()) {
        cell.body = "/>";
        return cell;
      }
      const std::string& text = *SharedString(v.text().get());
      Admit(text, row, col);
      cell.body = " t=\"inlineStr\"><is><t xml:space=\"preserve\">" + Escape(text) + "</t></is></c>";
      return cell;
    }
    std::ostringstream body;
    if (!type.empty()) body << " t=\"" << Escape(type) << '"';
    if (!c.first_child()) {
      body << "/>";
      cell.body = body.str();
      return cell;
    }
    body << '>';
    for (pugi::xml_node child = c.first_child(); child; child = child.next_sibling()) {
      if (Is(child, "f") && std::string_view(child.attribute("t").value()) == "shared") {
        body << "<f>" << Escape(FormulaOf(FieldsOf(child), row, col)) << "</f>";
      } else {
        if (Is(child, "is")) Admit(TextOf(child), row, col);
        if (Is(child, "f")) ctx_.budget->SpendText(std::strlen(child.text().get()), part_);
        child.print(body, "", pugi::format_raw);
      }
    }
    body << "</c>";
    cell.body = body.str();
    return cell;
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

  // A cell's value from its type, its <v> text (null when it has none)
  // and its inline text (null when it has none).
  Variant Value(std::string_view type, const char* v, const char* inline_text, bool is_date, bool in_formula, int row,
                int col, const double* number = nullptr) {
    const char* text = v != nullptr ? v : "";
    if (type == "inlineStr") {
      std::string shown = inline_text != nullptr ? inline_text : "";
      Admit(shown, row, col);
      return Variant(std::move(shown));
    }
    if (v == nullptr) return Variant();
    if (type.empty() || type == "n") {
      double x = number != nullptr ? *number : 0;
      if (number == nullptr && *text == '\0') return Variant();
      if (number == nullptr && !ParseCellNumber(text, &x)) throw XlsxProblem("bad number \"" + std::string(text).substr(0, 40) + "\" in " + part_);
      // A time of day (no whole day) is the same in either date system.
      return is_date ? Variant::Date(x >= 1 ? x + ctx_.date_shift : x) : Variant(x);
    }
    if (type == "s") {
      if (*text == '\0') return Variant();
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
      if (!in_formula || s == "TRUE" || s == "FALSE" || ParseCellError(text, &e)) references_.rewritten = true;
      if (in_formula && s == "TRUE") return Variant(true);
      if (in_formula && s == "FALSE") return Variant(false);
      if (in_formula && ParseCellError(text, &e)) return Variant(e);
      Admit(text, row, col);
      return Variant(std::string(text));
    }
    if (type == "d") {
      references_.rewritten = true;
      double serial = 0;
      if (!ParseIsoDate(text, &serial)) throw XlsxProblem("bad date in " + part_);
      return Variant::Date(serial);
    }
    throw XlsxProblem("unknown cell type \"" + std::string(type) + "\" in " + part_);
  }

  bool IsDate(int xf) const {
    return xf >= 0 && xf < static_cast<int>(ctx_.styles->is_date.size()) && ctx_.styles->is_date[static_cast<size_t>(xf)];
  }

  void Style(int row, int col, int xf) {
    if (xf != 0 || ctx_.styles->styles[0] != CellStyle()) {
      int id = ModelStyle(xf);
      if (id != 0) sheet_.SetCellStyleId(row, col, id);
    }
  }

  // A cell without a formula, as both readers give it (the quick reader
  // with its number read).
  void PlainCell(int row, int col, int xf, std::string_view type, const char* v, const char* inline_text,
                 const double* number = nullptr) {
    references_.Xf(xf);
    if (type == "s") {
      references_.shared_strings = true;
      // Shared strings go in by reference: one copy however many cells show it.
      // An empty <v/> refers to no string: the cell holds nothing.
      if (v != nullptr && *v != '\0') {
        const std::shared_ptr<const std::string>& shared = SharedString(v);
        Admit(*shared, row, col);
        sheet_.SetCellSharedText(row, col, shared);
      }
    } else {
      Variant value = Value(type, v, inline_text, IsDate(xf), false, row, col, number);
      if (!value.IsEmpty()) sheet_.SetCellValue(row, col, value);
    }
    Style(row, col, xf);
  }

  void Cell(const pugi::xml_node& c, int row, int col) {
    const int xf = c.attribute("s").as_int(0);
    const std::string_view type = c.attribute("t").value();
    const pugi::xml_node v = Child(c, "v");
    const char* value = v ? v.text().get() : nullptr;
    std::string inline_text;
    if (type == "inlineStr") inline_text = TextOf(Child(c, "is"));
    const pugi::xml_node f = Child(c, "f");
    if (f) {
      FormulaCell(row, col, xf, type, value, inline_text.c_str(), FieldsOf(f));
    } else {
      PlainCell(row, col, xf, type, value, inline_text.c_str());
    }
  }

  // A cell with a formula, as both readers give it.
  void FormulaCell(int row, int col, int xf, std::string_view type, const char* value, const char* inline_text,
                   const FormulaFields& f) {
    references_.Xf(xf);
    if (type == "s") references_.shared_strings = true;
    if (references_.formula_row == 0) references_.formula_row = row, references_.formula_col = col;
    std::string formula = FormulaOf(f, row, col);
    Variant cached = Value(type, value, inline_text, IsDate(xf), true, row, col);
    CellError e;
    Rect array;
    if (!formula.empty() && ParseCellError(formula, &e)) {
      // Files saved by earlier versions stored constant errors and the
      // empty text as formulas.
      references_.rewritten = true;
      sheet_.SetCellValue(row, col, Variant(e));
    } else if (formula == "\"\"") {
      references_.rewritten = true;
      sheet_.SetCellValue(row, col, Variant(std::string()));
    } else if (!formula.empty() && f.type == "array" && ParseCellRange(f.ref, &array) && array.row1 == row &&
               array.col1 == col &&
               InGrid(array.row2, array.col2)) {
      sheet_.SetCellArrayFormula(array, "=" + formula, cached);
    } else if (!formula.empty()) {
      sheet_.SetCellFormula(row, col, "=" + formula, cached);
    } else {
      sheet_.SetCellValue(row, col, cached);
    }
    Style(row, col, xf);
  }

  Worksheet& sheet_;
  SheetContext& ctx_;
  const std::string& part_;
  int last_row_ = 0;
  CarriedSheetLayout& layout_;
  SheetReferences& references_;
  std::map<int, SharedFormula> shared_;
};

}  // namespace

double FileWidthToColumnWidth(double file_width) {
  if (file_width <= 0) return 0;
  double pixels = std::trunc(file_width * 7 + 0.5);
  double chars = pixels < 12 ? pixels / 12 : (pixels - 5) / 7;
  return std::round(chars * 100) / 100;
}

ScannedPieces ScanRowsAhead(const std::string& text, size_t max_bytes, size_t max_cells,
                            const std::function<bool()>& stop, ScannedPieces* spare) {
  ScannedPieces pieces;
  const ElementContent cells = FindContent(text, "sheetData");
  if (!cells.found) return pieces;
  const std::string qualified = cells.prefix + "row";
  int last_row = 0;
  size_t read = 0, scanned_cells = 0;
  for (size_t from = cells.begin; from < cells.end && read < max_bytes && scanned_cells < max_cells && !stop();) {
    std::unique_ptr<ScannedPiece> piece;
    if (spare != nullptr && !spare->empty()) {
      piece = std::move(spare->back());
      spare->pop_back();
    } else {
      piece = std::make_unique<ScannedPiece>();
    }
    piece->from = from;
    piece->cut = PieceEnd(text, cells, qualified, from, kPieceBytes);
    piece->after_row = last_row;
    piece->text.assign(text, from, piece->cut - from);
    if (!ScanRows(piece->text, last_row, piece->rows, max_cells - scanned_cells)) {
      // What a declined piece asked for is not kept for later ones.
      piece->rows = ScannedRows();
      if (spare != nullptr) spare->push_back(std::move(piece));
      break;
    }
    if (!piece->rows.rows.empty()) last_row = piece->rows.rows.back().row;
    read += piece->text.size();
    scanned_cells += piece->rows.cells.size();
    from = piece->cut;
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

SheetExtras ReadSheet(const std::string& text, const std::string& part, Worksheet& sheet, SheetContext& ctx,
                      const ScannedPieces* ahead) {
  const ElementContent cells = FindContent(text, "sheetData");
  std::string outer = WithoutContent(text, cells);
  pugi::xml_document doc;
  ParseXml(outer, doc, part);
  pugi::xml_node root = Root(doc, "worksheet", part);
  SheetExtras extras;
  extras.references.xfs.assign(ctx.styles->styles.size() + 1, false);
  CellLoader loader(sheet, ctx, part, extras);
  for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
    if (node.type() != pugi::node_element) continue;
    std::string_view name = LocalName(node.name());
    if (name == "sheetData") {
      auto quick = [&](std::string& piece) {
        if (!ctx.quick_rows || !ScanRows(piece, loader.LastRow(), ctx.scanned)) return false;
        loader.Rows(ctx.scanned);
        ++extras.quick_pieces;
        return true;
      };
      // The pieces read ahead come first and in order: the first not read
      // ahead ends them.
      size_t next_ahead = 0;
      auto taken = [&](size_t from, size_t cut) {
        if (ahead == nullptr || !ctx.quick_rows || next_ahead >= ahead->size()) return false;
        const ScannedPiece& piece = *(*ahead)[next_ahead];
        if (piece.from != from || piece.cut != cut || piece.after_row != loader.LastRow()) return false;
        ++next_ahead;
        loader.Rows(piece.rows);
        ++extras.quick_pieces;
        return true;
      };
      ForEachPiece(
          text, cells, "row", kPieceBytes, part,
          [&](const pugi::xml_node& rows) {
            for (pugi::xml_node row = rows.first_child(); row; row = row.next_sibling()) {
              if (Is(row, "row")) loader.Row(row);
            }
          },
          quick, taken);
    } else if (name == "cols") {
      ReadColumns(node, sheet, extras);
    } else if (name == "sheetViews") {
      ReadView(node, sheet, extras);
    } else if (name == "sheetPr" || name == "sheetFormatPr") {
      ReadProperties(node, name, extras.layout);
    } else if (name == "mergeCells") {
      for (pugi::xml_node m = node.first_child(); m; m = m.next_sibling()) {
        if (!Is(m, "mergeCell")) continue;
        Rect merged;
        if (!ParseCellRange(m.attribute("ref").as_string(), &merged)) throw XlsxProblem("bad merged range in " + part);
        if (InGrid(merged.row2, merged.col2)) {
          sheet.Merge(merged);
        } else {
          extras.layout.merges.push_back({merged.row1, merged.col1, merged.row2, merged.col2});
        }
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
