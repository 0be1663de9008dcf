// The progress window's face on a console. On a terminal: one line redrawn
// in place with a bar, the percentage and the current message. Piped: one
// plain line per finished row ("row 4 BBB: 14:02:11 Download OK.") so logs
// and scripts can read it, each flushed at once so a log follows the run.
// An update adds to each row's line how many bars it brought.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "download/progress_view.h"

namespace plrxl::app {

class ConsoleProgressView : public ProgressView {
 public:
  ConsoleProgressView(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

  void ProgressChanged(int percent, const std::string& caption) override;
  void MessageChanged(const std::string& text) override;
  void RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) override;
  void CaptionsChanged(const std::string& caption, const std::string& cancel_caption) override;
  void ChecksStopped() override { checks_stopped_ = true; }
  void AllRowsDone() override { all_rows_done_ = true; }
  void Closed() override;

  // A note added to each finished row's line ("3 new bars"); with one, every
  // row gets its own line on a terminal too.
  void SetRowNote(std::function<std::string(int16_t row)> note) { row_note_ = std::move(note); }

  int Rows() const { return rows_; }
  // Rows written in red, but not those only deferred.
  int FailedRows() const { return failed_; }
  // Rows a source's request budget deferred ("deferred: ..." in the status).
  int DeferredRows() const { return deferred_; }
  // Whether the progress window was loaded at all.
  bool Started() const { return started_; }
  bool StoppedByChecks() const { return checks_stopped_; }
  bool ReachedEnd() const { return all_rows_done_; }

 private:
  void Redraw();

  std::ostream& out_;
  bool terminal_;
  std::function<std::string(int16_t row)> row_note_;
  int percent_ = 0;
  std::string caption_ = "0%";
  std::string message_;
  int rows_ = 0;
  int failed_ = 0;
  int deferred_ = 0;
  bool drawn_ = false;
  bool started_ = false;
  bool checks_stopped_ = false;
  bool all_rows_done_ = false;
};

}  // namespace plrxl::app
