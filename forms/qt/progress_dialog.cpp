#include "forms/qt/progress_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/ui_port.h"

namespace plrxl {

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("PelorinXL");
  setModal(true);
  message_ = new QLabel(this);
  message_->setMinimumWidth(420);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setTextVisible(true);
  rows_ = new QListWidget(this);
  rows_->setMinimumHeight(120);
  cancel_ = new QPushButton("Cancel", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(message_);
  layout->addWidget(bar_);
  layout->addWidget(rows_);
  layout->addLayout(buttons);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    if (form_ != nullptr) form_->Click("CancelButton");
    cancel_->setEnabled(false);
  });
}

void ProgressDialog::Attach(Form* form) {
  form_ = form;
  cancel_->setEnabled(form != nullptr);
  if (form != nullptr) {
    rows_->clear();
    bar_->setValue(0);
    message_->clear();
  }
}

void ProgressDialog::CaptionsChanged(const std::string& caption, const std::string& cancel_caption) {
  if (!caption.empty()) setWindowTitle(QString::fromStdString(caption));
  if (!cancel_caption.empty()) cancel_->setText(QString::fromStdString(cancel_caption));
}

void ProgressDialog::ProgressChanged(int percent, const std::string& caption) {
  bar_->setValue(percent);
  bar_->setFormat(QString::fromStdString(caption.empty() ? std::to_string(percent) + "%" : caption));
}

void ProgressDialog::MessageChanged(const std::string& text) { message_->setText(QString::fromStdString(text)); }

void ProgressDialog::RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) {
  auto* item = new QListWidgetItem(QString("%1  %2  %3").arg(row).arg(QString::fromStdString(ticker),
                                                                     QString::fromStdString(status)));
  if (failed) item->setForeground(Qt::red);
  rows_->addItem(item);
  rows_->scrollToBottom();
}

void ProgressDialog::Closed() { cancel_->setEnabled(false); }

void ProgressDialog::reject() {
  // The close box cancels the run as the button does; the window closes
  // when the run has ended.
  if (form_ != nullptr) form_->CancelRequested();
}

}  // namespace plrxl
