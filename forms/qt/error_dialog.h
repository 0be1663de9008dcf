// ErrorDialog: the error dialog's view (caption "Error"): a title band,
// the error record in a read-only text box and the buttons Abort, Retry,
// Ignore and Send (usable only with a support address). Each button
// forwards to frmErrorMessage; the window closes when the form hides.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace plrxl {

class UiPort;
class frmErrorMessage;

class ErrorDialog : public QDialog {
 public:
  ErrorDialog(frmErrorMessage& form, UiPort& ui, QWidget* parent = nullptr);

  QPushButton* Button(const std::string& control) const;

 protected:
  void reject() override;

 private:
  void Press(const char* control);

  frmErrorMessage& form_;
  QLabel* band_;
  QPlainTextEdit* text_;
  QPushButton* abort_;
  QPushButton* retry_;
  QPushButton* ignore_;
  QPushButton* send_;
};

}  // namespace plrxl
