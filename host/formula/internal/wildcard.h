// Wildcard matching as criteria and lookups use it: "*" any run of
// characters, "?" one character (of UTF-8, not a byte), "~" takes the next
// literally; letters compare without regard to case.
#pragma once

#include <string>
#include <vector>

namespace plrxl::formula {

// A pattern read once and matched against many texts: a lookup or a
// criterion runs over every cell of a range, and its pattern may be 32,767
// characters long.
class WildcardPattern {
 public:
  explicit WildcardPattern(const std::string& pattern);
  // Whether the whole of `text` matches.
  bool Matches(const std::string& text) const;

  // One character of the pattern.
  struct Item {
    enum Kind { kLiteral, kAnyOne, kAnyRun } kind;
    std::string text;  // kLiteral: the character's bytes
  };

 private:
  std::vector<Item> items_;
};

// Where SEARCH finds `pattern` in `text`: the byte offset of the first
// character at or after byte `from` where a match begins (it may end
// anywhere), or std::string::npos. "?" takes one whole character. Time
// grows with the text's length times the pattern's, never worse.
size_t WildcardFind(const std::string& pattern, const std::string& text, size_t from);

}  // namespace plrxl::formula
