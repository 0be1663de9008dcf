#include "forms/qt/range_pick_dialog.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "forms/range_pick.h"

namespace plrxl {

class SheetGridModel : public QAbstractTableModel {
 public:
  SheetGridModel(RangePick& pick, QObject* parent) : QAbstractTableModel(parent), pick_(pick) {}
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : pick_.RowCount(); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : pick_.ColumnCount(); }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return QString::fromStdString(pick_.CellText(index.row() + 1, index.column() + 1));
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QString::fromStdString(RangePick::ColumnTitle(section + 1));
    return section + 1;
  }
  void SheetChanged() {
    beginResetModel();
    endResetModel();
  }

 private:
  RangePick& pick_;
};

RangePickDialog::RangePickDialog(RangePick& pick, QWidget* parent) : QDialog(parent), pick_(pick) {
  setWindowTitle("Pick the cell where the data begins");
  setModal(true);
  sheets_ = new QComboBox(this);
  for (const std::string& name : pick_.SheetNames()) sheets_->addItem(QString::fromStdString(name));
  sheets_->setCurrentIndex(pick_.SheetIndex());
  model_ = new SheetGridModel(pick_, this);
  grid_ = new QTableView(this);
  grid_->setModel(model_);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->setMinimumSize(640, 360);
  grid_->setCurrentIndex(model_->index(0, 0));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sheets_);
  layout->addWidget(grid_);
  layout->addWidget(new QLabel("Double-click the top-left cell of the data block.", this));
  layout->addWidget(buttons);
  connect(sheets_, &QComboBox::activated, this, [this](int index) {
    pick_.SetSheetIndex(index);
    model_->SheetChanged();
  });
  connect(grid_, &QTableView::doubleClicked, this, [this](const QModelIndex&) { Choose(); });
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { Choose(); });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { QDialog::reject(); });
}

void RangePickDialog::Choose() {
  const QModelIndex index = grid_->currentIndex();
  if (!index.isValid()) return;
  chosen_ = pick_.Address(index.row() + 1, index.column() + 1);
  QDialog::accept();
}

}  // namespace plrxl
