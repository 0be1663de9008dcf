// Cell formatting carried by the host: number format, font, fill, borders and
// alignment. The in-memory model interns styles, so cells hold a small id.
#pragma once

#include <cstdint>
#include <string>

namespace plrxl {

// Colours are 0xRRGGBB; kAutomatic means "no explicit colour".
inline constexpr uint32_t kAutomatic = 0xFFFFFFFFu;

// The host's colour index palette (index 1..56) and back. Index 0 stands for
// automatic. Index 3 is red (FF0000).
uint32_t ColorIndexToRgb(int index);
// The palette index of an RGB colour; 0 for automatic or a colour outside it.
int RgbToColorIndex(uint32_t rgb);

// kCenterAcross centres a text across the selected empty cells to its
// right.
enum class HAlign : uint8_t { kGeneral, kLeft, kCenter, kRight, kFill, kJustify, kCenterAcross };
enum class VAlign : uint8_t { kBottom, kTop, kCenter, kJustify };
// Line style of one border edge; kNone means no border.
// Pattern of a cell fill, in the order of the file format's patternType
// values after "none".
enum class FillPattern : uint8_t {
  kSolid, kMediumGray, kDarkGray, kLightGray, kDarkHorizontal, kDarkVertical, kDarkDown, kDarkUp, kDarkGrid,
  kDarkTrellis, kLightHorizontal, kLightVertical, kLightDown, kLightUp, kLightGrid, kLightTrellis, kGray125, kGray0625
};
enum class BorderStyle : uint8_t { kNone, kThin, kMedium, kThick, kDashed, kDotted, kDouble, kHair };

struct Border {
  BorderStyle style = BorderStyle::kNone;
  uint32_t color = kAutomatic;
  bool operator==(const Border&) const = default;
};

struct CellStyle {
  std::string number_format = "General";
  std::string font_name = "Calibri";
  double font_size = 11;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  uint32_t font_color = kAutomatic;
  bool strikethrough = false;
  // The fill's background (for a solid fill, its colour). A solid fill
  // with the automatic colour is no fill; a patterned fill draws its
  // pattern in pattern_color over fill_color.
  uint32_t fill_color = kAutomatic;
  FillPattern fill_pattern = FillPattern::kSolid;
  uint32_t pattern_color = kAutomatic;
  Border left, right, top, bottom;
  HAlign h_align = HAlign::kGeneral;
  VAlign v_align = VAlign::kBottom;
  bool wrap_text = false;
  bool shrink_to_fit = false;
  uint8_t indent = 0;  // levels, 0..250
  // Text rotation in degrees as the file holds it: 0..90 counter-clockwise,
  // 91..180 clockwise by (value - 90), 255 letters stacked.
  uint8_t rotation = 0;

  bool operator==(const CellStyle&) const = default;
};

}  // namespace plrxl
