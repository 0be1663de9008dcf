#include "calc/office_ui.h"

#include "calc/converter_dialog.h"
#include "calc/row_editor_dialog.h"
#include "calc/selective_update_dialog.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include <com/sun/star/awt/MessageBoxButtons.hpp>
#include <com/sun/star/awt/MessageBoxResults.hpp>
#include <com/sun/star/awt/MessageBoxType.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XMessageBox.hpp>
#include <com/sun/star/awt/XMessageBoxFactory.hpp>
#include <com/sun/star/awt/XReschedule.hpp>
#include <com/sun/star/task/XStatusIndicatorFactory.hpp>
#include <com/sun/star/ui/dialogs/ExecutableDialogResults.hpp>
#include <com/sun/star/ui/dialogs/FilePicker.hpp>
#include <com/sun/star/ui/dialogs/TemplateDescription.hpp>
#include <com/sun/star/ui/dialogs/XFilePicker3.hpp>
#include <osl/file.hxx>

#include "support/error_dialog.h"
#include "support/msg_result_name.h"

namespace plrxl::calc {
namespace {

namespace awt = css::awt;

awt::MessageBoxType BoxType(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::kCritical: return awt::MessageBoxType_ERRORBOX;
    case MsgIcon::kQuestion: return awt::MessageBoxType_QUERYBOX;
    case MsgIcon::kExclamation: return awt::MessageBoxType_WARNINGBOX;
    case MsgIcon::kInformation: return awt::MessageBoxType_INFOBOX;
    case MsgIcon::kNone: break;
  }
  return awt::MessageBoxType_MESSAGEBOX;
}

sal_Int32 BoxButtons(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::kOk: return awt::MessageBoxButtons::BUTTONS_OK;
    case MsgButtons::kOkCancel: return awt::MessageBoxButtons::BUTTONS_OK_CANCEL;
    case MsgButtons::kAbortRetryIgnore: return awt::MessageBoxButtons::BUTTONS_ABORT_IGNORE_RETRY;
    case MsgButtons::kYesNoCancel: return awt::MessageBoxButtons::BUTTONS_YES_NO_CANCEL;
    case MsgButtons::kYesNo: return awt::MessageBoxButtons::BUTTONS_YES_NO;
    case MsgButtons::kRetryCancel: return awt::MessageBoxButtons::BUTTONS_RETRY_CANCEL;
  }
  return awt::MessageBoxButtons::BUTTONS_OK;
}

// The office's answer as the system numbers it. Closing a box (or a
// headless office, which closes every box at once) answers Cancel; a box
// without a Cancel button reads that as its most careful button.
MsgResult Answer(sal_Int16 result, MsgButtons buttons) {
  switch (result) {
    case awt::MessageBoxResults::OK: return MsgResult::kOk;
    case awt::MessageBoxResults::YES: return MsgResult::kYes;
    case awt::MessageBoxResults::NO: return MsgResult::kNo;
    case awt::MessageBoxResults::RETRY: return MsgResult::kRetry;
    case awt::MessageBoxResults::IGNORE: return MsgResult::kIgnore;
    default: break;
  }
  switch (buttons) {
    case MsgButtons::kOk: return MsgResult::kOk;
    case MsgButtons::kYesNo: return MsgResult::kNo;
    case MsgButtons::kAbortRetryIgnore: return MsgResult::kAbort;
    default: return MsgResult::kCancel;
  }
}

void LogBox(const std::string& title, const std::string& prompt, MsgResult answer) {
  const char* log = std::getenv("PLRXL_CALC_UI_LOG");
  if (log == nullptr || *log == '\0') return;
  std::string line = title + "\t";
  for (char c : prompt) {
    if (c == '\n') line += "\\n";
    else if (c != '\r') line += c;
  }
  std::ofstream(log, std::ios::app) << line << "\t" << MsgResultName(answer) << "\n";
}

