// Small helpers over pugixml for package parts. Element and attribute names
// are matched by their local name, so any namespace prefix a producer picks
// ("x:row", "row") reads the same.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <string>
#include <string_view>

namespace plrxl::xlsx {

class ZipReader;

// Parses text into doc; throws XlsxProblem("broken XML in <part>: ...").
void ParseXml(std::string& text, pugi::xml_document& doc, const std::string& part);

std::string_view LocalName(const char* qualified);
bool Is(const pugi::xml_node& node, std::string_view local);
// First child element with the local name; an empty node when none.
pugi::xml_node Child(const pugi::xml_node& node, std::string_view local);
// Attribute by local name ("id" finds "r:id").
pugi::xml_attribute Attr(const pugi::xml_node& node, std::string_view local);
// The document element, checked to carry the expected local name.
pugi::xml_node Root(const pugi::xml_document& doc, std::string_view local, const std::string& part);

// Concatenated text of every <t> below node (rich text runs), skipping
// phonetic runs (<rPh>).
std::string TextOf(const pugi::xml_node& node);

// One relationship of a part: its type (last path segment of the type URI,
// "worksheet", "chart") and its target resolved to a part name.
struct Relationship {
  std::string type;
  std::string type_uri;  // the whole type
  std::string target;
  bool external = false;
};
using Relationships = std::map<std::string, Relationship>;  // key: Id

// The relationships of part ("xl/workbook.xml" -> "xl/_rels/workbook.xml.rels");
// empty when the package has none.
Relationships ReadRelationships(const ZipReader& zip, const std::string& part);
// Resolves a relationship target against the folder of the source part.
std::string ResolvePartName(const std::string& source_part, const std::string& target);

}  // namespace plrxl::xlsx
