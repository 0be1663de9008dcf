// ErrorMessageDialog: what the error handler needs of its error dialog.
//
// The dialog's logic (frmErrorMessage) lives in forms/, which builds on
// support/; the handler reaches it through this interface and a factory that
// the owner injects (forms/error_message_form.h provides the standard one).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "support/ui_port.h"

namespace plrxl {

class ErrorMessageDialog : public Form {
 public:
  // Puts the record, a line break and the version line into the text box.
  virtual void SetErrorMessage(const std::string& record) = 0;
  // The text box's text.
  virtual std::string ErrorMessage() const = 0;
  virtual void SetSupportMail(const std::string& address) = 0;
};

// Loads a fresh dialog; never returns null.
using ErrorDialogFactory = std::function<std::unique_ptr<ErrorMessageDialog>()>;

}  // namespace plrxl
