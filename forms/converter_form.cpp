#include "forms/converter_form.h"

#include "entry/pelorin.h"
#include "forms/internal/form_text.h"
#include "host/error.h"
#include "support/file_dialog.h"
#include "support/procedure.h"

namespace plrxl {

bool OPENFILENAME(RunContext& context, const std::string& filter, std::string& file_name) {
  Procedure proc(context, "Pelorin.ModuleFunctions.OPENFILENAME");
  bool chosen = false;
  proc.Do([&] {
    if (context.ui == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    CFileOpenSaveDialog dialog(*context.ui);
    dialog.CenterDialog = true;
    dialog.Init(filter, 3, "", "", "", 0, kOfnExplorer | kOfnFileMustExist | kOfnHideReadOnly);
    dialog.MaxFileSize = 255;
    if (dialog.Show(0)) {
      file_name = dialog.GetNextFileName(1);
      chosen = true;
    }
  });
  return chosen;
}

frmConverter::frmConverter(RunContext& context, VersionOneCheck check, std::string filter)
    : context_(context), check_(std::move(check)), filter_(std::move(filter)) {}

CPelorin& frmConverter::Owner() {
  if (owner_ == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  return *owner_;
}

void frmConverter::SetOwner(CPelorin* owner) {
  owner_ = owner;
  if (owner_ != nullptr) hidden_ = false;
}

void frmConverter::cmdLoadFileInput_Click() {
  Procedure proc(context_, "Pelorin.frmConverter.cmdLoadFileInput_Click");
  proc.Do([&] {
    std::string name = input_;
    if (OPENFILENAME(context_, filter_, name)) input_ = name;
  });
}

void frmConverter::cmdLoadFileOutput_Click() {
  Procedure proc(context_, "Pelorin.frmConverter.cmdLoadFileOutput_Click");
  proc.Do([&] {
    std::string name = output_;
    if (OPENFILENAME(context_, filter_, name)) output_ = name;
  });
}

void frmConverter::cmdCopy_Click() {
  Procedure proc(context_, "Pelorin.frmConverter.cmdCopy_Click");
  proc.Do([&] { output_ = input_; });
}

void frmConverter::Refuse(const std::string& reason, const char* focus) {
  focus_ = focus;
  Owner().myBreak(73, reason);
}

void frmConverter::cmdCreate_Click() {
  Procedure proc(context_, "Pelorin.frmConverter.cmdCreate_Click");
  proc.Do([&] {
    if (input_.empty()) return Refuse("Input file: (none)", "txtFileNameInput");
    if (output_.empty()) return Refuse("Output file: (none)", "txtFileNameOutput");
    if (form_text::Upper(input_) == form_text::Upper(output_)) {
      return Refuse("Input and output: " + output_, "txtFileNameOutput");
    }
    bool accepted = false;
    if (!check_) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
    accepted = check_(input_);
    if (!accepted) return Refuse("Not a version-1 project: " + input_, "txtFileNameInput");
    Tag = "1";
    hidden_ = true;
  });
}

void frmConverter::cmdCancel_Click() {
  Procedure proc(context_, "Pelorin.frmConverter.cmdCancel_Click");
  proc.Do([&] {
    Tag = "";
    hidden_ = true;
  });
}

bool frmConverter::Click(const std::string& control) {
  if (control == "cmdLoadFileInput") {
    cmdLoadFileInput_Click();
  } else if (control == "cmdLoadFileOutput") {
    cmdLoadFileOutput_Click();
  } else if (control == "cmdCopy") {
    cmdCopy_Click();
  } else if (control == "cmdCreate") {
    cmdCreate_Click();
  } else if (control == "cmdCancel") {
    cmdCancel_Click();
  } else {
    return false;
  }
  return true;
}

}  // namespace plrxl
