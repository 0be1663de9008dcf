// Wildcard matching as criteria and lookups use it: "*" any run of
// characters, "?" one character, "~" takes the next literally; letters
// compare without regard to case.
#pragma once

#include <string>

namespace plrxl::formula {

bool WildcardMatch(const std::string& pattern, const std::string& text);

}  // namespace plrxl::formula
