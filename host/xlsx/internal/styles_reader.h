// Reads xl/styles.xml (and the theme's colours it refers to) into one
// CellStyle per cell format (cellXfs entry), plus whether it shows dates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/style.h"

namespace plrxl::xlsx {

struct StyleTable {
  std::vector<CellStyle> styles;  // by xf index
  std::vector<bool> is_date;      // by xf index
};

// Theme colours in the order cells refer to them (lt1, dk1, lt2, dk2,
// accent1..6, hlink, folHlink); the default scheme when text is empty.
std::vector<uint32_t> ReadThemeColors(std::string text, const std::string& part);
// An empty text gives a table with the default style only.
StyleTable ReadStyles(std::string text, const std::string& part, const std::vector<uint32_t>& theme);

}  // namespace plrxl::xlsx