std::string FileUrlOf(const std::string& path) {
  if (path.empty()) return "";
  try {
    return FromOu(FileUrl(path));
  } catch (const Error&) {
    return "";  // the dialog opens in its own folder
  }
}

std::string SystemPathOf(const rtl::OUString& url) {
  rtl::OUString path;
  if (osl::FileBase::getSystemPathFromFileURL(url, path) != osl::FileBase::E_None) return FromOu(url);
  return FromOu(path);
}

}  // namespace

OfficeUi::OfficeUi(Reference<css::uno::XComponentContext> context, Reference<css::frame::XFrame> frame)
    : context_(std::move(context)), frame_(std::move(frame)) {}

MsgResult OfficeUi::MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) {
  MsgResult answer = Answer(awt::MessageBoxResults::CANCEL, buttons);
  try {
    Reference<awt::XWindowPeer> parent(frame_.is() ? frame_->getContainerWindow() : nullptr, UNO_QUERY);
    Reference<awt::XMessageBoxFactory> factory(awt::Toolkit::create(context_), UNO_QUERY_THROW);
    Reference<awt::XMessageBox> box = factory->createMessageBox(parent, BoxType(icon), BoxButtons(buttons),
                                                                ToOu(title.empty() ? "PelorinXL" : title), ToOu(prompt));
    if (box.is()) answer = Answer(box->execute(), buttons);
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot show a message box", e);
  }
  LogBox(title, prompt, answer);
  return answer;
}

void OfficeUi::ShowModal(Form& form) {
  if (auto* dialog = dynamic_cast<ErrorMessageDialog*>(&form)) {
    const MsgResult answer = MsgBox(dialog->ErrorMessage(), MsgButtons::kAbortRetryIgnore, MsgIcon::kCritical, "Error");
    form.Click(answer == MsgResult::kRetry ? "btnRetry" : answer == MsgResult::kIgnore ? "btnIgnore" : "btnAbort");
    return;
  }
  if (auto* selective = dynamic_cast<frmSelectiveUpdateWindow*>(&form)) {
    ShowSelectiveUpdateDialog(context_, frame_, *selective);
    return;
  }
  if (auto* editor = dynamic_cast<frmMaster*>(&form)) {
    editor->RunHeadless(*this);
    ShowRowEditorDialog(context_, frame_, *editor);
    return;
  }
  if (auto* converter = dynamic_cast<frmConverter*>(&form)) {
    converter->RunHeadless(*this);
    ShowConverterDialog(context_, frame_, *converter);
    // Create passed its checks: the conversion writes this file next.
    if (converter->Tag == "1") converted_file_ = converter->txtFileNameOutput();
    return;
  }
  if (form.FormName() != "ProgressBarWindow") {
    throw Error(kErrRange, "PelorinXL", "The window " + form.FormName() + " does not open inside Calc");
  }
  Form* outer = shown_;
  shown_ = &form;
  try {
    form.RunHeadless(*this);
  } catch (...) {
    shown_ = outer;
    throw;
  }
  shown_ = outer;
}

bool OfficeUi::CancelShownForm() {
  if (shown_ == nullptr) return false;
  shown_->CancelRequested();
  return true;
}

void OfficeUi::ProcessEvents() {
  try {
    // One pass over what waits, without waiting for more: the office's
    // idle work (recalculation, autosave timers) must not hold up the run.
    if (!reschedule_.is()) reschedule_.set(awt::Toolkit::create(context_), UNO_QUERY);
    // The toolkit's one-pass yield is marked deprecated in favour of the
    // waiting processEventsToIdle; it is the one that does not wait.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (reschedule_.is()) reschedule_->reschedule();
#pragma GCC diagnostic pop
  } catch (const css::uno::Exception&) {
    // An office that cannot yield now yields at the next call.
  }
}

