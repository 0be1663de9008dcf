#include "forms/qt/qt_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>

#include "forms/converter_form.h"
#include "forms/error_message_form.h"
#include "forms/qt/converter_dialog.h"
#include "forms/qt/error_dialog.h"
#include "forms/qt/progress_dialog.h"
#include "forms/qt/qt_windows.h"
#include "forms/qt/range_pick_dialog.h"
#include "forms/qt/row_editor_dialog.h"
#include "forms/qt/selective_update_dialog.h"
#include "forms/range_pick.h"
#include "forms/row_editor_form.h"
#include "forms/selective_update_form.h"

namespace plrxl {

namespace {

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::kOk: return QMessageBox::Ok;
    case MsgButtons::kOkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::kAbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MsgButtons::kYesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::kYesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::kRetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::kCritical: return QMessageBox::Critical;
    case MsgIcon::kQuestion: return QMessageBox::Question;
    case MsgIcon::kExclamation: return QMessageBox::Warning;
    case MsgIcon::kInformation: return QMessageBox::Information;
    case MsgIcon::kNone: break;
  }
  return QMessageBox::NoIcon;
}

// The answer of a box closed without a button: its Cancel, No or only
// button, as the platform does.
MsgResult ClosedAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::kOk: return MsgResult::kOk;
    case MsgButtons::kYesNo: return MsgResult::kNo;
    case MsgButtons::kAbortRetryIgnore: return MsgResult::kAbort;
    default: return MsgResult::kCancel;
  }
}

MsgResult ResultOf(int button, MsgButtons buttons) {
  switch (button) {
    case QMessageBox::Ok: return MsgResult::kOk;
    case QMessageBox::Cancel: return MsgResult::kCancel;
    case QMessageBox::Abort: return MsgResult::kAbort;
    case QMessageBox::Retry: return MsgResult::kRetry;
    case QMessageBox::Ignore: return MsgResult::kIgnore;
    case QMessageBox::Yes: return MsgResult::kYes;
    case QMessageBox::No: return MsgResult::kNo;
    default: return ClosedAnswer(buttons);
  }
}

// "Workbooks (*.xlsx;*.xls)" -> "Workbooks (*.xlsx *.xls)"; a description
// that already names its patterns is kept as it is.
QStringList NameFilters(const FileDialogOptions& options) {
  QStringList filters;
  for (const auto& [description, patterns] : options.filters) {
    QString list = QString::fromStdString(patterns);
    list.replace(';', ' ');
    const QString text = QString::fromStdString(description);
    filters << (text.contains('(') ? text.left(text.indexOf('(')).trimmed() + " (" + list + ")"
                                   : text + " (" + list + ")");
  }
  return filters;
}

void Prepare(QFileDialog& dialog, const FileDialogOptions& options) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, std::getenv("QT_QPA_PLATFORM") != nullptr);
  if (!options.title.empty()) dialog.setWindowTitle(QString::fromStdString(options.title));
  if (!options.initial_dir.empty()) dialog.setDirectory(QString::fromStdString(options.initial_dir));
  if (!options.default_name.empty()) dialog.selectFile(QString::fromStdString(options.default_name));
  if (!options.default_ext.empty()) dialog.setDefaultSuffix(QString::fromStdString(options.default_ext));
  const QStringList filters = NameFilters(options);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = options.selected_filter - 1;
    dialog.selectNameFilter(filters.at(index >= 0 && index < filters.size() ? index : 0));
  }
}

}  // namespace

QtUi::QtUi(ProgressDialog& progress) : progress_(progress) {}

int QtUi::RunDialog(QDialog& dialog, const std::string& name) {
  QTimer::singleShot(0, &dialog, [this, &dialog, name] { Shown(dialog, name); });
  return dialog.exec();
}

void QtUi::Shown(QWidget& window, const std::string& name) {
  if (hook_) hook_(window, name);
}

