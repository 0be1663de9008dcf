#include "calc/command_run.h"

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/system/SystemShellExecute.hpp>
#include <com/sun/star/system/SystemShellExecuteFlags.hpp>

#include "calc/office_ui.h"
#include "companion/companion_functions.h"
#include "download/finished_look.h"
#include "download/macro_runner.h"
#include "entry/converter.h"
#include "entry/pelorin.h"
#include "forms/error_message_form.h"
#include "forms/window_forms.h"
#include "entry/project_template.h"
#include "host/calc/internal/calc_objects.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "quotes/quote_component.h"
#include "quotes/quote_settings.h"
#include "support/clock.h"
#include "support/settings_store.h"

namespace plrxl::calc {
namespace {

constexpr const char* kTitle = "PelorinXL";

// The UI of the run in progress, for Cancel run; null between runs.
OfficeUi* g_running = nullptr;

struct RunningGuard {
  explicit RunningGuard(OfficeUi& ui) { g_running = &ui; }
  ~RunningGuard() { g_running = nullptr; }
};

// The writes of a run as one entry of the document's undo list (Calc takes
// back only part of what a run changes with it).
class UndoStep {
 public:
  UndoStep(const Reference<css::frame::XModel>& model, const std::string& title) {
    try {
      Reference<css::document::XUndoManagerSupplier> supplier(model, UNO_QUERY);
      if (supplier.is()) manager_ = supplier->getUndoManager();
      if (manager_.is()) manager_->enterUndoContext(ToOu(title));
    } catch (const css::uno::Exception&) {
      manager_.clear();  // a document without undo still runs
    }
  }
  ~UndoStep() {
    try {
      if (manager_.is()) manager_->leaveUndoContext();
    } catch (const css::uno::Exception&) {
    }
  }
  UndoStep(const UndoStep&) = delete;
  UndoStep& operator=(const UndoStep&) = delete;

 private:
  Reference<css::document::XUndoManager> manager_;
};

// Everything a command needs around one CPelorin: the office as the host
// sees it, the host over the open documents, the run context.
class Session {
 public:
  Session(const Reference<css::uno::XComponentContext>& context, const Reference<css::frame::XFrame>& frame,
          OfficeUi& ui)
      : ui_(ui), settings_(SettingsStore::ForUser()) {
    auto impl = std::make_unique<CalcOffice::Impl>();
    impl->context = context;
    impl->desktop = css::frame::Desktop::create(context);
    office_ = CalcOffice::Adopt(std::move(impl));
    CalcHostOptions options;
    options.hidden = false;
    host_ = std::make_unique<CalcHost>(*office_, RegionalSettings::FromLocale(), options);
    RegisterCompanionFunctions(*host_);
    host_->SetDoEventsHook([this] { ui_.ProcessEvents(); });
    frame_ = frame;
    context_ = context;
    rc_.host = host_.get();
    rc_.ui = &ui_;
    rc_.clock = &clock_;
    rc_.settings = &settings_;
    rc_.MakeErrorDialog = MakeErrorMessageFormFactory([context](const std::string& url) { OpenUrl(context, url); });
    rc_.Path = PLRXL_HELP_FOLDER;
  }

  ~Session() {
    pelorin_.reset();
    host_.reset();  // lets the documents go; they stay open
  }

  static void OpenUrl(const Reference<css::uno::XComponentContext>& context, const std::string& url) {
    try {
      css::system::SystemShellExecute::create(context)->execute(
          ToOu(url), "", css::system::SystemShellExecuteFlags::URIS_ONLY);
    } catch (const css::uno::Exception& e) {
      ThrowFromUno("Cannot open " + url, e);
    }
  }

  Workbook& Adopt(const Reference<css::frame::XModel>& model) {
    return host_->AdoptDocument(Reference<css::lang::XComponent>(model, UNO_QUERY));
  }
  // The quote sources read their settings beside the project file.
  void SetProjectFolder(const std::string& folder) {
    rc_.MakeQuoteFetcher = [folder, host = host_.get()] {
      return MakeQuoteFetcher(LoadQuoteSettings(folder, host->Regional()));
    };
  }
  CPelorin& Pelorin(Workbook* workbook) {
    pelorin_ = std::make_unique<CPelorin>(rc_);
    pelorin_->ExcelApplication(host_.get());
    if (workbook != nullptr) {
      host_->SetActiveWorkbook(*workbook);
      pelorin_->ThisWorkbookApplication(workbook);
    }
    return *pelorin_;
  }
  RunContext& Context() { return rc_; }

