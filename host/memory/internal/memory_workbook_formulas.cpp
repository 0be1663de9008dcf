// MemoryWorkbook's formula evaluation: logs which cells change, hands the
// log and the formula cells to the host's evaluator, and stores the results
// it gives as cached values.
#include "host/memory/internal/memory_workbook.h"
#include "host/memory/memory_host.h"

#include <algorithm>

namespace plrxl {

namespace {

// Past this many separate changes the log gives way to "everything".
constexpr size_t kMaxLoggedChanges = 100000;

}  // namespace

bool MemoryWorkbook::DayMoved() const {
  const FormulaEvaluator* evaluator = host_.Evaluator();
  return evaluator != nullptr && evaluator->Today() != volatile_day_;
}

void MemoryWorkbook::CellsChanged(const Worksheet& sheet, const Rect& rect) {
  formulas_stale_ = true;
  if (everything_changed_ || evaluating_ || loading_) return;
  if (last_changed_sheet_ >= sheets_.size() || sheets_[last_changed_sheet_].get() != &sheet) {
    const auto found = std::find_if(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == &sheet; });
    if (found == sheets_.end()) return;
    last_changed_sheet_ = static_cast<size_t>(found - sheets_.begin());
  }
  const int index = static_cast<int>(last_changed_sheet_) + 1;
  // A paste writes cell after cell down the columns: a cell right below
  // the last change of its column extends that change.
  if (rect.col1 == rect.col2) {
    const uint64_t key = (static_cast<uint64_t>(index) << 16) | static_cast<uint64_t>(rect.col1);
    auto it = last_change_in_column_.find(key);
    if (it != last_change_in_column_.end()) {
      Rect& last = changes_[it->second].rect;
      if (last.col1 == rect.col1 && last.col2 == rect.col2 && rect.row1 >= last.row1 && rect.row1 <= last.row2 + 1) {
        last.row2 = std::max(last.row2, rect.row2);
        return;
      }
    }
    last_change_in_column_[key] = changes_.size();
  }
  changes_.push_back({index, rect});
  if (changes_.size() > kMaxLoggedChanges) {
    changes_.clear();
    last_change_in_column_.clear();
    everything_changed_ = true;
  }
}

void MemoryWorkbook::ForgetChanges() {
  loading_ = false;
  changes_.clear();
  last_change_in_column_.clear();
  everything_changed_ = false;
  formulas_stale_ = true;
}

void MemoryWorkbook::EvaluateFormulas() {
  FormulaEvaluator* evaluator = host_.Evaluator();
  if (evaluator == nullptr || !FormulasStale() || evaluating_) return;
  FormulaRequest request;
  for (size_t i = 0; i < sheets_.size(); ++i) sheets_[i]->CollectFormulas(static_cast<int>(i) + 1, request.formulas);
  request.changed = std::move(changes_);
  request.everything_changed = everything_changed_;
  // The model holds every date as a 1900 serial, whatever system the
  // file counts in (the store converts at the file's edge), so the engine
  // computes in that system too.
  request.date1904 = false;
  changes_.clear();
  last_change_in_column_.clear();
  everything_changed_ = false;
  formulas_stale_ = false;
  volatile_day_ = 0;
  if (request.formulas.empty()) return;

  // The evaluator reads constant cells back through CellValue; the flag
  // keeps those reads from starting another evaluation.
  evaluating_ = true;
  FormulaOutcome outcome;
  try {
    outcome = evaluator->Evaluate(*this, request, formula_memory_);
  } catch (...) {
    evaluating_ = false;
    formulas_stale_ = true;
    everything_changed_ = true;
    throw;
  }
  evaluating_ = false;
  if (outcome.volatile_formulas) volatile_day_ = evaluator->Today();

  std::unordered_map<int, bool> style_shows_date;
  for (const auto& [index, result] : outcome.results) {
    if (index >= request.formulas.size()) continue;
    const FormulaSite& site = request.formulas[index];
    MemoryWorksheet& sheet = *sheets_[static_cast<size_t>(site.sheet - 1)];
    Variant value = result ? *result : Variant();
    if (value.IsArray() && !site.array) {
      // A formula of one cell shows the array's first element.
      const VariantArray& array = value.Array();
      value = array.Data().empty() ? Variant() : array.Data()[0];
    }
    if (value.IsNumber() && !site.cached.IsDate()) {
      const int style = sheet.CellStyleId(site.row, site.col);
      auto known = style_shows_date.find(style);
      if (known == style_shows_date.end())
        known = style_shows_date.emplace(style, NumberFormatShowsDate(StyleAt(style).number_format)).first;
      if (known->second) value = Variant::Date(value.Number());
    } else if (value.IsNumber()) {
      value = Variant::Date(value.Number());
    }
    sheet.SetFormulaResult(site.row, site.col, value);
  }
  for (const std::string& warning : outcome.warnings) {
    if (std::find(warnings_.begin(), warnings_.end(), warning) == warnings_.end()) warnings_.push_back(warning);
  }
}

}  // namespace plrxl
