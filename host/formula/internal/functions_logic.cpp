// Logic and information functions.
#include <cmath>

#include "host/formula/internal/function_table.h"
#include "host/formula/internal/interpreter.h"

namespace plrxl::formula {
namespace {

Value If(Args& a) {
  const Value cond = a.Scalar(0);
  if (cond.IsError()) return cond;
  const bool yes = ToBool(cond);
  if (yes) return a.Omitted(1) ? Value::Number(0) : a.Raw(1);
  if (a.Count() < 3) return Value::Boolean(false);
  return a.Omitted(2) ? Value::Number(0) : a.Raw(2);
}

Value Ifs(Args& a) {
  if (a.Count() % 2 != 0) throw ErrorResult{CellError::kNA};
  for (int i = 0; i < a.Count(); i += 2) {
    const Value cond = a.Scalar(i);
    if (cond.IsError()) return cond;
    if (ToBool(cond)) return a.Raw(i + 1);
  }
  return Value::Error(CellError::kNA);
}

Value Switch(Args& a) {
  const Value subject = a.Scalar(0);
  if (subject.IsError()) return subject;
  int i = 1;
  for (; i + 1 < a.Count(); i += 2) {
    const Value candidate = a.Scalar(i);
    if (candidate.IsError()) return candidate;
    if (CompareValues(subject, candidate) == 0 && candidate.kind() != Value::Kind::kEmpty) return a.Raw(i + 1);
  }
  if (i < a.Count()) return a.Raw(i);  // the default
  return Value::Error(CellError::kNA);
}

// AND, OR, XOR over values and ranges: Booleans and numbers count, texts
// in ranges are skipped; no value at all is #VALUE!.
Value Logical(Args& a, int kind) {
  int seen = 0, trues = 0;
  for (int i = 0; i < a.Count(); ++i) {
    if (a.Omitted(i)) continue;
    const Value v = a.Raw(i);
    if (v.IsRange() || v.IsArray()) {
      a.In().ForEachValue(v, [&](const Value& x) {
        if (x.IsError()) throw ErrorResult{x.error()};
        if (x.IsNumber() || x.IsBoolean()) ++seen, trues += x.number() != 0;
      });
    } else {
      ++seen;
      trues += ToBool(v);
    }
  }
  if (seen == 0) throw ErrorResult{CellError::kValue};
  if (kind == 0) return Value::Boolean(trues == seen);
  if (kind == 1) return Value::Boolean(trues > 0);
  return Value::Boolean(trues % 2 == 1);
}
Value And(Args& a) { return Logical(a, 0); }
Value Or(Args& a) { return Logical(a, 1); }
Value Xor(Args& a) { return Logical(a, 2); }
Value Not(Args& a) { return Value::Boolean(!a.Bool(0)); }
Value True(Args&) { return Value::Boolean(true); }
Value False(Args&) { return Value::Boolean(false); }

Value IfError(Args& a) {
  const Value v = a.Scalar(0);
  return v.IsError() ? a.Raw(1) : v.IsEmpty() ? Value::Number(0) : v;
}
Value IfNa(Args& a) {
  const Value v = a.Scalar(0);
  return v.IsError() && v.error() == CellError::kNA ? a.Raw(1) : v.IsEmpty() ? Value::Number(0) : v;
}

Value IsNumber(Args& a) { return Value::Boolean(a.Scalar(0).IsNumber()); }
Value IsText(Args& a) { return Value::Boolean(a.Scalar(0).IsText()); }
Value IsBlank(Args& a) { return Value::Boolean(a.Scalar(0).IsEmpty()); }
Value IsLogical(Args& a) { return Value::Boolean(a.Scalar(0).IsBoolean()); }
Value IsError(Args& a) { return Value::Boolean(a.Scalar(0).IsError()); }
Value IsErr(Args& a) {
  const Value v = a.Scalar(0);
  return Value::Boolean(v.IsError() && v.error() != CellError::kNA);
}
Value IsNa(Args& a) {
  const Value v = a.Scalar(0);
  return Value::Boolean(v.IsError() && v.error() == CellError::kNA);
}
// An empty cell is no number here (#VALUE!), as LibreOffice has it.
double Whole(Args& a) {
  if (a.Scalar(0).IsEmpty()) throw ErrorResult{CellError::kValue};
  return std::trunc(a.Number(0));
}
Value IsEven(Args& a) { return Value::Boolean(std::fmod(Whole(a), 2) == 0); }
Value IsOdd(Args& a) { return Value::Boolean(std::fmod(Whole(a), 2) != 0); }
Value Na(Args&) { return Value::Error(CellError::kNA); }

Value N(Args& a) {
  const Value v = a.Scalar(0);
  if (v.IsError()) return v;
  if (v.IsNumber()) return Value::Number(v.number());
  if (v.IsBoolean()) return Value::Number(v.number());
  return Value::Number(0);
}
Value T(Args& a) {
  const Value v = a.Scalar(0);
  if (v.IsError()) return v;
  return Value::Text(v.IsText() ? v.text() : "");
}

Value Type(Args& a) {
  const Value v = a.Raw(0);
  if (v.IsArray()) return Value::Number(64);
  if (v.IsRange() && !v.block().IsCell()) throw ErrorResult{kBadArgument};  // as LibreOffice; 64 elsewhere
  const Value s = a.In().ToScalar(v);
  switch (s.kind()) {
    case Value::Kind::kText: return Value::Number(2);
    case Value::Kind::kBoolean: return Value::Number(4);
    case Value::Kind::kError: return Value::Number(16);
    default: return Value::Number(1);
  }
}

Value ErrorType(Args& a) {
  const Value v = a.Scalar(0);
  if (!v.IsError()) return Value::Error(CellError::kNA);
  switch (v.error()) {
    case CellError::kNull: return Value::Number(1);
    case CellError::kDiv0: return Value::Number(2);
    case CellError::kValue: return Value::Number(3);
    case CellError::kRef: return Value::Number(4);
    case CellError::kName: return Value::Number(5);
    case CellError::kNum: return Value::Number(6);
    case CellError::kNA: return Value::Number(7);
  }
  return Value::Error(CellError::kNA);
}

const FunctionEntry kTable[] = {
    {"IF", 1, 3, If, kPicksByFirst, kEveryArgument},          {"IFS", 2, 254, Ifs},        {"SWITCH", 3, 254, Switch},
    {"AND", 1, 255, And},      {"OR", 1, 255, Or},          {"XOR", 1, 255, Xor},
    {"NOT", 1, 1, Not, kPlain, kEveryArgument},        {"TRUE", 0, 0, True},        {"FALSE", 0, 0, False},
    {"IFERROR", 2, 2, IfError, kPicksByFirst, kEveryArgument}, {"IFNA", 2, 2, IfNa, kPicksByFirst, kEveryArgument},       {"ISNUMBER", 1, 1, IsNumber, kPlain, kEveryArgument},
    {"ISTEXT", 1, 1, IsText, kPlain, kEveryArgument},  {"ISBLANK", 1, 1, IsBlank, kPlain, kEveryArgument},  {"ISERROR", 1, 1, IsError, kPlain, kEveryArgument},
    {"ISERR", 1, 1, IsErr, kPlain, kEveryArgument},    {"ISNA", 1, 1, IsNa, kPlain, kEveryArgument},        {"ISLOGICAL", 1, 1, IsLogical, kPlain, kEveryArgument},
    {"ISEVEN", 1, 1, IsEven, kPlain, kEveryArgument},  {"ISODD", 1, 1, IsOdd, kPlain, kEveryArgument},      {"NA", 0, 0, Na},
    {"N", 1, 1, N, kPlain, kEveryArgument},            {"T", 1, 1, T, kPlain, kEveryArgument},              {"TYPE", 1, 1, Type},
    {"ERROR.TYPE", 1, 1, ErrorType, kPlain, kEveryArgument},
};

}  // namespace

extern const FunctionFamily kLogicFunctions{"Logic and information", kTable, std::size(kTable)};

}  // namespace plrxl::formula
