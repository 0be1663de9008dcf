#include "forms/qt/selective_update_dialog.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "forms/selective_update_form.h"

namespace plrxl {

// The list table as a Qt model over the form.
class SelectiveListModel : public QAbstractTableModel {
 public:
  explicit SelectiveListModel(frmSelectiveUpdateWindow& form, QObject* parent) : QAbstractTableModel(parent), form_(form) {}
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : form_.RowCount(); }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : frmSelectiveUpdateWindow::kColumns;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(form_.ListText(index.row(), index.column()));
    if (role == Qt::BackgroundRole && form_.TDBList1_FetchRowStyle(index.row())) {
      const uint32_t bgr = frmSelectiveUpdateWindow::kDefaultsRowBackColor;
      return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    }
    return {};
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QString::fromStdString(form_.ColumnTitle(section));
    return form_.SheetRow(section);
  }

 private:
  frmSelectiveUpdateWindow& form_;
};

SelectiveUpdateDialog::SelectiveUpdateDialog(frmSelectiveUpdateWindow& form, QWidget* parent)
    : QDialog(parent), form_(form) {
  const std::string caption = form_.Caption();
  setWindowTitle(QString::fromStdString(caption.empty() ? "Selective update" : caption));
  setModal(true);
  model_ = new SelectiveListModel(form_, this);
  list_ = new QTableView(this);
  list_->setModel(model_);
  list_->setSelectionMode(QAbstractItemView::MultiSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->setDefaultSectionSize(20);
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  list_->setMinimumSize(720, 300);
  label_ = new QLabel(this);
  select_all_ = new QPushButton(this);
  refresh_ = new QPushButton("Refresh", this);
  update_ = new QPushButton("Update", this);
  macros_ = new QPushButton("Run Only Macros", this);
  help_ = new QPushButton("Help", this);
  help_->setVisible(form_.HelpAvailable());
  cancel_ = new QPushButton("Cancel", this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(select_all_);
  buttons->addWidget(label_);
  buttons->addStretch();
  buttons->addWidget(refresh_);
  buttons->addWidget(update_);
  buttons->addWidget(macros_);
  buttons->addWidget(help_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            SelectionChanged(selected, deselected);
          });
  connect(select_all_, &QPushButton::clicked, this, [this] { Press("cmdSelectAll"); });
  connect(refresh_, &QPushButton::clicked, this, [this] { Press("cmdRefresh"); });
  connect(update_, &QPushButton::clicked, this, [this] { Press("cmdUpdate"); });
  connect(macros_, &QPushButton::clicked, this, [this] { Press("cmdRunOnlyMacros"); });
  connect(help_, &QPushButton::clicked, this, [this] { Press("cmdHelp"); });
  connect(cancel_, &QPushButton::clicked, this, [this] { Press("cmdCancel"); });
  ShowFormSelection();
  Refresh();
}

SelectiveUpdateDialog::~SelectiveUpdateDialog() = default;

QPushButton* SelectiveUpdateDialog::Button(const std::string& control) const {
  if (control == "cmdSelectAll") return select_all_;
  if (control == "cmdRefresh") return refresh_;
  if (control == "cmdUpdate") return update_;
  if (control == "cmdRunOnlyMacros") return macros_;
  if (control == "cmdHelp") return help_;
  if (control == "cmdCancel") return cancel_;
  return nullptr;
}

void SelectiveUpdateDialog::Refresh() {
  label_->setText(QString::fromStdString(form_.lblSelected()));
  select_all_->setText(QString::fromStdString(form_.cmdSelectAllCaption()));
}

void SelectiveUpdateDialog::SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  if (syncing_) return;
  for (const QItemSelectionRange& range : deselected) {
    for (int row = range.top(); row <= range.bottom(); ++row) form_.TDBList1_SetSelected(row, false);
  }
  for (const QItemSelectionRange& range : selected) {
    for (int row = range.top(); row <= range.bottom(); ++row) form_.TDBList1_SetSelected(row, true);
  }
  form_.TDBList1_SelChange();
  Refresh();
}

void SelectiveUpdateDialog::ShowFormSelection() {
  syncing_ = true;
  QItemSelection selection;
  const int rows = form_.RowCount();
  int start = -1;
  for (int row = 0; row <= rows; ++row) {
    const bool on = row < rows && form_.IsSelected(row);
    if (on && start < 0) start = row;
    if (!on && start >= 0) {
      selection.select(model_->index(start, 0), model_->index(row - 1, frmSelectiveUpdateWindow::kColumns - 1));
      start = -1;
    }
  }
  list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  syncing_ = false;
}

void SelectiveUpdateDialog::Press(const char* control) {
  form_.Click(control);
  if (form_.Hidden()) {
    QDialog::accept();
    return;
  }
  if (std::string(control) == "cmdSelectAll") ShowFormSelection();
  Refresh();
}

void SelectiveUpdateDialog::reject() { Press("cmdCancel"); }

}  // namespace plrxl
