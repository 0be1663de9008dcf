// --calc[=CONNECTION] and --save of the run commands: the run works on the
// project open in a LibreOffice Calc instead of on the file.
//
// The Calc side lives in the library libplrxl_calc_remote.so, loaded only
// when --calc is given: pelorinxl itself starts without the office's
// libraries. It is looked for beside the program (a build folder), then in
// <prefix>/lib/pelorinxl (installed).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "host/calc/calc_remote_api.h"

namespace plrxl::app {

// Where --calc connects when it names no connection, and the variable that
// changes it.
inline constexpr const char* kDefaultCalcConnection = "socket,host=127.0.0.1,port=2002";
inline constexpr const char* kCalcConnectionVariable = "PELORINXL_CALC";

struct CalcOptions {
  // Set by --calc: the connection ("" until resolved: the default).
  std::optional<std::string> connection;
  // Save the document when the run ends (--save).
  bool save = false;
};

// Adds --calc and --save to a run command.
void AddCalcOptions(CLI::App* cmd, CalcOptions& options);

// The connection --calc means: its value, else $PELORINXL_CALC, else the
// default.
std::string CalcConnection(const CalcOptions& options);

// An empty text when `connection` reads "socket,host=H,port=N" or
// "pipe,name=N" (other key=value pairs allowed); else what is wrong.
std::string CheckCalcConnection(const std::string& connection);

// The project open in an office, with the library and the profile folder of
// an office started for it. Throws CommandExit: kExitUsage-like 109 when this
// build has no Calc host, kExitRefused when the library is missing,
// kExitLoadSaveFailed when no office can be reached or the file not opened.
class CalcProject {
 public:
  CalcProject(const std::string& connection, const std::string& path, const RegionalSettings& regional);
  ~CalcProject();
  CalcProject(const CalcProject&) = delete;
  CalcProject& operator=(const CalcProject&) = delete;

  calc::RemoteSession& Session() { return *session_; }

 private:
  std::string profile_dir_;
  std::unique_ptr<calc::RemoteSession> session_;
};

}  // namespace plrxl::app
