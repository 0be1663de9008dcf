// RowEditorDialog: the row editor's view: the data-source combo, the
// property grid (category marker, hidden key, "Property", "Value"; category
// lines fold), and the buttons Insert, Insert New, Cancel and Help. Keys,
// double-clicks, edits and buttons go to frmMaster; the grid is redrawn from
// its lines after each. Editors by kind: a choice list, a date picker
// (dd.mm.yyyy), a text box, or a text box with a "..." button that starts
// the range pick (the window then closes with "DATABEGINNING").
#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
class QTableWidget;

namespace plrxl {

class frmMaster;

class RowEditorDialog : public QDialog {
 public:
  explicit RowEditorDialog(frmMaster& form, QWidget* parent = nullptr);

  QTableWidget* Grid() const { return grid_; }
  QComboBox* SourceCombo() const { return combo_; }
  QPushButton* Button(const std::string& control) const;
  // Opens the editor of a visible line (as a double-click on it would).
  void OpenEditor(int line);
  // The line whose editor is open; -1.
  int EditingLine() const { return editing_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  void Refresh();
  void Press(const char* control);
  void Commit(int line, const QString& text);
  void CloseEditor();

  frmMaster& form_;
  QComboBox* combo_;
  QTableWidget* grid_;
  QPushButton* insert_;
  QPushButton* insert_new_;
  QPushButton* cancel_;
  QPushButton* help_;
  int editing_ = -1;
};

}  // namespace plrxl
