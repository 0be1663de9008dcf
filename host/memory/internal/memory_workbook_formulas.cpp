// MemoryWorkbook's formula evaluation: collects the formula cells, asks the
// host's evaluator and stores the results as cached values.
#include "host/memory/internal/memory_workbook.h"
#include "host/memory/memory_host.h"

#include <algorithm>
#include <cctype>

namespace plrxl {

namespace {

bool CallsVolatile(const std::string& formula) {
  std::string upper(formula);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  return upper.find("TODAY(") != std::string::npos || upper.find("NOW(") != std::string::npos;
}

}  // namespace

bool MemoryWorkbook::DayMoved() const {
  const FormulaEvaluator* evaluator = host_.Evaluator();
  return evaluator != nullptr && evaluator->Today() != volatile_day_;
}

void MemoryWorkbook::EvaluateFormulas() {
  FormulaEvaluator* evaluator = host_.Evaluator();
  if (evaluator == nullptr || !FormulasStale() || evaluating_) return;
  std::vector<FormulaSite> sites;
  for (size_t i = 0; i < sheets_.size(); ++i) sheets_[i]->CollectFormulas(static_cast<int>(i) + 1, sites);
  formulas_stale_ = false;
  volatile_day_ = 0;
  if (sites.empty()) return;
  if (std::any_of(sites.begin(), sites.end(), [](const FormulaSite& site) { return CallsVolatile(site.formula); })) {
    volatile_day_ = evaluator->Today();
  }

  // The evaluator reads constant cells back through CellValue; the flag
  // keeps those reads from starting another evaluation.
  evaluating_ = true;
  std::vector<std::optional<Variant>> results;
  try {
    results = evaluator->Evaluate(*this, sites);
  } catch (...) {
    evaluating_ = false;
    formulas_stale_ = true;
    throw;
  }
  evaluating_ = false;

  for (size_t i = 0; i < sites.size() && i < results.size(); ++i) {
    const FormulaSite& site = sites[i];
    MemoryWorksheet& sheet = *sheets_[static_cast<size_t>(site.sheet - 1)];
    Variant value;
    if (results[i]) {
      value = *results[i];
    } else {
      value = site.cached.IsEmpty() ? Variant(CellError::kName) : site.cached;
    }
    if (value.IsNumber() &&
        (site.cached.IsDate() || NumberFormatShowsDate(StyleAt(sheet.CellStyleId(site.row, site.col)).number_format))) {
      value = Variant::Date(value.Number());
    }
    sheet.SetFormulaResult(site.row, site.col, value);
  }
}

}  // namespace plrxl
