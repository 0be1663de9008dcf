// RangePickDialog: the range pick's view: the workbook's sheets, read-only,
// one tab chooser and a grid; a double-click or OK on a cell chooses it.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QComboBox;
class QTableView;

namespace plrxl {

class RangePick;
class SheetGridModel;

class RangePickDialog : public QDialog {
 public:
  explicit RangePickDialog(RangePick& pick, QWidget* parent = nullptr);

  // The chosen cell's address once the dialog was accepted.
  const std::optional<std::string>& Chosen() const { return chosen_; }
  QTableView* Grid() const { return grid_; }

 private:
  void Choose();

  RangePick& pick_;
  SheetGridModel* model_;
  QComboBox* sheets_;
  QTableView* grid_;
  std::optional<std::string> chosen_;
};

}  // namespace plrxl
