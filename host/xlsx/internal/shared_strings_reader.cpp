#include "host/xlsx/internal/shared_strings_reader.h"

#include "host/xlsx/internal/xml_pieces.h"
#include "host/xlsx/internal/xml_util.h"

namespace plrxl::xlsx {

namespace {

constexpr size_t kPieceBytes = size_t{1} << 20;
constexpr size_t kEntryOverhead = 64;  // what an entry costs beyond its text

}  // namespace

SharedTexts ReadSharedStrings(const std::string& text, const std::string& part, LoadBudget& budget) {
  const ElementContent content = FindContent(text, "sst");
  std::string outer = WithoutContent(text, content);
  pugi::xml_document doc;
  ParseXml(outer, doc, part);
  Root(doc, "sst", part);
  SharedTexts strings;
  ForEachPiece(text, content, "si", kPieceBytes, part, [&](const pugi::xml_node& parent) {
    for (pugi::xml_node si = parent.first_child(); si; si = si.next_sibling()) {
      if (!Is(si, "si")) continue;
      pugi::xml_node first = si.first_child();
      std::string entry = first && Is(first, "t") && !first.next_sibling() ? std::string(first.text().get())
                                                                         : TextOf(si);
      budget.SpendText(entry.size() + kEntryOverhead, part);
      strings.push_back(std::make_shared<const std::string>(std::move(entry)));
    }
  });
  return strings;
}

}  // namespace plrxl::xlsx