 private:
  OfficeUi& ui_;
  Reference<css::uno::XComponentContext> context_;
  Reference<css::frame::XFrame> frame_;
  std::unique_ptr<CalcOffice> office_;
  std::unique_ptr<CalcHost> host_;
  SystemClock clock_;
  SettingsStore settings_;
  RunContext rc_;
  std::unique_ptr<CPelorin> pelorin_;
};

Reference<css::frame::XModel> FrameDocument(const Reference<css::frame::XFrame>& frame) {
  if (!frame.is()) return nullptr;
  Reference<css::frame::XController> controller = frame->getController();
  return controller.is() ? controller->getModel() : nullptr;
}

bool IsSpreadsheet(const Reference<css::frame::XModel>& model) {
  return Reference<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY).is();
}

void RunProject(const Reference<css::uno::XComponentContext>& context, const Reference<css::frame::XFrame>& frame,
                const ExtensionCommand& command, OfficeUi& ui) {
  const Reference<css::frame::XModel> model = FrameDocument(frame);
  if (!IsSpreadsheet(model)) {
    ui.MsgBox(std::string(command.label) + " runs on a spreadsheet; this window holds no spreadsheet.",
              MsgButtons::kOk, MsgIcon::kExclamation, kTitle);
    return;
  }
  Session session(context, frame, ui);
  Workbook& wb = session.Adopt(model);
  if (wb.FindWorksheet(kParametersSheet) == nullptr) {
    ui.MsgBox("This document is not a PelorinXL project: it has no \"" + std::string(kParametersSheet) +
                  "\" sheet. New project makes one.",
              MsgButtons::kOk, MsgIcon::kExclamation, kTitle);
    return;
  }
  session.SetProjectFolder(wb.Path().empty() ? std::filesystem::current_path().string() : wb.Path());
  StatusBarView view(frame);
  InstallDownloadEngine(session.Context(), &view);
  InstallWindowForms(session.Context());
  RunningGuard running(ui);
  UndoStep undo(model, std::string("PelorinXL ") + command.label);
  // The host keeps writes (column widths too) waiting: they go to the
  // document before the undo entry closes, whatever ends the run.
  struct SendWaitingWrites {
    CalcWorkbook& book;
    ~SendWaitingWrites() {
      try {
        book.Flush();
      } catch (const Error&) {
        // Letting the document go tries again and says why.
      }
    }
  } send_waiting_writes{static_cast<CalcWorkbook&>(wb)};
  CPelorin& pelorin = session.Pelorin(&wb);
  const std::string action = command.detail;
  if (action == "SelectiveUpdate") {
    pelorin.SelectiveUpdatePelorinXL();
  } else if (action == "EditRow") {
    // The office dialog takes the cell where the data begins from the
    // document's selection or as typed: the editor does not hide to ask.
    pelorin.ShowRefEditInterface();
    pelorin.UnloadfrmMaster();
  } else if (action == "Update") {
    pelorin.UpdateData();
  } else if (action == "RunOnlyMacros") {
    pelorin.RunOnlyMacros();
  } else {
    pelorin.RefreshData();
  }
  if (view.Rows() > 0) {
    try {
      FinishWorkbookLook(wb);
    } catch (const Error&) {
      // The finish is looks only (column widths, frozen title rows): a
      // document without a window (hidden, in a headless office) cannot
      // freeze panes, and the rows' work stands without it.
    }
  }
  view.Closed();
}

void ShowHelp(const Reference<css::uno::XComponentContext>& context, const Reference<css::frame::XFrame>& frame,
              OfficeUi& ui) {
  Session session(context, frame, ui);
  RunHelpPelorinXL(session.Context());
}

// An office started without a display: with --headless (or --invisible),
// or with no display to show windows on.
bool OfficeIsHeadless() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  for (std::string arg; std::getline(in, arg, '\0');) {
    if (arg == "--headless" || arg == "-headless" || arg == "--invisible" || arg == "-invisible") return true;
  }
  return std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
}

// Opens a file as a document of the office: hidden, then shown where the
// office has a display (a headless office fails to open a document in a
// window, and ends when asked to show one). `as_template`: untitled, for
// the person to save where they choose.
void OpenInOffice(const Reference<css::uno::XComponentContext>& context, const std::string& path, bool as_template) {
  css::uno::Sequence<css::beans::PropertyValue> args(2);
  args[0].Name = "AsTemplate";
  args[0].Value <<= as_template;
  args[1].Name = "Hidden";
  args[1].Value <<= true;
  Reference<css::frame::XComponentLoader> loader(css::frame::Desktop::create(context), UNO_QUERY_THROW);
  const Reference<css::frame::XModel> document(loader->loadComponentFromURL(FileUrl(path), "_blank", 0, args),
                                               UNO_QUERY);
  if (!document.is()) throw Error(kErrInvalidCall, kTitle, "the office did not open " + path);
  if (OfficeIsHeadless()) return;
  const Reference<css::frame::XController> controller = document->getCurrentController();
  if (!controller.is() || !controller->getFrame().is()) return;
  const Reference<css::awt::XWindow> window = controller->getFrame()->getContainerWindow();
  if (window.is()) window->setVisible(true);
}

