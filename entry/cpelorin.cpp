// CPelorin: lifecycle, simple members and the services every member uses.
#include <memory>

#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "support/clock.h"
#include "support/error_handler.h"

namespace plrxl {

namespace {

// The fallback clock when the context was given none; it keeps no state.
const Clock& MachineClock() {
  static const SystemClock clock;
  return clock;
}

Error ObjectRequired() { return Error(kErrObjectRequired, "PlrXL2", "Object required"); }

}  // namespace

// Set-up and tear-down follow no error pattern: a failing Init reaches the
// creator at once.
CPelorin::CPelorin(RunContext& context) : context_(context) {
  ErrorHandlerServices services;
  services.ui = context_.ui;
  services.clock = context_.clock != nullptr ? context_.clock : &MachineClock();
  services.regional = context_.host != nullptr ? context_.host->Regional() : RegionalSettings::FromLocale();
  services.event_log = context_.event_log;
  services.make_dialog = context_.MakeErrorDialog;
  auto handler = std::make_shared<CErrorHandler>(std::move(services));
  handler->Init(kActionErrorDialog, "Error Log.txt", true, false, kTraceLogFile, "Tracing Log.txt");
  context_.g_ObjErrorHandler = std::move(handler);
  ++context_.CPelorinInstances;
}

CPelorin::~CPelorin() {
  if (--context_.CPelorinInstances <= 0) {
    context_.CPelorinInstances = 0;
    context_.g_ObjErrorHandler.reset();
  }
}

std::string CPelorin::Path() {
  Procedure proc(context_, "Pelorin.CPelorin.Path");
  return context_.Path;
}

void CPelorin::Path(const std::string& value) {
  Procedure proc(context_, "Pelorin.CPelorin.Path");
  context_.Path = value;
}

SpreadsheetHost* CPelorin::ExcelApplication() {
  Procedure proc(context_, "Pelorin.CPelorin.ExcelApplication");
  return excel_application_;
}

void CPelorin::ExcelApplication(SpreadsheetHost* application) {
  Procedure proc(context_, "Pelorin.CPelorin.ExcelApplication");
  excel_application_ = application;
}

Workbook* CPelorin::ThisWorkbookApplication() {
  Procedure proc(context_, "Pelorin.CPelorin.ThisWorkbookApplication");
  return this_workbook_;
}

void CPelorin::ThisWorkbookApplication(Workbook* workbook) {
  Procedure proc(context_, "Pelorin.CPelorin.ThisWorkbookApplication");
  this_workbook_ = workbook;
}

std::string CPelorin::ActivateWorkBookName() {
  Procedure proc(context_, "Pelorin.CPelorin.ActivateWorkBookName");
  return activate_workbook_name_;
}

void CPelorin::ActivateWorkBookName(const std::string& name) {
  Procedure proc(context_, "Pelorin.CPelorin.ActivateWorkBookName");
  activate_workbook_name_ = name;
}

std::string CPelorin::RefEditInputs() {
  Procedure proc(context_, "Pelorin.CPelorin.RefEditInputs");
  std::string text;
  proc.Do([&] { text = RowEditor().DataBeginning(); });
  return text;
}

void CPelorin::RefEditInputs(const std::string& value) {
  Procedure proc(context_, "Pelorin.CPelorin.RefEditInputs");
  // A picked range keeps only its first cell: Sheet1!$B$3:$D$9 -> Sheet1!$B$3.
  const size_t colon = value.find(':');
  const std::string first_cell = colon == std::string::npos ? value : value.substr(0, colon);
  proc.Do([&] { RowEditor().SetDataBeginning(first_cell); });
}

// --- services ---

SpreadsheetHost& CPelorin::App() {
  if (excel_application_ == nullptr) throw ObjectRequired();
  return *excel_application_;
}

Workbook& CPelorin::ThisWb() {
  if (this_workbook_ == nullptr) throw ObjectRequired();
  return *this_workbook_;
}

Worksheet& CPelorin::ParametersSheet() { return ThisWb().Worksheets(kParametersSheet); }

UiPort& CPelorin::Ui() {
  if (context_.ui == nullptr) throw ObjectRequired();
  return *context_.ui;
}

Range CPelorin::Anchor(Workbook& workbook) { return workbook.NameRange(kRangeTickerName); }

namespace {

// The single instance of a window, made by its maker on first use.
template <class W, class Maker>
W& SingleInstance(std::unique_ptr<W>& slot, const Maker& maker, RunContext& context) {
  if (!slot) {
    if (!maker) throw ObjectRequired();
    slot = maker(context);
    if (!slot) throw ObjectRequired();
  }
  return *slot;
}

}  // namespace

EntryWindow& CPelorin::ProgressWindow() {
  return SingleInstance(context_.windows.ProgressBarWindow, context_.factories.ProgressBarWindow, context_);
}

RowEditorWindow& CPelorin::RowEditor() {
  return SingleInstance(context_.windows.frmMaster, context_.factories.frmMaster, context_);
}

EntryWindow& CPelorin::SelectiveWindow() {
  return SingleInstance(context_.windows.frmSelectiveUpdateWindow, context_.factories.frmSelectiveUpdateWindow,
                        context_);
}

ConverterWindow& CPelorin::Converter() {
  return SingleInstance(context_.windows.frmConverter, context_.factories.frmConverter, context_);
}

void CPelorin::ShowOwned(EntryWindow& window) {
  window.SetOwner(this);
  Ui().ShowModal(window);
}

// --- members whose bodies live in other folders ---

std::string CPelorin::RunAllMacros(Workbook& myWorkbook, Worksheet& mySettings, const std::string& mySheet,
                                   int16_t myRow) {
  Procedure proc(context_, "Pelorin.CPelorin.RunAllMacros");
  std::string result;
  // The per-row macro runner needs the macro engine; the run driver's folder
  // plugs it in. Without it no macro runs and the run goes on.
  if (context_.hooks.RunAllMacros) {
    proc.Do([&] { result = context_.hooks.RunAllMacros(*this, myWorkbook, mySettings, mySheet, myRow); });
  }
  return result;
}

std::string CPelorin::RunMyMacro(const std::string& myMacroName) {
  Procedure proc(context_, "Pelorin.CPelorin.RunMyMacro");
  std::string result;
  // Runs the macro text through a fresh macro engine, plugged in by the
  // folder that owns it; without it nothing runs.
  if (context_.hooks.RunMyMacro) {
    proc.Do([&] { result = context_.hooks.RunMyMacro(*this, myMacroName); });
  }
  return result;
}


}  // namespace plrxl
