#include "app/console_progress_view.h"

#include <ostream>

#include "quotes/quote_errors.h"

namespace plrxl::app {

void ConsoleProgressView::CaptionsChanged(const std::string& caption, const std::string& cancel_caption) {
  (void)caption;
  (void)cancel_caption;
  started_ = true;
}

void ConsoleProgressView::ProgressChanged(int percent, const std::string& caption) {
  percent_ = percent;
  caption_ = caption;
  if (terminal_) Redraw();
}

void ConsoleProgressView::MessageChanged(const std::string& text) {
  message_ = text;
  if (terminal_) Redraw();
}

void ConsoleProgressView::RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) {
  ++rows_;
  // A deferred row is painted like a failed one, but only waits for its
  // source's budget.
  const bool deferred = failed && status.find(kDeferredMark) != std::string::npos;
  if (deferred) {
    ++deferred_;
  } else if (failed) {
    ++failed_;
  }
  const std::string note = row_note_ && !failed ? row_note_(row) : "";
  const std::string line = "row " + std::to_string(row) + " " + ticker + ": " + status + (note.empty() ? "" : " (" + note + ")");
  if (terminal_) {
    // Failures, and rows with a note, get a line of their own above the bar.
    if (failed || !note.empty()) {
      out_ << "\r\033[K" << line << "\n";
      drawn_ = false;
      Redraw();
    }
    return;
  }
  out_ << line << (deferred ? " [deferred]" : failed ? " [failed]" : "") << std::endl;
}

void ConsoleProgressView::Closed() {
  if (terminal_ && drawn_) out_ << "\n";
  drawn_ = false;
  out_.flush();
}

void ConsoleProgressView::Redraw() {
  constexpr int kWidth = 30;
  const int filled = percent_ * kWidth / 100;
  std::string message = message_;
  if (message.size() > 40) message = message.substr(0, 37) + "...";
  out_ << "\r\033[K[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << caption_ << "  "
       << message;
  out_.flush();
  drawn_ = true;
}

}  // namespace plrxl::app
