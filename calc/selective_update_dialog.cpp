#include "calc/selective_update_dialog.h"

#include "calc/office_dialog.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>
#include <vector>

#include <com/sun/star/awt/FontDescriptor.hpp>
#include <com/sun/star/awt/XActionListener.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XItemListener.hpp>
#include <com/sun/star/awt/XListBox.hpp>
#include <cppuhelper/implbase2.hxx>
#include <rtl/ref.hxx>

namespace plrxl::calc {
namespace {

namespace awt = css::awt;

constexpr const char* kTitle = "Select rows";
constexpr size_t kWidestColumn = 14;  // characters of a column in the list

struct Answer {
  std::vector<int> rows;  // list rows selected (scripted answers only)
  std::string button;     // "cmdRefresh", "cmdUpdate", "cmdRunOnlyMacros" or "cmdCancel"
};

bool IsRunButton(const std::string& button) {
  return button == "cmdRefresh" || button == "cmdUpdate" || button == "cmdRunOnlyMacros";
}

// The list's lines: the ticker table's columns padded to a common width
// (the list draws in a fixed-width font), the titles as the first line.
std::vector<std::string> ListLines(const frmSelectiveUpdateWindow& form) {
  constexpr int kColumns = frmSelectiveUpdateWindow::kColumns;
  std::vector<size_t> widths(kColumns, 0);
  auto cell = [&](int row, int col) {
    std::string text = row < 0 ? form.ColumnTitle(col) : form.ListText(row, col);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text.substr(0, kWidestColumn);
  };
  for (int row = -1; row < form.RowCount(); ++row) {
    for (int col = 0; col < kColumns; ++col) widths[col] = std::max(widths[col], cell(row, col).size());
  }
  std::vector<std::string> lines;
  for (int row = -1; row < form.RowCount(); ++row) {
    std::string line;
    for (int col = 0; col < kColumns; ++col) {
      if (widths[col] == 0) continue;
      std::string text = cell(row, col);
      text.resize(widths[col], ' ');
      line += (line.empty() ? "" : "  ") + text;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// A scripted answer: "rows 1,3 cmdUpdate"; anything else is Cancel.
Answer ParseAnswer(const std::string& line) {
  Answer answer;
  std::istringstream words(line);
  std::string word, rows;
  words >> word >> rows >> answer.button;
  if (word != "rows") return Answer{{}, "cmdCancel"};
  std::istringstream numbers(rows);
  for (std::string number; std::getline(numbers, number, ',');) {
    int row = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), row);
    if (error == std::errc() && end == number.data() + number.size() && row >= 0) answer.rows.push_back(row);
  }
  return answer;
}

// The dialog's events, passed on to the window's logic.
class Events : public cppu::WeakImplHelper2<awt::XActionListener, awt::XItemListener> {
 public:
  Events(frmSelectiveUpdateWindow& form, Reference<awt::XControlContainer> container)
      : form_(form), container_(std::move(container)) {}

  const std::string& Pressed() const { return pressed_; }
  // Shows the form's selection, count and Select all caption.
  void ShowForm() {
    Reference<awt::XListBox> list(container_->getControl("TDBList1"), UNO_QUERY_THROW);
    std::vector<sal_Int16> selected;
    for (int row = 0; row < form_.RowCount(); ++row) {
      if (form_.IsSelected(row)) selected.push_back(static_cast<sal_Int16>(row));
    }
    list->selectItemsPos(list->getSelectedItemsPos(), false);
    list->selectItemsPos(css::uno::Sequence<sal_Int16>(selected.data(), static_cast<sal_Int32>(selected.size())), true);
    SetControlText(container_, "lblSelected", "Label", form_.lblSelected());
    SetControlText(container_, "cmdSelectAll", "Label", form_.cmdSelectAllCaption());
  }

  void SAL_CALL itemStateChanged(const awt::ItemEvent&) override {
    Reference<awt::XListBox> list(container_->getControl("TDBList1"), UNO_QUERY_THROW);
    std::vector<bool> now(static_cast<size_t>(form_.RowCount()), false);
    for (sal_Int16 row : list->getSelectedItemsPos()) {
      if (row >= 0 && row < form_.RowCount()) now[static_cast<size_t>(row)] = true;
    }
    for (int row = 0; row < form_.RowCount(); ++row) {
      const bool selected = now[static_cast<size_t>(row)];
      if (form_.IsSelected(row) != selected) form_.TDBList1_SetSelected(row, selected);
    }
    form_.TDBList1_SelChange();
    SetControlText(container_, "lblSelected", "Label", form_.lblSelected());
    SetControlText(container_, "cmdSelectAll", "Label", form_.cmdSelectAllCaption());
  }

  void SAL_CALL actionPerformed(const awt::ActionEvent& event) override {
    const std::string button = FromOu(event.ActionCommand);
    if (button == "cmdSelectAll" || button == "cmdHelp") {
      form_.Click(button);
      ShowForm();
      return;
    }
    pressed_ = button;
    if (dialog_.is()) dialog_->endExecute();
  }

  void SAL_CALL disposing(const css::lang::EventObject&) override {}

  void SetDialog(const Reference<awt::XDialog>& dialog) { dialog_ = dialog; }

 private:
  frmSelectiveUpdateWindow& form_;
  Reference<awt::XControlContainer> container_;
  Reference<awt::XDialog> dialog_;
  std::string pressed_ = "cmdCancel";
};

// Shows the dialog until a run button or Cancel is pressed; the selection
// goes to the form as the person makes it.
std::string ShowDialog(const Reference<css::uno::XComponentContext>& context,
                       const Reference<css::frame::XFrame>& frame, frmSelectiveUpdateWindow& form,
                       const std::vector<std::string>& lines) {
  DialogModel model(context, form.Caption().empty() ? kTitle : form.Caption(), 360, 200);
  awt::FontDescriptor fixed;
  fixed.Name = "Liberation Mono";
  fixed.Height = 9;
  Reference<css::beans::XPropertySet> titles =
      model.Add("com.sun.star.awt.UnoControlFixedTextModel", "lblTitles", 5, 5, 350, 10);
  titles->setPropertyValue("Label", css::uno::Any(ToOu(lines.front())));
  titles->setPropertyValue("FontDescriptor", css::uno::Any(fixed));
  Reference<css::beans::XPropertySet> list =
      model.Add("com.sun.star.awt.UnoControlListBoxModel", "TDBList1", 5, 16, 350, 154);
  list->setPropertyValue("StringItemList", css::uno::Any(TextList({lines.begin() + 1, lines.end()})));
  list->setPropertyValue("MultiSelection", css::uno::Any(true));
  list->setPropertyValue("FontDescriptor", css::uno::Any(fixed));
  model.Add("com.sun.star.awt.UnoControlFixedTextModel", "lblSelected", 62, 180, 58, 10);
  struct Button {
    const char* name;
    const char* label;
    sal_Int32 x, width;
  };
  const Button buttons[] = {{"cmdSelectAll", "", 5, 54},         {"cmdRefresh", "Refresh", 124, 44},
                            {"cmdUpdate", "Update", 170, 44},    {"cmdRunOnlyMacros", "Run Only Macros", 216, 64},
                            {"cmdHelp", "Help", 282, 34},        {"cmdCancel", "Cancel", 318, 37}};
  for (const Button& b : buttons) {
    if (std::string(b.name) == "cmdHelp" && !form.HelpAvailable()) continue;
    model.AddButton(b.name, b.label, b.x, 177, b.width);
  }
  Reference<awt::XControl> dialog_control = model.Create(frame);
  Reference<awt::XControlContainer> container(dialog_control, UNO_QUERY_THROW);
  rtl::Reference<Events> events = new Events(form, container);
  Reference<awt::XListBox>(container->getControl("TDBList1"), UNO_QUERY_THROW)
      ->addItemListener(Reference<awt::XItemListener>(events.get()));
  std::vector<const char*> names;
  for (const Button& b : buttons) names.push_back(b.name);
  ListenToButtons(container, names, Reference<awt::XActionListener>(events.get()));
  events->SetDialog(Reference<awt::XDialog>(dialog_control, UNO_QUERY_THROW));
  events->ShowForm();
  ExecuteAndDispose(dialog_control);
  events->SetDialog(nullptr);
  return events->Pressed();
}

}  // namespace

void ShowSelectiveUpdateDialog(const Reference<css::uno::XComponentContext>& context,
                               const Reference<css::frame::XFrame>& frame, frmSelectiveUpdateWindow& form) {
  for (;;) {
    const std::vector<std::string> lines = ListLines(form);
    std::string button;
    if (std::optional<std::string> line = NextScriptedAnswer()) {
      const Answer scripted = ParseAnswer(*line);
      for (int row : scripted.rows) {
        if (row < form.RowCount()) form.TDBList1_SetSelected(row, true);
      }
      form.TDBList1_SelChange();
      button = scripted.button;
    } else {
      try {
        button = ShowDialog(context, frame, form, lines);
      } catch (const css::uno::Exception& e) {
        ThrowFromUno("Cannot show the " + std::string(kTitle) + " dialog", e);
      }
    }
    std::string shown;
    for (const std::string& line : lines) shown += (shown.empty() ? "" : "\n") + line;
    LogDialog(kTitle, shown, button);
    if (!IsRunButton(button)) {
      form.Click("cmdCancel");
      return;
    }
    form.Click(button);
    if (form.Hidden()) return;
  }
}

}  // namespace plrxl::calc