// A new project opens as a new, untitled document, for the user to save
// where they choose: it is made as `pelorinxl new` makes it, into a scratch
// file, and opened from that as from a template.
void NewProject(const Reference<css::uno::XComponentContext>& context) {
  std::string scratch = (std::filesystem::temp_directory_path() / "pelorinxl-project-XXXXXX.xlsx").string();
  const int fd = mkstemps(scratch.data(), 5);
  if (fd < 0) throw Error(kErrInvalidCall, kTitle, "cannot make a scratch file for the new project: " + scratch);
  close(fd);
  struct Remove {
    std::string path;
    ~Remove() { std::filesystem::remove(path); }
  } remove{scratch};
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings::FromLocale());
    AddNewProjectWorkbook(host, SystemClock().Now()).SaveAs(scratch);
  }
  OpenInOffice(context, scratch, true);
}

// The converter converts files, as `pelorinxl convert` does: it reads the
// version-1 project and writes the new one in the system's own workbook
// model, from a new project that supplies the column titles and messages.
// The new project then opens in the office.
void ConvertProject(const Reference<css::uno::XComponentContext>& context, OfficeUi& ui) {
  MemoryHost host(MakeXlsxStore(), RegionalSettings::FromLocale());
  SystemClock clock;
  SettingsStore settings = SettingsStore::ForUser();
  RunContext rc;
  rc.host = &host;
  rc.ui = &ui;
  rc.clock = &clock;
  rc.settings = &settings;
  rc.MakeErrorDialog =
      MakeErrorMessageFormFactory([context](const std::string& url) { Session::OpenUrl(context, url); });
  rc.Path = PLRXL_HELP_FOLDER;
  CPelorin pelorin(rc);
  pelorin.ExcelApplication(&host);
  Workbook& project = host.AddWorkbook();
  CreateProjectWorkbook(pelorin, project, clock.Now());
  pelorin.ActivateWorkBookName(project.Name());
  WindowFormOptions forms;
  forms.version_one_check = [&pelorin](const std::string& path) { return CheckFilePelorinXL(pelorin, path); };
  InstallWindowForms(rc, forms);
  pelorin.ShowConverterFromPelorin1IntoPelorin2();
  const std::string converted = ui.ConvertedFile();
  if (!converted.empty() && std::filesystem::exists(converted)) {
    OpenInOffice(context, std::filesystem::absolute(converted).string(), false);
  }
}

void Cancel(OfficeUi& ui) {
  if (g_running != nullptr && g_running->CancelShownForm()) return;
  ui.MsgBox("No PelorinXL run is in progress.", MsgButtons::kOk, MsgIcon::kInformation, kTitle);
}

void Dispatch(const Reference<css::uno::XComponentContext>& context, const Reference<css::frame::XFrame>& frame,
              const ExtensionCommand& command, OfficeUi& ui) {
  if (command.kind == CommandKind::kCancel) {
    Cancel(ui);
    return;
  }
  if (g_running != nullptr) {
    ui.MsgBox("A PelorinXL run is in progress. Wait until it ends, or choose Cancel run.", MsgButtons::kOk,
              MsgIcon::kExclamation, kTitle);
    return;
  }
  switch (command.kind) {
    case CommandKind::kRun: RunProject(context, frame, command, ui); break;
    case CommandKind::kHelp: ShowHelp(context, frame, ui); break;
    case CommandKind::kNewProject: NewProject(context); break;
    case CommandKind::kConvert: ConvertProject(context, ui); break;
    case CommandKind::kCancel: break;
  }
}

}  // namespace

void RunExtensionCommand(const Reference<css::uno::XComponentContext>& context,
                         const Reference<css::frame::XFrame>& frame, const ExtensionCommand& command) {
  OfficeUi ui(context, frame);
  std::string failure;
  try {
    Dispatch(context, frame, command, ui);
    return;
  } catch (const Error& e) {
    failure = e.Description();
  } catch (const css::uno::Exception& e) {
    failure = FromOu(e.Message);
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "an unknown failure";
  }
  try {
    const std::string kept =
        command.kind == CommandKind::kRun ? "\n\nThe document keeps what the run wrote before the failure." : "";
    ui.MsgBox(std::string(command.label) + " failed: " + failure + kept,
              MsgButtons::kOk, MsgIcon::kCritical, kTitle);
  } catch (...) {
    // Nothing is left to show it with; the office goes on.
  }
}

}  // namespace plrxl::calc
