// The error dialog's logic: text, activation, buttons and the Send link.
#include "forms/error_message_form.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace plrxl {
namespace {

TEST(ErrorMessageFormTest, TextCarriesTheVersionLine) {
  frmErrorMessage form;
  form.SetErrorMessage("record\r\nline");
  EXPECT_EQ(form.ErrorMessage(), "record\r\nline\r\nVersion: 2.0.31");
  EXPECT_EQ(form.FormName(), "frmErrorMessage");
  EXPECT_STREQ(frmErrorMessage::kCaption, "Error");
}

TEST(ErrorMessageFormTest, ActivationSetsTitleSendTagAndBeeps) {
  struct Case {
    std::string mail;
    bool send_enabled;
  };
  for (const Case& c : {Case{"", false}, Case{"support@example.org", true}}) {
    testing::TestUi ui;
    frmErrorMessage form;
    form.SetSupportMail(c.mail);
    form.Tag = "left over";
    form.Form_Activate(ui);
    EXPECT_EQ(form.elaTitleCaption(), "An error occurred in Pelorin");
    EXPECT_EQ(form.btnSendEnabled(), c.send_enabled);
    EXPECT_EQ(form.Tag, "ABORT");
    EXPECT_EQ(ui.Beeps(), 1);
  }
}

TEST(ErrorMessageFormTest, ButtonsSetTheTagAndHide) {
  struct Case {
    const char* button;
    const char* tag;
    bool hidden;
  };
  const Case cases[] = {{"btnAbort", "ABORT", true},
                        {"btnRetry", "RETRY", true},
                        {"btnIgnore", "IGNORE", true},
                        {"btnSend", "ABORT", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    testing::TestUi ui;
    frmErrorMessage form([](const std::string&) {});
    form.SetSupportMail("a@b.c");
    form.RunHeadless(ui);
    EXPECT_TRUE(form.Click(c.button));
    EXPECT_EQ(form.Tag, c.tag);
    EXPECT_EQ(form.Hidden(), c.hidden);
  }
  frmErrorMessage form;
  EXPECT_FALSE(form.Click("btnHelp"));
}

TEST(ErrorMessageFormTest, SendEscapesTheTextExactly) {
  std::vector<std::string> opened;
  testing::TestUi ui;
  frmErrorMessage form([&](const std::string& url) { opened.push_back(url); });
  form.SetSupportMail("help@example.org");
  form.SetErrorMessage("01.02.2026 - 10:00:00\r\n\tError: 5, (a=b & c/d? 100%)");
  form.Form_Activate(ui);
  form.btnSend_Click();
  ASSERT_EQ(opened.size(), 1u);
  const std::string hyphens(20, '-');
  EXPECT_EQ(opened[0],
            "mailto:help@example.org?subject=An%20error%20occurred%20in%20Pelorin&body=%0A%0A" + hyphens +
                "%0A01.02.2026 - 10%3A00%3A00%0A%09Error%3A 5, (a%3Db %26 c%2Fd%3F 100%)%0AVersion%3A 2.0.31%0A" +
                hyphens);
  EXPECT_FALSE(form.Hidden());
}

TEST(ErrorMessageFormTest, SendWithoutAddressOpensNothing) {
  std::vector<std::string> opened;
  testing::TestUi ui;
  frmErrorMessage form([&](const std::string& url) { opened.push_back(url); });
  form.SetErrorMessage("x");
  form.Form_Activate(ui);
  EXPECT_TRUE(form.Click("btnSend"));
  EXPECT_TRUE(opened.empty());
}

TEST(ErrorMessageFormTest, AFailingOpenIsIgnored) {
  testing::TestUi ui;
  frmErrorMessage form([](const std::string&) { throw std::runtime_error("no browser"); });
  form.SetSupportMail("a@b.c");
  form.Form_Activate(ui);
  EXPECT_NO_THROW(form.btnSend_Click());
}

TEST(ErrorMessageFormTest, EscapingTable) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"a\r\nb", "a%0Ab"},   {"a\tb", "a%09b"}, {"a:b", "a%3Ab"}, {"a/b", "a%2Fb"}, {"a?b", "a%3Fb"},
      {"a=b", "a%3Db"},      {"a&b", "a%26b"},  {"a b%", "a b%"}, {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeForMailBody(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace plrxl
