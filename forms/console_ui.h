// ConsoleUi: the UI port of the pelorinxl command.
//
// Message boxes go to the error stream with their title. On a terminal a
// question is answered by typing a line; without one (or at end of input)
// the answer comes from the options the command line gave: --yes / --no for
// yes/no questions (neither: No, or Cancel where the box has it) and
// --on-error abort|retry|ignore for error boxes and the error dialog. Nothing
// ever waits for input that cannot come; a retry answered from the options
// is given at most kMaxRetries times in a row for the same error, then the
// answer becomes Abort so a run cannot loop for ever.
//
// Modal forms: the error dialog prints its text and is answered as an error
// box; every other form runs headless (Form::RunHeadless). With
// catch_interrupt, Ctrl+C no longer ends the process while a form is shown:
// the next ProcessEvents passes it to that form as a cancel request.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "support/ui_port.h"

namespace plrxl {

enum class OnErrorAnswer { kAbort, kRetry, kIgnore };

struct ConsoleOptions {
  // --yes (true) or --no (false); unset answers No.
  std::optional<bool> yes;
  OnErrorAnswer on_error = OnErrorAnswer::kAbort;
  // Whether questions are typed in; the command sets it from isatty(0).
  bool interactive = false;
  bool catch_interrupt = false;
};

// Parses "abort", "retry" or "ignore" (any case); nullopt otherwise.
std::optional<OnErrorAnswer> ParseOnErrorAnswer(const std::string& text);
// True when standard input is a terminal.
bool StdinIsTerminal();

class ConsoleUi : public UiPort {
 public:
  static constexpr int kMaxRetries = 3;

  // `in` and `err` must outlive the interface.
  ConsoleUi(ConsoleOptions options, std::istream& in, std::ostream& err);
  ~ConsoleUi() override;

  MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
  void ShowModal(Form& form) override;
  std::vector<std::string> OpenFileDialog(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) override;
  void ProcessEvents() override;
  // Passes a cancel request to the form being shown, as Ctrl+C does (for a
  // command that watches other stop signals itself).
  void CancelShownForm();
  void Beep() override;

 private:
  struct Choice {
    char key;
    const char* label;
    MsgResult result;
  };
  // The answer from the options, when nobody can type one.
  MsgResult DefaultAnswer(MsgButtons buttons, const std::string& prompt);
  // Asks on the terminal; nullopt at end of input.
  std::optional<MsgResult> AskLine(const std::vector<Choice>& choices);
  std::optional<std::string> AskPath(const std::string& title, const char* what);

  ConsoleOptions options_;
  std::istream& in_;
  std::ostream& err_;
  std::vector<Form*> shown_;
  std::string last_retry_text_;
  int retries_in_row_ = 0;
  bool input_ended_ = false;
};

}  // namespace plrxl
