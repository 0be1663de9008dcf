// The converter window's logic: file choice, copy, and the checks of Create.
#include <gtest/gtest.h>

#include "forms/converter_form.h"
#include "tests/forms/forms_fixture.h"

namespace plrxl::testing {
namespace {

class ConverterFormTest : public FormsTest {
 protected:
  ConverterFormTest() : form_(context_, [this](const std::string& path) {
    checked_.push_back(path);
    return path.find("v1") != std::string::npos;
  }) {
    Workbook& wb = ProjectWithRows(1);
    pelorin_->ThisWorkbookApplication(&wb);
    form_.SetOwner(pelorin_.get());
  }
  std::vector<std::string> checked_;
  frmConverter form_;
};

TEST_F(ConverterFormTest, LoadButtonsUseTheOpenDialogAndKeepTheNameOnCancel) {
  ui_.ChooseFiles({"/data/old_v1.xls"}).ChooseFiles({});
  form_.Click("cmdLoadFileInput");
  EXPECT_EQ(form_.txtFileNameInput(), "/data/old_v1.xls");
  form_.Click("cmdLoadFileInput");  // cancelled
  EXPECT_EQ(form_.txtFileNameInput(), "/data/old_v1.xls");
  ASSERT_EQ(ui_.FileDialogs().size(), 2u);
  EXPECT_EQ(ui_.FileDialogs()[0].filters.size(), 1u);
  EXPECT_EQ(ui_.FileDialogs()[0].filters[0].second, "*.xls");
  EXPECT_TRUE(ui_.FileDialogs()[0].file_must_exist);
  form_.Click("cmdCopy");
  EXPECT_EQ(form_.txtFileNameOutput(), "/data/old_v1.xls");
}

TEST_F(ConverterFormTest, CreateRefusesAndFocusesTheOffendingBox) {
  struct Case {
    const char* input;
    const char* output;
    const char* focus;
  };
  const Case cases[] = {
      {"", "/out/new.xlsx", "txtFileNameInput"},
      {"/in/old_v1.xls", "", "txtFileNameOutput"},
      {"/in/old_v1.xls", "/IN/OLD_V1.XLS", "txtFileNameOutput"},
      {"/in/other.xls", "/out/new.xlsx", "txtFileNameInput"},
  };
  for (const Case& c : cases) {
    ui_.AnswerBox(MsgResult::kOk, "could not be converted");
    form_.SetFileNameInput(c.input);
    form_.SetFileNameOutput(c.output);
    form_.Click("cmdCreate");
    EXPECT_FALSE(form_.Hidden()) << c.input << " -> " << c.output;
    EXPECT_EQ(form_.Focus(), c.focus) << c.input << " -> " << c.output;
    EXPECT_NE(form_.Tag, "1");
  }
  EXPECT_EQ(checked_, std::vector<std::string>{"/in/other.xls"});
}

TEST_F(ConverterFormTest, CreateAcceptsAVersionOneProject) {
  form_.SetFileNameInput("/in/old_v1.xls");
  form_.SetFileNameOutput("/out/new.xlsx");
  form_.Click("cmdCreate");
  EXPECT_TRUE(form_.Hidden());
  EXPECT_EQ(form_.Tag, "1");
  form_.RunHeadless(ui_);
  form_.Click("cmdCancel");
  EXPECT_EQ(form_.Tag, "");
}

}  // namespace
}  // namespace plrxl::testing
