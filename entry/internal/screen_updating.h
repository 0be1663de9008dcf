// Saves the host's screen-updating switch and restores it on every exit of
// the scope, early returns and errors included.
#pragma once

#include "host/spreadsheet_host.h"

namespace plrxl {

class ScreenUpdatingGuard {
 public:
  explicit ScreenUpdatingGuard(SpreadsheetHost& host) : host_(host), saved_(host.ScreenUpdating()) {}
  ~ScreenUpdatingGuard() { host_.SetScreenUpdating(saved_); }
  ScreenUpdatingGuard(const ScreenUpdatingGuard&) = delete;
  ScreenUpdatingGuard& operator=(const ScreenUpdatingGuard&) = delete;
  void Off() { host_.SetScreenUpdating(false); }

 private:
  SpreadsheetHost& host_;
  bool saved_;
};

}  // namespace plrxl
