#include "forms/console_ui.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <istream>
#include <ostream>

#include "support/error_dialog.h"
#include "support/msg_result_name.h"

namespace plrxl {

namespace {

// Signal state cannot live in an object: the handler only sees statics.
volatile std::sig_atomic_t g_interrupted = 0;
volatile std::sig_atomic_t g_form_shown = 0;
struct sigaction g_previous_action {};

extern "C" void OnInterrupt(int signal_number) {
  if (g_form_shown == 0) {
    // Nothing to cancel: behave as if we had not been listening.
    sigaction(signal_number, &g_previous_action, nullptr);
    raise(signal_number);
    return;
  }
  g_interrupted = 1;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}


MsgResult FromOnError(OnErrorAnswer answer) {
  switch (answer) {
    case OnErrorAnswer::kRetry: return MsgResult::kRetry;
    case OnErrorAnswer::kIgnore: return MsgResult::kIgnore;
    case OnErrorAnswer::kAbort: break;
  }
  return MsgResult::kAbort;
}

// The text that identifies an error for the retry limit: the record without
// its time stamp line.
std::string WithoutFirstLine(const std::string& text) {
  const auto pos = text.find('\n');
  return pos == std::string::npos ? text : text.substr(pos + 1);
}

}  // namespace

std::optional<OnErrorAnswer> ParseOnErrorAnswer(const std::string& text) {
  const std::string t = Lower(text);
  if (t == "abort") return OnErrorAnswer::kAbort;
  if (t == "retry") return OnErrorAnswer::kRetry;
  if (t == "ignore") return OnErrorAnswer::kIgnore;
  return std::nullopt;
}

bool StdinIsTerminal() { return isatty(0) == 1; }

ConsoleUi::ConsoleUi(ConsoleOptions options, std::istream& in, std::ostream& err)
    : options_(options), in_(in), err_(err) {
  if (options_.catch_interrupt) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous_action);
  }
}

ConsoleUi::~ConsoleUi() {
  if (options_.catch_interrupt) sigaction(SIGINT, &g_previous_action, nullptr);
}

MsgResult ConsoleUi::DefaultAnswer(MsgButtons buttons, const std::string& prompt) {
  const bool yes = options_.yes.value_or(false);
  switch (buttons) {
    case MsgButtons::kOk: return MsgResult::kOk;
    case MsgButtons::kOkCancel: return yes ? MsgResult::kOk : MsgResult::kCancel;
    case MsgButtons::kYesNo: return yes ? MsgResult::kYes : MsgResult::kNo;
    case MsgButtons::kYesNoCancel:
      return options_.yes.has_value() ? (yes ? MsgResult::kYes : MsgResult::kNo) : MsgResult::kCancel;
    case MsgButtons::kRetryCancel:
    case MsgButtons::kAbortRetryIgnore: {
      MsgResult answer = FromOnError(options_.on_error);
      if (answer == MsgResult::kRetry) {
        const std::string key = WithoutFirstLine(prompt);
        retries_in_row_ = key == last_retry_text_ ? retries_in_row_ + 1 : 1;
        last_retry_text_ = key;
        if (retries_in_row_ > kMaxRetries) {
          err_ << "(the same error came back after " << kMaxRetries << " retries: answering Abort)\n";
          retries_in_row_ = 0;
          last_retry_text_.clear();
          answer = MsgResult::kAbort;
        }
      }
      if (buttons == MsgButtons::kRetryCancel && answer != MsgResult::kRetry) answer = MsgResult::kCancel;
      return answer;
    }
  }
  return MsgResult::kCancel;
}

std::optional<MsgResult> ConsoleUi::AskLine(const std::vector<Choice>& choices) {
  for (;;) {
    err_ << "[";
    for (size_t i = 0; i < choices.size(); ++i) {
      err_ << (i ? ", " : "") << choices[i].key << "=" << choices[i].label;
    }
    err_ << "]? " << std::flush;
    std::string line;
    if (!std::getline(in_, line)) {
      input_ended_ = true;
      return std::nullopt;
    }
    const std::string answer = Lower(Trim(line));
    for (const Choice& c : choices) {
      if (answer.size() == 1 ? answer[0] == c.key : answer == Lower(c.label)) return c.result;
    }
  }
}

