// What the extension's dialogs share: an office dialog built from control
// models, the testing aids that answer and log dialogs, and the parent
// window. The dialogs themselves are selective_update_dialog.h,
// row_editor_dialog.h and converter_dialog.h.
//
// Testing aids: when PLRXL_CALC_UI_ANSWERS names a file that exists, a
// dialog takes its first line as the answer in place of a person and takes
// the line out of the file; with PLRXL_CALC_UI_LOG set, every showing is
// appended to that file as a line "title<TAB>what it showed<TAB>button".
// A headless office answers a dialog at once as if closed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <com/sun/star/awt/XActionListener.hpp>
#include <com/sun/star/awt/XControl.hpp>
#include <com/sun/star/awt/XControlContainer.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>

#include "calc/uno_parts.h"

namespace plrxl::calc {

// A dialog's model; sizes are in the office's dialog units.
class DialogModel {
 public:
  DialogModel(const Reference<css::uno::XComponentContext>& context, const std::string& title, sal_Int32 width,
              sal_Int32 height);
  // Adds a control model of `service` ("com.sun.star.awt.UnoControlButtonModel") named `name`.
  Reference<css::beans::XPropertySet> Add(const char* service, const std::string& name, sal_Int32 x, sal_Int32 y,
                                          sal_Int32 width, sal_Int32 height);
  Reference<css::beans::XPropertySet> AddButton(const std::string& name, const std::string& label, sal_Int32 x,
                                                sal_Int32 y, sal_Int32 width);
  // The dialog itself, its window made in front of the frame's window.
  Reference<css::awt::XControl> Create(const Reference<css::frame::XFrame>& frame) const;

 private:
  Reference<css::uno::XComponentContext> context_;
  Reference<css::beans::XPropertySet> model_;
  Reference<css::lang::XMultiServiceFactory> factory_;
  Reference<css::container::XNameContainer> controls_;
};

// Texts as the office's list controls take them.
css::uno::Sequence<rtl::OUString> TextList(const std::vector<std::string>& texts);

// Sets the text shown by a control of a dialog ("Label" or "Text").
void SetControlText(const Reference<css::awt::XControlContainer>& container, const char* control, const char* property,
                    const std::string& text);

// Sends the presses of the named buttons to `listener`, each with its name
// as the action command; a name the dialog has no button for is skipped.
void ListenToButtons(const Reference<css::awt::XControlContainer>& container, const std::vector<const char*>& names,
                     const Reference<css::awt::XActionListener>& listener);
// Shows the dialog until it ends, then lets its window go.
void ExecuteAndDispose(const Reference<css::awt::XControl>& dialog);

std::optional<std::string> NextScriptedAnswer();
void LogDialog(const std::string& title, const std::string& shown, const std::string& button);

}  // namespace plrxl::calc