MsgResult QtUi::MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) {
  QMessageBox box(IconOf(icon), QString::fromStdString(title), QString::fromStdString(prompt), ButtonsOf(buttons));
  box.setEscapeButton(QMessageBox::NoButton);
  const int answer = RunDialog(box, "MsgBox");
  QAbstractButton* clicked = box.clickedButton();
  return clicked != nullptr ? ResultOf(box.standardButton(clicked), buttons) : ResultOf(answer, buttons);
}

void QtUi::ShowModal(Form& form) {
  const std::string name = form.FormName();
  if (name == "ProgressBarWindow") {
    // The window is on screen while the run goes on, and leaves with it
    // however the run ends.
    struct OnScreen {
      ProgressDialog& dialog;
      ~OnScreen() {
        dialog.Attach(nullptr);
        dialog.hide();
      }
    } on_screen{progress_};
    progress_.Attach(&form);
    progress_.show();
    Shown(progress_, name);
    QApplication::processEvents();
    form.RunHeadless(*this);
  } else if (auto* error = dynamic_cast<frmErrorMessage*>(&form)) {
    ErrorDialog dialog(*error, *this);
    RunDialog(dialog, name);
  } else if (auto* editor = dynamic_cast<frmMaster*>(&form)) {
    editor->RunHeadless(*this);
    RowEditorDialog dialog(*editor);
    RunDialog(dialog, name);
  } else if (auto* selective = dynamic_cast<frmSelectiveUpdateWindow*>(&form)) {
    selective->RunHeadless(*this);
    SelectiveUpdateDialog dialog(*selective);
    RunDialog(dialog, name);
  } else if (auto* converter = dynamic_cast<frmConverter*>(&form)) {
    converter->RunHeadless(*this);
    ConverterDialog dialog(*converter);
    RunDialog(dialog, name);
  } else {
    form.RunHeadless(*this);
  }
}

std::vector<std::string> QtUi::OpenFileDialog(const FileDialogOptions& options) {
  QFileDialog dialog;
  Prepare(dialog, options);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(options.multi_select ? QFileDialog::ExistingFiles
                                          : (options.file_must_exist ? QFileDialog::ExistingFile
                                                                     : QFileDialog::AnyFile));
  std::vector<std::string> files;
  if (RunDialog(dialog, "FileDialog") == QDialog::Accepted) {
    for (const QString& file : dialog.selectedFiles()) files.push_back(file.toStdString());
  }
  return files;
}

std::optional<std::string> QtUi::SaveFileDialog(const FileDialogOptions& options) {
  QFileDialog dialog;
  Prepare(dialog, options);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (RunDialog(dialog, "FileDialog") != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

void QtUi::ProcessEvents() { QApplication::processEvents(); }

void QtUi::Beep() { QApplication::beep(); }

// --- QtWindows ---

struct QtWindows::Impl {
  std::unique_ptr<QApplication> app;
  std::unique_ptr<ProgressDialog> progress;
  std::unique_ptr<QtUi> ui;
};

std::string QtWindows::NoDisplayReason() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && std::string(platform) == "offscreen") return "";
  if (set("DISPLAY") || set("WAYLAND_DISPLAY")) return "";
  return "no display: the windows need DISPLAY or WAYLAND_DISPLAY (or QT_QPA_PLATFORM=offscreen)";
}

QtWindows::QtWindows() : impl_(std::make_unique<Impl>()) {
  if (QApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "pelorinxl";
    static char* argv[] = {name, nullptr};
    impl_->app = std::make_unique<QApplication>(argc, argv);
  }
  impl_->progress = std::make_unique<ProgressDialog>();
  impl_->ui = std::make_unique<QtUi>(*impl_->progress);
}

QtWindows::~QtWindows() = default;

UiPort& QtWindows::Ui() { return *impl_->ui; }

ProgressView& QtWindows::ProgressFace() { return *impl_->progress; }

std::optional<std::string> QtWindows::PickCell(Workbook& workbook) {
  RangePick pick(workbook);
  RangePickDialog dialog(pick);
  impl_->ui->RunDialog(dialog, "RangePick");
  return dialog.Chosen();
}

}  // namespace plrxl
