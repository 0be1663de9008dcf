// Reads xl/sharedStrings.xml: the texts that cells of type "s" index. Each
// text is held once and shared by every cell that shows it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/xlsx/internal/load_budget.h"

namespace plrxl::xlsx {

using SharedTexts = std::vector<std::shared_ptr<const std::string>>;

// Plain and rich-text entries alike become their concatenated text. Each
// entry is charged to the budget's text (its bytes and 64 more) as it is
// read.
SharedTexts ReadSharedStrings(const std::string& text, const std::string& part, LoadBudget& budget);

}  // namespace plrxl::xlsx
