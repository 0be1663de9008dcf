// SelectiveUpdateDialog: the selective update window's view: the ticker
// table in a multi-select list (the defaults row pale yellow), the
// "Selected: n" label and the buttons, all forwarded to
// frmSelectiveUpdateWindow. The list reads its cells from the form only for
// the rows on screen, so a table of 32,000 rows opens at once.
#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;
class QItemSelection;

namespace plrxl {

class frmSelectiveUpdateWindow;
class SelectiveListModel;

class SelectiveUpdateDialog : public QDialog {
 public:
  explicit SelectiveUpdateDialog(frmSelectiveUpdateWindow& form, QWidget* parent = nullptr);
  ~SelectiveUpdateDialog() override;

  QTableView* List() const { return list_; }
  QLabel* SelectedLabel() const { return label_; }
  QPushButton* Button(const std::string& control) const;

 protected:
  void reject() override;

 private:
  void Press(const char* control);
  void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  // Makes the list's selection show the form's.
  void ShowFormSelection();
  void Refresh();

  frmSelectiveUpdateWindow& form_;
  SelectiveListModel* model_;
  QTableView* list_;
  QLabel* label_;
  QPushButton* select_all_;
  QPushButton* refresh_;
  QPushButton* update_;
  QPushButton* macros_;
  QPushButton* help_;
  QPushButton* cancel_;
  bool syncing_ = false;
};

}  // namespace plrxl
