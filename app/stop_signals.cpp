#include "app/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace plrxl::app::stop_signals {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3] {};
volatile std::sig_atomic_t g_exit_at_once = 1;
volatile std::sig_atomic_t g_pending = 0;
volatile std::sig_atomic_t g_received = 0;
char g_lock_file[4096] = {};
bool g_installed = false;

extern "C" void OnStopSignal(int) {
  g_received = 1;
  if (g_exit_at_once != 0) {
    if (g_lock_file[0] != '\0') unlink(g_lock_file);
    static const char kText[] = "\npelorinxl: stopped while loading; nothing was changed\n";
    ssize_t ignored = write(STDERR_FILENO, kText, sizeof kText - 1);
    (void)ignored;
    _exit(130);
  }
  g_pending = 1;
}

}  // namespace

void Install() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
  g_installed = true;
  g_exit_at_once = 1;
  g_pending = 0;
  g_received = 0;
}

void Restore() {
  if (!g_installed) return;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
  g_installed = false;
}

void ExitAtOnce() {
  g_exit_at_once = 1;
  // A signal that came while deferred is not lost.
  if (g_pending != 0) OnStopSignal(SIGINT);
}

void Deferred() { g_exit_at_once = 0; }

void SetLockFile(const std::string& path) {
  const size_t n = path.size() < sizeof g_lock_file - 1 ? path.size() : 0;
  std::memcpy(g_lock_file, path.data(), n);
  g_lock_file[n] = '\0';
}

bool TakePending() {
  if (g_pending == 0) return false;
  g_pending = 0;
  return true;
}

bool Received() { return g_received != 0; }

HoldBack::HoldBack() {
  static_assert(sizeof(sigset_t) <= sizeof saved_);
  sigset_t block;
  sigemptyset(&block);
  for (int signal : kSignals) sigaddset(&block, signal);
  pthread_sigmask(SIG_BLOCK, &block, reinterpret_cast<sigset_t*>(saved_));
}

HoldBack::~HoldBack() { pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr); }

}  // namespace plrxl::app::stop_signals
