// The remote mode's door into the Calc host: pelorinxl loads the library
// libplrxl_calc_remote.so at run time (only for --calc), so that the
// program itself needs none of the office's libraries.
//
// The library exports one function with C linkage, kCalcRemoteEntryPoint,
// which reaches an office and opens the project in it. Both sides are built
// from the same sources by the same compiler (C++ types cross the
// boundary); errors cross as plrxl::Error.
#pragma once

#include <memory>
#include <string>

#include "host/spreadsheet_host.h"

namespace plrxl::calc {

struct RemoteRequest {
  // Where an office accepts: "socket,host=127.0.0.1,port=2002" or
  // "pipe,name=NAME".
  std::string connection;
  // The project file (absolute).
  std::string project;
  // When nothing accepts at `connection`, an office is started headless
  // with this profile folder of its own, and ended with the session.
  std::string profile_dir;
  // The office program to start.
  std::string soffice = "soffice";
  RegionalSettings regional;
};

// One project open in an office. Ending the session lets the document go:
// one that was already open stays open (the person saves it there); one
// the session opened (hidden) is closed; an office the session started is
// ended.
class RemoteSession {
 public:
  virtual ~RemoteSession() = default;
  virtual SpreadsheetHost& Host() = 0;
  virtual Workbook& Project() = 0;
  // The document was already open in the office, not opened by this session.
  virtual bool FoundOpen() const = 0;
  // No office accepted: this session started one.
  virtual bool StartedOffice() const = 0;
  // Seconds until the office accepted (connect, or start and connect).
  virtual double SecondsToAccept() const = 0;
  // Writes the document to its file, in the file's own format: through a
  // temporary file renamed over it, or, for a document that was already
  // open, the way the office's own Save does.
  virtual void Save() = 0;
};

}  // namespace plrxl::calc

// The symbol the library exports, and its type. Fills `session`; throws
// plrxl::Error (1004) naming what failed.
extern "C" void PelorinXLOpenCalcSession(const plrxl::calc::RemoteRequest& request,
                                         std::unique_ptr<plrxl::calc::RemoteSession>& session);
using PelorinXLOpenCalcSessionFn = void (*)(const plrxl::calc::RemoteRequest&,
                                            std::unique_ptr<plrxl::calc::RemoteSession>&);
inline constexpr const char* kCalcRemoteEntryPoint = "PelorinXLOpenCalcSession";
inline constexpr const char* kCalcRemoteLibrary = "libplrxl_calc_remote.so";
