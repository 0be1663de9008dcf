#include "calc/row_editor_dialog.h"

#include <algorithm>
#include <vector>

#include <com/sun/star/awt/XActionListener.hpp>
#include <com/sun/star/awt/XComboBox.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XItemListener.hpp>
#include <com/sun/star/awt/XListBox.hpp>
#include <com/sun/star/awt/XTextComponent.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/implbase2.hxx>
#include <rtl/ref.hxx>

#include "calc/office_dialog.h"
#include "entry/internal/text.h"
#include "host/address.h"

namespace plrxl::calc {
namespace {

namespace awt = css::awt;

constexpr const char* kTitle = "Row editor";

std::vector<std::string> GridLines(const frmMaster& form) {
  std::vector<std::string> lines;
  for (const GridLine& line : form.VisibleLines()) {
    if (line.item < 0) lines.push_back((line.collapsed ? "+ " : "- ") + line.name);
    else if (line.name.empty()) lines.push_back("    " + line.value);  // the source's placeholder
    else lines.push_back("    " + line.name + " = " + line.value);
  }
  return lines;
}

// The cell selected in the frame's document, as the editor takes it
// ("'Prices'!$B$3"); empty when none is.
std::string SelectedCell(const Reference<css::frame::XFrame>& frame) {
  if (!frame.is() || !frame->getController().is()) return "";
  Reference<css::view::XSelectionSupplier> view(frame->getController(), UNO_QUERY);
  if (!view.is()) return "";
  Reference<css::sheet::XCellRangeAddressable> range(view->getSelection(), UNO_QUERY);
  Reference<css::sheet::XSpreadsheetDocument> document(frame->getController()->getModel(), UNO_QUERY);
  if (!range.is() || !document.is()) return "";
  const css::table::CellRangeAddress at = range->getRangeAddress();
  Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
  Reference<css::container::XNamed> sheet(sheets->getByIndex(at.Sheet), UNO_QUERY_THROW);
  return QuoteSheetName(FromOu(sheet->getName())) + "!" +
         FormatA1(Rect{at.StartRow + 1, at.StartColumn + 1, at.StartRow + 1, at.StartColumn + 1});
}

// The dialog's events, passed on to the editor's logic.
class Events : public cppu::WeakImplHelper2<awt::XActionListener, awt::XItemListener> {
 public:
  Events(frmMaster& form, Reference<awt::XControlContainer> container, Reference<awt::XDialog> dialog,
         std::string selected_cell)
      : form_(form), container_(std::move(container)), dialog_(std::move(dialog)), cell_(std::move(selected_cell)) {}

  const std::string& Pressed() const { return pressed_; }

  // Shows the form: its sources, grid lines and the chosen line's value.
  void ShowForm() {
    Reference<awt::XListBox> sources(container_->getControl("ComDataSource"), UNO_QUERY_THROW);
    sources->selectItemPos(static_cast<sal_Int16>(form_.ComDataSourceIndex()), true);
    Reference<awt::XListBox> grid(container_->getControl("VSFlexGrid1"), UNO_QUERY_THROW);
    grid->removeItems(0, grid->getItemCount());
    const std::vector<std::string> lines = GridLines(form_);
    grid->addItems(TextList(lines), 0);
    const int line = form_.EditRequested() >= 0 ? form_.EditRequested() : form_.Row();
    if (line >= 0 && line < static_cast<int>(lines.size())) grid->selectItemPos(static_cast<sal_Int16>(line), true);
    ShowValue(line);
  }

  void SAL_CALL itemStateChanged(const awt::ItemEvent& event) override {
    Reference<awt::XControl> source(event.Source, UNO_QUERY);
    if (source == container_->getControl("ComDataSource")) {
      form_.ComDataSource_Click(event.Selected);
      ShowForm();
      return;
    }
    form_.Select(event.Selected, frmMaster::kColValue);
    ShowValue(event.Selected);
  }

  void SAL_CALL actionPerformed(const awt::ActionEvent& event) override {
    const int line = Line();
    if (Reference<awt::XControl>(event.Source, UNO_QUERY) == container_->getControl("VSFlexGrid1")) {
      form_.VSFlexGrid1_DblClick(line);  // a double-click on a line
      ShowForm();
      return;
    }
    const std::string button = FromOu(event.ActionCommand);
    if (button == "cmdCell") {
      Value()->setText(ToOu(cell_));
      return;
    }
    // A value in the box counts, as one typed into the grid does.
    if (line >= 0 && form_.VisibleLines()[static_cast<size_t>(line)].item >= 0 &&
        FromOu(Value()->getText()) != form_.VisibleLines()[static_cast<size_t>(line)].value) {
      form_.VSFlexGrid1_AfterEdit(line, FromOu(Value()->getText()));
    }
    if (button == "cmdSet") {
      ShowForm();
      return;
    }
    pressed_ = button;
    form_.Click(button);
    if (form_.Hidden()) {
      dialog_->endExecute();
      return;
    }
    ShowForm();
  }
  void SAL_CALL disposing(const css::lang::EventObject&) override {}

 private:
  Reference<awt::XTextComponent> Value() const {
    return Reference<awt::XTextComponent>(container_->getControl("txtValue"), UNO_QUERY_THROW);
  }
  int Line() const {
    Reference<awt::XListBox> grid(container_->getControl("VSFlexGrid1"), UNO_QUERY_THROW);
    return grid->getSelectedItemPos();
  }
  // The value box for a line: its value, and the choices of a choice.
  void ShowValue(int line) {
    const auto& lines = form_.VisibleLines();
    const bool property = line >= 0 && line < static_cast<int>(lines.size()) && lines[line].item >= 0;
    Reference<awt::XComboBox> box(container_->getControl("txtValue"), UNO_QUERY_THROW);
    box->removeItems(0, box->getItemCount());
    const EditorInfo editor = form_.EditorOf(line);
    if (property && editor.kind == EditorKind::kChoice) {
      box->addItems(TextList(text::Split(editor.choices, '|')), 0);
    }
    Value()->setText(ToOu(property ? lines[line].value : ""));
    SetControlText(container_, "lblValue", "Label", property ? lines[line].name + ":" : "");
  }

