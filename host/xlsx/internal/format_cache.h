// FormatCache: one libxlsxwriter format per style id of the workbook's
// style table, made on first use. A date written into a cell whose format
// shows no date gets a twin format with the short-date number format, so it
// reads back as a date.
#pragma once

#include <xlsxwriter.h>

#include <string>
#include <vector>

#include "host/spreadsheet_host.h"

namespace plrxl::xlsx {

class FormatCache {
 public:
  FormatCache(lxw_workbook* wb, const Workbook& source);

  // nullptr for the default style (id 0) unless as_date asks for a date or
  // the workbook's default font is another than Calibri 11.
  lxw_format* Get(int style_id, bool as_date);
  // A format without any property: cells written with it read back with
  // the default style.
  lxw_format* Default();
  // What a date's model serial loses in the file: the serials of a 1904
  // workbook count from 1 January 1904.
  double DateShift() const { return date_shift_; }

 private:
  lxw_format* Make(const CellStyle& style, bool force_date);

  lxw_workbook* wb_;
  lxw_format* default_ = nullptr;
  const Workbook& source_;
  double date_shift_ = 0;
  // The workbook's default font, which the save puts into the writer's
  // first font (workbook_settings.h).
  std::string default_font_name_ = "Calibri";
  double default_font_size_ = 11;
  std::vector<lxw_format*> plain_;  // by style id; nullptr = not made yet
  std::vector<lxw_format*> dated_;
  std::vector<bool> made_plain_, made_dated_;
};

// libxlsxwriter treats colour 0 as "unset": black has its own value.
inline lxw_color_t LxwColor(uint32_t rgb) { return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb; }

}  // namespace plrxl::xlsx
