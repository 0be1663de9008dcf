#include "host/xlsx/internal/styles_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "host/xlsx/internal/number_formats.h"
#include "host/xlsx/internal/xml_util.h"

namespace plrxl::xlsx {

namespace {

// The package's default indexed palette (indexed 8.. is the host's colour
// index 1..).
constexpr uint32_t kIndexed[64] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x000000, 0xFFFFFF, 0xFF0000,
    0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080,
    0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080,
    0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99,
    0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99, 0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699,
    0x969696, 0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};

constexpr uint32_t kDefaultTheme[12] = {0xFFFFFF, 0x000000, 0xE7E6E6, 0x44546A, 0x4472C4, 0xED7D31,
                                        0xA5A5A5, 0xFFC000, 0x5B9BD5, 0x70AD47, 0x0563C1, 0x954F72};

struct Palette {
  std::vector<uint32_t> indexed;
  const std::vector<uint32_t>* theme;
};

uint32_t ParseRgb(const char* text) {
  std::string s = text;
  if (s.size() == 8) s = s.substr(2);
  if (s.size() != 6) return kAutomatic;
  char* end = nullptr;
  unsigned long value = std::strtoul(s.c_str(), &end, 16);
  return *end == '\0' ? static_cast<uint32_t>(value) : kAutomatic;
}

uint32_t ApplyTint(uint32_t rgb, double tint) {
  if (tint == 0) return rgb;
  uint32_t out = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    double c = (rgb >> shift) & 0xFF;
    c = tint < 0 ? c * (1 + tint) : c + (255 - c) * tint;
    out |= static_cast<uint32_t>(std::lround(std::fmin(255.0, std::fmax(0.0, c)))) << shift;
  }
  return out;
}

// A <color>/<fgColor> element; is_font makes the theme's text colour (and
// indexed 64, the system foreground) read as automatic.
uint32_t ReadColor(const pugi::xml_node& node, const Palette& palette, bool is_font) {
  if (!node) return kAutomatic;
  if (pugi::xml_attribute rgb = node.attribute("rgb")) return ApplyTint(ParseRgb(rgb.value()), node.attribute("tint").as_double());
  if (pugi::xml_attribute indexed = node.attribute("indexed")) {
    int i = indexed.as_int(-1);
    if (i >= 0 && i < static_cast<int>(palette.indexed.size())) return palette.indexed[static_cast<size_t>(i)];
    return kAutomatic;
  }
  if (pugi::xml_attribute theme = node.attribute("theme")) {
    int i = theme.as_int(-1);
    if (is_font && i == 1 && node.attribute("tint").as_double() == 0) return kAutomatic;
    if (i >= 0 && i < static_cast<int>(palette.theme->size())) {
      return ApplyTint((*palette.theme)[static_cast<size_t>(i)], node.attribute("tint").as_double());
    }
  }
  return kAutomatic;
}

struct Font {
  std::string name = "Calibri";
  double size = 11;
  bool bold = false, italic = false, underline = false, strikethrough = false;
  uint32_t color = kAutomatic;
};

bool FlagOn(const pugi::xml_node& node) {
  if (!node) return false;
  pugi::xml_attribute val = node.attribute("val");
  return !val || val.as_bool(true);
}

Font ReadFont(const pugi::xml_node& node, const Font& base, const Palette& palette) {
  Font f;
  f.name = base.name;
  f.size = base.size;
  if (pugi::xml_node name = Child(node, "name")) f.name = name.attribute("val").as_string();
  if (pugi::xml_node sz = Child(node, "sz")) f.size = sz.attribute("val").as_double(base.size);
  f.bold = FlagOn(Child(node, "b"));
  f.italic = FlagOn(Child(node, "i"));
  f.strikethrough = FlagOn(Child(node, "strike"));
  if (pugi::xml_node u = Child(node, "u")) f.underline = std::string_view(u.attribute("val").as_string("single")) != "none";
  f.color = ReadColor(Child(node, "color"), palette, true);
  return f;
}

struct Fill {
  uint32_t color = kAutomatic;
  FillPattern pattern = FillPattern::kSolid;
  uint32_t pattern_color = kAutomatic;
};

// The file's pattern types after "none", in FillPattern's order.
constexpr std::string_view kPatterns[] = {
    "solid",           "mediumGray",     "darkGray",  "lightGray", "darkHorizontal", "darkVertical",
    "darkDown",        "darkUp",         "darkGrid",  "darkTrellis", "lightHorizontal", "lightVertical",
    "lightDown",       "lightUp",        "lightGrid", "lightTrellis", "gray125",       "gray0625"};