  frmMaster& form_;
  Reference<awt::XControlContainer> container_;
  Reference<awt::XDialog> dialog_;
  std::string cell_;
  std::string pressed_ = "cmdCancel";
};

std::string ShowDialog(const Reference<css::uno::XComponentContext>& context,
                       const Reference<css::frame::XFrame>& frame, frmMaster& form) {
  DialogModel model(context, form.Caption().empty() ? kTitle : form.Caption(), 280, 250);
  Reference<css::beans::XPropertySet> sources =
      model.Add("com.sun.star.awt.UnoControlListBoxModel", "ComDataSource", 5, 5, 270, 14);
  sources->setPropertyValue("StringItemList", css::uno::Any(TextList(form.ComDataSourceItems())));
  sources->setPropertyValue("Dropdown", css::uno::Any(true));
  model.Add("com.sun.star.awt.UnoControlListBoxModel", "VSFlexGrid1", 5, 22, 270, 170);
  model.Add("com.sun.star.awt.UnoControlFixedTextModel", "lblValue", 5, 198, 90, 10);
  model.Add("com.sun.star.awt.UnoControlComboBoxModel", "txtValue", 95, 196, 120, 13)
      ->setPropertyValue("Dropdown", css::uno::Any(true));
  model.AddButton("cmdSet", "Set", 218, 195, 27);
  model.AddButton("cmdCell", "Cell", 248, 195, 27);
  model.AddButton("cmdHelp", "Help", 5, 226, 40);
  model.AddButton("cmdInsert", "Insert", 130, 226, 46);
  model.AddButton("cmdInsertNew", "Insert New", 179, 226, 50);
  model.AddButton("cmdCancel", "Cancel", 232, 226, 43);
  Reference<awt::XControl> dialog_control = model.Create(frame);
  Reference<awt::XControlContainer> container(dialog_control, UNO_QUERY_THROW);
  Reference<awt::XDialog> dialog(dialog_control, UNO_QUERY_THROW);
  rtl::Reference<Events> events = new Events(form, container, dialog, SelectedCell(frame));
  for (const char* name : {"ComDataSource", "VSFlexGrid1"}) {
    Reference<awt::XListBox> list(container->getControl(rtl::OUString::createFromAscii(name)), UNO_QUERY_THROW);
    list->addItemListener(Reference<awt::XItemListener>(events.get()));
  }
  // A double-click on the grid arrives as its action.
  Reference<awt::XListBox> grid(container->getControl("VSFlexGrid1"), UNO_QUERY_THROW);
  grid->addActionListener(Reference<awt::XActionListener>(events.get()));
  ListenToButtons(container, {"cmdSet", "cmdCell", "cmdInsert", "cmdInsertNew", "cmdHelp", "cmdCancel"},
                  Reference<awt::XActionListener>(events.get()));
  if (!form.HelpAvailable()) Reference<awt::XWindow>(container->getControl("cmdHelp"), UNO_QUERY_THROW)->setVisible(false);
  events->ShowForm();
  ExecuteAndDispose(dialog_control);
  return events->Pressed();
}

// The visible line of a property, -1 when it is not shown.
int LineOf(const frmMaster& form, const std::string& property) {
  const auto& lines = form.VisibleLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].item >= 0 && lines[i].name == property) return static_cast<int>(i);
  }
  return -1;
}

// Plays scripted lines until one closes the editor; the last button.
std::string Play(frmMaster& form, std::string line) {
  for (;;) {
    const std::vector<std::string> fields = text::Split(line, '\t');
    if (fields[0] == "source" && fields.size() == 2) {
      const auto& names = form.ComDataSourceItems();
      const auto found = std::find(names.begin(), names.end(), fields[1]);
      if (found != names.end()) form.ComDataSource_Click(static_cast<int>(found - names.begin()));
    } else if (fields[0] == "value" && fields.size() == 3) {
      form.VSFlexGrid1_AfterEdit(LineOf(form, fields[1]), fields[2]);
    } else {
      const std::string button = fields[0] == "press" && fields.size() == 2 ? fields[1] : "cmdCancel";
      form.Click(button);
      if (form.Hidden()) return button;
    }
    std::optional<std::string> next = NextScriptedAnswer();
    if (!next) {
      form.Click("cmdCancel");
      return "cmdCancel";
    }
    line = *next;
  }
}

}  // namespace

void ShowRowEditorDialog(const Reference<css::uno::XComponentContext>& context,
                         const Reference<css::frame::XFrame>& frame, frmMaster& form) {
  std::string button;
  if (std::optional<std::string> line = NextScriptedAnswer()) {
    button = Play(form, *line);
  } else {
    try {
      button = ShowDialog(context, frame, form);
    } catch (const css::uno::Exception& e) {
      ThrowFromUno(std::string("Cannot show the ") + kTitle, e);
    }
    // Closed without a button (or by a headless office): as Cancel.
    if (!form.Hidden()) form.Click("cmdCancel");
  }
  std::string shown;
  for (const std::string& line : GridLines(form)) shown += (shown.empty() ? "" : "\n") + line;
  LogDialog(kTitle, shown, button);
}

}  // namespace plrxl::calc
