#include "forms/qt/converter_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "forms/converter_form.h"

namespace plrxl {

ConverterDialog::ConverterDialog(frmConverter& form, QWidget* parent) : QDialog(parent), form_(form) {
  setWindowTitle("Convert a version-1 project");
  setModal(true);
  input_ = new QLineEdit(this);
  output_ = new QLineEdit(this);
  input_->setMinimumWidth(360);
  load_input_ = new QPushButton("...", this);
  load_output_ = new QPushButton("...", this);
  copy_ = new QPushButton("Copy", this);
  create_ = new QPushButton("Create", this);
  cancel_ = new QPushButton("Cancel", this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Version-1 project:", this), 0, 0);
  grid->addWidget(input_, 0, 1);
  grid->addWidget(load_input_, 0, 2);
  grid->addWidget(new QLabel("New project:", this), 1, 0);
  grid->addWidget(output_, 1, 1);
  grid->addWidget(load_output_, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(copy_);
  buttons->addStretch();
  buttons->addWidget(create_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  connect(input_, &QLineEdit::textEdited, this, [this](const QString& text) {
    form_.SetFileNameInput(text.toStdString());
  });
  connect(output_, &QLineEdit::textEdited, this, [this](const QString& text) {
    form_.SetFileNameOutput(text.toStdString());
  });
  connect(load_input_, &QPushButton::clicked, this, [this] { Press("cmdLoadFileInput"); });
  connect(load_output_, &QPushButton::clicked, this, [this] { Press("cmdLoadFileOutput"); });
  connect(copy_, &QPushButton::clicked, this, [this] { Press("cmdCopy"); });
  connect(create_, &QPushButton::clicked, this, [this] { Press("cmdCreate"); });
  connect(cancel_, &QPushButton::clicked, this, [this] { Press("cmdCancel"); });
  create_->setDefault(true);
  Refresh();
}

QPushButton* ConverterDialog::Button(const std::string& control) const {
  if (control == "cmdLoadFileInput") return load_input_;
  if (control == "cmdLoadFileOutput") return load_output_;
  if (control == "cmdCopy") return copy_;
  if (control == "cmdCreate") return create_;
  if (control == "cmdCancel") return cancel_;
  return nullptr;
}

void ConverterDialog::Refresh() {
  input_->setText(QString::fromStdString(form_.txtFileNameInput()));
  output_->setText(QString::fromStdString(form_.txtFileNameOutput()));
}

void ConverterDialog::Press(const char* control) {
  form_.Click(control);
  if (form_.Hidden()) {
    QDialog::accept();
    return;
  }
  Refresh();
  (form_.Focus() == "txtFileNameOutput" ? output_ : input_)->setFocus();
}

void ConverterDialog::reject() { Press("cmdCancel"); }

}  // namespace plrxl
