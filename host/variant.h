// Variant: the one value type for cells and arguments.
//
// Empty (a never-written cell) is distinct from the empty text. Dates are day
// counts from 30 December 1899 held as doubles, the fraction being the time
// of day. Arrays are 1-D or 2-D with explicit lower and upper bounds, stored
// row-major. Object references hold any host object through HostObject.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace plrxl {

// Spreadsheet error values (#N/A and friends), by their customary codes.
enum class CellError : int32_t {
  kNull = 2000,   // "#NULL!"
  kDiv0 = 2007,   // "#DIV/0!"
  kValue = 2015,  // "#VALUE!"
  kRef = 2023,    // "#REF!"
  kName = 2029,   // "#NAME?"
  kNum = 2036,    // "#NUM!"
  kNA = 2042,     // "#N/A"
};
const char* CellErrorText(CellError e);
// Parses "#N/A" etc.; returns false for any other text.
bool ParseCellError(const std::string& text, CellError* out);

// Base of every object a Variant can reference (workbooks, sheets, ...).
class HostObject {
 public:
  virtual ~HostObject() = default;
};

class VariantArray;

enum class VarType { kEmpty, kNumber, kDate, kText, kBoolean, kError, kArray, kObject };

struct DateTag {
  double serial;
};

class Variant {
 public:
  Variant() = default;
  Variant(double number) : v_(number) {}
  Variant(int number) : v_(static_cast<double>(number)) {}
  Variant(long number) : v_(static_cast<double>(number)) {}
  Variant(long long number) : v_(static_cast<double>(number)) {}
  Variant(bool b) : v_(b) {}
  Variant(std::string text) : v_(std::move(text)) {}
  Variant(const char* text) : v_(std::string(text)) {}
  Variant(CellError e) : v_(e) {}
  Variant(std::shared_ptr<VariantArray> array) : v_(std::move(array)) {}
  Variant(std::shared_ptr<HostObject> object) : v_(std::move(object)) {}

  static Variant Date(double serial) {
    Variant v;
    v.v_ = DateTag{serial};
    return v;
  }
  // A 1-D array with bounds [lower, lower + values.size() - 1].
  static Variant Array1D(std::vector<Variant> values, int lower = 0);
  // A 2-D array rows x cols with bounds [lower, ...] on both dimensions.
  static Variant Array2D(int rows, int cols, std::vector<Variant> row_major, int lower = 1);

  VarType Type() const;
  bool IsEmpty() const { return Type() == VarType::kEmpty; }
  bool IsNumber() const { return Type() == VarType::kNumber; }
  bool IsDate() const { return Type() == VarType::kDate; }
  bool IsText() const { return Type() == VarType::kText; }
  bool IsBoolean() const { return Type() == VarType::kBoolean; }
  bool IsError() const { return Type() == VarType::kError; }
  bool IsArray() const { return Type() == VarType::kArray; }
  bool IsObject() const { return Type() == VarType::kObject; }
  // Number or date: something arithmetic can use directly.
  bool IsNumeric() const { return IsNumber() || IsDate(); }

  // Direct accessors; calling the wrong one throws Error 13 "Type mismatch".
  double Number() const;     // number, date serial, or Boolean (-1 / 0)
  double DateSerial() const; // date or number
  const std::string& Text() const;
  bool Boolean() const;
  CellError ErrorValue() const;
  const VariantArray& Array() const;
  VariantArray& Array();
  const std::shared_ptr<HostObject>& Object() const;

  bool operator==(const Variant& other) const;

 private:
  std::variant<std::monostate, double, DateTag, std::string, bool, CellError,
               std::shared_ptr<VariantArray>, std::shared_ptr<HostObject>>
      v_;
};

// Array storage with bounds. Dims() is 1 or 2. For 1-D arrays the second
// dimension's bounds are [0, 0] and At(i) addresses by the first index.
class VariantArray {
 public:
  VariantArray(int dims, int lower1, int upper1, int lower2, int upper2);
  int Dims() const { return dims_; }
  int LBound(int dim = 1) const { return dim == 1 ? lower1_ : lower2_; }
  int UBound(int dim = 1) const { return dim == 1 ? upper1_ : upper2_; }
  int Rows() const { return upper1_ - lower1_ + 1; }
  int Cols() const { return dims_ == 1 ? 1 : upper2_ - lower2_ + 1; }
  // Element access by the array's own indices; out of bounds throws Error 9.
  Variant& At(int i);
  const Variant& At(int i) const;
  Variant& At(int i, int j);
  const Variant& At(int i, int j) const;
  std::vector<Variant>& Data() { return data_; }
  const std::vector<Variant>& Data() const { return data_; }

 private:
  size_t Index(int i, int j) const;
  int dims_, lower1_, upper1_, lower2_, upper2_;
  std::vector<Variant> data_;
};

}  // namespace plrxl
