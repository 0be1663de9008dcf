// frmConverter: the version-1 converter window's logic.
//
// Two file names: the version-1 workbook to read (txtFileNameInput) and the
// workbook to create (txtFileNameOutput). The load buttons pick a file
// through OPENFILENAME; Copy copies the input name into the output box;
// Create requires both names, different from each other (compared in upper
// case), and an input that the injected check accepts as a version-1
// project; on a failure it shows stop message 73 with the reason and puts
// the focus back into the offending box; on success the window hides with
// Tag "1", which tells CPelorin to run the conversion. Cancel hides it with
// an empty Tag. Every procedure registers as "Pelorin.frmConverter.<name>".
#pragma once

#include <functional>
#include <string>

#include "entry/run_context.h"

namespace plrxl {

// The filter of both load buttons.
inline constexpr const char* kConverterFilter = "XLS File (*.xls)|*.xls";

// What the window needs from the converter: whether a file is a version-1
// project (CheckFilePelorinXL). It may throw; the error goes to the handler
// and counts as a refusal.
using VersionOneCheck = std::function<bool(const std::string& path)>;

class frmConverter : public ConverterWindow {
 public:
  // `check` must be set; `filter` is what the load buttons offer.
  frmConverter(RunContext& context, VersionOneCheck check, std::string filter = kConverterFilter);

  // --- Form / ConverterWindow ---
  std::string FormName() const override { return "frmConverter"; }
  void SetOwner(CPelorin* owner) override;
  std::string txtFileNameInput() const override { return input_; }
  std::string txtFileNameOutput() const override { return output_; }
  void RunHeadless(UiPort& ui) override {
    (void)ui;
    hidden_ = false;
  }
  // "cmdLoadFileInput", "cmdLoadFileOutput", "cmdCopy", "cmdCreate",
  // "cmdCancel".
  bool Click(const std::string& control) override;
  void CancelRequested() override { cmdCancel_Click(); }

  // --- events ---
  void SetFileNameInput(const std::string& text) { input_ = text; }
  void SetFileNameOutput(const std::string& text) { output_ = text; }
  void cmdLoadFileInput_Click();
  void cmdLoadFileOutput_Click();
  void cmdCopy_Click();
  void cmdCreate_Click();
  void cmdCancel_Click();

  // --- what a view shows ---
  // The box that should have the focus: "txtFileNameInput" or
  // "txtFileNameOutput".
  const std::string& Focus() const { return focus_; }
  bool Hidden() const { return hidden_; }

 private:
  CPelorin& Owner();
  void Refuse(const std::string& reason, const char* focus);

  RunContext& context_;
  VersionOneCheck check_;
  std::string filter_;
  CPelorin* owner_ = nullptr;
  std::string input_, output_;
  std::string focus_ = "txtFileNameInput";
  bool hidden_ = false;
};

// ModuleFunctions.OPENFILENAME: the open dialog, centred, starting on filter
// 3, for one existing file. On a confirmed choice `file_name` receives it and
// the result is true; a cancel leaves `file_name` as it was.
bool OPENFILENAME(RunContext& context, const std::string& filter, std::string& file_name);

}  // namespace plrxl
