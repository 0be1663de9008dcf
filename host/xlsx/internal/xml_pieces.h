// Reading a large element piece by piece, so a part of many rows (or many
// shared strings) never stands in memory as one document tree: the tree of
// a sheet costs several times its text.
//
// FindContent finds the first element with the given local name
// ("sheetData", any prefix) and where its content lies; the rest of the
// part, without that content, is small and parsed whole. ForEachPiece then
// parses the content in pieces of about `piece_bytes`, each cut just before
// an item element ("row"), and hands each piece's tree to `visit`.
#pragma once

#include <pugixml.hpp>

#include <functional>
#include <string>
#include <string_view>

namespace plrxl::xlsx {

struct ElementContent {
  bool found = false;
  size_t begin = 0, end = 0;  // the content, between the start and the end tag
  std::string prefix;         // "x:" when the element is "x:sheetData"
};

ElementContent FindContent(const std::string& text, std::string_view local);

// The text with the content removed (the element left empty).
std::string WithoutContent(const std::string& text, const ElementContent& content);

// Where the piece of `content` that starts at `from` ends: just before
// the first `item` start tag (`qualified`: with the content's prefix) at
// or after from + piece_bytes, or at the content's end. ForEachPiece cuts
// its pieces here, so a reader ahead of it (sheet_prefetch.h) cuts the same.
size_t PieceEnd(const std::string& text, const ElementContent& content, const std::string& qualified, size_t from,
                size_t piece_bytes);

// Throws XlsxProblem("broken XML in <part>: ...") for a piece that does not
// parse. `taken`, when given, is offered each piece's place [from, cut)
// first: when it returns true the piece was read already and is skipped.
// `quick`, when given, is then offered the piece's text: when it returns
// true it has read the piece, which is then not parsed; when it returns
// false it must leave the text as it was.
void ForEachPiece(const std::string& text, const ElementContent& content, std::string_view item,
                  size_t piece_bytes, const std::string& part,
                  const std::function<void(const pugi::xml_node& parent)>& visit,
                  const std::function<bool(std::string& piece)>& quick = {},
                  const std::function<bool(size_t from, size_t cut)>& taken = {});

}  // namespace plrxl::xlsx
