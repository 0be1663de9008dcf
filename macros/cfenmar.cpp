#include "macros/cfenmar.h"

#include <vector>

#include "entry/pelorin.h"
#include "support/ui_port.h"
#include "host/spreadsheet_host.h"
#include "macros/builtin_macros.h"
#include "support/procedure.h"

namespace plrxl {

namespace {

Error ObjectRequired(const std::string& source) { return Error(kErrObjectRequired, source, "Object required"); }

}  // namespace

Variant Cfenmar::ThisWorkbookApplication() const {
  if (!this_workbook_) return Variant();
  return Variant(this_workbook_);
}

void Cfenmar::ThisWorkbookApplication(const Variant& workbook) {
  ComponentCall("Pelorin.Cfenmar.ThisWorkbookApplication", kCfenmarFailure, [&] {
    if (workbook.IsEmpty()) {
      this_workbook_.reset();
      return;
    }
    if (!workbook.IsObject() || dynamic_cast<Workbook*>(workbook.Object().get()) == nullptr) {
      throw Error(kErrTypeMismatch, "Pelorin.Cfenmar.ThisWorkbookApplication", "Type mismatch");
    }
    this_workbook_ = workbook.Object();
  });
}

void Cfenmar::ThisWorkbookApplication(Workbook* workbook) {
  // Aliasing constructor with no owner: the host owns its workbooks.
  this_workbook_ = workbook ? std::shared_ptr<HostObject>(std::shared_ptr<HostObject>(), workbook) : nullptr;
}

CPelorin& Cfenmar::OwnerObject() {
  if (owner_ == nullptr) throw ObjectRequired("Pelorin.Cfenmar.Owner");
  return *owner_;
}

SpreadsheetHost& Cfenmar::App() {
  if (application_ == nullptr) throw ObjectRequired("Pelorin.Cfenmar.ExcelApplication");
  return *application_;
}

Workbook& Cfenmar::ThisWb() {
  auto* workbook = dynamic_cast<Workbook*>(this_workbook_.get());
  if (workbook == nullptr) throw ObjectRequired("Pelorin.Cfenmar.ThisWorkbookApplication");
  return *workbook;
}

Workbook& Cfenmar::ActiveWb() {
  Workbook* workbook = App().ActiveWorkbook();
  if (workbook == nullptr) throw ObjectRequired("Pelorin.Cfenmar.ActiveWorkbook");
  return *workbook;
}

Worksheet& Cfenmar::ActiveSheet() {
  Worksheet* sheet = ActiveWb().ActiveSheet();
  if (sheet == nullptr) throw ObjectRequired("Pelorin.Cfenmar.ActiveSheet");
  return *sheet;
}

Worksheet& Cfenmar::ActivateSettings(int16_t* row) {
  Worksheet& settings = ActiveWb().Worksheets(kSettingsSheet);
  settings.Activate();
  *row = ToInt16(App().ActiveCell().Row(), "Pelorin.Cfenmar");
  return settings;
}

void Cfenmar::ShowErrorBox(const std::string& text) {
  UiPort* ui = OwnerObject().Context().ui;
  if (ui == nullptr) throw ObjectRequired("Pelorin.Cfenmar.RunMyMacro");
  ui->MsgBox(text, MsgButtons::kOk, MsgIcon::kNone, "");
}

void Cfenmar::NoteFailure(const std::string& cause) {
  // The status adds its own full stop after each text.
  std::string text = cause;
  while (!text.empty() && text.back() == '.') text.pop_back();
  // Best effort: a status that cannot be noted must not hide the failure
  // itself from the caller.
  try {
    if (owner_ != nullptr) owner_->WriteLastStatusMsg(0, 0, nullptr, Variant(text), true);
  } catch (...) {
  }
}

std::string Cfenmar::RunMyMacro(const std::string& myMacroName) {
  MacroCall call;
  bool success = true;
  try {
    for (const std::string& call_text : SplitMacroText(myMacroName)) {
      ParseMacroCall(call_text, call);
      if (call.name.empty()) continue;
      if (const BuiltinMacro* builtin = FindBuiltinMacro(LowerAscii(call.name))) {
        // A built-in receives exactly its listed slots: surplus ones are
        // not handed on.
        for (int slot = builtin->last_slot + 1; slot <= kMacroSlots; ++slot) call.Slot(slot).clear();
        builtin->run(*this, *builtin, call.ParameterSlot);
        continue;
      }
      if (call.count <= kMacroSlots) {
        std::vector<Variant> args;
        args.reserve(static_cast<size_t>(call.count));
        for (int slot = 1; slot <= call.count; ++slot) args.emplace_back(call.Slot(slot));
        App().Run(call.name, std::move(args));
      } else {
        success = false;
        NoteFailure("Macro " + call.name + " not run: more than " + std::to_string(kMacroSlots) + " parameters");
      }
      App().DoEvents();
    }
  } catch (...) {
    const Error error = CurrentError();
    const std::string cause = std::to_string(error.Number()) + " - " + error.Description();
    // The cause stays in the row's status whatever the user answers to
    // the question that follows, not only in the box.
    NoteFailure("Macro " + call.name + " failed: " + cause);
    ShowErrorBox("Error Function :" + call.name + "\r\n" + cause);
    return call.name;
  }
  return success ? "Ok" : "";
}

}  // namespace plrxl
