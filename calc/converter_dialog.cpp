#include "calc/converter_dialog.h"

#include <vector>

#include <com/sun/star/awt/XActionListener.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XTextComponent.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

#include "calc/office_dialog.h"
#include "entry/internal/text.h"

namespace plrxl::calc {
namespace {

namespace awt = css::awt;

constexpr const char* kTitle = "Convert a version-1 project";

// The dialog's buttons, passed on to the window's logic with the names as
// typed; the dialog closes when the window hides.
class Events : public cppu::WeakImplHelper1<awt::XActionListener> {
 public:
  Events(frmConverter& form, Reference<awt::XControlContainer> container, Reference<awt::XDialog> dialog)
      : form_(form), container_(std::move(container)), dialog_(std::move(dialog)) {}

  const std::string& Pressed() const { return pressed_; }
  void ShowForm() {
    Text("txtFileNameInput", form_.txtFileNameInput());
    Text("txtFileNameOutput", form_.txtFileNameOutput());
  }

  void SAL_CALL actionPerformed(const awt::ActionEvent& event) override {
    pressed_ = FromOu(event.ActionCommand);
    form_.SetFileNameInput(Text("txtFileNameInput"));
    form_.SetFileNameOutput(Text("txtFileNameOutput"));
    form_.Click(pressed_);
    if (form_.Hidden()) {
      dialog_->endExecute();
      return;
    }
    ShowForm();
  }
  void SAL_CALL disposing(const css::lang::EventObject&) override {}

 private:
  Reference<awt::XTextComponent> Field(const char* name) const {
    return Reference<awt::XTextComponent>(container_->getControl(rtl::OUString::createFromAscii(name)),
                                          UNO_QUERY_THROW);
  }
  std::string Text(const char* name) const { return FromOu(Field(name)->getText()); }
  void Text(const char* name, const std::string& text) { Field(name)->setText(ToOu(text)); }

  frmConverter& form_;
  Reference<awt::XControlContainer> container_;
  Reference<awt::XDialog> dialog_;
  std::string pressed_ = "cmdCancel";
};

std::string ShowDialog(const Reference<css::uno::XComponentContext>& context,
                       const Reference<css::frame::XFrame>& frame, frmConverter& form) {
  DialogModel model(context, kTitle, 300, 70);
  model.Add("com.sun.star.awt.UnoControlFixedTextModel", "lblInput", 5, 8, 70, 10)
      ->setPropertyValue("Label", css::uno::Any(ToOu("Version-1 project:")));
  model.Add("com.sun.star.awt.UnoControlEditModel", "txtFileNameInput", 78, 6, 195, 12);
  model.AddButton("cmdLoadFileInput", "...", 276, 5, 19);
  model.Add("com.sun.star.awt.UnoControlFixedTextModel", "lblOutput", 5, 26, 70, 10)
      ->setPropertyValue("Label", css::uno::Any(ToOu("New project:")));
  model.Add("com.sun.star.awt.UnoControlEditModel", "txtFileNameOutput", 78, 24, 195, 12);
  model.AddButton("cmdLoadFileOutput", "...", 276, 23, 19);
  model.AddButton("cmdCopy", "Copy", 5, 48, 50);
  model.AddButton("cmdCreate", "Create", 190, 48, 50);
  model.AddButton("cmdCancel", "Cancel", 245, 48, 50);
  Reference<awt::XControl> dialog_control = model.Create(frame);
  Reference<awt::XControlContainer> container(dialog_control, UNO_QUERY_THROW);
  Reference<awt::XDialog> dialog(dialog_control, UNO_QUERY_THROW);
  rtl::Reference<Events> events = new Events(form, container, dialog);
  ListenToButtons(container, {"cmdLoadFileInput", "cmdLoadFileOutput", "cmdCopy", "cmdCreate", "cmdCancel"},
                  Reference<awt::XActionListener>(events.get()));
  events->ShowForm();
  ExecuteAndDispose(dialog_control);
  return events->Pressed();
}

// "files<TAB>IN<TAB>OUT": the names typed and Create pressed.
std::string Answer(frmConverter& form, const std::string& line) {
  const std::vector<std::string> fields = text::Split(line, '\t');
  if (fields.size() != 3 || fields[0] != "files") {
    form.Click("cmdCancel");
    return "cmdCancel";
  }
  form.SetFileNameInput(fields[1]);
  form.SetFileNameOutput(fields[2]);
  form.Click("cmdCreate");
  return "cmdCreate";
}

}  // namespace

void ShowConverterDialog(const Reference<css::uno::XComponentContext>& context,
                         const Reference<css::frame::XFrame>& frame, frmConverter& form) {
  while (!form.Hidden()) {
    std::string button;
    if (std::optional<std::string> line = NextScriptedAnswer()) {
      button = Answer(form, *line);
    } else {
      try {
        button = ShowDialog(context, frame, form);
      } catch (const css::uno::Exception& e) {
        ThrowFromUno(std::string("Cannot show the ") + kTitle + " dialog", e);
      }
      // Closed without Create or Cancel (or by a headless office).
      if (!form.Hidden()) form.Click("cmdCancel");
    }
    LogDialog(kTitle, form.txtFileNameInput() + "\n" + form.txtFileNameOutput(), button);
  }
}

}  // namespace plrxl::calc
