// Value: what a formula expression evaluates to. Scalars (number, text,
// Boolean, error, empty) as the spreadsheet knows them, plus a reference to
// a block of cells (a range, not yet read) and an array of scalars (an
// array constant or an array result).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/variant.h"

namespace plrxl::formula {

// A block of cells of one sheet of the workbook; 1-based rows and columns.
struct CellBlock {
  int sheet = 0;  // 0-based index of the worksheet
  int row1 = 1, col1 = 1, row2 = 1, col2 = 1;
  int Rows() const { return row2 - row1 + 1; }
  int Cols() const { return col2 - col1 + 1; }
  bool IsCell() const { return row1 == row2 && col1 == col2; }
};

struct Matrix;

class Value {
 public:
  enum class Kind { kEmpty, kNumber, kText, kBoolean, kError, kRange, kArray };

  Value() = default;
  static Value Number(double n, bool date = false) {
    Value v;
    v.kind_ = Kind::kNumber;
    v.number_ = n;
    v.date_ = date;
    return v;
  }
  static Value Text(std::string s) {
    Value v;
    v.kind_ = Kind::kText;
    v.text_ = std::make_shared<const std::string>(std::move(s));
    return v;
  }
  static Value Boolean(bool b) {
    Value v;
    v.kind_ = Kind::kBoolean;
    v.number_ = b ? 1 : 0;
    return v;
  }
  static Value Error(CellError e) {
    Value v;
    v.kind_ = Kind::kError;
    v.error_ = e;
    return v;
  }
  static Value Range(const CellBlock& block) {
    Value v;
    v.kind_ = Kind::kRange;
    v.block_ = block;
    return v;
  }
  static Value Array(std::shared_ptr<const Matrix> m);

  Kind kind() const { return kind_; }
  bool IsEmpty() const { return kind_ == Kind::kEmpty; }
  bool IsNumber() const { return kind_ == Kind::kNumber; }
  bool IsText() const { return kind_ == Kind::kText; }
  bool IsBoolean() const { return kind_ == Kind::kBoolean; }
  bool IsError() const { return kind_ == Kind::kError; }
  bool IsRange() const { return kind_ == Kind::kRange; }
  bool IsArray() const { return kind_ == Kind::kArray; }
  bool IsDate() const { return kind_ == Kind::kNumber && date_; }

  double number() const { return number_; }  // numbers and Booleans (1 / 0)
  bool boolean() const { return number_ != 0; }
  const std::string& text() const;
  CellError error() const { return error_; }
  const CellBlock& block() const { return block_; }
  const Matrix& array() const { return *array_; }

 private:
  Kind kind_ = Kind::kEmpty;
  double number_ = 0;
  bool date_ = false;
  CellError error_ = CellError::kValue;
  std::shared_ptr<const std::string> text_;
  CellBlock block_;
  std::shared_ptr<const Matrix> array_;
};

// A rectangular array of scalars, row-major.
struct Matrix {
  int rows = 0, cols = 0;
  std::vector<Value> cells;
  const Value& At(int r, int c) const { return cells[static_cast<size_t>(r) * static_cast<size_t>(cols) + c]; }
};

inline Value Value::Array(std::shared_ptr<const Matrix> m) {
  Value v;
  v.kind_ = Kind::kArray;
  v.array_ = std::move(m);
  return v;
}

// Conversions between the engine's values and the host's Variants.
Value FromVariant(const Variant& v);
Variant ToVariant(const Value& v);

// The text a number becomes in a text context ("&", LEN, ...): up to 15
// significant digits, no trailing zeros, "1E+20" for large and small.
std::string NumberText(double n);

// Text -> number as a formula converts it: plain and scientific numbers,
// a trailing percent sign, ISO dates "2024-03-15" and times "10:30" or
// "10:30:15" (the date system's serial). False for anything else,
// including the empty text.
bool ParseNumberText(const std::string& text, bool date1904, double* out);

}  // namespace plrxl::formula