MsgResult ConsoleUi::MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) {
  static const char* const kIconWords[] = {"", "Error: ", "Question: ", "Warning: ", "Note: "};
  err_ << "\n";
  if (!title.empty()) err_ << "[" << title << "] ";
  err_ << kIconWords[static_cast<int>(icon)] << prompt << "\n";
  if (buttons == MsgButtons::kOk) return MsgResult::kOk;

  static const std::pair<MsgButtons, std::vector<MsgResult>> kSets[] = {
      {MsgButtons::kOkCancel, {MsgResult::kOk, MsgResult::kCancel}},
      {MsgButtons::kAbortRetryIgnore, {MsgResult::kAbort, MsgResult::kRetry, MsgResult::kIgnore}},
      {MsgButtons::kYesNoCancel, {MsgResult::kYes, MsgResult::kNo, MsgResult::kCancel}},
      {MsgButtons::kYesNo, {MsgResult::kYes, MsgResult::kNo}},
      {MsgButtons::kRetryCancel, {MsgResult::kRetry, MsgResult::kCancel}},
  };
  std::vector<Choice> choices;
  for (const auto& [set, results] : kSets) {
    if (set != buttons) continue;
    for (MsgResult r : results) {
      const char* label = MsgResultName(r);
      choices.push_back({static_cast<char>(std::tolower(static_cast<unsigned char>(label[0]))), label, r});
    }
  }
  if (options_.interactive && !input_ended_) {
    if (auto answer = AskLine(choices)) return *answer;
  }
  const MsgResult answer = DefaultAnswer(buttons, prompt);
  err_ << "-> " << MsgResultName(answer) << " (no terminal input; from the command-line options)\n";
  return answer;
}

void ConsoleUi::ShowModal(Form& form) {
  shown_.push_back(&form);
  g_form_shown = 1;
  try {
    form.RunHeadless(*this);
    if (auto* dialog = dynamic_cast<ErrorMessageDialog*>(&form)) {
      const MsgResult answer = MsgBox(dialog->ErrorMessage(), MsgButtons::kAbortRetryIgnore, MsgIcon::kNone,
                                      "Error");
      form.Click(answer == MsgResult::kRetry ? "btnRetry" : answer == MsgResult::kIgnore ? "btnIgnore" : "btnAbort");
    }
  } catch (...) {
    shown_.pop_back();
    g_form_shown = shown_.empty() ? 0 : 1;
    throw;
  }
  shown_.pop_back();
  g_form_shown = shown_.empty() ? 0 : 1;
}

std::optional<std::string> ConsoleUi::AskPath(const std::string& title, const char* what) {
  err_ << "\n" << (title.empty() ? what : title) << "\n";
  if (!options_.interactive || input_ended_) {
    err_ << "-> cancelled (no terminal input)\n";
    return std::nullopt;
  }
  err_ << "File path (empty line cancels): " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) {
    input_ended_ = true;
    return std::nullopt;
  }
  line = Trim(line);
  if (line.empty()) return std::nullopt;
  return line;
}

std::vector<std::string> ConsoleUi::OpenFileDialog(const FileDialogOptions& options) {
  auto path = AskPath(options.title, "Open");
  if (!path) return {};
  return {*path};
}

std::optional<std::string> ConsoleUi::SaveFileDialog(const FileDialogOptions& options) {
  return AskPath(options.title, "Save As");
}

void ConsoleUi::ProcessEvents() {
  if (g_interrupted != 0) {
    g_interrupted = 0;
    err_ << "\n(interrupted: cancelling)\n";
    if (!shown_.empty()) shown_.back()->CancelRequested();
  }
}

void ConsoleUi::CancelShownForm() {
  if (!shown_.empty()) shown_.back()->CancelRequested();
}

void ConsoleUi::Beep() {
  if (options_.interactive) err_ << '\a' << std::flush;
}

}  // namespace plrxl
