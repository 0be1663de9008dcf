#include "host/xlsx/internal/xml_pieces.h"

#include <string.h>

#include "host/xlsx/internal/problem.h"

namespace plrxl::xlsx {

namespace {

bool EndsName(char c) { return c == ' ' || c == '>' || c == '/' || c == '\t' || c == '\n' || c == '\r'; }

// std::string::find, but quick over a long text full of the needle's
// first character, as a sheet's rows are of '<'.
size_t Find(const std::string& text, const std::string& needle, size_t from) {
  if (from > text.size()) return std::string::npos;
  const void* hit = memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
  return hit == nullptr ? std::string::npos : static_cast<size_t>(static_cast<const char*>(hit) - text.data());
}

// Position just after the '>' closing the tag that starts at `open`, quotes
// respected; npos when the text ends first.
size_t TagEnd(const std::string& text, size_t open) {
  char quote = 0;
  for (size_t i = open + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return std::string::npos;
}

// The next start tag named exactly `qualified` at or after `from`, before
// `limit`; npos when none.
size_t FindStartTag(const std::string& text, const std::string& qualified, size_t from, size_t limit) {
  const std::string needle = "<" + qualified;
  for (size_t at = text.find(needle, from); at != std::string::npos && at < limit; at = text.find(needle, at + 1)) {
    const size_t after = at + needle.size();
    if (after < text.size() && EndsName(text[after])) return at;
  }
  return std::string::npos;
}

}  // namespace

ElementContent FindContent(const std::string& text, std::string_view local) {
  ElementContent result;
  for (size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
    size_t p = at + 1;
    if (p >= text.size() || text[p] == '/' || text[p] == '?' || text[p] == '!') continue;
    size_t name = p;
    while (p < text.size() && !EndsName(text[p])) {
      if (text[p] == ':') name = p + 1;
      ++p;
    }
    if (std::string_view(text).substr(name, p - name) != local || p >= text.size()) continue;
    const size_t end_of_tag = TagEnd(text, at);
    if (end_of_tag == std::string::npos) return result;
    result.found = true;
    result.prefix = text.substr(at + 1, name - at - 1);
    result.begin = result.end = end_of_tag;
    if (text[end_of_tag - 2] == '/') return result;  // <sheetData/>
    const std::string close = "</" + result.prefix + std::string(local);
    for (size_t c = Find(text, close, end_of_tag); c != std::string::npos; c = Find(text, close, c + 1)) {
      size_t q = c + close.size();
      while (q < text.size() && (text[q] == ' ' || text[q] == '\t' || text[q] == '\n' || text[q] == '\r')) ++q;
      if (q < text.size() && text[q] == '>') {
        result.end = c;
        return result;
      }
    }
    result.found = false;  // never closed: the whole-part parse reports it
    return result;
  }
  return result;
}

std::string WithoutContent(const std::string& text, const ElementContent& content) {
  if (!content.found) return text;
  std::string outer;
  outer.reserve(text.size() - (content.end - content.begin));
  outer.append(text, 0, content.begin);
  outer.append(text, content.end, std::string::npos);
  return outer;
}

size_t PieceEnd(const std::string& text, const ElementContent& content, const std::string& qualified, size_t from,
                size_t piece_bytes) {
  if (content.end - from > piece_bytes) {
    const size_t next = FindStartTag(text, qualified, from + piece_bytes, content.end);
    if (next != std::string::npos) return next;
  }
  return content.end;
}

void ForEachPiece(const std::string& text, const ElementContent& content, std::string_view item,
                  size_t piece_bytes, const std::string& part,
                  const std::function<void(const pugi::xml_node& parent)>& visit,
                  const std::function<bool(std::string& piece)>& quick,
                  const std::function<bool(size_t from, size_t cut)>& taken) {
  if (!content.found) return;
  const std::string qualified = content.prefix + std::string(item);
  std::string piece;
  for (size_t from = content.begin; from < content.end;) {
    const size_t cut = PieceEnd(text, content, qualified, from, piece_bytes);
    if (taken && taken(from, cut)) {
      from = cut;
      continue;
    }
    piece.assign(text, from, cut - from);
    if (quick && quick(piece)) {
      from = cut;
      continue;
    }
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_buffer_inplace(
        piece.data(), piece.size(), pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_fragment,
        pugi::encoding_utf8);
    if (!parsed) {
      throw XlsxProblem("broken XML in " + part + ": " + parsed.description() + " at offset " +
                        std::to_string(from + static_cast<size_t>(parsed.offset)));
    }
    visit(doc);
    from = cut;
  }
}

}  // namespace plrxl::xlsx
