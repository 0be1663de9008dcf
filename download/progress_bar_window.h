// ProgressBarWindow: the progress window. Shown modally by
// CPelorin.UpdateMyData after it wrote the action word into "Parameters"
// H2; showing it starts the run, and the window closes itself when the run
// ends.
//
// The window keeps its events and its face (caption, cancel caption, and the
// ProgressView that draws the bar and the label); the run itself belongs to
// the window's RunDriver, which any other front end can drive the same way.
#pragma once

#include <cstdint>
#include <string>

#include "download/progress_view.h"
#include "download/run_driver.h"
#include "entry/run_context.h"

namespace plrxl {

class ProgressBarWindow : public EntryWindow {
 public:
  static constexpr int kPrefetchRows = RunDriver::kPrefetchRows;

  // `view` may be nullptr (no face); it must outlive the window.
  explicit ProgressBarWindow(RunContext& context, ProgressView* view = nullptr);
  ~ProgressBarWindow() override;

  // --- Form ---
  std::string FormName() const override { return "ProgressBarWindow"; }
  // Setting an owner loads the window (Form_Load) when it is not loaded.
  void SetOwner(CPelorin* owner) override;
  // A modal show: Form_Activate runs the whole job; the window then unloads.
  void RunHeadless(UiPort& ui) override;
  // "CancelButton" is the only button.
  bool Click(const std::string& control) override;
  void CancelRequested() override { CancelButton_Click(); }

  // --- events ---
  // Form_Load makes the driver's fetcher and reads the captions (Parameters
  // G2 and G3); Form_Activate runs; Form_Unload releases the fetcher and
  // the owner; Form_Terminate and CancelButton_Click set the StopFlag.
  void Form_Load();
  void Form_Activate();
  void Form_Unload();
  void Form_Terminate();
  void CancelButton_Click();

  // --- the face, and the run behind it ---
  bool Loaded() const { return loaded_; }
  const std::string& Caption() const { return caption_; }
  const std::string& CancelCaption() const { return cancel_caption_; }
  const std::string& Message() const { return driver_.Message(); }
  int ProgressValue() const { return driver_.ProgressValue(); }
  const std::string& ProgressCaption() const { return driver_.ProgressCaption(); }
  void SetView(ProgressView* view);
  RunDriver& Driver() { return driver_; }

 private:
  CPelorin& Owner();

  RunContext& context_;
  ProgressView* view_;
  RunDriver driver_;
  CPelorin* owner_ = nullptr;
  bool loaded_ = false;
  std::string caption_, cancel_caption_;
};

}  // namespace plrxl
