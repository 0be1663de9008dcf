// The converter window inside Calc: the office's own dialog over the
// window's logic (frmConverter): the version-1 project to read, the new
// project to write, each with a "..." button that opens the office's file
// dialog, and Copy, Create and Cancel. Create checks both names as the
// window does (a refusal shows its message and keeps the dialog open);
// when they pass the dialog closes and the conversion runs.
//
// A scripted answer (see office_dialog.h) "files<TAB>IN<TAB>OUT" fills both
// names and presses Create; anything else presses Cancel. The log shows
// "Convert a version-1 project", both names and the last button pressed.
#pragma once

#include "calc/uno_parts.h"
#include "forms/converter_form.h"

namespace plrxl::calc {

void ShowConverterDialog(const Reference<css::uno::XComponentContext>& context,
                         const Reference<css::frame::XFrame>& frame, frmConverter& form);

}  // namespace plrxl::calc
