// WorkbookLock: one writer at a time for a workbook file.
//
// Every command that changes a workbook (the runs, set-row, add, ...) takes
// the lock before it loads the file and holds it until it has saved. The
// lock is an advisory flock() on the file ".NAME.pelorinxl-lock" beside the
// workbook (beside its target when the path is a symbolic link). The
// system releases a flock when its process ends, however it ends, so a lock
// file left by a killed process is recognised as stale and taken over.
//
// Acquire refuses (CommandExit with kExitRefused) when:
//   - another process holds the lock (the message names its process id);
//   - another spreadsheet program has the workbook open (its lock file
//     ".~lock.NAME#" lies beside it);
//   - the folder cannot be written (the save would fail after the run).
// `force` skips the second only. A lock file that no live process holds
// needs no force: it is taken over as stale. A running pelorinxl's lock is
// never overridden, since one of two writers would lose its rows.
#pragma once

#include <string>

namespace plrxl::app {

class WorkbookLock {
 public:
  // See the header comment.
  static WorkbookLock Acquire(const std::string& workbook_path, bool force);
  WorkbookLock(WorkbookLock&& other) noexcept;
  WorkbookLock& operator=(WorkbookLock&&) = delete;
  WorkbookLock(const WorkbookLock&) = delete;
  ~WorkbookLock();

  // The lock file of a workbook path and another program's lock file.
  static std::string LockFileOf(const std::string& workbook_path);
  static std::string ForeignLockFileOf(const std::string& workbook_path);
  // True when this process holds the lock.
  bool Held() const { return fd_ >= 0; }
  const std::string& Path() const { return lock_path_; }

 private:
  WorkbookLock(int fd, std::string lock_path) : fd_(fd), lock_path_(std::move(lock_path)) {}
  int fd_ = -1;
  std::string lock_path_;
};

}  // namespace plrxl::app