// A solid fill keeps its colour in fgColor (bgColor when that is
// missing); a patterned one draws fgColor over bgColor.
Fill ReadFill(const pugi::xml_node& fill, const Palette& palette) {
  Fill f;
  pugi::xml_node pattern = Child(fill, "patternFill");
  if (!pattern) return f;
  std::string_view type = pattern.attribute("patternType").as_string("none");
  const auto known = std::find(std::begin(kPatterns), std::end(kPatterns), type);
  if (known == std::end(kPatterns)) return f;
  const uint32_t fg = ReadColor(Child(pattern, "fgColor"), palette, false);
  const uint32_t bg = ReadColor(Child(pattern, "bgColor"), palette, false);
  f.pattern = static_cast<FillPattern>(known - std::begin(kPatterns));
  if (f.pattern == FillPattern::kSolid) {
    f.color = fg != kAutomatic ? fg : bg;
  } else {
    f.color = bg;
    f.pattern_color = fg;
  }
  return f;
}

BorderStyle ParseBorderStyle(std::string_view s) {
  static const std::map<std::string_view, BorderStyle> kStyles = {
      {"thin", BorderStyle::kThin},          {"medium", BorderStyle::kMedium},
      {"thick", BorderStyle::kThick},        {"dashed", BorderStyle::kDashed},
      {"dotted", BorderStyle::kDotted},      {"double", BorderStyle::kDouble},
      {"hair", BorderStyle::kHair},          {"mediumDashed", BorderStyle::kDashed},
      {"dashDot", BorderStyle::kDashed},     {"mediumDashDot", BorderStyle::kDashed},
      {"dashDotDot", BorderStyle::kDotted},  {"mediumDashDotDot", BorderStyle::kDotted},
      {"slantDashDot", BorderStyle::kDashed}};
  auto it = kStyles.find(s);
  return it == kStyles.end() ? BorderStyle::kNone : it->second;
}

Border ReadEdge(const pugi::xml_node& border, std::string_view edge, const Palette& palette) {
  Border b;
  pugi::xml_node node = Child(border, edge);
  if (!node) return b;
  b.style = ParseBorderStyle(node.attribute("style").as_string());
  if (b.style != BorderStyle::kNone) b.color = ReadColor(Child(node, "color"), palette, false);
  return b;
}

HAlign ParseHAlign(std::string_view s) {
  if (s == "left") return HAlign::kLeft;
  if (s == "center") return HAlign::kCenter;
  if (s == "centerContinuous") return HAlign::kCenterAcross;
  if (s == "right") return HAlign::kRight;
  if (s == "fill") return HAlign::kFill;
  if (s == "justify" || s == "distributed") return HAlign::kJustify;
  return HAlign::kGeneral;
}

VAlign ParseVAlign(std::string_view s) {
  if (s == "top") return VAlign::kTop;
  if (s == "center") return VAlign::kCenter;
  if (s == "justify" || s == "distributed") return VAlign::kJustify;
  return VAlign::kBottom;
}

template <typename T>
const T& Pick(const std::vector<T>& items, int index, const T& fallback) {
  return index >= 0 && index < static_cast<int>(items.size()) ? items[static_cast<size_t>(index)] : fallback;
}

}  // namespace

std::vector<uint32_t> ReadThemeColors(std::string text, const std::string& part) {
  std::vector<uint32_t> colors(std::begin(kDefaultTheme), std::end(kDefaultTheme));
  if (text.empty()) return colors;
  pugi::xml_document doc;
  ParseXml(text, doc, part);
  pugi::xml_node scheme = Child(Child(doc.document_element(), "themeElements"), "clrScheme");
  static const char* const kOrder[12] = {"lt1",     "dk1",     "lt2",     "dk2",     "accent1", "accent2",
                                         "accent3", "accent4", "accent5", "accent6", "hlink",   "folHlink"};
  for (size_t i = 0; i < 12; ++i) {
    pugi::xml_node slot = Child(scheme, kOrder[i]);
    if (pugi::xml_node srgb = Child(slot, "srgbClr")) {
      colors[i] = ParseRgb(srgb.attribute("val").as_string());
    } else if (pugi::xml_node sys = Child(slot, "sysClr")) {
      colors[i] = ParseRgb(sys.attribute("lastClr").as_string("000000"));
    }
    if (colors[i] == kAutomatic) colors[i] = kDefaultTheme[i];
  }
  return colors;
}

