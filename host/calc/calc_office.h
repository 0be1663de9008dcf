// CalcOffice: a live LibreOffice over its UNO interface, for the Calc host.
//
// Two ways to get one: Connect to an office the user started with an accept
// string (soffice --accept="socket,host=127.0.0.1,port=2002;urp;"), or
// Start one headless with a profile folder of its own and wait until it
// accepts. An office this object started is shut down when the object goes
// (terminate, then the process is waited for, and killed when it does not
// leave); a connected one is left running.
//
// Failures throw plrxl::Error 1004 naming what failed (no office program,
// nothing accepting, an office that quit while starting). Everything runs on
// the thread that made the object.
#pragma once

#include <memory>
#include <string>

namespace plrxl::calc {

struct StartOptions {
  // The office program; looked up on PATH when it has no slash.
  std::string soffice = "soffice";
  // The office's own user profile folder (made when missing); required, so
  // that a started office never touches the user's own profile.
  std::string profile_dir;
  // How long to wait for the office to accept.
  double timeout_seconds = 60;
};

class CalcOffice {
 public:
  // What Connect takes: "socket,host=127.0.0.1,port=2002" or "pipe,name=x"
  // (the accept string's first part, without ";urp;").
  static std::unique_ptr<CalcOffice> Connect(const std::string& connection, double timeout_seconds = 0);
  // Null when nothing accepts there right now; throws when something
  // answers but cannot be reached (a bad connection, not an office).
  static std::unique_ptr<CalcOffice> ConnectIfAccepting(const std::string& connection);
  static std::unique_ptr<CalcOffice> Start(const StartOptions& options);
  // For code that runs inside the office (the extension): the office the
  // given parts belong to (connection "in-process"); it is never shut down.
  struct Impl;
  static std::unique_ptr<CalcOffice> Adopt(std::unique_ptr<Impl> impl);
  // True when the office program can be found (Start would find it).
  static bool ProgramAvailable(const std::string& soffice = "soffice");

  ~CalcOffice();
  CalcOffice(const CalcOffice&) = delete;
  CalcOffice& operator=(const CalcOffice&) = delete;

  // Ends an office this object started: asks it to terminate and waits for
  // its process (killing it after 10 s). Never throws; a second call does
  // nothing. A connected office is only let go.
  void Shutdown();
  // Seconds from the start (or the first connection attempt) until the
  // office accepted.
  double SecondsToAccept() const;
  // Where the office accepts: what Connect takes.
  const std::string& Connection() const;
  // The started office's process id; 0 for a connected office.
  int ProcessId() const;

  // The UNO side, for the host's own files (host/calc/internal/uno.h).
  Impl& Uno() { return *impl_; }

 private:
  explicit CalcOffice(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace plrxl::calc
