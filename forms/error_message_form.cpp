#include "forms/error_message_form.h"

#include "support/error_numbers.h"
#include "support/procedure.h"

namespace plrxl {

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

const std::string kHyphens(20, '-');

}  // namespace

std::string EscapeForMailBody(const std::string& text) {
  std::string s = ReplaceAll(text, "\r\n", "%0A");
  // A view may hand back bare line feeds; they are line breaks too.
  s = ReplaceAll(s, "\n", "%0A");
  s = ReplaceAll(s, "\t", "%09");
  s = ReplaceAll(s, ":", "%3A");
  s = ReplaceAll(s, "/", "%2F");
  s = ReplaceAll(s, "?", "%3F");
  s = ReplaceAll(s, "=", "%3D");
  s = ReplaceAll(s, "&", "%26");
  return s;
}

frmErrorMessage::frmErrorMessage(UrlOpener open_url) : open_url_(std::move(open_url)) {}

void frmErrorMessage::SetErrorMessage(const std::string& record) {
  IgnoreErrors([&] {
    txtErrorMessage_ = record + "\r\nVersion: " + std::to_string(kVersionMajor) + "." +
                       std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision);
  });
}

void frmErrorMessage::Form_Activate(UiPort& ui) {
  hidden_ = false;
  IgnoreErrors([&] { title_caption_ = std::string("An error occurred in ") + kLibraryTitle; });
  IgnoreErrors([&] { send_enabled_ = !support_mail_.empty(); });
  IgnoreErrors([&] { ui.Beep(); });
  IgnoreErrors([&] { Tag = "ABORT"; });
}

void frmErrorMessage::Answer(const char* tag) {
  IgnoreErrors([&] { Tag = tag; });
  hidden_ = true;
}

void frmErrorMessage::btnAbort_Click() { Answer("ABORT"); }
void frmErrorMessage::btnRetry_Click() { Answer("RETRY"); }
void frmErrorMessage::btnIgnore_Click() { Answer("IGNORE"); }

std::string frmErrorMessage::SendLink() const {
  const std::string body = "%0A%0A" + kHyphens + "%0A" + EscapeForMailBody(txtErrorMessage_) + "%0A" + kHyphens;
  const std::string subject = ReplaceAll(title_caption_, " ", "%20");
  return "mailto:" + support_mail_ + "?subject=" + subject + "&body=" + body;
}

void frmErrorMessage::btnSend_Click() {
  if (!send_enabled_) return;
  IgnoreErrors([&] {
    if (open_url_) open_url_(SendLink());
  });
}

bool frmErrorMessage::Click(const std::string& control) {
  if (control == "btnAbort") {
    btnAbort_Click();
  } else if (control == "btnRetry") {
    btnRetry_Click();
  } else if (control == "btnIgnore") {
    btnIgnore_Click();
  } else if (control == "btnSend") {
    btnSend_Click();
  } else {
    return false;
  }
  return true;
}

UrlOpener OpenWithShell(CShell& shell) {
  return [&shell](const std::string& url) { shell.OpenUrl(url); };
}

ErrorDialogFactory MakeErrorMessageFormFactory(UrlOpener open_url) {
  return [open_url = std::move(open_url)]() -> std::unique_ptr<ErrorMessageDialog> {
    return std::make_unique<frmErrorMessage>(open_url);
  };
}

}  // namespace plrxl
