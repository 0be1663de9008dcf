// The procedure mechanism every procedure of the system uses.
//
// Call-stack procedures (CPelorin, modules, forms):
//
//   std::string CPelorin::TWP(const std::string& id) {
//     Procedure proc(ctx_.errors, "Pelorin.CPelorin.TWP");  // pushes now
//     std::string text;
//     proc.Do([&] { text = ...; });   // one guarded statement
//     return text;                    // pops on normal exit
//   }
//
// When a guarded statement throws, Do asks the shared error handler
// (HandleError) and then:
//   Retry  - runs the same statement again;
//   Ignore - returns, so the procedure goes on with its next statement;
//   Abort  - clears the call stack and marks the procedure aborted: every
//            later Do of this procedure is skipped, the procedure returns
//            whatever it holds, and its destructor pops nothing. The caller
//            does not learn of the error.
// Without an error handler in the slot, the error passes to the caller.
// A failing push (a tracing log that cannot be written) is handled the same
// way, as a failure of the procedure's first statement.
// An error leaving the procedure (not handled) pops nothing either.
// An error raised by the handler itself (its component failure) passes out
// of Do to the caller as well.
//
// Engine procedures (Cfenmar, Corvan) push nothing: ComponentCall runs the
// whole body and turns any failure into kComponentFailure with the
// procedure's name as source and the class's failure description.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/error.h"

namespace plrxl {

class CErrorHandler;

// The shared error handler slot (g_ObjErrorHandler). CPelorin fills it; every
// procedure reads it. One per run context, never a process global.
struct ErrorHandlerSlot {
  std::shared_ptr<CErrorHandler> g_ObjErrorHandler;
};

// Converts any exception in flight into the system's error object (a
// std::bad_alloc becomes 7 "Out of memory", other exceptions 5 with their
// what() text). Call only inside a catch block.
Error CurrentError();

class Procedure {
 public:
  Procedure(ErrorHandlerSlot& slot, std::string name);
  ~Procedure();
  Procedure(const Procedure&) = delete;
  Procedure& operator=(const Procedure&) = delete;

  // Runs one guarded statement (see the header comment).
  void Do(const std::function<void()>& statement);
  // True once an Abort was answered; later Do calls are skipped.
  bool Aborted() const { return aborted_; }
  const std::string& Name() const { return name_; }

 private:
  // Asks the handler about the error in flight and acts on its answer;
  // returns true when the statement is to run again.
  bool HandleCurrent();

  ErrorHandlerSlot& slot_;
  std::string name_;
  bool aborted_ = false;
  // Exceptions in flight at entry: an exit while more are in flight is an
  // error passing to the caller, which pops nothing.
  int uncaught_at_entry_ = 0;
};

// Failure descriptions of the engine classes.
inline constexpr const char* kCfenmarFailure = "Cfenmar component failure";
inline constexpr const char* kCorvanFailure = "Corvan component failure";

// Runs an engine procedure's body; any failure is raised again as
// Error(kComponentFailure, name, failure_description).
template <class F>
auto ComponentCall(const std::string& name, const char* failure_description, F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    throw Error(kComponentFailure, name, failure_description);
  }
}

// Runs a statement and swallows any failure: for the bodies that skip failed
// statements (exports, charts, the error dialog).
void IgnoreErrors(const std::function<void()>& statement);

}  // namespace plrxl
