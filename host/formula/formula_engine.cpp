#include "host/formula/formula_engine.h"

#include <algorithm>
#include <cmath>

#include "host/formula/internal/formula_book.h"
#include "host/formula/internal/function_table.h"
#include "host/formula/internal/parser.h"

namespace plrxl {
namespace {

class FormulaEngine : public FormulaEvaluator {
 public:
  explicit FormulaEngine(std::function<double()> now) : now_(std::move(now)) {}
  double Today() const override { return std::floor(now_()); }

  FormulaOutcome Evaluate(Workbook& workbook, const FormulaRequest& request,
                          std::unique_ptr<FormulaMemory>& memory) override {
    auto* book = dynamic_cast<formula::FormulaBook*>(memory.get());
    if (book == nullptr) {
      memory = std::make_unique<formula::FormulaBook>();
      book = static_cast<formula::FormulaBook*>(memory.get());
    }
    return book->Recalculate(workbook, request, now_());
  }

 private:
  std::function<double()> now_;
};

const formula::Node* FirstUnknown(const formula::Node& node) {
  if (node.kind == formula::NodeKind::kCall && node.function == nullptr) return &node;
  for (const formula::Node& child : node.children) {
    if (const formula::Node* found = FirstUnknown(child)) return found;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<FormulaEvaluator> MakeFormulaEngine(std::function<double()> now) {
  return std::make_unique<FormulaEngine>(std::move(now));
}

std::optional<std::string> UnknownFunctionIn(const std::string& formula) {
  const formula::ParseResult parsed = formula::ParseFormula(formula);
  if (!parsed.root) return std::nullopt;
  if (const formula::Node* node = FirstUnknown(*parsed.root)) return node->text;
  return std::nullopt;
}

std::string FunctionListMarkdown() {
  std::string out;
  for (const formula::FunctionFamily* family : formula::FunctionFamilies()) {
    std::vector<std::string> names;
    for (size_t i = 0; i < family->count; ++i) names.push_back(family->functions[i].name);
    std::sort(names.begin(), names.end());
    out += std::string("- ") + family->title + ": ";
    for (size_t i = 0; i < names.size(); ++i) out += (i ? ", `" : "`") + names[i] + "`";
    out += ".\n";
  }
  return out;
}

size_t FunctionCount() {
  size_t n = 0;
  for (const formula::FunctionFamily* family : formula::FunctionFamilies()) n += family->count;
  return n;
}

}  // namespace plrxl
