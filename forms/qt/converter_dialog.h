// ConverterDialog: the converter window's view: the two file-name boxes
// with their load buttons, Copy, Create and Cancel, all forwarded to
// frmConverter.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace plrxl {

class frmConverter;

class ConverterDialog : public QDialog {
 public:
  explicit ConverterDialog(frmConverter& form, QWidget* parent = nullptr);

  QLineEdit* InputBox() const { return input_; }
  QLineEdit* OutputBox() const { return output_; }
  QPushButton* Button(const std::string& control) const;

 protected:
  void reject() override;

 private:
  void Press(const char* control);
  void Refresh();

  frmConverter& form_;
  QLineEdit* input_;
  QLineEdit* output_;
  QPushButton* load_input_;
  QPushButton* load_output_;
  QPushButton* copy_;
  QPushButton* create_;
  QPushButton* cancel_;
};

}  // namespace plrxl
