// frmErrorMessage: the error dialog's logic (caption "Error").
//
// The handler writes the record into ErrorMessage (the text box then holds
// the record, a line break and "Version: 2.0.31") and the support address
// into SupportMail, and shows the form modally. On activation the title band
// reads "An error occurred in Pelorin", btnSend is usable only with a support
// address, the computer beeps and Tag becomes "ABORT", so closing the window
// without a button counts as Abort. btnAbort, btnRetry and btnIgnore set Tag
// to "ABORT", "RETRY" or "IGNORE" and hide the form, which ends the modal
// show. btnSend opens a mailto link holding the escaped text and leaves the
// dialog open. Every procedure of the form ignores its own errors.
#pragma once

#include <functional>
#include <string>

#include "support/error_dialog.h"
#include "support/shell.h"

namespace plrxl {

// Opens a URL with the desktop's handler (CShell::OpenUrl in the product).
using UrlOpener = std::function<void(const std::string& url)>;

class frmErrorMessage : public ErrorMessageDialog {
 public:
  explicit frmErrorMessage(UrlOpener open_url = {});

  std::string FormName() const override { return "frmErrorMessage"; }
  void SetErrorMessage(const std::string& record) override;
  std::string ErrorMessage() const override { return txtErrorMessage_; }
  void SetSupportMail(const std::string& address) override { support_mail_ = address; }

  // Form_Activate; a toolkit view calls it when its window activates.
  void Form_Activate(UiPort& ui);
  void btnAbort_Click();
  void btnRetry_Click();
  void btnIgnore_Click();
  void btnSend_Click();

  // Without a toolkit the activation logic is the whole show.
  void RunHeadless(UiPort& ui) override { Form_Activate(ui); }
  // "btnAbort", "btnRetry", "btnIgnore", "btnSend"; a disabled btnSend does
  // nothing.
  bool Click(const std::string& control) override;
  // Closing the window: Tag stays as activation left it ("ABORT").
  void CancelRequested() override { hidden_ = true; }

  // The mail link btnSend opens: "mailto:" address "?subject=" subject
  // "&body=" body, with the text box escaped.
  std::string SendLink() const;

  // What a view shows.
  static constexpr const char* kCaption = "Error";
  const std::string& elaTitleCaption() const { return title_caption_; }
  bool btnSendEnabled() const { return send_enabled_; }
  bool Hidden() const { return hidden_; }

 private:
  void Answer(const char* tag);

  UrlOpener open_url_;
  std::string txtErrorMessage_;
  std::string support_mail_;
  std::string title_caption_;
  bool send_enabled_ = false;
  bool hidden_ = false;
};

// The escaping btnSend applies to the text box: line breaks, TAB, ":", "/",
// "?", "=" and "&" become %0A, %09, %3A, %2F, %3F, %3D, %26; spaces and "%"
// stay as they are.
std::string EscapeForMailBody(const std::string& text);

// Opens the link with CShell::OpenUrl; `shell` must outlive the opener.
UrlOpener OpenWithShell(CShell& shell);

// The error handler's standard dialog maker.
ErrorDialogFactory MakeErrorMessageFormFactory(UrlOpener open_url);

}  // namespace plrxl
