#include "macros/export_layouts.h"

#include <array>

namespace plrxl {

namespace {

using K = ExportFieldKind;

constexpr ExportField Ticker() { return {K::kTicker}; }
constexpr ExportField Period() { return {K::kPeriod}; }
constexpr ExportField Date(const char* pattern) { return {K::kDate, pattern}; }
constexpr ExportField Literal(const char* text) { return {K::kLiteral, text}; }
constexpr ExportField O() { return {K::kOpen}; }
constexpr ExportField H() { return {K::kHigh}; }
constexpr ExportField L() { return {K::kLow}; }
constexpr ExportField C() { return {K::kClose}; }
constexpr ExportField V() { return {K::kVolume}; }
constexpr ExportField OI() { return {K::kOpenInterest}; }
constexpr ExportField Quoted(ExportField field) {
  field.quoted = true;
  return field;
}
constexpr ExportField Joined(ExportField field) {
  field.joined = true;
  return field;
}
constexpr ExportField DecimalComma(ExportField field) {
  field.dot_to_comma = true;
  return field;
}

constexpr std::array<ExportLayout, kExportLayoutCount> kLayouts = {{
    {"metastock", ".prn", true, ',', "<TICKER>,<PER>,<DTYYYYMMDD>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>",
     10, {Ticker(), Period(), Date("YYYYMMDD"), Literal("000000"), O(), H(), L(), C(), V(), OI()}},
    {"metastock_m", ".txt", true, ' ', nullptr, 7, {Date("MM/DD/YYYY"), Literal("0000"), O(), H(), L(), C(), V()}},
    {"metastock_d", ".txt", true, ' ', nullptr, 7, {Ticker(), Joined(Date("MM/DD/YYYY")), O(), H(), L(), C(), V()}},
    {"metastock_r", ".prn", false, ' ', nullptr, 2, {Date("MM/DD/YY"), C()}},
    {"tsv", ".txt", true, '\t', "Date\tOpen\tHigh\tLow\tClose\tVolume", 6, {Date("MMDDYY"), O(), H(), L(), C(), V()}},
    {"csv", ".csv", true, ',', nullptr, 7, {Date("YYYYMMDD"), O(), H(), L(), C(), V(), OI()}},
    {"ascii", ".asc", true, '\t', nullptr, 8, {Date("MM/DD/YYYY"), Ticker(), O(), H(), L(), C(), V(), OI()}},
    {"sc-4", ".sc4", true, ',', "\"Date\",\"Open\",\"High\",\"Low\",\"Close\",\"Volume\",\"Open Interest\"", 7,
     {Date("MM/DD/YYYY"), O(), H(), L(), C(), V(), OI()}},
    {"quicken", ".csv", true, ',', nullptr, 3, {Quoted(Ticker()), Quoted(DecimalComma(C())), Quoted(Date("DD/MM/YY"))}},
    {"excel", ".xls", true, ' ', nullptr, 8,
     {Quoted(Ticker()), Quoted(Date("DD/MM/YY")), Quoted(O()), Quoted(H()), Quoted(L()), Quoted(C()), Quoted(V()),
      Quoted(OI())}},
    {"walmaster", ".txt", true, ';', nullptr, 8, {Ticker(), Date("DD/MM/YY"), O(), H(), L(), C(), V(), OI()}},
    {"metastockdb", ".prn", true, ',', "TICKER,PER,DATE,TIME,OPEN,HIGH,LOW,CLOSE,VOL,OPENINT", 10,
     {Ticker(), Period(), Date("YYYYMMDD"), Literal("000000"), O(), H(), L(), C(), V(), OI()}},
}};

std::string UpperAscii(std::string text) {
  for (char& ch : text) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return text;
}

}  // namespace

std::span<const ExportLayout> ExportLayouts() { return kLayouts; }

const ExportLayout* FindExportLayout(const std::string& lower_name) {
  for (const ExportLayout& layout : kLayouts) {
    if (lower_name == layout.name) return &layout;
  }
  return nullptr;
}

std::string PeriodLetter(const std::string& periodicity) { return UpperAscii(periodicity.substr(0, 1)); }

std::string ExportFileName(const ExportLayout& layout, const std::string& file_ticker,
                           const std::string& periodicity) {
  std::string name = UpperAscii(file_ticker);
  if (layout.period_in_name) name += "_" + PeriodLetter(periodicity);
  return name + layout.extension;
}

}  // namespace plrxl
