#include "support/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <streambuf>
#include <vector>

#include "host/error.h"

namespace plrxl {

namespace {

[[noreturn]] void Fail(const std::string& path, int err) {
  throw Error(kErrPathFileAccess, "PlrXL2.AtomicFile",
              "Path/File access error: " + path + ": " + std::strerror(err));
}

std::string TempPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
}

}  // namespace

// A stream buffer over a file descriptor; remembers the first write error.
class AtomicFile::Buffer : public std::streambuf {
 public:
  explicit Buffer(int fd) : fd_(fd), data_(64 * 1024) { setp(data_.data(), data_.data() + data_.size()); }
  ~Buffer() override {
    if (fd_ >= 0) ::close(fd_);
  }
  // Writes what is buffered; false on a failed write.
  bool Drain() {
    const char* p = pbase();
    while (p < pptr() && error_ == 0) {
      const ssize_t n = ::write(fd_, p, static_cast<size_t>(pptr() - p));
      if (n < 0) {
        if (errno != EINTR) error_ = errno;
        continue;
      }
      p += n;
    }
    setp(data_.data(), data_.data() + data_.size());
    return error_ == 0;
  }
  // Drains, syncs and closes; returns 0 or the first error.
  int Finish() {
    Drain();
    if (error_ == 0 && ::fsync(fd_) != 0) error_ = errno;
    if (::close(fd_) != 0 && error_ == 0) error_ = errno;
    fd_ = -1;
    return error_;
  }

 protected:
  int_type overflow(int_type ch) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  int fd_;
  std::vector<char> data_;
  int error_ = 0;
};

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)), temp_path_(TempPathFor(path_)) {
  const int fd = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) Fail(path_, errno);
  buffer_ = std::make_unique<Buffer>(fd);
  stream_ = std::make_unique<std::ostream>(buffer_.get());
}

AtomicFile::~AtomicFile() {
  stream_.reset();
  buffer_.reset();
  if (!committed_) std::remove(temp_path_.c_str());
}

std::ostream& AtomicFile::Stream() { return *stream_; }

void AtomicFile::Commit() {
  stream_->flush();
  const int err = buffer_->Finish();
  if (err != 0) Fail(path_, err);
  if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) Fail(path_, errno);
  committed_ = true;
}

}  // namespace plrxl
