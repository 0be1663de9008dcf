#include "forms/qt/row_editor_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "forms/row_editor_form.h"

namespace plrxl {

namespace {

constexpr int kColMarker = 0;
constexpr int kColKey = 1;

}  // namespace

RowEditorDialog::RowEditorDialog(frmMaster& form, QWidget* parent) : QDialog(parent), form_(form) {
  const std::string caption = form_.Caption();
  setWindowTitle(QString::fromStdString(caption.empty() ? "Row editor" : caption));
  setModal(true);
  combo_ = new QComboBox(this);
  for (const std::string& source : form_.ComDataSourceItems()) combo_->addItem(QString::fromStdString(source));
  combo_->setCurrentIndex(form_.ComDataSourceIndex());
  grid_ = new QTableWidget(this);
  grid_->setColumnCount(4);
  grid_->setHorizontalHeaderLabels({"", "", "Property", "Value"});
  grid_->setColumnHidden(kColKey, true);
  grid_->verticalHeader()->setVisible(false);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->horizontalHeader()->setSectionResizeMode(kColMarker, QHeaderView::Fixed);
  grid_->setColumnWidth(kColMarker, 18);
  grid_->setColumnWidth(frmMaster::kColProperty, 170);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setMinimumSize(440, 420);
  grid_->installEventFilter(this);
  insert_ = new QPushButton("Insert", this);
  insert_new_ = new QPushButton("Insert New", this);
  cancel_ = new QPushButton("Cancel", this);
  help_ = new QPushButton("Help", this);
  help_->setVisible(form_.HelpAvailable());
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(help_);
  buttons->addStretch();
  buttons->addWidget(insert_);
  buttons->addWidget(insert_new_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(combo_);
  layout->addWidget(grid_);
  layout->addLayout(buttons);

  connect(combo_, &QComboBox::activated, this, [this](int index) {
    CloseEditor();
    form_.ComDataSource_Click(index);
    Refresh();
  });
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    CloseEditor();
    const bool edit = form_.VSFlexGrid1_DblClick(row);
    Refresh();
    if (edit) OpenEditor(form_.Row());
  });
  connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
    form_.Select(row, col);
  });
  connect(insert_, &QPushButton::clicked, this, [this] { Press("cmdInsert"); });
  connect(insert_new_, &QPushButton::clicked, this, [this] { Press("cmdInsertNew"); });
  connect(cancel_, &QPushButton::clicked, this, [this] { Press("cmdCancel"); });
  connect(help_, &QPushButton::clicked, this, [this] { Press("cmdHelp"); });
  Refresh();
}

QPushButton* RowEditorDialog::Button(const std::string& control) const {
  if (control == "cmdInsert") return insert_;
  if (control == "cmdInsertNew") return insert_new_;
  if (control == "cmdCancel") return cancel_;
  if (control == "cmdHelp") return help_;
  return nullptr;
}

void RowEditorDialog::Refresh() {
  const auto& lines = form_.VisibleLines();
  grid_->clearSpans();
  grid_->setRowCount(static_cast<int>(lines.size()));
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    const GridLine& line = lines[i];
    const bool category = line.item < 0;
    auto cell = [&](int col, const std::string& text) {
      auto* item = new QTableWidgetItem(QString::fromStdString(text));
      if (category) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
        item->setBackground(QColor(0xE4, 0xE4, 0xE4));
      }
      grid_->setItem(i, col, item);
    };
    cell(kColMarker, category ? (line.collapsed ? "+" : "-") : "");
    cell(kColKey, line.key);
    cell(frmMaster::kColProperty, line.name);
    cell(frmMaster::kColValue, category ? "" : line.value);
    if (category) grid_->setSpan(i, frmMaster::kColProperty, 1, 2);
  }
  if (!lines.empty()) grid_->setCurrentCell(form_.Row(), form_.Col());
  combo_->setCurrentIndex(form_.ComDataSourceIndex());
}

