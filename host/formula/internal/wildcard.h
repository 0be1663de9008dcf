// Wildcard matching as criteria and lookups use it: "*" any run of
// characters, "?" one character (of UTF-8, not a byte), "~" takes the next
// literally; letters compare without regard to case.
#pragma once

#include <string>

namespace plrxl::formula {

bool WildcardMatch(const std::string& pattern, const std::string& text);

// Where SEARCH finds `pattern` in `text`: the byte offset of the first
// character at or after byte `from` where a match begins (it may end
// anywhere), or std::string::npos. "?" takes one whole character. Time
// grows with the text's length times the pattern's, never worse.
size_t WildcardFind(const std::string& pattern, const std::string& text, size_t from);

}  // namespace plrxl::formula
