#include "host/xlsx/internal/shared_strings_reader.h"

#include "host/xlsx/internal/xml_util.h"

namespace plrxl::xlsx {

std::vector<std::string> ReadSharedStrings(std::string text, const std::string& part) {
  std::vector<std::string> strings;
  pugi::xml_document doc;
  ParseXml(text, doc, part);
  pugi::xml_node root = Root(doc, "sst", part);
  strings.reserve(root.attribute("uniqueCount").as_uint() < (1u << 24) ? root.attribute("uniqueCount").as_uint() : 0);
  for (pugi::xml_node si = root.first_child(); si; si = si.next_sibling()) {
    if (!Is(si, "si")) continue;
    pugi::xml_node first = si.first_child();
    if (first && Is(first, "t") && !first.next_sibling()) {
      strings.emplace_back(first.text().get());  // the common plain entry
    } else {
      strings.push_back(TextOf(si));
    }
  }
  return strings;
}

}  // namespace plrxl::xlsx
