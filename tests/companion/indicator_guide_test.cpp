// docs/indicators.md is the catalogue's own guide page; when the table
// changes, the test writes the new page into the build folder to copy over.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "companion/indicator_guide.h"
#include "companion/indicators.h"

namespace plrxl::companion {
namespace {

TEST(IndicatorGuide, DocsPageMatchesTheCatalogue) {
  const std::string generated = IndicatorGuideMarkdown();
  for (const IndicatorSpec& ind : IndicatorCatalogue()) {
    EXPECT_NE(generated.find(std::string("| ") + ind.name + " |"), std::string::npos) << ind.name;
  }
  std::ifstream in(std::string(PLRXL_SOURCE_DIR) + "/docs/indicators.md");
  std::stringstream page;
  page << in.rdbuf();
  if (page.str() != generated) {
    const std::string fresh = std::string(PLRXL_BINARY_DIR) + "/indicators.md";
    std::ofstream(fresh) << generated;
    ADD_FAILURE() << "docs/indicators.md is out of date; the current page is in " << fresh;
  }
}

}  // namespace
}  // namespace plrxl::companion
