// docs/formulas.md lists exactly the functions of the engine's table, and
// every listed function parses and is known to the engine.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host/formula/formula_engine.h"

namespace plrxl {
namespace {

TEST(FormulaDocs, TheGuideListsTheFunctionTable) {
  std::ifstream in(std::string(PLRXL_SOURCE_DIR) + "/docs/formulas.md");
  std::stringstream text;
  text << in.rdbuf();
  const std::string doc = text.str();
  const size_t begin = doc.find("<!-- functions");
  const size_t end = doc.find("<!-- end of functions -->");
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const size_t first = doc.find('\n', begin) + 1;
  if (doc.substr(first, end - first) != FunctionListMarkdown()) {
    const std::string path = std::string(PLRXL_BINARY_DIR) + "/formula_function_list.md";
    std::ofstream(path) << FunctionListMarkdown();
    ADD_FAILURE() << "docs/formulas.md lists other functions than the engine: the list belongs between its markers, "
                     "as " << path << " holds it";
  }
}

TEST(FormulaDocs, EveryListedFunctionIsKnown) {
  const std::string list = FunctionListMarkdown();
  size_t count = 0;
  for (size_t at = list.find('`'); at != std::string::npos; at = list.find('`', list.find('`', at + 1) + 1)) {
    const size_t close = list.find('`', at + 1);
    const std::string name = list.substr(at + 1, close - at - 1);
    EXPECT_EQ(UnknownFunctionIn("=" + name + "()"), std::nullopt) << name;
    EXPECT_EQ(UnknownFunctionIn("=_xlfn." + name + "(1)"), std::nullopt) << name;
    ++count;
  }
  EXPECT_EQ(count, FunctionCount());
  EXPECT_EQ(UnknownFunctionIn("=1+FOO(TODAY())"), "FOO");
}

}  // namespace
}  // namespace plrxl
