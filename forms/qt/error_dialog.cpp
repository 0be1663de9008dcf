#include "forms/qt/error_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "forms/error_message_form.h"

namespace plrxl {

ErrorDialog::ErrorDialog(frmErrorMessage& form, UiPort& ui, QWidget* parent) : QDialog(parent), form_(form) {
  form_.Form_Activate(ui);
  setWindowTitle(frmErrorMessage::kCaption);
  setModal(true);
  band_ = new QLabel(QString::fromStdString(form_.elaTitleCaption()), this);
  band_->setStyleSheet("QLabel { background: #8b0000; color: white; font-weight: bold; padding: 8px; }");
  text_ = new QPlainTextEdit(QString::fromStdString(form_.ErrorMessage()), this);
  text_->setReadOnly(true);
  text_->setMinimumSize(460, 160);
  abort_ = new QPushButton("Abort", this);
  retry_ = new QPushButton("Retry", this);
  ignore_ = new QPushButton("Ignore", this);
  send_ = new QPushButton("Send", this);
  send_->setEnabled(form_.btnSendEnabled());
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(send_);
  buttons->addStretch();
  buttons->addWidget(abort_);
  buttons->addWidget(retry_);
  buttons->addWidget(ignore_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(band_);
  layout->addWidget(text_);
  layout->addLayout(buttons);
  connect(abort_, &QPushButton::clicked, this, [this] { Press("btnAbort"); });
  connect(retry_, &QPushButton::clicked, this, [this] { Press("btnRetry"); });
  connect(ignore_, &QPushButton::clicked, this, [this] { Press("btnIgnore"); });
  connect(send_, &QPushButton::clicked, this, [this] { Press("btnSend"); });
  retry_->setDefault(true);
}

QPushButton* ErrorDialog::Button(const std::string& control) const {
  if (control == "btnAbort") return abort_;
  if (control == "btnRetry") return retry_;
  if (control == "btnIgnore") return ignore_;
  if (control == "btnSend") return send_;
  return nullptr;
}

void ErrorDialog::Press(const char* control) {
  form_.Click(control);
  if (form_.Hidden()) QDialog::accept();
}

void ErrorDialog::reject() {
  // Closing without a button counts as Abort (the Tag activation set).
  form_.CancelRequested();
  QDialog::reject();
}

}  // namespace plrxl