StyleTable ReadStyles(std::string text, const std::string& part, const std::vector<uint32_t>& theme) {
  StyleTable table;
  if (text.empty()) {
    table.styles.emplace_back();
    table.is_date.push_back(false);
    return table;
  }
  pugi::xml_document doc;
  ParseXml(text, doc, part);
  pugi::xml_node root = Root(doc, "styleSheet", part);

  Palette palette{std::vector<uint32_t>(std::begin(kIndexed), std::end(kIndexed)), &theme};
  if (pugi::xml_node custom = Child(Child(root, "colors"), "indexedColors")) {
    palette.indexed.clear();
    for (pugi::xml_node c = custom.first_child(); c; c = c.next_sibling()) {
      if (Is(c, "rgbColor")) palette.indexed.push_back(ParseRgb(c.attribute("rgb").as_string()));
    }
  }

  std::map<int, std::string> formats;
  for (pugi::xml_node f = Child(root, "numFmts").first_child(); f; f = f.next_sibling()) {
    if (Is(f, "numFmt")) formats[f.attribute("numFmtId").as_int()] = f.attribute("formatCode").as_string();
  }
  std::vector<Font> fonts;
  Font base;
  for (pugi::xml_node f = Child(root, "fonts").first_child(); f; f = f.next_sibling()) {
    if (!Is(f, "font")) continue;
    fonts.push_back(ReadFont(f, base, palette));
    if (fonts.size() == 1) base = fonts.front();  // later fonts inherit the default's name and size
  }
  std::vector<Fill> fills;
  for (pugi::xml_node f = Child(root, "fills").first_child(); f; f = f.next_sibling()) {
    if (Is(f, "fill")) fills.push_back(ReadFill(f, palette));
  }
  struct Edges {
    Border left, right, top, bottom;
  };
  std::vector<Edges> borders;
  for (pugi::xml_node b = Child(root, "borders").first_child(); b; b = b.next_sibling()) {
    if (!Is(b, "border")) continue;
    borders.push_back({ReadEdge(b, "left", palette), ReadEdge(b, "right", palette), ReadEdge(b, "top", palette),
                       ReadEdge(b, "bottom", palette)});
  }

  const Font default_font;
  const Fill no_fill;
  const Edges no_border;
  for (pugi::xml_node xf = Child(root, "cellXfs").first_child(); xf; xf = xf.next_sibling()) {
    if (!Is(xf, "xf")) continue;
    CellStyle s;
    int fmt_id = xf.attribute("numFmtId").as_int(0);
    auto custom = formats.find(fmt_id);
    s.number_format = custom != formats.end() ? custom->second : BuiltinNumberFormat(fmt_id);
    if (s.number_format.empty()) s.number_format = "General";
    const Font& font = Pick(fonts, xf.attribute("fontId").as_int(0), default_font);
    s.font_name = font.name;
    s.font_size = font.size;
    s.bold = font.bold;
    s.italic = font.italic;
    s.underline = font.underline;
    s.font_color = font.color;
    s.strikethrough = font.strikethrough;
    const Fill& fill = Pick(fills, xf.attribute("fillId").as_int(0), no_fill);
    s.fill_color = fill.color;
    s.fill_pattern = fill.pattern;
    s.pattern_color = fill.pattern_color;
    const Edges& edges = Pick(borders, xf.attribute("borderId").as_int(0), no_border);
    s.left = edges.left;
    s.right = edges.right;
    s.top = edges.top;
    s.bottom = edges.bottom;
    if (pugi::xml_node align = Child(xf, "alignment")) {
      s.h_align = ParseHAlign(align.attribute("horizontal").as_string());
      s.v_align = ParseVAlign(align.attribute("vertical").as_string());
      s.wrap_text = align.attribute("wrapText").as_bool();
      s.shrink_to_fit = align.attribute("shrinkToFit").as_bool();
      s.indent = static_cast<uint8_t>(std::clamp(align.attribute("indent").as_int(0), 0, 250));
      const int rotation = align.attribute("textRotation").as_int(0);
      s.rotation = static_cast<uint8_t>(rotation == 255 || (rotation >= 0 && rotation <= 180) ? rotation : 0);
    }
    table.is_date.push_back(IsDateFormat(s.number_format));
    table.styles.push_back(std::move(s));
  }
  if (table.styles.empty()) {
    table.styles.emplace_back();
    table.is_date.push_back(false);
  }
  return table;
}

}  // namespace plrxl::xlsx
