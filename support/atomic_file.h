// AtomicFile: writes a file so that readers only ever see the old file or
// the whole new one. The text goes to a temporary file in the target's
// folder; Commit flushes it to disk and renames it over the target. A file
// that is never committed (an error, an early return) is removed, and the
// target stays as it was.
//
// Failures throw plrxl::Error 75 "Path/File access error" with the path and
// the system's reason in the description.
#pragma once

#include <memory>
#include <ostream>
#include <string>

namespace plrxl {

inline constexpr int kErrPathFileAccess = 75;

class AtomicFile {
 public:
  // Creates the temporary file beside `path` (its folder must exist).
  explicit AtomicFile(std::string path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Where the content goes; valid until Commit or destruction.
  std::ostream& Stream();
  // Flushes and syncs the content and renames the temporary file over the
  // target. Throws (and removes the temporary file) when a write failed.
  void Commit();

  const std::string& Path() const { return path_; }

 private:
  class Buffer;
  std::string path_;
  std::string temp_path_;
  std::unique_ptr<Buffer> buffer_;
  std::unique_ptr<std::ostream> stream_;
  bool committed_ = false;
};

}  // namespace plrxl
