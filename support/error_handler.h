// CErrorHandler: the shared error handler, its call stack and its logs.
//
// Every call-stack procedure pushes its name on entry and pops it on normal
// exit (support/procedure.h does both). On an error the procedure calls
// HandleError, which composes the error record
//
//   <date> - <time>
//   \tError: <number>, (<description>)
//   \tin <procedure> at line <line>
//
//   The call stack is:
//   <20 spaces><name>()          one line per entry, most recent first
//
// (lines end in CR LF) and, by the bits of ErrorHandlerActions, in the order
// 2, 4, 1, 8: appends it to ErrorLogFile (2), writes it to the event log (4,
// only when RunningOnNT), shows it in a message box titled "Pelorin" with
// Abort/Retry/Ignore (1) and shows it in the frmErrorMessage dialog (8, whose
// answer wins over the box's). The result is 0 Abort, 1 Retry, 2 Ignore.
//
// With tracing enabled and flag 2 each push and pop appends
//   <date> - <time> --- Entered routine: <name>     (or Exited routine)
// to TracingLogFile. Log files are opened, appended and closed per line or
// record; relative names resolve against the current directory. Dates and
// times are written in the regional short-date and time formats.
//
// Failures: invalid values for Init or the setters raise 0x800443F9..FB
// (source "PlrXL2.CErrorHandler"); any other failure inside the handler (a
// log file that cannot be opened, a failing dialog) raises 0x800443FC
// "CErrorHandler component failure".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/ui_port.h"
#include "host/error.h"
#include "host/regional.h"
#include "support/clock.h"
#include "support/error_dialog.h"
#include "support/event_log.h"

namespace plrxl {

// What the handler needs from the world. The referenced objects must outlive
// the handler. event_log may be null (bit 4 then writes nothing);
// make_dialog may be empty (bit 8 then raises the component failure).
struct ErrorHandlerServices {
  UiPort* ui = nullptr;
  const Clock* clock = nullptr;
  RegionalSettings regional;
  EventLog* event_log = nullptr;
  ErrorDialogFactory make_dialog;
};

// HandleError's answers.
inline constexpr int32_t kHandleAbort = 0;
inline constexpr int32_t kHandleRetry = 1;
inline constexpr int32_t kHandleIgnore = 2;

// ErrorHandlerActions bits.
inline constexpr int32_t kActionMessageBox = 1;
inline constexpr int32_t kActionErrorLog = 2;
inline constexpr int32_t kActionEventLog = 4;
inline constexpr int32_t kActionErrorDialog = 8;
// TracingFlags bits.
inline constexpr int32_t kTraceDebugger = 1;
inline constexpr int32_t kTraceLogFile = 2;

class CErrorHandler {
 public:
  explicit CErrorHandler(ErrorHandlerServices services);
  CErrorHandler(const CErrorHandler&) = delete;
  CErrorHandler& operator=(const CErrorHandler&) = delete;

  // Checks and stores in this order, raising at the first failure (values
  // stored before it stay changed): actions 1..15 (0x800443FA), a non-empty
  // error log name (0x800443F9), tracing flags 1..3 (0x800443FB), a
  // non-empty tracing log name (0x800443F9).
  void Init(int32_t error_handler_actions, const std::string& error_log_file, bool call_stack_enabled,
            bool tracing_enabled, int32_t tracing_flags, const std::string& tracing_log_file);

  const std::string& SupportMail() const { return support_mail_; }
  void SetSupportMail(const std::string& value) { support_mail_ = value; }
  bool CallStackEnabled() const { return call_stack_enabled_; }
  void SetCallStackEnabled(bool value) { call_stack_enabled_ = value; }
  const std::string& ErrorDescription() const { return error_description_; }
  void SetErrorDescription(const std::string& value) { error_description_ = value; }
  int32_t ErrorHandlerActions() const { return error_handler_actions_; }
  void SetErrorHandlerActions(int32_t value);  // 1..15, else 0x800443FA
  int32_t ErrorLine() const { return error_line_; }
  void SetErrorLine(int32_t value) { error_line_ = value; }
  const std::string& ErrorLogFile() const { return error_log_file_; }
  void SetErrorLogFile(const std::string& value);  // non-empty, else 0x800443F9
  int32_t ErrorNumber() const { return error_number_; }
  void SetErrorNumber(int32_t value) { error_number_ = value; }
  const std::string& Tag() const { return tag_; }
  void SetTag(const std::string& value) { tag_ = value; }
  bool TracingEnabled() const { return tracing_enabled_; }
  void SetTracingEnabled(bool value) { tracing_enabled_ = value; }
  int32_t TracingFlags() const { return tracing_flags_; }
  void SetTracingFlags(int32_t value);  // 1..3, else 0x800443FB
  const std::string& TracingLogFile() const { return tracing_log_file_; }
  void SetTracingLogFile(const std::string& value);  // non-empty, else 0x800443F9
  // This platform reports the system family that has an event log.
  bool RunningOnNT() const { return running_on_nt_; }
  void SetRunningOnNT(bool value) { running_on_nt_ = value; }

  const std::vector<std::string>& CallStackNames() const { return call_stack_names_; }
  const std::vector<std::string>& CallStackData() const { return call_stack_data_; }

  // Appends to the stack whatever CallStackEnabled says, then traces.
  void CallStackPush(const std::string& procedure, const std::string& data = "");
  // Empty stack: nothing. Otherwise traces the top name, then removes it.
  void CallStackPop();
  // Only when CallStackEnabled: empties the stack.
  void CallStackClear();
  // Deletes the chosen log files; failing deletions are ignored.
  void Clear(bool clear_log_file = false, bool clear_tracing_log_file = false);

  // Records `pending`, composes its record, runs the actions and returns
  // kHandleAbort, kHandleRetry or kHandleIgnore. An empty `procedure` names
  // the top of the stack (when the stack is enabled and not empty) or
  // "Unknown".
  int32_t HandleError(const Error& pending, const std::string& procedure = "");

  // The stack from the most recent entry down, one line per entry: `indent`
  // spaces, the name and, with include_data, "(" data ")"; CR LF between.
  std::string GetCallStack(int16_t indent, bool include_data) const;

 private:
  int32_t ShowErrorMessage(const std::string& record);
  std::string Stamp() const;  // "<date> - <time>"
  void Trace(const char* what, const std::string& procedure);

  ErrorHandlerServices services_;
  bool call_stack_enabled_ = false;
  bool tracing_enabled_ = false;
  int32_t error_handler_actions_ = 1;
  int32_t tracing_flags_ = 0;
  int32_t error_number_ = 0;
  int32_t error_line_ = 0;
  std::string error_log_file_ = "Error Log.txt";
  std::string tracing_log_file_ = "Tracing Log.txt";
  std::string tag_;
  std::string error_description_;
  std::string support_mail_;
  bool running_on_nt_ = true;
  std::vector<std::string> call_stack_names_;
  std::vector<std::string> call_stack_data_;
};

// Appends `text` to the file `path` (created when missing) and closes it.
// Returns false when the file cannot be opened or written.
bool AppendToFile(const std::string& path, const std::string& text);

}  // namespace plrxl
