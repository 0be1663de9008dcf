// Cell styles to and from Calc's cell properties.
#include <cmath>

#include <com/sun/star/awt/FontSlant.hpp>
#include <com/sun/star/awt/FontStrikeout.hpp>
#include <com/sun/star/awt/FontUnderline.hpp>
#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>

#include "host/calc/internal/calc_objects.h"

namespace plrxl::calc {
namespace {

// In the order Calc wants them: sorted by name.
const char* const kProperties[] = {"CellBackColor", "CharColor",     "CharFontName",  "CharHeight",
                                   "CharPosture",   "CharStrikeout", "CharUnderline", "CharWeight",
                                   "HoriJustify",   "IsTextWrapped", "NumberFormat"};
constexpr int kCount = sizeof(kProperties) / sizeof(kProperties[0]);

css::uno::Sequence<rtl::OUString> Names() {
  css::uno::Sequence<rtl::OUString> names(kCount);
  for (int i = 0; i < kCount; ++i) names.getArray()[i] = rtl::OUString::createFromAscii(kProperties[i]);
  return names;
}

sal_Int32 ColorOf(uint32_t rgb) { return rgb == kAutomatic ? -1 : static_cast<sal_Int32>(rgb); }
uint32_t RgbOf(sal_Int32 color) { return color < 0 ? kAutomatic : static_cast<uint32_t>(color) & 0xFFFFFFu; }

struct Justify {
  HAlign align;
  css::table::CellHoriJustify calc;
};
constexpr Justify kJustify[] = {
    {HAlign::kGeneral, css::table::CellHoriJustify_STANDARD}, {HAlign::kLeft, css::table::CellHoriJustify_LEFT},
    {HAlign::kCenter, css::table::CellHoriJustify_CENTER},    {HAlign::kRight, css::table::CellHoriJustify_RIGHT},
    {HAlign::kJustify, css::table::CellHoriJustify_BLOCK},    {HAlign::kFill, css::table::CellHoriJustify_REPEAT},
};

}  // namespace

void ApplyStyle(CalcWorkbook& book, const Reference<css::table::XCellRange>& range, const CellStyle& style) {
  css::table::CellHoriJustify justify = css::table::CellHoriJustify_STANDARD;
  for (const Justify& j : kJustify)
    if (j.align == style.h_align) justify = j.calc;
  const sal_Int32 key = book.FormatKey(style.number_format);
  const css::uno::Any values[kCount] = {
      css::uno::Any(ColorOf(style.fill_color)),
      css::uno::Any(ColorOf(style.font_color)),
      css::uno::Any(ToOu(style.font_name)),
      css::uno::Any(static_cast<float>(style.font_size)),
      css::uno::Any(style.italic ? css::awt::FontSlant_ITALIC : css::awt::FontSlant_NONE),
      css::uno::Any(style.strikethrough ? css::awt::FontStrikeout::SINGLE : css::awt::FontStrikeout::NONE),
      css::uno::Any(style.underline ? css::awt::FontUnderline::SINGLE : css::awt::FontUnderline::NONE),
      css::uno::Any(style.bold ? css::awt::FontWeight::BOLD : css::awt::FontWeight::NORMAL),
      css::uno::Any(justify),
      css::uno::Any(style.wrap_text),
      css::uno::Any(key),
  };
  try {
    Reference<css::beans::XMultiPropertySet> props(range, UNO_QUERY_THROW);
    props->setPropertyValues(Names(), css::uno::Sequence<css::uno::Any>(values, kCount));
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot format cells", e);
  }
}

CellStyle ReadStyle(CalcWorkbook& book, const Reference<css::beans::XPropertySet>& cells) {
  CellStyle style;
  css::uno::Sequence<css::uno::Any> values;
  try {
    values = Reference<css::beans::XMultiPropertySet>(cells, UNO_QUERY_THROW)->getPropertyValues(Names());
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read a cell's format", e);
  }
  sal_Int32 back = -1, color = -1, key = 0;
  rtl::OUString font;
  float height = 11, weight = 100;
  css::awt::FontSlant slant = css::awt::FontSlant_NONE;
  sal_Int16 strike = 0, underline = 0;
  css::table::CellHoriJustify justify = css::table::CellHoriJustify_STANDARD;
  bool wrap = false;
  values[0] >>= back;
  values[1] >>= color;
  values[2] >>= font;
  values[3] >>= height;
  values[4] >>= slant;
  values[5] >>= strike;
  values[6] >>= underline;
  values[7] >>= weight;
  values[8] >>= justify;
  values[9] >>= wrap;
  values[10] >>= key;
  style.fill_color = RgbOf(back);
  style.font_color = RgbOf(color);
  style.font_name = FromOu(font);
  style.font_size = std::round(height * 100) / 100;
  style.italic = slant == css::awt::FontSlant_ITALIC;
  style.strikethrough = strike != css::awt::FontStrikeout::NONE;
  style.underline = underline != css::awt::FontUnderline::NONE;
  style.bold = weight > css::awt::FontWeight::NORMAL;
  for (const Justify& j : kJustify)
    if (j.calc == justify) style.h_align = j.align;
  style.wrap_text = wrap;
  style.number_format = book.FormatCode(key);
  return style;
}

void ForEachFormat(CalcWorkbook& book, const Reference<css::table::XCellRange>& range,
                   const std::function<void(const CellStyle&, const css::table::CellRangeAddress&)>& visit) {
  Reference<css::container::XIndexAccess> formats(
      Reference<css::sheet::XUniqueCellFormatRangesSupplier>(range, UNO_QUERY_THROW)->getUniqueCellFormatRanges(),
      UNO_QUERY_THROW);
  for (sal_Int32 i = 0; i < formats->getCount(); ++i) {
    const css::uno::Any element = formats->getByIndex(i);
    const CellStyle style = ReadStyle(book, Reference<css::beans::XPropertySet>(element, UNO_QUERY_THROW));
    for (const css::table::CellRangeAddress& a :
         Reference<css::sheet::XSheetCellRanges>(element, UNO_QUERY_THROW)->getRangeAddresses())
      visit(style, a);
  }
}

}  // namespace plrxl::calc
