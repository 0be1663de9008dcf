// SplitDataSources: a row's data-source text into its source name and option.
//
// "NAME(OPTION)" gives {NAME, OPTION}; every ")" is dropped first and the
// rest is split at "(": the first part is the name, the second (if any) the
// option, further parts are ignored and nothing is trimmed. An empty text
// gives the empty value; any other text gives a 1-D array indexed 1 and 2
// (a text of nothing but ")" leaves no name: error 9 to the handler).
// Registers as "Pelorin.ProgressBarWindow.SplitDataSources".
#pragma once

#include <string>
#include <vector>

#include "host/variant.h"
#include "support/procedure.h"

namespace plrxl {

Variant SplitDataSources(ErrorHandlerSlot& slot, const std::string& source_text);

// The runtime's Split: `text` cut at every `separator` (no limit); an empty
// text gives no parts.
std::vector<std::string> SplitText(const std::string& text, const std::string& separator);

}  // namespace plrxl
