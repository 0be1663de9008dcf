// The selective update window inside Calc: the office's own dialog over
// the window's logic (frmSelectiveUpdateWindow). The list shows the ticker
// table, one line a row, the defaults row first; the buttons are the
// window's. A run button closes the dialog and runs on the rows selected;
// the dialog then opens again with them, as the window stays open after a
// run. Cancel (or closing the dialog) ends it.
//
// A scripted answer (see office_dialog.h) "rows 1,3 cmdUpdate" selects list
// rows 1 and 3 (0 is the defaults row) and presses Update; anything else
// presses Cancel. The log shows "Select rows", the list's lines and the
// button.
#pragma once

#include "calc/uno_parts.h"
#include "forms/selective_update_form.h"

namespace plrxl::calc {

void ShowSelectiveUpdateDialog(const Reference<css::uno::XComponentContext>& context,
                               const Reference<css::frame::XFrame>& frame, frmSelectiveUpdateWindow& form);

}  // namespace plrxl::calc
