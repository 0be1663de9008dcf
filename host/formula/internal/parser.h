// The formula parser: formula text as a workbook stores it ("=A1*2",
// without or with the "=") to a syntax tree. It reads A1 references,
// ranges, whole columns "A:A" and rows "3:5", sheet-qualified references
// ("'My Sheet'!A1", "Data!B2:C9"), defined names, numbers, texts with
// doubled quotes, TRUE and FALSE, error literals, array constants
// "{1,2;3,4}", function calls (a stored "_xlfn." prefix is dropped) and the
// operators with spreadsheet precedence: ":" range, unary minus and plus,
// "%", "^", "* /", "+ -", "&", "= <> < > <= >=".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/variant.h"

namespace plrxl::formula {

struct FunctionEntry;

// A reference as written. Rows and columns are 1-based; a whole column
// range has rows 1..kMaxRows, a whole row range columns 1..kMaxCols.
struct CellRef {
  std::string sheet;  // empty: the formula's own sheet
  int row1 = 1, col1 = 1, row2 = 1, col2 = 1;
};

enum class NodeKind { kNumber, kText, kBoolean, kError, kRef, kName, kCall, kUnary, kBinary, kPercent, kArray, kMissing };

struct Node {
  NodeKind kind = NodeKind::kMissing;
  double number = 0;         // kNumber; kBoolean as 1 / 0
  std::string text;          // kText; kName and kCall: the name (upper case); kUnary, kBinary: the operator
  CellError error = CellError::kValue;  // kError
  CellRef ref;               // kRef
  const FunctionEntry* function = nullptr;  // kCall: nullptr for a function the engine does not know
  int rows = 0, cols = 0;    // kArray: children are the elements, row-major
  std::vector<Node> children;  // operands, arguments
};

struct ParseResult {
  std::optional<Node> root;
  std::string error;  // why the text is no formula, when root is empty
};

// Parses `text`. Never throws for anything the text holds; nesting deeper
// than 100 levels or text longer than 16,384 characters is refused.
ParseResult ParseFormula(const std::string& text);

}  // namespace plrxl::formula
