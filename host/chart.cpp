#include "host/chart.h"

namespace plrxl {

bool SameDrawing(const Chart& a, const Chart& b) {
  return a.kind == b.kind && a.title == b.title && a.title_font_size == b.title_font_size &&
         a.title_bold == b.title_bold && a.has_legend == b.has_legend && a.series == b.series &&
         a.category_axis == b.category_axis && a.value_axis == b.value_axis &&
         a.secondary_value_axis == b.secondary_value_axis &&
         a.high_low_lines == b.high_low_lines && a.up_down_bars == b.up_down_bars && a.font_name == b.font_name;
}

}  // namespace plrxl
