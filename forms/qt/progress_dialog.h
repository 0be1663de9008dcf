// ProgressDialog: the progress window's face: caption, message label,
// progress bar, the rows finished so far (red when failed) and Cancel. The
// run itself is the window's RunDriver's; Cancel presses its CancelButton, which
// stops the run at the next row and keeps the finished ones.
#pragma once

#include <QDialog>

#include "download/progress_view.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace plrxl {

class Form;

class ProgressDialog : public QDialog, public ProgressView {
 public:
  explicit ProgressDialog(QWidget* parent = nullptr);

  // The form whose run is shown; nullptr when none.
  void Attach(Form* form);

  // --- ProgressView ---
  void CaptionsChanged(const std::string& caption, const std::string& cancel_caption) override;
  void ProgressChanged(int percent, const std::string& caption) override;
  void MessageChanged(const std::string& text) override;
  void RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) override;
  void Closed() override;

  QPushButton* CancelButton() const { return cancel_; }
  QProgressBar* Bar() const { return bar_; }
  QListWidget* Rows() const { return rows_; }

 protected:
  void reject() override;

 private:
  Form* form_ = nullptr;
  QLabel* message_;
  QProgressBar* bar_;
  QListWidget* rows_;
  QPushButton* cancel_;
};

}  // namespace plrxl
