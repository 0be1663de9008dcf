#include "host/calc/calc_office.h"

#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <cppuhelper/bootstrap.hxx>

#include "host/calc/internal/uno.h"

extern char** environ;

namespace plrxl::calc {
namespace {

using Clock = std::chrono::steady_clock;

// Nothing accepted at a connection before the deadline (an office that is
// not there, as opposed to one that cannot be reached).
struct NotAccepting {};

[[noreturn]] void Fail(const std::string& what) { throw Error(kErrRange, "Calc host", what); }

// The process's own UNO environment, made once: the client side of the
// bridge reads the office's type library through its bootstrap file.
Reference<css::uno::XComponentContext> LocalContext() {
  static Reference<css::uno::XComponentContext> local = [] {
    // The bootstrap looks for its file through this variable; a caller that
    // set it knows better.
    setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" PLRXL_OFFICE_PROGRAM_DIR "/fundamentalrc", 0);
    try {
      return cppu::defaultBootstrap_InitialComponentContext();
    } catch (const css::uno::Exception& e) {
      ThrowFromUno("Cannot start the UNO runtime of " PLRXL_OFFICE_PROGRAM_DIR, e);
    }
  }();
  return local;
}

bool ProcessEnded(int pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

// Tries to reach the office until it accepts, the deadline passes or (for a
// started office) its process ends.
Reference<css::uno::XComponentContext> Resolve(const std::string& connection, Clock::time_point deadline,
                                               int pid) {
  Reference<css::bridge::XUnoUrlResolver> resolver;
  try {
    resolver = css::bridge::UnoUrlResolver::create(LocalContext());
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot make the UNO resolver", e);
  }
  const rtl::OUString url = ToOu("uno:" + connection + ";urp;StarOffice.ComponentContext");
  for (;;) {
    try {
      return Reference<css::uno::XComponentContext>(resolver->resolve(url), UNO_QUERY_THROW);
    } catch (const css::connection::NoConnectException&) {
      // Not accepting yet.
    } catch (const css::uno::Exception& e) {
      ThrowFromUno("Cannot connect to the office at " + connection, e);
    }
    if (pid != 0 && ProcessEnded(pid)) Fail("The office quit before it accepted connections at " + connection);
    if (Clock::now() >= deadline) {
      if (pid == 0) throw NotAccepting{};
      Fail("No office accepts connections at " + connection);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::unique_ptr<CalcOffice::Impl> Reach(const std::string& connection, double timeout_seconds, int pid) {
  const auto begin = Clock::now();
  const auto deadline = begin + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout_seconds));
  auto impl = std::make_unique<CalcOffice::Impl>();
  impl->pid = pid;
  impl->connection = connection;
  impl->context = Resolve(connection, deadline, pid);
  try {
    impl->desktop = css::frame::Desktop::create(impl->context);
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("The office at " + connection + " has no desktop", e);
  }
  impl->seconds_to_accept = std::chrono::duration<double>(Clock::now() - begin).count();
  return impl;
}

std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

}  // namespace

CalcOffice::CalcOffice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CalcOffice::~CalcOffice() { Shutdown(); }

std::unique_ptr<CalcOffice> CalcOffice::Adopt(std::unique_ptr<Impl> impl) {
  impl->pid = 0;
  if (impl->connection.empty()) impl->connection = "in-process";
  return std::unique_ptr<CalcOffice>(new CalcOffice(std::move(impl)));
}

bool CalcOffice::ProgramAvailable(const std::string& soffice) { return !FindProgram(soffice).empty(); }

std::unique_ptr<CalcOffice> CalcOffice::Connect(const std::string& connection, double timeout_seconds) {
  try {
    return std::unique_ptr<CalcOffice>(new CalcOffice(Reach(connection, timeout_seconds, 0)));
  } catch (const NotAccepting&) {
    Fail("No office accepts connections at " + connection);
  }
}

std::unique_ptr<CalcOffice> CalcOffice::ConnectIfAccepting(const std::string& connection) {
  try {
    return std::unique_ptr<CalcOffice>(new CalcOffice(Reach(connection, 0, 0)));
  } catch (const NotAccepting&) {
    return nullptr;
  }
}

std::unique_ptr<CalcOffice> CalcOffice::Start(const StartOptions& options) {
  const std::string program = FindProgram(options.soffice);
  if (program.empty()) Fail("The office program '" + options.soffice + "' was not found");
  if (options.profile_dir.empty()) Fail("A started office needs a profile folder of its own");
  std::error_code ec;
  std::filesystem::create_directories(options.profile_dir, ec);
  if (ec) Fail("Cannot make the office profile folder " + options.profile_dir + ": " + ec.message());

  // A pipe named after this process and the profile: no port to collide
  // with, and nothing reachable from outside the machine.
  const std::string pipe_name =
      "plrxl" + std::to_string(getpid()) + "_" + std::to_string(std::hash<std::string>{}(options.profile_dir) % 1000000);
  const std::string connection = "pipe,name=" + pipe_name;
  const std::string profile = FromOu(FileUrl(std::filesystem::absolute(options.profile_dir).string()));
  std::vector<std::string> args = {program,         "--headless",  "--invisible",   "--nologo",
                                   "--norestore",   "--nodefault", "--nolockcheck", "--nofirststartwizard",
                                   "--accept=" + connection + ";urp;StarOffice.ComponentContext",
                                   "-env:UserInstallation=" + profile};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // Its own process group, so that a kill reaches the office behind the
  // start script too.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  // No standard streams shared with us: an office that outlives this
  // process (killed, crashed) must not hold open the pipe a caller reads
  // our output from, or that caller waits for ever.
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &files, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) Fail("Cannot start " + program + ": " + std::strerror(rc));
  try {
    return std::unique_ptr<CalcOffice>(new CalcOffice(Reach(connection, options.timeout_seconds, pid)));
  } catch (...) {
    kill(-pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    throw;
  }
}

double CalcOffice::SecondsToAccept() const { return impl_->seconds_to_accept; }

const std::string& CalcOffice::Connection() const { return impl_->connection; }

int CalcOffice::ProcessId() const { return impl_ ? impl_->pid : 0; }

void CalcOffice::Shutdown() {
  if (!impl_) return;
  const int pid = impl_->pid;
  if (pid != 0 && impl_->desktop.is()) {
    try {
      impl_->desktop->terminate();
    } catch (const css::uno::Exception&) {
      // The bridge goes down with the office: the answer may never come.
    }
  }
  impl_->desktop.clear();
  impl_->context.clear();
  if (pid != 0) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    bool ended = ProcessEnded(pid);
    while (!ended && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ended = ProcessEnded(pid);
    }
    if (!ended) {
      kill(-pid, SIGKILL);
      int status = 0;
      waitpid(pid, &status, 0);
    }
  }
  impl_.reset();
}

}  // namespace plrxl::calc
