#include "app/calc_remote.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "app/exit_codes.h"
#include "host/error.h"

namespace plrxl::app {
namespace {

namespace fs = std::filesystem;

// CLI11's code for an option this program does not have.
constexpr int kExitNoSuchOption = 109;

#ifdef PLRXL_WITH_CALC
std::string RemoteLibrary() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  for (const fs::path& candidate : {self.parent_path() / kCalcRemoteLibrary,
                                    self.parent_path().parent_path() / "lib" / "pelorinxl" / kCalcRemoteLibrary}) {
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
  }
  return "";
}
#endif

// The library stays loaded until the process ends: the office bridge keeps
// threads of its own running in it.
PelorinXLOpenCalcSessionFn LoadEntryPoint() {
#ifndef PLRXL_WITH_CALC
  throw CommandExit(kExitNoSuchOption,
                    "--calc: this pelorinxl was built without the Calc host (it needs the LibreOffice SDK at build "
                    "time); run without --calc to work on the file");
#else
  const std::string library = RemoteLibrary();
  if (library.empty()) {
    throw CommandExit(kExitRefused, std::string("--calc: the Calc remote mode is not installed (") +
                                        kCalcRemoteLibrary + " is neither beside pelorinxl nor in " +
                                        "PREFIX/lib/pelorinxl)");
  }
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    throw CommandExit(kExitRefused, "--calc: cannot load " + library + ": " + (why ? why : "?") +
                                        " (is LibreOffice installed?)");
  }
  auto entry = reinterpret_cast<PelorinXLOpenCalcSessionFn>(dlsym(handle, kCalcRemoteEntryPoint));
  if (entry == nullptr) throw CommandExit(kExitRefused, "--calc: " + library + " has no entry point");
  return entry;
#endif
}

std::string TemporaryProfileFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/pelorinxl-office-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr)
    throw CommandExit(kExitLoadSaveFailed, "--calc: cannot make a profile folder for an office in " + pattern);
  return pattern;
}

}  // namespace

void AddCalcOptions(CLI::App* cmd, CalcOptions& options) {
  // A flag that also takes --calc=CONNECTION: the word after a bare --calc
  // is the project, never a connection.
  CLI::Option* calc = cmd->add_flag("--calc{}", options.connection,
                std::string("Run on the project open in LibreOffice Calc: connect to an office accepting at "
                            "--calc=CONNECTION (default: $") +
                    kCalcConnectionVariable + ", else " + kDefaultCalcConnection +
                    "), or start one headless for the run when none accepts")
      ->check(CLI::Validator(
          [](std::string& value) { return value.empty() ? std::string() : CheckCalcConnection(value); },
          "CONNECTION"))
      ->option_text("[=CONNECTION]");
  cmd->add_flag("--save", options.save,
                "With --calc: save the document to its file when the run ends (else it is left open in the office, "
                "unsaved)")
      ->needs(calc);
}

std::string CalcConnection(const CalcOptions& options) {
  if (options.connection && !options.connection->empty()) return *options.connection;
  const char* variable = std::getenv(kCalcConnectionVariable);
  if (variable != nullptr && *variable != '\0') return variable;
  return kDefaultCalcConnection;
}

std::string CheckCalcConnection(const std::string& connection) {
  const std::string example = " (write socket,host=127.0.0.1,port=2002 or pipe,name=NAME)";
  const size_t comma = connection.find(',');
  const std::string kind = connection.substr(0, comma);
  if (kind != "socket" && kind != "pipe") return "\"" + connection + "\" is not a connection" + example;
  std::map<std::string, std::string> values;
  size_t start = comma == std::string::npos ? connection.size() : comma + 1;
  while (start < connection.size()) {
    const size_t end = std::min(connection.find(',', start), connection.size());
    const std::string pair = connection.substr(start, end - start);
    const size_t equals = pair.find('=');
    if (equals == std::string::npos || equals == 0)
      return "\"" + pair + "\" in \"" + connection + "\" is not a key=value pair" + example;
    values[pair.substr(0, equals)] = pair.substr(equals + 1);
    start = end + 1;
  }
  if (kind == "pipe") return values["name"].empty() ? "a pipe connection needs a name" + example : "";
  if (values["host"].empty()) return "a socket connection needs a host" + example;
  const std::string port = values["port"];
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
      std::stoi(port) < 1 || std::stoi(port) > 65535)
    return "a socket connection needs a port from 1 to 65535" + example;
  return "";
}

CalcProject::CalcProject(const std::string& connection, const std::string& path, const RegionalSettings& regional) {
  const PelorinXLOpenCalcSessionFn open = LoadEntryPoint();
  calc::RemoteRequest request;
  request.connection = connection;
  request.project = fs::absolute(path).lexically_normal().string();
  request.regional = regional;
  std::error_code ec;
  if (!fs::is_regular_file(request.project, ec))
    throw CommandExit(kExitLoadSaveFailed, path + ": no such file; nothing was changed");
  profile_dir_ = TemporaryProfileFolder();
  request.profile_dir = profile_dir_;
  try {
    open(request, session_);
  } catch (const Error& e) {
    fs::remove_all(profile_dir_, ec);
    throw CommandExit(kExitLoadSaveFailed, e.Description() + "; nothing was changed");
  }
  // Only a started office used it.
  if (!session_->StartedOffice()) {
    fs::remove_all(profile_dir_, ec);
    profile_dir_.clear();
  }
}

CalcProject::~CalcProject() {
  session_.reset();
  std::error_code ec;
  if (!profile_dir_.empty()) fs::remove_all(profile_dir_, ec);
}

}  // namespace plrxl::app
