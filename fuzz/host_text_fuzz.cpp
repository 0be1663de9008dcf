// Texts that reach the host from outside (cell addresses and defined names
// in project workbooks, dates and numbers typed into cells, number formats
// read from .xlsx files): every parser must answer or reject, never crash.
// The first byte picks the parser; the rest is the text. Seeds live in
// tests/data/fuzz/host_text/.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "host/address.h"
#include "host/error.h"
#include "host/regional.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  plrxl::RegionalSettings rs;
  rs.short_date = (data[0] & 0x10) ? "mm/dd/yy" : "dd.mm.yyyy";
  rs.decimal_symbol = (data[0] & 0x20) ? ',' : '.';
  switch (data[0] % 6) {
    case 0:
      if (auto a = plrxl::ParseA1(text)) {
        plrxl::FormatA1(a->rect);
        plrxl::QuoteSheetName(a->sheet);
      }
      break;
    case 1:
      if (auto a = plrxl::ParseR1C1(text)) plrxl::FormatR1C1(a->rect);
      break;
    case 2:
      if (auto d = plrxl::TextToDate(text, rs)) plrxl::DateToText(*d, rs);
      break;
    case 3:
      if (auto n = plrxl::TextToNumber(text, rs)) plrxl::NumberToText(*n, rs);
      break;
    case 4:
      // A number format applied to typical values, the extremes of a double,
      // and values no cell holds (a calculation can still make them).
      // Parsed once, as a sheet's style is; the one-call form takes the text.
      {
        const plrxl::ParsedNumberFormat format(text);
        for (double v : {0.0, -1234.5678, 37544.75, 1e300, -1e-300, 4.9406564584124654e-324, -1.7976931348623157e308,
                         std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
          format.Format(v, rs);
          format.Format(plrxl::Variant::Date(v), rs);
        }
        plrxl::FormatWithNumberFormat(plrxl::Variant(text), text, rs);
      }
      break;
    default:
      plrxl::ColumnNumber(text);
      break;
  }
  return 0;
}
