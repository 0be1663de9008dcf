// The user guide page of the indicator functions, written from the
// catalogue table so that it never drifts from the code (docs/indicators.md
// holds its output; a test compares the two).
#pragma once

#include <string>

namespace plrxl::companion {

std::string IndicatorGuideMarkdown();

}  // namespace plrxl::companion
