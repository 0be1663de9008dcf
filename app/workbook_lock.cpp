#include "app/workbook_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/exit_codes.h"

namespace plrxl::app {
namespace {

namespace fs = std::filesystem;

// The file itself when `path` is a symbolic link: the lock guards the file
// that is written, whichever name reaches it.
fs::path RealPath(const std::string& path) {
  std::error_code ec;
  fs::path real = fs::weakly_canonical(fs::absolute(path), ec);
  return ec ? fs::absolute(path) : real;
}

std::string Refusal(const std::string& workbook, const std::string& why) {
  return workbook + ": " + why;
}

// The first line of another program's lock file names the user first.
std::string ForeignHolder(const std::string& lock_file) {
  std::ifstream in(lock_file);
  std::string line;
  std::getline(in, line);
  const std::string user = line.substr(0, line.find(','));
  return user.empty() ? "" : " by " + user;
}

// Proves that a file can be made in the folder, as the save will do.
void CheckFolderWritable(const fs::path& folder, const std::string& workbook) {
  std::string probe = (folder / ".pelorinxl-write-test.XXXXXX").string();
  const int fd = mkstemp(probe.data());
  if (fd < 0) {
    throw CommandExit(kExitRefused, Refusal(workbook, "cannot write in the folder " + folder.string() + " (" +
                                                          std::strerror(errno) +
                                                          "), so the workbook could not be saved; nothing was done"));
  }
  close(fd);
  unlink(probe.c_str());
}

}  // namespace

std::string WorkbookLock::LockFileOf(const std::string& workbook_path) {
  const fs::path real = RealPath(workbook_path);
  return (real.parent_path() / ("." + real.filename().string() + ".pelorinxl-lock")).string();
}

std::string WorkbookLock::ForeignLockFileOf(const std::string& workbook_path) {
  const fs::path real = RealPath(workbook_path);
  return (real.parent_path() / (".~lock." + real.filename().string() + "#")).string();
}

WorkbookLock WorkbookLock::Acquire(const std::string& workbook_path, bool force) {
  const fs::path real = RealPath(workbook_path);
  const std::string lock_path = LockFileOf(workbook_path);
  CheckFolderWritable(real.parent_path(), workbook_path);

  const std::string foreign = ForeignLockFileOf(workbook_path);
  std::error_code ec;
  if (!force && fs::exists(foreign, ec)) {
    throw CommandExit(kExitRefused,
                      Refusal(workbook_path, "the workbook is open in another spreadsheet program" +
                                                 ForeignHolder(foreign) + " (lock file " + foreign +
                                                 "); close it there first, or use --force"));
  }

  for (int attempt = 0; attempt < 10; ++attempt) {
    const int fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      throw CommandExit(kExitRefused, Refusal(workbook_path, "cannot create the lock file " + lock_path + " (" +
                                                                 std::strerror(errno) + ")"));
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      char holder[64] = {};
      const ssize_t n = pread(fd, holder, sizeof holder - 1, 0);
      close(fd);
      std::string pid = n > 0 ? std::string(holder, static_cast<size_t>(n)) : "";
      pid = pid.substr(0, pid.find('\n'));
      // A held flock means a live process: the system drops it when its
      // holder ends. Two writers would lose one's rows, so no option
      // overrides it.
      throw CommandExit(kExitRefused,
                        Refusal(workbook_path, "the workbook is in use by another pelorinxl" +
                                                   (pid.empty() ? std::string() : " (process " + pid + ")") +
                                                   "; try again when it has finished" +
                                                   (force ? " (--force does not override a running pelorinxl)"
                                                          : "")));
    }
    // The previous holder may have removed the file between our open and
    // our lock: then we hold a lock on a file nobody else sees; start again.
    struct stat opened {}, named {};
    if (fstat(fd, &opened) != 0 || stat(lock_path.c_str(), &named) != 0 || opened.st_ino != named.st_ino ||
        opened.st_dev != named.st_dev) {
      close(fd);
      continue;
    }
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) != 0 || pwrite(fd, pid.data(), pid.size(), 0) < 0) {
      // The lock holds without the process id; the message then names none.
    }
    return WorkbookLock(fd, lock_path);
  }
  throw CommandExit(kExitRefused, Refusal(workbook_path, "the lock file " + lock_path + " keeps changing"));
}

WorkbookLock::WorkbookLock(WorkbookLock&& other) noexcept : fd_(other.fd_), lock_path_(std::move(other.lock_path_)) {
  other.fd_ = -1;
}

WorkbookLock::~WorkbookLock() {
  if (fd_ < 0) return;
  // Removed while still locked, so a process waiting on the old file sees
  // it vanish and starts again on a new one.
  unlink(lock_path_.c_str());
  close(fd_);
}

}  // namespace plrxl::app
