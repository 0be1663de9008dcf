#include "host/xlsx/internal/format_cache.h"

#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/workbook_settings.h"

#include "host/xlsx/internal/number_formats.h"
#include "host/xlsx/internal/problem.h"

namespace plrxl::xlsx {

namespace {

constexpr int kShortDateId = 14;

uint8_t LxwBorder(BorderStyle s) {
  switch (s) {
    case BorderStyle::kNone: return LXW_BORDER_NONE;
    case BorderStyle::kThin: return LXW_BORDER_THIN;
    case BorderStyle::kMedium: return LXW_BORDER_MEDIUM;
    case BorderStyle::kThick: return LXW_BORDER_THICK;
    case BorderStyle::kDashed: return LXW_BORDER_DASHED;
    case BorderStyle::kDotted: return LXW_BORDER_DOTTED;
    case BorderStyle::kDouble: return LXW_BORDER_DOUBLE;
    case BorderStyle::kHair: return LXW_BORDER_HAIR;
  }
  return LXW_BORDER_NONE;
}

uint8_t LxwHAlign(HAlign a) {
  switch (a) {
    case HAlign::kGeneral: return LXW_ALIGN_NONE;
    case HAlign::kLeft: return LXW_ALIGN_LEFT;
    case HAlign::kCenter: return LXW_ALIGN_CENTER;
    case HAlign::kRight: return LXW_ALIGN_RIGHT;
    case HAlign::kFill: return LXW_ALIGN_FILL;
    case HAlign::kJustify: return LXW_ALIGN_JUSTIFY;
    case HAlign::kCenterAcross: return LXW_ALIGN_CENTER_ACROSS;
  }
  return LXW_ALIGN_NONE;
}

uint8_t LxwVAlign(VAlign a) {
  switch (a) {
    case VAlign::kBottom: return LXW_ALIGN_NONE;
    case VAlign::kTop: return LXW_ALIGN_VERTICAL_TOP;
    case VAlign::kCenter: return LXW_ALIGN_VERTICAL_CENTER;
    case VAlign::kJustify: return LXW_ALIGN_VERTICAL_JUSTIFY;
  }
  return LXW_ALIGN_NONE;
}

// The writer's rotation: -90..90 degrees, or 270 for stacked letters.
int16_t LxwRotation(uint8_t rotation) {
  if (rotation == 255) return 270;
  if (rotation > 90 && rotation <= 180) return static_cast<int16_t>(90 - rotation);
  return rotation <= 90 ? rotation : 0;
}

}  // namespace

FormatCache::FormatCache(lxw_workbook* wb, const Workbook& source)
    : wb_(wb), source_(source), date_shift_(source.Date1904() ? kDate1904Shift : 0) {
  if (const std::shared_ptr<const CarriedWorkbookFeatures> features = source.CarriedFeatures()) {
    if (!features->default_font.empty()) {
      default_font_name_ = features->default_font_name;
      default_font_size_ = features->default_font_size;
    }
  }
}

lxw_format* FormatCache::Get(int style_id, bool as_date) {
  size_t id = static_cast<size_t>(style_id);
  if (id >= plain_.size()) {
    plain_.resize(id + 1, nullptr);
    dated_.resize(id + 1, nullptr);
    made_plain_.resize(id + 1, false);
    made_dated_.resize(id + 1, false);
  }
  if (!made_plain_[id]) {
    made_plain_[id] = true;
    // The default style needs a format of its own where the workbook's
    // default font is not the model's (Calibri 11).
    const bool default_font = default_font_name_ == "Calibri" && default_font_size_ == 11;
    plain_[id] = style_id == 0 && default_font ? nullptr : Make(source_.StyleAt(style_id), false);
  }
  if (!as_date) return plain_[id];
  if (!made_dated_[id]) {
    made_dated_[id] = true;
    const CellStyle& style = source_.StyleAt(style_id);
    dated_[id] = IsDateFormat(style.number_format) ? plain_[id] : Make(style, true);
    if (dated_[id] == nullptr) dated_[id] = Make(style, true);
  }
  return dated_[id];
}

lxw_format* FormatCache::Default() {
  if (default_ == nullptr) default_ = workbook_add_format(wb_);
  if (default_ == nullptr) throw XlsxProblem("out of memory while adding a cell format");
  return default_;
}

lxw_format* FormatCache::Make(const CellStyle& s, bool force_date) {
  lxw_format* f = workbook_add_format(wb_);
  if (f == nullptr) throw XlsxProblem("out of memory while adding a cell format");
  int builtin = force_date ? kShortDateId : BuiltinNumberFormatId(s.number_format);
  if (builtin > 0) {
    format_set_num_format_index(f, static_cast<uint8_t>(builtin));
  } else if (builtin < 0) {
    format_set_num_format(f, s.number_format.c_str());
  }
  const bool plain_font = !s.bold && !s.italic && !s.underline && !s.strikethrough && s.font_color == kAutomatic;
  if (!plain_font || s.font_name != default_font_name_ || s.font_size != default_font_size_) {
    // Not the workbook's default font, which is the writer's first font
    // (Calibri 11, replaced by the workbook's own when it has another).
    if (s.font_name != "Calibri") format_set_font_name(f, s.font_name.c_str());
    if (s.font_size != 11) format_set_font_size(f, s.font_size);
    if (plain_font && s.font_name == "Calibri" && s.font_size == 11) format_set_font_family(f, 0);
  }
  if (s.bold) format_set_bold(f);
  if (s.italic) format_set_italic(f);
  if (s.underline) format_set_underline(f, LXW_UNDERLINE_SINGLE);
  if (s.strikethrough) format_set_font_strikeout(f);
  if (s.font_color != kAutomatic) format_set_font_color(f, LxwColor(s.font_color));
  if (s.fill_pattern == FillPattern::kSolid) {
    if (s.fill_color != kAutomatic) {
      format_set_pattern(f, LXW_PATTERN_SOLID);
      format_set_bg_color(f, LxwColor(s.fill_color));
    }
  } else {
    // The writer numbers the patterns as the file format lists them.
    format_set_pattern(f, static_cast<uint8_t>(static_cast<int>(s.fill_pattern) + LXW_PATTERN_SOLID));
    if (s.pattern_color != kAutomatic) format_set_fg_color(f, LxwColor(s.pattern_color));
    if (s.fill_color != kAutomatic) format_set_bg_color(f, LxwColor(s.fill_color));
  }
  struct Edge {
    const Border& border;
    void (*set_style)(lxw_format*, uint8_t);
    void (*set_color)(lxw_format*, lxw_color_t);
  };
  const Edge edges[] = {{s.left, format_set_left, format_set_left_color},
                        {s.right, format_set_right, format_set_right_color},
                        {s.top, format_set_top, format_set_top_color},
                        {s.bottom, format_set_bottom, format_set_bottom_color}};
  for (const Edge& e : edges) {
    if (e.border.style == BorderStyle::kNone) continue;
    e.set_style(f, LxwBorder(e.border.style));
    if (e.border.color != kAutomatic) e.set_color(f, LxwColor(e.border.color));
  }
  if (s.h_align != HAlign::kGeneral) format_set_align(f, LxwHAlign(s.h_align));
  if (s.v_align != VAlign::kBottom) format_set_align(f, LxwVAlign(s.v_align));
  if (s.wrap_text) format_set_text_wrap(f);
  if (s.shrink_to_fit) format_set_shrink(f);
  if (s.indent != 0) format_set_indent(f, s.indent);
  if (s.rotation != 0) format_set_rotation(f, LxwRotation(s.rotation));
  return f;
}

}  // namespace plrxl::xlsx
