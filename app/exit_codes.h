// The exit codes of pelorinxl, one table for the program, its --help and
// docs/running.md. Scripts (cron, systemd) rely on them.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace plrxl {
class Error;
}

namespace plrxl::app {

enum ExitCode : int {
  kExitOk = 0,             // every row ran without an error
  kExitRowsFailed = 1,     // the run finished and was saved, but some rows failed or did not run
  kExitRefused = 2,        // the project check stopped the run, or the command was refused
  kExitLoadSaveFailed = 3, // the workbook could not be loaded or saved; the file was not changed
  kExitRowsDeferred = 4,   // saved; some rows wait for a source's request budget: --resume continues
  kExitCancelled = 130,    // Ctrl+C, SIGTERM or SIGHUP; the rows finished so far were saved
};

// The table as --help prints it.
const char* ExitCodesHelp();

// The exit code of a command that ended with `error`: the workbook store's
// load and save failures are kExitLoadSaveFailed, an output that exists
// (without --force) or cannot be written is kExitRefused, the rest
// kExitRowsFailed.
int ExitCodeOfError(const Error& error);

// A file-system failure as a sentence with the path: "cannot create the
// folder /x/y: Permission denied".
std::string FileSystemErrorText(const std::filesystem::filesystem_error& error);

// Ends a command with `code`; main prints the message (when not empty) and
// returns the code.
class CommandExit : public std::runtime_error {
 public:
  CommandExit(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

}  // namespace plrxl::app
