#include "support/error_handler.h"

#include <cmath>
#include <cstdio>
#include <fstream>

#include "support/error_numbers.h"

namespace plrxl {

namespace {

const char* const kCrLf = "\r\n";

// The handler's own errors pass through; anything else that fails inside a
// handler procedure becomes its component failure.
template <class F>
auto Guarded(F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const Error& e) {
    if (IsSupportErrorOf(e.Number(), "CErrorHandler")) throw;
    throw SupportError(kErrErrorHandlerFailure);
  } catch (...) {
    throw SupportError(kErrErrorHandlerFailure);
  }
}

const SystemClock& FallbackClock() {
  static const SystemClock clock;
  return clock;
}

}  // namespace

bool AppendToFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (!out.is_open()) return false;
  out << text;
  out.close();
  return !out.fail();
}

CErrorHandler::CErrorHandler(ErrorHandlerServices services) : services_(std::move(services)) {}

void CErrorHandler::Init(int32_t error_handler_actions, const std::string& error_log_file,
                         bool call_stack_enabled, bool tracing_enabled, int32_t tracing_flags,
                         const std::string& tracing_log_file) {
  SetErrorHandlerActions(error_handler_actions);
  SetErrorLogFile(error_log_file);
  call_stack_enabled_ = call_stack_enabled;
  tracing_enabled_ = tracing_enabled;
  SetTracingFlags(tracing_flags);
  SetTracingLogFile(tracing_log_file);
}

void CErrorHandler::SetErrorHandlerActions(int32_t value) {
  if (value < 1 || value > 15) throw SupportError(kErrInvalidHandlerActions);
  error_handler_actions_ = value;
}

void CErrorHandler::SetErrorLogFile(const std::string& value) {
  if (value.empty()) throw SupportError(kErrInvalidFileName);
  error_log_file_ = value;
}

void CErrorHandler::SetTracingFlags(int32_t value) {
  if (value < 1 || value > 3) throw SupportError(kErrInvalidTracingFlags);
  tracing_flags_ = value;
}

void CErrorHandler::SetTracingLogFile(const std::string& value) {
  if (value.empty()) throw SupportError(kErrInvalidFileName);
  tracing_log_file_ = value;
}

std::string CErrorHandler::Stamp() const {
  const Clock& clock = services_.clock != nullptr ? *services_.clock : FallbackClock();
  // Whole seconds, as the system clock reports them.
  const long long seconds = std::llround(clock.Now() * 86400.0);
  const long long days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  const double time_of_day = static_cast<double>(seconds - days * 86400) / 86400.0;
  const RegionalSettings& rs = services_.regional;
  return DateToText(static_cast<double>(days), rs) + " - " +
         FormatWithNumberFormat(Variant::Date(time_of_day), rs.time_format, rs);
}

void CErrorHandler::Trace(const char* what, const std::string& procedure) {
  if (!tracing_enabled_ || (tracing_flags_ & kTraceLogFile) == 0) return;
  const std::string line = Stamp() + " --- " + what + " routine: " + procedure + kCrLf;
  if (!AppendToFile(tracing_log_file_, line)) throw SupportError(kErrErrorHandlerFailure);
}

void CErrorHandler::CallStackPush(const std::string& procedure, const std::string& data) {
  Guarded([&] {
    call_stack_names_.push_back(procedure);
    call_stack_data_.push_back(data);
    Trace("Entered", procedure);
  });
}

void CErrorHandler::CallStackPop() {
  Guarded([&] {
    if (call_stack_names_.empty()) return;
    Trace("Exited", call_stack_names_.back());
    call_stack_names_.pop_back();
    if (!call_stack_data_.empty()) call_stack_data_.pop_back();
  });
}

void CErrorHandler::CallStackClear() {
  if (!call_stack_enabled_) return;
  call_stack_names_.clear();
  call_stack_data_.clear();
}

void CErrorHandler::Clear(bool clear_log_file, bool clear_tracing_log_file) {
  if (clear_log_file && !error_log_file_.empty()) std::remove(error_log_file_.c_str());
  if (clear_tracing_log_file && !tracing_log_file_.empty()) std::remove(tracing_log_file_.c_str());
}

std::string CErrorHandler::GetCallStack(int16_t indent, bool include_data) const {
  std::string text;
  const std::string pad(indent > 0 ? static_cast<size_t>(indent) : 0, ' ');
  for (size_t i = call_stack_names_.size(); i-- > 0;) {
    if (!text.empty()) text += kCrLf;
    text += pad + call_stack_names_[i];
    if (include_data) text += "(" + (i < call_stack_data_.size() ? call_stack_data_[i] : std::string()) + ")";
  }
  return text;
}

int32_t CErrorHandler::HandleError(const Error& pending, const std::string& procedure) {
  return Guarded([&] {
    error_description_ = pending.Description();
    error_number_ = pending.Number();
    error_line_ = 0;  // the system keeps no line numbers
    int32_t result = kHandleAbort;

    std::string where = procedure;
    if (where.empty()) {
      where = call_stack_enabled_ && !call_stack_names_.empty() ? call_stack_names_.back() : "Unknown";
    }
    const std::string record = Stamp() + kCrLf + "\tError: " + std::to_string(error_number_) + ", (" +
                               error_description_ + ")" + kCrLf + "\tin " + where + " at line " +
                               std::to_string(error_line_) + kCrLf + kCrLf + "The call stack is:" + kCrLf +
                               GetCallStack(20, true);

    if (error_handler_actions_ & kActionErrorLog) {
      if (!AppendToFile(error_log_file_, record + kCrLf)) throw SupportError(kErrErrorHandlerFailure);
    }
    if ((error_handler_actions_ & kActionEventLog) && running_on_nt_ && services_.event_log != nullptr) {
      services_.event_log->WriteError(kLibraryTitle, record);
    }
    if (error_handler_actions_ & kActionMessageBox) {
      if (services_.ui == nullptr) throw SupportError(kErrErrorHandlerFailure);
      const MsgResult answer =
          services_.ui->MsgBox(record, MsgButtons::kAbortRetryIgnore, MsgIcon::kNone, kLibraryTitle);
      result = answer == MsgResult::kAbort ? kHandleAbort : answer == MsgResult::kRetry ? kHandleRetry : kHandleIgnore;
    }
    if (error_handler_actions_ & kActionErrorDialog) result = ShowErrorMessage(record);
    return result;
  });
}

int32_t CErrorHandler::ShowErrorMessage(const std::string& record) {
  if (services_.ui == nullptr || !services_.make_dialog) throw SupportError(kErrErrorHandlerFailure);
  std::unique_ptr<ErrorMessageDialog> dialog = services_.make_dialog();
  dialog->SetErrorMessage(record);
  dialog->SetSupportMail(support_mail_);
  services_.ui->ShowModal(*dialog);
  if (dialog->Tag == "ABORT") return kHandleAbort;
  if (dialog->Tag == "RETRY") return kHandleRetry;
  return kHandleIgnore;
}

}  // namespace plrxl
