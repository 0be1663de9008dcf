#include "support/procedure.h"

#include <exception>
#include <new>

#include "support/error_handler.h"
#include "support/error_numbers.h"

namespace plrxl {

Error CurrentError() {
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(7, kLibraryStem, "Out of memory");
  } catch (const std::exception& e) {
    return Error(kErrInvalidCall, kLibraryStem, e.what());
  } catch (...) {
    return Error(kErrInvalidCall, kLibraryStem, "Invalid procedure call or argument");
  }
}

Procedure::Procedure(ErrorHandlerSlot& slot, std::string name)
    : slot_(slot), name_(std::move(name)), uncaught_at_entry_(std::uncaught_exceptions()) {
  for (;;) {
    CErrorHandler* handler = slot_.g_ObjErrorHandler.get();
    if (handler == nullptr) return;
    try {
      handler->CallStackPush(name_, "");
      return;
    } catch (...) {
      if (!HandleCurrent()) return;
    }
  }
}

Procedure::~Procedure() {
  if (aborted_ || std::uncaught_exceptions() > uncaught_at_entry_) return;
  if (CErrorHandler* handler = slot_.g_ObjErrorHandler.get()) {
    // A failing pop has nowhere to go from a destructor; the handler has
    // already written what it could.
    try {
      handler->CallStackPop();
    } catch (...) {
    }
  }
}

void Procedure::Do(const std::function<void()>& statement) {
  while (!aborted_) {
    try {
      statement();
      return;
    } catch (...) {
      if (!HandleCurrent()) return;
    }
  }
}

bool Procedure::HandleCurrent() {
  // Keep the handler alive through HandleError even if the slot is refilled.
  std::shared_ptr<CErrorHandler> handler = slot_.g_ObjErrorHandler;
  if (!handler) throw;
  const Error pending = CurrentError();
  switch (handler->HandleError(pending, "")) {
    case kHandleRetry:
      return true;
    case kHandleIgnore:
      return false;
    case kHandleAbort:
      handler->CallStackClear();
      aborted_ = true;
      return false;
    default:
      aborted_ = true;
      return false;
  }
}

void IgnoreErrors(const std::function<void()>& statement) {
  try {
    statement();
  } catch (...) {
  }
}

}  // namespace plrxl
