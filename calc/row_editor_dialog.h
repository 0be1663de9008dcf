// The row editor inside Calc: the office's own dialog over the editor's
// logic (frmMaster). The data source is a drop-down list; the property
// grid is a list of lines, categories marked "+" (folded) or "-", each
// property with its value. Choosing a line puts its value in the box
// below; Set commits what the box holds (a drop-down of the choices for a
// choice, a date as dd.mm.yyyy). A double-click folds a category or starts
// on a value. For the cell where the data begins, "Cell" fills the box
// with the cell selected in the document (select it before choosing Edit
// row), or the address is typed ('Prices'!$B$3). Insert, Insert New, Help
// and Cancel are the editor's.
//
// A scripted answer (see office_dialog.h) is a run of lines, each one
// action: "source<TAB>NAME" picks a data source,
// "value<TAB>PROPERTY<TAB>TEXT" sets a property's value, "press<TAB>BUTTON"
// presses cmdInsert, cmdInsertNew or cmdCancel; the run ends at a press
// that closes the editor. The log shows "Row editor", the grid's lines and
// the button that closed it.
#pragma once

#include "calc/uno_parts.h"
#include "forms/row_editor_form.h"

namespace plrxl::calc {

void ShowRowEditorDialog(const Reference<css::uno::XComponentContext>& context,
                         const Reference<css::frame::XFrame>& frame, frmMaster& form);

}  // namespace plrxl::calc
