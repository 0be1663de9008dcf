#include "host/xlsx/internal/xml_util.h"

#include <cstring>
#include <vector>

#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

void ParseXml(std::string& text, pugi::xml_document& doc, const std::string& part) {
  // In place: the text buffer outlives the document for every caller.
  pugi::xml_parse_result result =
      doc.load_buffer_inplace(text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata_single,
                              pugi::encoding_utf8);
  if (!result) {
    throw XlsxProblem("broken XML in " + part + ": " + result.description() + " at offset " +
                      std::to_string(result.offset));
  }
}

std::string_view LocalName(const char* qualified) {
  const char* colon = std::strchr(qualified, ':');
  return colon ? std::string_view(colon + 1) : std::string_view(qualified);
}

bool Is(const pugi::xml_node& node, std::string_view local) {
  return node.type() == pugi::node_element && LocalName(node.name()) == local;
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view local) {
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (Is(child, local)) return child;
  }
  return {};
}

pugi::xml_attribute Attr(const pugi::xml_node& node, std::string_view local) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    if (LocalName(a.name()) == local) return a;
  }
  return {};
}

pugi::xml_node Root(const pugi::xml_document& doc, std::string_view local, const std::string& part) {
  pugi::xml_node root = doc.document_element();
  if (!Is(root, local)) throw XlsxProblem("unexpected content in " + part + " (no <" + std::string(local) + ">)");
  return root;
}

namespace {

// Rich text nests runs a level or two deep; the limit keeps a hostile file
// from exhausting the stack.
constexpr int kMaxTextDepth = 16;

void AppendText(const pugi::xml_node& node, std::string& out, int depth) {
  if (depth > kMaxTextDepth) return;
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    std::string_view name = LocalName(child.name());
    if (name == "t") {
      out += child.text().get();
    } else if (name != "rPh") {
      AppendText(child, out, depth + 1);
    }
  }
}

}  // namespace

std::string TextOf(const pugi::xml_node& node) {
  std::string out;
  AppendText(node, out, 0);
  return out;
}

std::string ResolvePartName(const std::string& source_part, const std::string& target) {
  std::vector<std::string> segments;
  std::string path;
  if (!target.empty() && target[0] == '/') {
    path = target.substr(1);
  } else {
    size_t slash = source_part.rfind('/');
    path = (slash == std::string::npos ? std::string() : source_part.substr(0, slash + 1)) + target;
  }
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& s : segments) {
    if (!out.empty()) out += '/';
    out += s;
  }
  return out;
}

Relationships ReadRelationships(const ZipReader& zip, const std::string& part) {
  size_t slash = part.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
  std::string rels_part = folder + "_rels/" + file + ".rels";
  Relationships rels;
  if (!zip.Has(rels_part)) return rels;
  std::string text = zip.Read(rels_part);
  pugi::xml_document doc;
  ParseXml(text, doc, rels_part);
  pugi::xml_node root = Root(doc, "Relationships", rels_part);
  for (pugi::xml_node rel = root.first_child(); rel; rel = rel.next_sibling()) {
    if (!Is(rel, "Relationship")) continue;
    Relationship r;
    std::string type = rel.attribute("Type").as_string();
    size_t type_slash = type.rfind('/');
    r.type = type_slash == std::string::npos ? type : type.substr(type_slash + 1);
    r.type_uri = type;
    r.external = std::string_view(rel.attribute("TargetMode").as_string()) == "External";
    std::string target = rel.attribute("Target").as_string();
    // A target "#Sheet1!A1" is a place in this workbook (a shape's link),
    // not a part: it is kept as written, like an external one.
    if (!target.empty() && target[0] == '#') r.external = true;
    // Part names match regardless of case.
    r.target = r.external ? target : zip.NameOf(ResolvePartName(part, target));
    rels[rel.attribute("Id").as_string()] = r;
  }
  return rels;
}

}  // namespace plrxl::xlsx
