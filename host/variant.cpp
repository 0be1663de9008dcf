#include "host/variant.h"


#include "host/error.h"

namespace plrxl {
namespace {

struct CellErrorEntry {
  CellError code;
  const char* text;
};

constexpr CellErrorEntry kCellErrors[] = {
    {CellError::kNull, "#NULL!"}, {CellError::kDiv0, "#DIV/0!"}, {CellError::kValue, "#VALUE!"},
    {CellError::kRef, "#REF!"},   {CellError::kName, "#NAME?"},  {CellError::kNum, "#NUM!"},
    {CellError::kNA, "#N/A"},
};

[[noreturn]] void TypeMismatch() { throw Error(kErrTypeMismatch, "PlrXL2", "Type mismatch"); }

}  // namespace

const char* CellErrorText(CellError e) {
  for (const auto& entry : kCellErrors)
    if (entry.code == e) return entry.text;
  return "#VALUE!";
}

bool ParseCellError(const std::string& text, CellError* out) {
  for (const auto& entry : kCellErrors) {
    if (text == entry.text) {
      *out = entry.code;
      return true;
    }
  }
  return false;
}

Variant Variant::Array1D(std::vector<Variant> values, int lower) {
  const int n = static_cast<int>(values.size());
  auto array = std::make_shared<VariantArray>(1, lower, lower + n - 1, 0, 0);
  array->Data() = std::move(values);
  return Variant(std::move(array));
}

Variant Variant::Array2D(int rows, int cols, std::vector<Variant> row_major, int lower) {
  if (rows < 0 || cols < 0 || row_major.size() != static_cast<size_t>(rows) * cols)
    throw Error(kErrInvalidCall, "PlrXL2", "Invalid procedure call or argument");
  auto array = std::make_shared<VariantArray>(2, lower, lower + rows - 1, lower, lower + cols - 1);
  array->Data() = std::move(row_major);
  return Variant(std::move(array));
}

VarType Variant::Type() const {
  switch (v_.index()) {
    case 0: return VarType::kEmpty;
    case 1: return VarType::kNumber;
    case 2: return VarType::kDate;
    case 3: return VarType::kText;
    case 4: return VarType::kBoolean;
    case 5: return VarType::kError;
    case 6: return VarType::kArray;
    default: return VarType::kObject;
  }
}

double Variant::Number() const {
  if (auto* d = std::get_if<double>(&v_)) return *d;
  if (auto* t = std::get_if<DateTag>(&v_)) return t->serial;
  if (auto* b = std::get_if<bool>(&v_)) return *b ? -1.0 : 0.0;
  TypeMismatch();
}

double Variant::DateSerial() const {
  if (auto* t = std::get_if<DateTag>(&v_)) return t->serial;
  if (auto* d = std::get_if<double>(&v_)) return *d;
  TypeMismatch();
}

const std::string& Variant::Text() const {
  if (auto* s = std::get_if<std::string>(&v_)) return *s;
  TypeMismatch();
}

bool Variant::Boolean() const {
  if (auto* b = std::get_if<bool>(&v_)) return *b;
  if (auto* d = std::get_if<double>(&v_)) return *d != 0;
  TypeMismatch();
}

CellError Variant::ErrorValue() const {
  if (auto* e = std::get_if<CellError>(&v_)) return *e;
  TypeMismatch();
}

const VariantArray& Variant::Array() const {
  if (auto* a = std::get_if<std::shared_ptr<VariantArray>>(&v_)) return **a;
  TypeMismatch();
}

VariantArray& Variant::Array() {
  if (auto* a = std::get_if<std::shared_ptr<VariantArray>>(&v_)) return **a;
  TypeMismatch();
}

const std::shared_ptr<HostObject>& Variant::Object() const {
  if (auto* o = std::get_if<std::shared_ptr<HostObject>>(&v_)) return *o;
  TypeMismatch();
}

bool Variant::operator==(const Variant& other) const {
  if (v_.index() != other.v_.index()) return false;
  switch (v_.index()) {
    case 0: return true;
    case 1: return std::get<double>(v_) == std::get<double>(other.v_);
    case 2: return std::get<DateTag>(v_).serial == std::get<DateTag>(other.v_).serial;
    case 3: return std::get<std::string>(v_) == std::get<std::string>(other.v_);
    case 4: return std::get<bool>(v_) == std::get<bool>(other.v_);
    case 5: return std::get<CellError>(v_) == std::get<CellError>(other.v_);
    case 6: {
      const auto& a = *std::get<std::shared_ptr<VariantArray>>(v_);
      const auto& b = *std::get<std::shared_ptr<VariantArray>>(other.v_);
      return a.Dims() == b.Dims() && a.LBound(1) == b.LBound(1) && a.UBound(1) == b.UBound(1) &&
             a.LBound(2) == b.LBound(2) && a.UBound(2) == b.UBound(2) && a.Data() == b.Data();
    }
    default: return std::get<std::shared_ptr<HostObject>>(v_) == std::get<std::shared_ptr<HostObject>>(other.v_);
  }
}

VariantArray::VariantArray(int dims, int lower1, int upper1, int lower2, int upper2)
    : dims_(dims), lower1_(lower1), upper1_(upper1), lower2_(lower2), upper2_(upper2) {
  if ((dims != 1 && dims != 2) || upper1 < lower1 - 1 || (dims == 2 && upper2 < lower2 - 1))
    throw Error(kErrInvalidCall, "PlrXL2", "Invalid procedure call or argument");
  if (dims == 1) lower2_ = upper2_ = 0;
  data_.resize(static_cast<size_t>(Rows()) * Cols());
}

size_t VariantArray::Index(int i, int j) const {
  if (i < lower1_ || i > upper1_ || (dims_ == 2 && (j < lower2_ || j > upper2_)))
    throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
  if (dims_ == 1) return static_cast<size_t>(i - lower1_);
  return static_cast<size_t>(i - lower1_) * Cols() + (j - lower2_);
}

Variant& VariantArray::At(int i) {
  if (dims_ != 1) throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
  return data_[Index(i, 0)];
}
const Variant& VariantArray::At(int i) const {
  if (dims_ != 1) throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
  return data_[Index(i, 0)];
}
Variant& VariantArray::At(int i, int j) {
  if (dims_ != 2) throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
  return data_[Index(i, j)];
}
const Variant& VariantArray::At(int i, int j) const {
  if (dims_ != 2) throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
  return data_[Index(i, j)];
}

}  // namespace plrxl
