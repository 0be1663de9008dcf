// Reads xl/sharedStrings.xml: the texts that cells of type "s" index.
#pragma once

#include <string>
#include <vector>

namespace plrxl::xlsx {

// Plain and rich-text entries alike become their concatenated text.
std::vector<std::string> ReadSharedStrings(std::string text, const std::string& part);

}  // namespace plrxl::xlsx
