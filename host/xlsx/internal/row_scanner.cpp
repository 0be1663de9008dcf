#include "host/xlsx/internal/row_scanner.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "host/address.h"

namespace plrxl::xlsx {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' || c == '_' ||
         c == '-' || c == '.';
}

// Up to nine decimal digits and nothing else: the number the general
// reader's conversion gives for the same text.
bool SmallNumber(std::string_view text, int* out) {
  if (text.empty() || text.size() > 9) return false;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  *out = n;
  return true;
}

// Digits with at most one point: a row height, read as the general
// reader's conversion reads it.
bool PlainDecimal(std::string_view text, double* out) {
  if (text.empty() || text.size() > 24) return false;
  int points = 0;
  for (char c : text) {
    if (c == '.') {
      ++points;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  if (points > 1 || text.front() == '.' || text.back() == '.') return false;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), *out);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// The entity at `p` (its '&'), as the general reader decodes it: one of
// the five named ones or a character by number. Sets its length and the
// UTF-8 bytes it stands for; false for any other.
bool Entity(const char* p, const char* end, size_t* length, char* bytes, size_t* count) {
  static constexpr struct {
    std::string_view text;
    char c;
  } kNamed[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
  const std::string_view rest(p, static_cast<size_t>(end - p));
  for (const auto& named : kNamed) {
    if (rest.substr(0, named.text.size()) == named.text) {
      *length = named.text.size();
      bytes[0] = named.c;
      *count = 1;
      return true;
    }
  }
  if (rest.size() < 4 || rest[1] != '#') return false;
  const bool hex = rest[2] == 'x';
  size_t i = hex ? 3 : 2;
  uint32_t code = 0;
  const size_t digits_from = i;
  for (; i < rest.size() && rest[i] != ';'; ++i) {
    const char c = rest[i];
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (hex && (c | ' ') >= 'a' && (c | ' ') <= 'f') {
      digit = static_cast<uint32_t>((c | ' ') - 'a' + 10);
    } else {
      return false;
    }
    if (i - digits_from >= 7) return false;
    code = code * (hex ? 16 : 10) + digit;
  }
  if (i >= rest.size() || i == digits_from || code == 0 || code > 0x10FFFF) return false;
  *length = i + 1;
  // UTF-8 as the general reader writes it, surrogates included.
  if (code < 0x80) {
    bytes[0] = static_cast<char>(code);
    *count = 1;
  } else if (code < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (code >> 6));
    bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
    *count = 2;
  } else if (code < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | (code >> 12));
    bytes[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
    *count = 3;
  } else {
    bytes[0] = static_cast<char>(0xF0 | (code >> 18));
    bytes[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    bytes[3] = static_cast<char>(0x80 | (code & 0x3F));
    *count = 4;
  }
  return true;
}

bool IsRowState(std::string_view name) {
  return name == "hidden" || name == "outlineLevel" || name == "collapsed" || name == "thickTop" || name == "thickBot";
}

class Scanner {
 public:
  Scanner(std::string& piece, ScannedRows& out, size_t max_cells)
      : p_(piece.data()), end_(piece.data() + piece.size()), out_(out), max_cells_(max_cells) {}

  bool Run(int last_row) {
    out_.rows.clear();
    out_.cells.clear();
    ends_.clear();
    SkipSpace();
    while (p_ < end_) {
      if (!Row(&last_row)) return false;
      SkipSpace();
    }
    // Only now, with the whole piece read, do its texts get decoded and
    // ended.
    for (const Ending& e : ends_) {
      char* out = e.end;
      if (e.decode) {
        out = e.begin;
        for (const char* in = e.begin; in < e.end;) {
          size_t length = 1, count = 0;
          char bytes[4];
          if (*in == '&' && Entity(in, e.end, &length, bytes, &count)) {
            for (size_t k = 0; k < count; ++k) *out++ = bytes[k];
            in += length;
          } else {
            *out++ = *in++;
          }
        }
      }
      *out = '\0';
    }
    for (ScannedCell& cell : out_.cells) {
      if (cell.formula == nullptr && cell.value != nullptr && (cell.type[0] == '\0' || std::strcmp(cell.type, "n") == 0)) {
        cell.has_number = ParseCellNumber(cell.value, &cell.number);
      }
    }
    return true;
  }

 private:
  struct Attribute {
    std::string_view name;
    char* value = nullptr;
    size_t size = 0;
    std::string_view Value() const { return {value, size}; }
  };
  enum class Next { kBad, kAttribute, kEnd };

  void SkipSpace() {
    while (p_ < end_ && IsSpace(*p_)) ++p_;
  }

  bool Literal(std::string_view s) {
    if (static_cast<size_t>(end_ - p_) < s.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
      if (p_[i] != s[i]) return false;
    }
    p_ += s.size();
    return true;
  }

  // "<name" followed by a space or the end of the tag.
  bool StartTag(std::string_view name) {
    if (static_cast<size_t>(end_ - p_) <= name.size() + 1 || p_[0] != '<') return false;
    for (size_t i = 0; i < name.size(); ++i) {
      if (p_[i + 1] != name[i]) return false;
    }
    const char after = p_[name.size() + 1];
    if (!IsSpace(after) && after != '>' && after != '/') return false;
    p_ += name.size() + 1;
    return true;
  }

  // The next attribute of the start tag being read, or its end (`empty`
  // set for "/>"). A value holding what the general reader would convert
  // (entities, line breaks, tabs) or refuse counts as bad.
  Next NextAttribute(Attribute* a, bool* empty) {
    SkipSpace();
    if (p_ >= end_) return Next::kBad;
    if (*p_ == '>') {
      ++p_;
      *empty = false;
      return Next::kEnd;
    }
    if (*p_ == '/') {
      if (p_ + 1 >= end_ || p_[1] != '>') return Next::kBad;
      p_ += 2;
      *empty = true;
      return Next::kEnd;
    }
    const char* name = p_;
    // A name starts as XML names do; only then may it be passed over.
    const char first = *p_;
    if (!((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') || first == '_' || first == ':')) {
      return Next::kBad;
    }
    while (p_ < end_ && IsNameChar(*p_)) ++p_;
    a->name = std::string_view(name, static_cast<size_t>(p_ - name));
    SkipSpace();
    if (p_ >= end_ || *p_ != '=') return Next::kBad;
    ++p_;
    SkipSpace();
    if (p_ >= end_ || (*p_ != '"' && *p_ != '\'')) return Next::kBad;
    const char quote = *p_++;
    a->value = p_;
    while (p_ < end_ && *p_ != quote) {
      const char c = *p_;
      if (c == '<' || c == '&' || c == '\0' || c == '\t' || c == '\n' || c == '\r') return Next::kBad;
      ++p_;
    }
    if (p_ >= end_) return Next::kBad;
    a->size = static_cast<size_t>(p_ - a->value);
    ++p_;
    if (p_ >= end_ || (!IsSpace(*p_) && *p_ != '>' && *p_ != '/')) return Next::kBad;
    return Next::kAttribute;
  }

  // Text up to `close` ("</v>"), to be decoded and ended where `close`
  // starts.
  bool Text(std::string_view close, const char** text) {
    char* begin = p_;
    bool decode = false;
    while (p_ < end_ && *p_ != '<') {
      if (*p_ == '&') {
        size_t length = 0, count = 0;
        char bytes[4];
        if (!Entity(p_, end_, &length, bytes, &count)) return false;
        decode = true;
        p_ += length;
        continue;
      }
      if (*p_ == '\r' || *p_ == '\0') return false;
      ++p_;
    }
    char* at = p_;
    if (!Literal(close)) return false;
    ends_.push_back({begin, at, decode});
    *text = begin;
    return true;
  }

  bool Row(int* last_row) {
    if (!StartTag("row")) return false;
    ScannedRow row;
    bool has_number = false, has_style = false, has_height = false, has_custom = false, empty = false;
    Attribute a;
    for (Next next; (next = NextAttribute(&a, &empty)) != Next::kEnd;) {
      if (next == Next::kBad) return false;
      if (a.name == "r") {
        if (has_number || !SmallNumber(a.Value(), &row.row)) return false;
        has_number = true;
      } else if (a.name == "s") {
        if (has_style || !SmallNumber(a.Value(), &row.xf)) return false;
        has_style = true;
      } else if (a.name == "ht") {
        if (has_height || !PlainDecimal(a.Value(), &row.height)) return false;
        has_height = true;
      } else if (a.name == "customHeight") {
        const std::string_view v = a.Value();
        if (has_custom || (v != "1" && v != "0" && v != "true" && v != "false")) return false;
        row.custom_height = v == "1" || v == "true";
        has_custom = true;
      } else if (IsRowState(a.name)) {
        // What the model does not hold of a row, written out at its
        // default: the general reader keeps nothing of it either.
        if (a.Value() != "0" && a.Value() != "false") return false;
      } else if (a.name != "spans" && a.name != "customFormat" && a.name.find(':') == std::string_view::npos) {
        return false;
      }
    }
    row.has_height = has_height;
    if (!has_number) row.row = *last_row + 1;
    if (row.row < 1 || row.row > kMaxRows) return false;
    *last_row = row.row;
    row.first_cell = out_.cells.size();
    if (!empty) {
      int last_col = 0;
      for (;;) {
        SkipSpace();
        if (Literal("</row>")) break;
        if (!Cell(row.row, &last_col) || out_.cells.size() > max_cells_) return false;
      }
    }
    row.cell_count = out_.cells.size() - row.first_cell;
    out_.rows.push_back(row);
    return true;
  }

  bool Cell(int row, int* last_col) {
    if (!StartTag("c")) return false;
    ScannedCell cell;
    cell.row = row;
    cell.col = *last_col + 1;
    bool has_ref = false, has_style = false, has_type = false, empty = false;
    Attribute a;
    for (Next next; (next = NextAttribute(&a, &empty)) != Next::kEnd;) {
      if (next == Next::kBad) return false;
      if (a.name == "r") {
        char ref[16];
        if (has_ref || a.size >= sizeof ref) return false;
        std::memcpy(ref, a.value, a.size);
        ref[a.size] = '\0';
        if (!ParseCellRef(ref, &cell.row, &cell.col)) return false;
        has_ref = true;
      } else if (a.name == "s") {
        if (has_style || !SmallNumber(a.Value(), &cell.xf)) return false;
        has_style = true;
      } else if (a.name == "t") {
        if (has_type) return false;
        ends_.push_back({a.value, a.value + a.size, false});
        cell.type = a.value;
        has_type = true;
      }
      // Other attributes (cell metadata, phonetics) mean nothing to the
      // model, for either reader.
    }
    if (cell.row < 1 || cell.row > kMaxRows || cell.col < 1 || cell.col > kMaxCols) return false;
    *last_col = cell.col;
    if (!empty && !CellContent(&cell)) return false;
    out_.cells.push_back(cell);
    return true;
  }

  // <f ...>text</f> or <f .../>, its start tag already read.
  bool Formula(ScannedCell* cell) {
    Attribute a;
    bool empty = false, has_type = false, has_si = false, has_ref = false;
    for (Next next; (next = NextAttribute(&a, &empty)) != Next::kEnd;) {
      if (next == Next::kBad) return false;
      if (a.name == "t") {
        if (has_type) return false;
        ends_.push_back({a.value, a.value + a.size, false});
        cell->formula_type = a.value;
        has_type = true;
      } else if (a.name == "si") {
        if (has_si || !SmallNumber(a.Value(), &cell->formula_si)) return false;
        has_si = true;
      } else if (a.name == "ref") {
        if (has_ref) return false;
        ends_.push_back({a.value, a.value + a.size, false});
        cell->formula_ref = a.value;
        has_ref = true;
      }
      // Others (calculate-always flags and the like) mean nothing to the
      // model, for either reader.
    }
    if (empty) {
      cell->formula = "";
      return true;
    }
    return Text("</f>", &cell->formula);
  }

  // <v>, <v/>, <is><t>..</t></is> and <f>, each at most once, then </c>.
  bool CellContent(ScannedCell* cell) {
    for (;;) {
      SkipSpace();
      if (Literal("</c>")) return true;
      if (Literal("<v>")) {
        if (cell->value != nullptr || !Text("</v>", &cell->value)) return false;
      } else if (Literal("<v/>")) {
        if (cell->value != nullptr) return false;
        cell->value = "";
      } else if (Literal("<is>")) {
        if (cell->inline_text != nullptr || !InlineText(&cell->inline_text)) return false;
      } else if (StartTag("f")) {
        if (cell->formula != nullptr || !Formula(cell)) return false;
      } else {
        return false;
      }
    }
  }

  bool InlineText(const char** text) {
    SkipSpace();
    if (Literal("<t/>")) {
      *text = "";
    } else {
      if (!StartTag("t")) return false;
      Attribute a;
      bool empty = false;
      for (Next next; (next = NextAttribute(&a, &empty)) != Next::kEnd;) {
        if (next == Next::kBad || a.name != "xml:space") return false;
      }
      if (empty) {
        *text = "";
      } else if (!Text("</t>", text)) {
        return false;
      }
    }
    SkipSpace();
    return Literal("</is>");
  }

  char* p_;
  char* end_;
  ScannedRows& out_;
  const size_t max_cells_;
  // The texts handed out: where each lies, and whether it holds entities.
  struct Ending {
    char* begin;
    char* end;
    bool decode;
  };
  std::vector<Ending> ends_;
};

}  // namespace

bool ParseCellRef(const char* s, int* row, int* col) {
  int c = 0;
  const char* p = s;
  while (*p >= 'A' && *p <= 'Z') {
    c = c * 26 + (*p - 'A' + 1);
    if (p - s >= 3) return false;
    ++p;
  }
  if (p == s) return false;
  int r = 0;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') {
    r = r * 10 + (*p - '0');
    if (p - digits >= 7) return false;
    ++p;
  }
  if (p == digits || *p != '\0' || r < 1) return false;
  *row = r;
  *col = c;
  return true;
}

bool ParseCellNumber(const char* s, double* out) {
  const char* end = s + std::strlen(s);
  while (s < end && *s == ' ') ++s;
  if (s < end && *s == '+') ++s;
  auto result = std::from_chars(s, end, *out);
  return result.ec == std::errc() && result.ptr == end && std::isfinite(*out);
}

bool ScanRows(std::string& piece, int last_row, ScannedRows& out, size_t max_cells) {
  Scanner scanner(piece, out, max_cells);
  return scanner.Run(last_row);
}

}  // namespace plrxl::xlsx
