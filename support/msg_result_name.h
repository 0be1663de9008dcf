// The caption of the button that gives each message-box answer, for the
// places that write an answer down as text (console, logs).
#pragma once

#include "support/ui_port.h"

namespace plrxl {

inline const char* MsgResultName(MsgResult answer) {
  switch (answer) {
    case MsgResult::kOk: return "OK";
    case MsgResult::kCancel: return "Cancel";
    case MsgResult::kAbort: return "Abort";
    case MsgResult::kRetry: return "Retry";
    case MsgResult::kIgnore: return "Ignore";
    case MsgResult::kYes: return "Yes";
    case MsgResult::kNo: return "No";
  }
  return "?";
}

}  // namespace plrxl
