#include "host/letter_case.h"

#include <cstdint>
#include <iterator>

namespace plrxl {
namespace {

// Upper-case letters first..last (every `step`-th one from first) whose
// lower case is the code point + to_lower. Step 2 covers the scripts that
// alternate upper and lower case letter by letter.
struct CaseRange {
  char32_t first, last;
  int32_t to_lower;
  uint8_t step;
};

constexpr CaseRange kRanges[] = {
    // Latin-1 Supplement (× and ÷ are no letters) and Ÿ, whose lower case is there.
    {0xC0, 0xD6, 32, 1}, {0xD8, 0xDE, 32, 1}, {0x178, 0x178, -0x79, 1},
    // Latin Extended-A.
    {0x100, 0x12F, 1, 2}, {0x132, 0x137, 1, 2}, {0x139, 0x148, 1, 2}, {0x14A, 0x177, 1, 2}, {0x179, 0x17E, 1, 2},
    // Latin Extended-B: the alternating runs, then letters whose lower case
    // lies elsewhere (mostly in the IPA block).
    {0x182, 0x185, 1, 2}, {0x187, 0x187, 1, 1}, {0x18B, 0x18B, 1, 1}, {0x191, 0x191, 1, 1}, {0x198, 0x198, 1, 1},
    {0x1A0, 0x1A5, 1, 2}, {0x1A7, 0x1A7, 1, 1}, {0x1AC, 0x1AC, 1, 1}, {0x1AF, 0x1AF, 1, 1}, {0x1B3, 0x1B6, 1, 2},
    {0x1B8, 0x1B8, 1, 1}, {0x1BC, 0x1BC, 1, 1}, {0x1C4, 0x1C4, 2, 1}, {0x1C7, 0x1C7, 2, 1}, {0x1CA, 0x1CA, 2, 1},
    {0x1CD, 0x1DC, 1, 2}, {0x1DE, 0x1EF, 1, 2}, {0x1F1, 0x1F1, 2, 1}, {0x1F4, 0x1F4, 1, 1}, {0x1F8, 0x21F, 1, 2},
    {0x222, 0x233, 1, 2}, {0x23B, 0x23B, 1, 1}, {0x241, 0x241, 1, 1}, {0x246, 0x24F, 1, 2},
    {0x181, 0x181, 0x253 - 0x181, 1}, {0x186, 0x186, 0x254 - 0x186, 1}, {0x189, 0x18A, 0x256 - 0x189, 1},
    {0x18E, 0x18E, 0x1DD - 0x18E, 1}, {0x18F, 0x18F, 0x259 - 0x18F, 1}, {0x190, 0x190, 0x25B - 0x190, 1},
    {0x193, 0x193, 0x260 - 0x193, 1}, {0x194, 0x194, 0x263 - 0x194, 1}, {0x196, 0x196, 0x269 - 0x196, 1},
    {0x197, 0x197, 0x268 - 0x197, 1}, {0x19C, 0x19C, 0x26F - 0x19C, 1}, {0x19D, 0x19D, 0x272 - 0x19D, 1},
    {0x19F, 0x19F, 0x275 - 0x19F, 1}, {0x1A9, 0x1A9, 0x283 - 0x1A9, 1}, {0x1AE, 0x1AE, 0x288 - 0x1AE, 1},
    {0x1B1, 0x1B2, 0x28A - 0x1B1, 1}, {0x1B7, 0x1B7, 0x292 - 0x1B7, 1}, {0x1F6, 0x1F6, 0x195 - 0x1F6, 1},
    {0x1F7, 0x1F7, 0x1BF - 0x1F7, 1}, {0x220, 0x220, 0x19E - 0x220, 1}, {0x23A, 0x23A, 0x2C65 - 0x23A, 1},
    {0x23D, 0x23D, 0x19A - 0x23D, 1}, {0x23E, 0x23E, 0x2C66 - 0x23E, 1}, {0x243, 0x243, 0x180 - 0x243, 1},
    {0x244, 0x244, 0x289 - 0x244, 1}, {0x245, 0x245, 0x28C - 0x245, 1},
    // Greek.
    {0x370, 0x373, 1, 2}, {0x376, 0x376, 1, 1}, {0x37F, 0x37F, 0x3F3 - 0x37F, 1}, {0x386, 0x386, 38, 1},
    {0x388, 0x38A, 37, 1}, {0x38C, 0x38C, 64, 1}, {0x38E, 0x38F, 63, 1}, {0x391, 0x3A1, 32, 1}, {0x3A3, 0x3AB, 32, 1},
    {0x3CF, 0x3CF, 8, 1}, {0x3D8, 0x3EF, 1, 2}, {0x3F7, 0x3F7, 1, 1}, {0x3F9, 0x3F9, -7, 1}, {0x3FA, 0x3FA, 1, 1},
    {0x3FD, 0x3FF, -130, 1},
    // Cyrillic.
    {0x400, 0x40F, 80, 1}, {0x410, 0x42F, 32, 1}, {0x460, 0x481, 1, 2}, {0x48A, 0x4BF, 1, 2}, {0x4C0, 0x4C0, 15, 1},
    {0x4C1, 0x4CE, 1, 2}, {0x4D0, 0x52F, 1, 2},
};

// Letters with an upper case but no way back: variant and title-case forms.
struct OneWay {
  char32_t letter, other;
};
constexpr OneWay kUpperOnly[] = {
    {0xB5, 0x39C},  {0x131, 0x49},  {0x17F, 0x53},  {0x1C5, 0x1C4}, {0x1C8, 0x1C7}, {0x1CB, 0x1CA},
    {0x1F2, 0x1F1}, {0x3C2, 0x3A3}, {0x3D0, 0x392}, {0x3D1, 0x398}, {0x3D5, 0x3A6}, {0x3D6, 0x3A0},
    {0x3F0, 0x39A}, {0x3F1, 0x3A1}, {0x3F5, 0x395},
};
constexpr OneWay kLowerOnly[] = {{0x1C5, 0x1C6}, {0x1C8, 0x1C9}, {0x1CB, 0x1CC}, {0x1F2, 0x1F3}};

bool Covers(const CaseRange& r, char32_t c) {
  return c >= r.first && c <= r.last && (c - r.first) % r.step == 0;
}

char32_t ToUpper(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  for (const OneWay& w : kUpperOnly) {
    if (w.letter == c) return w.other;
  }
  for (const CaseRange& r : kRanges) {
    const char32_t upper = static_cast<char32_t>(static_cast<int64_t>(c) - r.to_lower);
    if (Covers(r, upper)) return upper;
  }
  return c;
}

char32_t ToLower(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  for (const OneWay& w : kLowerOnly) {
    if (w.letter == c) return w.other;
  }
  for (const CaseRange& r : kRanges) {
    if (Covers(r, c)) return static_cast<char32_t>(static_cast<int64_t>(c) + r.to_lower);
  }
  return c;
}

// Dotless ı stays apart from i, as Unicode's case folding keeps it.
char32_t Fold(char32_t c) { return c == 0x131 ? c : ToLower(ToUpper(c)); }

// The code point at `pos` and its length in bytes; 0 with length 1 for a
// byte that starts no valid sequence (it is then copied as it stands).
char32_t Decode(std::string_view s, size_t pos, size_t* length) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(pos);
  *length = 1;
  if (lead < 0x80) return lead;
  size_t n = 0;
  char32_t c = 0;
  if ((lead & 0xE0) == 0xC0) n = 2, c = lead & 0x1F;
  else if ((lead & 0xF0) == 0xE0) n = 3, c = lead & 0x0F;
  else if ((lead & 0xF8) == 0xF0) n = 4, c = lead & 0x07;
  else return 0;
  if (pos + n > s.size()) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(pos + i) & 0x3F);
  }
  const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  *length = n;
  return c;
}

void Encode(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

template <class Map>
std::string MapText(std::string_view text, Map map) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    size_t length = 0;
    const char32_t c = Decode(text, pos, &length);
    if (length == 1 && static_cast<unsigned char>(text[pos]) >= 0x80) {
      out += text[pos];  // not UTF-8: kept as it is
    } else {
      Encode(map(c), out);
    }
    pos += length;
  }
  return out;
}

}  // namespace

std::string UpperCaseText(std::string_view text) { return MapText(text, ToUpper); }

std::string FoldedCaseText(std::string_view text) { return MapText(text, Fold); }

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  // ASCII texts (most names) are compared without a copy.
  size_t i = 0;
  for (; i < a.size() && i < b.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) break;
    const char32_t fx = ToLower(x), fy = ToLower(y);
    if (fx != fy) return fx < fy ? -1 : 1;
  }
  if (i == a.size() || i == b.size()) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  const int order = FoldedCaseText(a.substr(i)).compare(FoldedCaseText(b.substr(i)));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) { return CompareIgnoringCase(a, b) == 0; }

}  // namespace plrxl
