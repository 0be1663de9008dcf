// StopSignals: Ctrl+C (SIGINT), SIGTERM and SIGHUP for the commands that
// change a workbook. cron, systemd and a closed terminal send the latter two;
// all three mean "stop".
//
// While loading (ExitAtOnce), a signal ends the process at once with exit
// code 130: nothing has been written yet, and the lock file named by
// SetLockFile is removed. While running and saving (Deferred), a signal is
// only remembered: the run asks TakePending() at each yield and stops at
// the next row, and the save always finishes, so the rows done so far are
// kept. Signal handlers see only process-wide state, so this is a set of
// free functions over statics; one command per process uses them.
#pragma once

#include <string>

namespace plrxl::app::stop_signals {

// Installs the handlers in ExitAtOnce mode; Restore puts back what was there.
void Install();
void Restore();
void ExitAtOnce();
void Deferred();
// The lock file removed when a signal ends the process during loading.
void SetLockFile(const std::string& path);
// True once for each signal received in Deferred mode.
bool TakePending();
// True when any signal arrived since Install.
bool Received();

// Holds the stop signals back while it lives; one that came meanwhile is
// handled when it ends. Taking the lock and naming its file happen under
// one, so a signal never ends the process between the two and leaves the
// file behind.
class HoldBack {
 public:
  HoldBack();
  ~HoldBack();
  HoldBack(const HoldBack&) = delete;
  HoldBack& operator=(const HoldBack&) = delete;

 private:
  unsigned char saved_[128];  // the previous signal mask (a sigset_t)
};

}  // namespace plrxl::app::stop_signals
