#include "host/formula/formula_engine.h"

#include <cctype>
#include <cmath>
#include <string>
#include <unordered_set>

#include <ixion/address.hpp>
#include <ixion/cell.hpp>
#include <ixion/exceptions.hpp>
#include <ixion/formula.hpp>
#include <ixion/formula_name_resolver.hpp>
#include <ixion/formula_result.hpp>
#include <ixion/model_context.hpp>

#include "host/address.h"
#include "host/formula/internal/hand_functions.h"
#include "host/spreadsheet_host.h"
#include "support/clock.h"

namespace plrxl {
namespace {

// A MIN or MAX range is expanded into at most this many arguments.
constexpr size_t kMaxRangeItems = 10000;

struct AddressHash {
  size_t operator()(const ixion::abs_address_t& a) const {
    return (static_cast<size_t>(a.sheet) << 40) ^ (static_cast<size_t>(a.row) << 12) ^ static_cast<size_t>(a.column);
  }
};
using AddressSet = std::unordered_set<ixion::abs_address_t, AddressHash>;

CellError ToCellError(ixion::formula_error_t e) {
  switch (e) {
    case ixion::formula_error_t::ref_result_not_available: return CellError::kRef;
    case ixion::formula_error_t::division_by_zero: return CellError::kDiv0;
    case ixion::formula_error_t::name_not_found: return CellError::kName;
    case ixion::formula_error_t::no_range_intersection: return CellError::kNull;
    default: return CellError::kValue;
  }
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string QuotedSheet(const std::string& name) {
  std::string out = "'";
  for (char c : name) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'!";
}

// One evaluation: the workbook's cells that formulas need, copied into a
// libixion model, computed there and read back.
class Evaluation {
 public:
  Evaluation(Workbook& workbook, const std::vector<FormulaSite>& sites, double now)
      : sites_(sites), now_(now), cxt_({kMaxRows, kMaxCols}) {
    // Each sheet costs the library a store per column: only the sheets
    // that hold formulas or whose names the formulas mention are copied.
    std::string texts;
    std::vector<bool> needed(static_cast<size_t>(workbook.WorksheetCount()), false);
    for (const FormulaSite& site : sites_) {
      texts += Lower(site.formula) + "\n";
      if (site.sheet >= 1 && site.sheet <= workbook.WorksheetCount()) needed[static_cast<size_t>(site.sheet - 1)] = true;
    }
    for (int i = 1; i <= workbook.WorksheetCount(); ++i) {
      Worksheet& sheet = workbook.WorksheetAt(i);
      std::string name = Lower(sheet.Name()), quoted;
      for (char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
      if (needed[static_cast<size_t>(i - 1)] || texts.find(name) != std::string::npos ||
          texts.find(quoted) != std::string::npos) {
        engine_sheet_.push_back(static_cast<int>(sheets_.size()));
        sheets_.push_back(&sheet);
        cxt_.append_sheet(sheet.Name());
      } else {
        engine_sheet_.push_back(-1);
      }
    }
    resolver_ = ixion::formula_name_resolver::get(ixion::formula_name_resolver_t::excel_a1, &cxt_);
    for (const FormulaSite& site : sites_) formula_cells_.insert(Position(site));
  }

  std::vector<std::optional<Variant>> Run() {
    std::vector<Prepared> prepared(sites_.size());
    for (size_t i = 0; i < sites_.size(); ++i) prepared[i] = Prepare(sites_[i]);
    // Formulas the engine cannot compute stand in with their cached value.
    for (size_t i = 0; i < sites_.size(); ++i) {
      if (prepared[i].ok) continue;
      const Variant& cached = sites_[i].cached;
      SetConstant(Position(sites_[i]), cached.IsEmpty() ? Variant(CellError::kName) : cached);
    }
    // Single references first: a Boolean they reach is a number, one only
    // a range reaches is skipped by SUM and friends (copied as text).
    for (bool ranges : {false, true}) {
      for (size_t i = 0; i < sites_.size(); ++i) {
        if (prepared[i].ok) CopyPrecedents(*prepared[i].tokens, Position(sites_[i]), ranges);
      }
    }
    for (size_t i = 0; i < sites_.size(); ++i) {
      if (!prepared[i].ok) continue;
      const ixion::abs_address_t pos = Position(sites_[i]);
      cxt_.set_formula_cell(pos, std::move(*prepared[i].tokens));
      ixion::register_formula_cell(cxt_, pos);
      dirty_.insert(pos);
    }
    AddressSet failed;
    try {
      for (const ixion::abs_range_t& cell : ixion::query_and_sort_dirty_cells(cxt_, ixion::abs_range_set_t(), &dirty_)) {
        try {
          ixion::calculate_sorted_cells(cxt_, {cell}, 0);
        } catch (const std::exception&) {
          // Its dependents read an error rather than no result at all.
          failed.insert(cell.first);
          if (ixion::formula_cell* fc = cxt_.get_formula_cell(cell.first)) {
            fc->set_result_cache(ixion::formula_result(ixion::formula_error_t::invalid_value_type));
          }
        }
      }
    } catch (const std::exception&) {
      return std::vector<std::optional<Variant>>(sites_.size());  // the dependency walk itself failed
    }

    std::vector<std::optional<Variant>> results(sites_.size());
    for (size_t i = 0; i < sites_.size(); ++i) {
      const ixion::abs_address_t pos = Position(sites_[i]);
      if (!prepared[i].ok || failed.count(pos)) continue;
      try {
        results[i] = ToVariant(cxt_.get_formula_result(pos), prepared[i]);
      } catch (const std::exception&) {
        // No result to read: the cell keeps its cached value.
      }
    }
    return results;
  }

 private:
  struct Prepared {
    bool ok = false;
    bool boolean = false, date = false;
    std::optional<ixion::formula_tokens_t> tokens;
  };

  ixion::abs_address_t Position(const FormulaSite& site) const {
    return ixion::abs_address_t(engine_sheet_[static_cast<size_t>(site.sheet - 1)], site.row - 1, site.col - 1);
  }

  Prepared Prepare(const FormulaSite& site) {
    Prepared p;
    const std::string text = !site.formula.empty() && site.formula[0] == '=' ? site.formula.substr(1) : site.formula;
    if (text.empty() || !formula::SafeForParser(text) || formula::HasExponentNumber(text)) return p;
    const ixion::abs_address_t pos = Position(site);
    try {
      const ixion::formula_tokens_t parsed = ixion::parse_formula_string(cxt_, pos, *resolver_, text);
      auto items = [this](const ixion::abs_range_t& range) { return RangeItems(range); };
      const std::optional<formula::Rewritten> rewritten =
          formula::RewriteForEngine(parsed, cxt_, *resolver_, pos, now_, items);
      if (!rewritten) return p;
      p.tokens = ixion::parse_formula_string(cxt_, pos, *resolver_, rewritten->text);
      for (const auto& token : *p.tokens) {
        if (token->get_opcode() == ixion::fop_error || token->get_opcode() == ixion::fop_named_expression) return p;
      }
      p.boolean = rewritten->boolean;
      p.date = rewritten->date;
      p.ok = true;
    } catch (const std::exception&) {
      p.ok = false;  // unknown sheet, unreadable text
    }
    return p;
  }

  // The cells of a range, visited only where they hold something.
  template <typename Visit>
  void ForEachCellIn(ixion::abs_range_t range, Visit visit) {
    if (range.first.sheet != range.last.sheet || range.first.sheet < 0 ||
        range.first.sheet >= static_cast<int>(sheets_.size())) {
      return;
    }
    Rect rect{range.first.row + 1, range.first.column + 1, range.last.row + 1, range.last.column + 1};
    if (range.all_rows()) rect.row1 = 1, rect.row2 = kMaxRows;
    if (range.all_columns()) rect.col1 = 1, rect.col2 = kMaxCols;
    rect.row1 = std::max(rect.row1, 1), rect.col1 = std::max(rect.col1, 1);
    rect.row2 = std::min(rect.row2, kMaxRows), rect.col2 = std::min(rect.col2, kMaxCols);
    if (rect.row1 > rect.row2 || rect.col1 > rect.col2) return;
    Worksheet& sheet = *sheets_[static_cast<size_t>(range.first.sheet)];
    sheet.ForEachCell(rect, [&](int row, int col) { visit(sheet, range.first.sheet, row, col); });
  }

  std::optional<std::vector<std::string>> RangeItems(const ixion::abs_range_t& range) {
    std::vector<std::string> items;
    bool too_many = false;
    ForEachCellIn(range, [&](Worksheet& sheet, int sheet_index, int row, int col) {
      if (too_many) return;
      if (formula_cells_.count(ixion::abs_address_t(sheet_index, row - 1, col - 1))) {
        items.push_back(QuotedSheet(sheet.Name()) + ColumnLetters(col) + std::to_string(row));
      } else {
        const Variant value = sheet.CellValue(row, col);
        if (value.IsNumeric()) items.push_back(formula::NumberText(value.Number()));
      }
      too_many = items.size() > kMaxRangeItems;
    });
    if (too_many) return std::nullopt;
    return items;
  }

  void SetConstant(const ixion::abs_address_t& pos, const Variant& value) {
    if (value.IsNumeric()) cxt_.set_numeric_cell(pos, value.Number());
    else if (value.IsText()) cxt_.set_string_cell(pos, value.Text());
    else if (value.IsBoolean()) cxt_.set_boolean_cell(pos, value.Boolean());
    else if (value.IsError()) SetError(pos, value.ErrorValue());
  }

  // The library holds no error constant: a formula that computes the same
  // error stands in for one.
  void SetError(const ixion::abs_address_t& pos, CellError error) {
    const char* text = error == CellError::kDiv0 ? "1/0" : error == CellError::kName ? "NOSUCHNAME" : "\"a\"*1";
    cxt_.set_formula_cell(pos, ixion::parse_formula_string(cxt_, pos, *resolver_, text));
    ixion::register_formula_cell(cxt_, pos);
    dirty_.insert(pos);
  }

  void CopyCell(const ixion::abs_address_t& pos, bool in_range) {
    if (pos.sheet < 0 || pos.sheet >= static_cast<int>(sheets_.size()) || pos.row < 0 || pos.row >= kMaxRows ||
        pos.column < 0 || pos.column >= kMaxCols) {
      return;
    }
    if (formula_cells_.count(pos) || !copied_.insert(pos).second) return;
    const Variant value = sheets_[static_cast<size_t>(pos.sheet)]->CellValue(pos.row + 1, pos.column + 1);
    if (in_range && value.IsBoolean()) {
      cxt_.set_string_cell(pos, value.Boolean() ? "TRUE" : "FALSE");
    } else {
      SetConstant(pos, value);
    }
  }

  void CopyPrecedents(const ixion::formula_tokens_t& tokens, const ixion::abs_address_t& pos, bool ranges) {
    for (const auto& token : tokens) {
      if (!ranges && token->get_opcode() == ixion::fop_single_ref) {
        CopyCell(token->get_single_ref().to_abs(pos), false);
      } else if (ranges && token->get_opcode() == ixion::fop_range_ref) {
        ForEachCellIn(token->get_range_ref().to_abs(pos), [&](Worksheet&, int sheet_index, int row, int col) {
          CopyCell(ixion::abs_address_t(sheet_index, row - 1, col - 1), true);
        });
      }
    }
  }

  static std::optional<Variant> ToVariant(const ixion::formula_result& result, const Prepared& p) {
    switch (result.get_type()) {
      case ixion::formula_result::result_type::value: {
        const double v = result.get_value();
        if (!std::isfinite(v)) return Variant(CellError::kNum);
        if (p.boolean) return Variant(v != 0);
        if (p.date) return Variant::Date(v);
        return Variant(v);
      }
      case ixion::formula_result::result_type::string:
        return Variant(result.get_string());
      case ixion::formula_result::result_type::error:
        return Variant(ToCellError(result.get_error()));
      default:
        return std::nullopt;  // a matrix result
    }
  }

  const std::vector<FormulaSite>& sites_;
  const double now_;
  ixion::model_context cxt_;
  std::unique_ptr<ixion::formula_name_resolver> resolver_;
  AddressSet formula_cells_;
  AddressSet copied_;
  std::vector<int> engine_sheet_;     // by workbook sheet (0-based): the library's index, -1 when left out
  std::vector<Worksheet*> sheets_;    // by the library's index
  ixion::abs_range_set_t dirty_;  // the cells to compute
};

class FormulaEngine : public FormulaEvaluator {
 public:
  explicit FormulaEngine(std::shared_ptr<const Clock> clock) : clock_(std::move(clock)) {}
  double Today() const override { return std::floor(clock_->Now()); }

  std::vector<std::optional<Variant>> Evaluate(Workbook& workbook, const std::vector<FormulaSite>& formulas) override {
    return Evaluation(workbook, formulas, clock_->Now()).Run();
  }

 private:
  std::shared_ptr<const Clock> clock_;
};

}  // namespace

std::unique_ptr<FormulaEvaluator> MakeFormulaEngine(std::shared_ptr<const Clock> clock) {
  return std::make_unique<FormulaEngine>(std::move(clock));
}

}  // namespace plrxl