void RowEditorDialog::OpenEditor(int line) {
  const auto& lines = form_.VisibleLines();
  if (line < 0 || line >= static_cast<int>(lines.size()) || lines[line].item < 0) return;
  CloseEditor();
  editing_ = line;
  const QString value = QString::fromStdString(lines[line].value);
  const EditorInfo info = form_.EditorOf(line);
  QWidget* editor = nullptr;
  switch (info.kind) {
    case EditorKind::kChoice: {
      auto* box = new QComboBox;
      box->addItems(QString::fromStdString(info.choices).split('|'));
      box->setCurrentText(value);
      connect(box, &QComboBox::activated, this, [this, line, box](int) { Commit(line, box->currentText()); });
      editor = box;
      break;
    }
    case EditorKind::kDate: {
      auto* date = new QDateEdit;
      date->setCalendarPopup(true);
      date->setDisplayFormat("dd.MM.yyyy");
      const QDate parsed = QDate::fromString(value, "dd.MM.yyyy");
      date->setDate(parsed.isValid() ? parsed : QDate::currentDate());
      connect(date, &QDateEdit::editingFinished, this,
              [this, line, date] { Commit(line, date->date().toString("dd.MM.yyyy")); });
      editor = date;
      break;
    }
    case EditorKind::kRangePick: {
      auto* holder = new QWidget;
      auto* text = new QLineEdit(value, holder);
      auto* pick = new QToolButton(holder);
      pick->setText("...");
      auto* row = new QHBoxLayout(holder);
      row->setContentsMargins(0, 0, 0, 0);
      row->setSpacing(0);
      row->addWidget(text);
      row->addWidget(pick);
      connect(text, &QLineEdit::editingFinished, this, [this, line, text] { Commit(line, text->text()); });
      connect(pick, &QToolButton::clicked, this, [this, line, text] {
        form_.VSFlexGrid1_AfterEdit(line, text->text().toStdString());
        form_.VSFlexGrid1_CellButtonClick(line);
        if (form_.Hidden()) QDialog::accept();
      });
      holder->setFocusProxy(text);
      editor = holder;
      break;
    }
    case EditorKind::kText: {
      auto* text = new QLineEdit(value);
      connect(text, &QLineEdit::editingFinished, this, [this, line, text] { Commit(line, text->text()); });
      editor = text;
      break;
    }
  }
  grid_->setCellWidget(line, frmMaster::kColValue, editor);
  editor->setFocus();
}

void RowEditorDialog::Commit(int line, const QString& text) {
  if (line != editing_) return;
  form_.VSFlexGrid1_AfterEdit(line, text.toStdString());
  // The editor sent the signal: remove it once its handler has returned.
  QTimer::singleShot(0, this, [this, line] {
    if (editing_ != line) return;
    CloseEditor();
    Refresh();
  });
}

void RowEditorDialog::CloseEditor() {
  if (editing_ < 0) return;
  const int line = editing_;
  editing_ = -1;
  grid_->removeCellWidget(line, frmMaster::kColValue);
  grid_->setFocus();
}

void RowEditorDialog::Press(const char* control) {
  if (editing_ >= 0) {
    // A value typed but not yet committed counts.
    QWidget* editor = grid_->cellWidget(editing_, frmMaster::kColValue);
    if (auto* text = qobject_cast<QLineEdit*>(editor)) form_.VSFlexGrid1_AfterEdit(editing_, text->text().toStdString());
    CloseEditor();
  }
  form_.Click(control);
  if (form_.Hidden()) {
    QDialog::accept();
    return;
  }
  Refresh();
  if (form_.EditRequested() >= 0) OpenEditor(form_.EditRequested());
}

bool RowEditorDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched != grid_ || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool modified = (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
  switch (key->key()) {
    case Qt::Key_Left: form_.VSFlexGrid1_KeyDown(GridKey::kLeft); break;
    case Qt::Key_Home: form_.VSFlexGrid1_KeyDown(GridKey::kHome); break;
    case Qt::Key_Right: form_.VSFlexGrid1_KeyDown(GridKey::kRight); break;
    case Qt::Key_End: form_.VSFlexGrid1_KeyDown(GridKey::kEnd); break;
    case Qt::Key_Up: form_.VSFlexGrid1_KeyDown(GridKey::kUp); break;
    case Qt::Key_Down: form_.VSFlexGrid1_KeyDown(GridKey::kDown); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
      if (form_.VSFlexGrid1_DblClick(form_.Row())) {
        Refresh();
        OpenEditor(form_.Row());
        return true;
      }
      break;
    default:
      if (modified && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) {
        form_.VSFlexGrid1_KeyDown(GridKey::kLetter, static_cast<char>('A' + (key->key() - Qt::Key_A)));
        break;
      }
      return QDialog::eventFilter(watched, event);
  }
  Refresh();
  return true;
}

void RowEditorDialog::reject() { Press("cmdCancel"); }

}  // namespace plrxl
