#include "host/xlsx/internal/xml_scan.h"

#include <cstdint>
#include <cstdlib>

#include "host/xlsx/internal/problem.h"

namespace plrxl::xlsx {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool EndsName(char c) { return IsSpace(c) || c == '>' || c == '/' || c == '='; }

[[noreturn]] void Broken(const std::string& what) { throw XlsxProblem("broken XML: " + what); }

bool StartsAt(std::string_view text, size_t at, std::string_view what) { return text.substr(at, what.size()) == what; }

// Past markup at `at` that holds no element (comment, CDATA section,
// processing instruction, document type); npos when it is none of them.
size_t SkipSpecial(std::string_view text, size_t at) {
  auto past = [&](std::string_view open, std::string_view close) {
    const size_t found = text.find(close, at + open.size());
    if (found == std::string_view::npos) Broken("unfinished " + std::string(open));
    return found + close.size();
  };
  if (StartsAt(text, at, "<!--")) return past("<!--", "-->");
  if (StartsAt(text, at, "<![CDATA[")) return past("<![CDATA[", "]]>");
  if (StartsAt(text, at, "<?")) return past("<?", "?>");
  if (StartsAt(text, at, "<!")) return past("<!", ">");
  return std::string_view::npos;
}

size_t SkipSpaces(std::string_view text, size_t p) {
  while (p < text.size() && IsSpace(text[p])) ++p;
  return p;
}

// The start tag whose '<' is at `at`; `empty` tells whether it closes
// itself ("<a/>").
StartTag ParseStartTag(std::string_view text, size_t at, bool* empty) {
  StartTag tag;
  tag.begin = at;
  size_t p = at + 1;
  while (p < text.size() && !EndsName(text[p])) ++p;
  if (p == at + 1) Broken("a tag without a name");
  tag.name = std::string(text.substr(at + 1, p - at - 1));
  tag.name_end = p;
  for (;;) {
    p = SkipSpaces(text, p);
    if (p >= text.size()) Broken("unfinished tag <" + tag.name);
    if (text[p] == '>') {
      *empty = false;
      tag.end = p + 1;
      return tag;
    }
    if (text[p] == '/') {
      if (p + 1 >= text.size() || text[p + 1] != '>') Broken("stray / in tag <" + tag.name);
      *empty = true;
      tag.end = p + 2;
      return tag;
    }
    AttributeSpan attribute;
    const size_t name_begin = p;
    while (p < text.size() && !EndsName(text[p])) ++p;
    if (p == name_begin) Broken("bad attribute in tag <" + tag.name);
    attribute.name = std::string(text.substr(name_begin, p - name_begin));
    p = SkipSpaces(text, p);
    if (p >= text.size() || text[p] != '=') Broken("attribute without a value in tag <" + tag.name);
    p = SkipSpaces(text, p + 1);
    if (p >= text.size() || (text[p] != '"' && text[p] != '\'')) Broken("unquoted attribute in tag <" + tag.name);
    const size_t close = text.find(text[p], p + 1);
    if (close == std::string_view::npos) Broken("unfinished attribute in tag <" + tag.name);
    attribute.value_begin = p + 1;
    attribute.value_end = close;
    tag.attributes.push_back(std::move(attribute));
    p = close + 1;
  }
}

// The element whose start tag begins at `at`.
ElementSpan ParseElement(std::string_view text, size_t at) {
  bool empty = false;
  StartTag tag = ParseStartTag(text, at, &empty);
  ElementSpan span;
  span.name = tag.name;
  span.begin = at;
  span.content_begin = span.content_end = span.end = tag.end;
  if (empty) return span;
  size_t depth = 1;
  size_t p = tag.end;
  for (;;) {
    const size_t open = text.find('<', p);
    if (open == std::string_view::npos) Broken("<" + span.name + "> is not closed");
    if (size_t past = SkipSpecial(text, open); past != std::string_view::npos) {
      p = past;
    } else if (StartsAt(text, open, "</")) {
      const size_t close = text.find('>', open);
      if (close == std::string_view::npos) Broken("unfinished end tag in <" + span.name + ">");
      p = close + 1;
      if (--depth == 0) {
        span.content_end = open;
        span.end = p;
        return span;
      }
    } else {
      bool inner_empty = false;
      p = ParseStartTag(text, open, &inner_empty).end;
      if (!inner_empty) ++depth;
    }
  }
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string_view ElementSpan::Local() const {
  std::string_view qualified(name);
  const size_t colon = qualified.find(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

std::vector<ElementSpan> ChildElements(std::string_view text, size_t from, size_t* parent_end) {
  std::vector<ElementSpan> children;
  size_t p = from;
  size_t end = text.size();
  while (p < text.size()) {
    const size_t open = text.find('<', p);
    if (open == std::string_view::npos) break;
    if (size_t past = SkipSpecial(text, open); past != std::string_view::npos) {
      p = past;
    } else if (StartsAt(text, open, "</")) {
      end = open;
      break;
    } else {
      children.push_back(ParseElement(text, open));
      p = children.back().end;
    }
  }
  if (parent_end != nullptr) *parent_end = end;
  return children;
}

ElementSpan DocumentElement(std::string_view text) {
  std::vector<ElementSpan> top = ChildElements(text, 0);
  if (top.empty()) Broken("no document element");
  return top.front();
}

StartTag DocumentStartTag(std::string_view text) {
  size_t p = 0;
  for (;;) {
    const size_t open = text.find('<', p);
    if (open == std::string_view::npos) Broken("no document element");
    if (size_t past = SkipSpecial(text, open); past != std::string_view::npos) {
      p = past;
      continue;
    }
    if (StartsAt(text, open, "</")) Broken("an end tag before the document element");
    bool empty = false;
    return ParseStartTag(text, open, &empty);
  }
}

std::string AttributeValue(std::string_view text, const StartTag& tag, std::string_view name) {
  for (const AttributeSpan& a : tag.attributes) {
    if (a.name == name) return Unescape(text.substr(a.value_begin, a.value_end - a.value_begin));
  }
  return {};
}

void ForEachStartTag(std::string_view text, const std::function<void(const StartTag&)>& visit) {
  size_t p = 0;
  while (p < text.size()) {
    const size_t open = text.find('<', p);
    if (open == std::string_view::npos) return;
    if (size_t past = SkipSpecial(text, open); past != std::string_view::npos) {
      p = past;
    } else if (StartsAt(text, open, "</")) {
      const size_t close = text.find('>', open);
      if (close == std::string_view::npos) Broken("unfinished end tag");
      p = close + 1;
    } else {
      bool empty = false;
      StartTag tag = ParseStartTag(text, open, &empty);
      p = tag.end;
      visit(tag);
    }
  }
}

std::string RewriteAttributes(
    std::string_view text,
    const std::function<std::optional<std::string>(std::string_view, std::string_view, std::string_view)>& change) {
  std::string out;
  size_t copied = 0;
  ForEachStartTag(text, [&](const StartTag& tag) {
    for (const AttributeSpan& a : tag.attributes) {
      const std::string_view value = text.substr(a.value_begin, a.value_end - a.value_begin);
      std::optional<std::string> changed = change(tag.name, a.name, value);
      if (!changed) continue;
      out.append(text.substr(copied, a.value_begin - copied));
      out += *changed;
      copied = a.value_end;
    }
  });
  out.append(text.substr(copied));
  return out;
}

std::map<std::string, std::string> DeclaredNamespaces(std::string_view text) {
  std::map<std::string, std::string> declared;
  ForEachStartTag(text, [&](const StartTag& tag) {
    for (const AttributeSpan& a : tag.attributes) {
      const std::string_view value = text.substr(a.value_begin, a.value_end - a.value_begin);
      if (a.name == "xmlns") declared[""] = Unescape(value);
      if (a.name.rfind("xmlns:", 0) == 0) declared[a.name.substr(6)] = Unescape(value);
    }
  });
  return declared;
}

std::string Unescape(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '&') {
      out += raw[i];
      continue;
    }
    const size_t semi = raw.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += raw[i];
      continue;
    }
    const std::string_view name = raw.substr(i + 1, semi - i - 1);
    static const std::pair<std::string_view, char> kNamed[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    bool done = false;
    for (const auto& [entity, c] : kNamed) {
      if (name == entity) {
        out += c;
        done = true;
      }
    }
    if (!done && name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string digits(name.substr(hex ? 2 : 1));
      char* end = nullptr;
      const unsigned long code = digits.empty() ? 0 : std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      if (!digits.empty() && *end == '\0' && code > 0 && code <= 0x10FFFF) {
        AppendUtf8(out, static_cast<uint32_t>(code));
        done = true;
      }
    }
    if (!done) {
      out += raw[i];
      continue;
    }
    i = semi;
  }
  return out;
}

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      case '\t': out += "&#9;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace plrxl::xlsx