std::vector<std::string> OfficeUi::OpenFileDialog(const FileDialogOptions& options) {
  namespace dialogs = css::ui::dialogs;
  std::vector<std::string> chosen;
  try {
    Reference<dialogs::XFilePicker3> picker =
        dialogs::FilePicker::createWithMode(context_, dialogs::TemplateDescription::FILEOPEN_SIMPLE);
    if (!options.title.empty()) picker->setTitle(ToOu(options.title));
    for (const auto& [description, patterns] : options.filters) picker->appendFilter(ToOu(description), ToOu(patterns));
    if (const std::string folder = FileUrlOf(options.initial_dir); !folder.empty())
      picker->setDisplayDirectory(ToOu(folder));
    picker->setMultiSelectionMode(options.multi_select);
    if (picker->execute() != dialogs::ExecutableDialogResults::OK) return chosen;
    for (const rtl::OUString& url : picker->getSelectedFiles()) chosen.push_back(SystemPathOf(url));
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot show the file dialog", e);
  }
  return chosen;
}

std::optional<std::string> OfficeUi::SaveFileDialog(const FileDialogOptions& options) {
  namespace dialogs = css::ui::dialogs;
  try {
    Reference<dialogs::XFilePicker3> picker =
        dialogs::FilePicker::createWithMode(context_, dialogs::TemplateDescription::FILESAVE_SIMPLE);
    if (!options.title.empty()) picker->setTitle(ToOu(options.title));
    for (const auto& [description, patterns] : options.filters) picker->appendFilter(ToOu(description), ToOu(patterns));
    if (const std::string folder = FileUrlOf(options.initial_dir); !folder.empty())
      picker->setDisplayDirectory(ToOu(folder));
    if (!options.default_name.empty()) picker->setDefaultName(ToOu(options.default_name));
    if (picker->execute() != dialogs::ExecutableDialogResults::OK) return std::nullopt;
    const auto files = picker->getSelectedFiles();
    if (files.getLength() == 0) return std::nullopt;
    std::string path = SystemPathOf(files[0]);
    if (!options.default_ext.empty() && path.find('.', path.rfind('/') + 1) == std::string::npos)
      path += "." + options.default_ext;
    return path;
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot show the file dialog", e);
  }
}

StatusBarView::StatusBarView(const Reference<css::frame::XFrame>& frame) {
  try {
    Reference<css::task::XStatusIndicatorFactory> factory(frame, UNO_QUERY);
    if (factory.is()) indicator_ = factory->createStatusIndicator();
  } catch (const css::uno::Exception&) {
    // A frame without a status bar shows no progress; the run goes on.
  }
}

StatusBarView::~StatusBarView() { Closed(); }

void StatusBarView::Start() {
  if (started_ || !indicator_.is()) return;
  try {
    indicator_->start(ToOu(caption_.empty() ? "PelorinXL" : caption_), 100);
    started_ = true;
  } catch (const css::uno::Exception&) {
  }
}

void StatusBarView::Show() {
  Start();
  if (!started_) return;
  try {
    indicator_->setText(ToOu(message_.empty() ? caption_ : caption_ + ": " + message_));
  } catch (const css::uno::Exception&) {
  }
}

void StatusBarView::CaptionsChanged(const std::string& caption, const std::string&) {
  caption_ = caption;
  Show();
}

void StatusBarView::ProgressChanged(int percent, const std::string&) {
  Start();
  if (!started_) return;
  try {
    indicator_->setValue(std::clamp(percent, 0, 100));
  } catch (const css::uno::Exception&) {
  }
}

void StatusBarView::MessageChanged(const std::string& text) {
  message_ = text;
  Show();
}

void StatusBarView::RowFinished(int16_t, const std::string&, const std::string&, bool failed) {
  ++rows_;
  if (failed) ++failed_rows_;
}

void StatusBarView::Closed() {
  if (!started_) return;
  started_ = false;
  try {
    indicator_->end();
  } catch (const css::uno::Exception&) {
  }
}

}  // namespace plrxl::calc
