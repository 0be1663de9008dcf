// Reading raw XML text by position, without building a tree: which child
// elements an element holds and where each lies, and the attributes of each
// start tag. The parts of a package carried over unchanged are cut out of
// and spliced into other parts' text this way, so every byte the model does
// not understand goes back as it came.
//
// The scanners accept any text: a text that is not well-formed throws
// XlsxProblem, never reads out of bounds and never loops.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plrxl::xlsx {

// One element of a text: [begin, end) from its '<' to just after its last
// '>'; its content is [content_begin, content_end) (empty for "<a/>").
struct ElementSpan {
  std::string name;  // qualified, as written: "x14:ext"
  size_t begin = 0, end = 0;
  size_t content_begin = 0, content_end = 0;
  std::string_view Local() const;
};

// The child elements of the content starting at `from`, in order, up to the
// end tag of the element that holds them (or the end of the text). Text,
// comments and processing instructions between them are skipped. When
// parent_end is given it receives where that end tag starts (text.size()
// when none).
std::vector<ElementSpan> ChildElements(std::string_view text, size_t from, size_t* parent_end = nullptr);

// The first element of the text (the document element after any prolog).
ElementSpan DocumentElement(std::string_view text);

// An attribute of a start tag: its qualified name and where its value lies
// (between the quotes, still escaped).
struct AttributeSpan {
  std::string name;
  size_t value_begin = 0, value_end = 0;
};

struct StartTag {
  std::string name;
  size_t begin = 0, end = 0;  // '<' to just after '>'
  size_t name_end = 0;        // just after the name
  std::vector<AttributeSpan> attributes;
};

// The start tag of the document element, read without reading further.
StartTag DocumentStartTag(std::string_view text);
// The unescaped value of a tag's attribute; empty when it has none.
std::string AttributeValue(std::string_view text, const StartTag& tag, std::string_view name);

// Every start tag (empty-element tags included) of the text, in order.
void ForEachStartTag(std::string_view text, const std::function<void(const StartTag&)>& visit);

// The text with attribute values replaced: `change(element, attribute,
// value)` gets qualified names and the escaped value and returns the new
// escaped value, or nullopt to keep it.
std::string RewriteAttributes(
    std::string_view text,
    const std::function<std::optional<std::string>(std::string_view element, std::string_view attribute,
                                                   std::string_view value)>& change);

// Namespace prefixes bound by xmlns attributes anywhere in the text
// ("" for the default namespace), prefix -> URI; a later binding of the
// same prefix wins.
std::map<std::string, std::string> DeclaredNamespaces(std::string_view text);

// Entity references of a raw attribute value or text resolved (the five
// named ones and numeric ones); an unknown one stays as written.
std::string Unescape(std::string_view raw);
// Text made safe inside an attribute value in double quotes or as element
// content.
std::string Escape(std::string_view text);

}  // namespace plrxl::xlsx
