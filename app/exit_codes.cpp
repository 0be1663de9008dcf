#include "app/exit_codes.h"

#include "host/error.h"

namespace plrxl::app {

const char* ExitCodesHelp() {
  return "Exit codes:\n"
         "  0    every row ran without an error (and the workbook was saved)\n"
         "  1    the run finished and was saved, but some rows failed or were not run; other command failures\n"
         "  2    the project check stopped the run, or the command was refused (workbook in use, output exists "
         "without --force, folder not writable, or a save would drop parts of the workbook: see --allow-loss)\n"
         "  3    the workbook could not be loaded or saved (not a workbook, unreadable, disk full); the file was "
         "not changed\n"
         "  4    the run finished and was saved, but some rows were deferred: a source's request budget is used up "
         "for now (their status says until when); try later, `--resume` continues\n"
         "  130  cancelled by Ctrl+C, SIGTERM or SIGHUP; the rows finished so far were saved\n"
         "  100-127  the command line was not understood: 104/105 a value that is not allowed, 106 a missing "
         "argument, 109 an unknown command or option\n";
}

namespace {

// The store that loads and saves workbook files names itself so in its errors.
constexpr const char* kWorkbookStore = "PlrXL2.WorkbookStore";
constexpr int kErrFileExists = 58;
constexpr int kErrPermissionDenied = 70;
constexpr int kErrPathFileAccess = 75;

}  // namespace

int ExitCodeOfError(const Error& error) {
  if (error.Source() == kWorkbookStore) return kExitLoadSaveFailed;
  const int number = static_cast<int>(error.Number());
  if (number == kErrFileExists || number == kErrPermissionDenied || number == kErrPathFileAccess) return kExitRefused;
  return kExitRowsFailed;
}

std::string FileSystemErrorText(const std::filesystem::filesystem_error& error) {
  const std::string path = error.path1().empty() ? std::string("a file") : error.path1().string();
  std::string what = error.what();
  // "filesystem error: cannot create directories: Permission denied [/x]":
  // the operation, then the system's reason.
  const std::string prefix = "filesystem error: ";
  if (what.rfind(prefix, 0) == 0) what = what.substr(prefix.size());
  const size_t bracket = what.find(" [");
  if (bracket != std::string::npos) what = what.substr(0, bracket);
  const size_t colon = what.find(": ");
  std::string operation = colon == std::string::npos ? what : what.substr(0, colon);
  if (operation == "cannot create directories" || operation == "cannot create directory") operation = "cannot create the folder";
  return operation + " " + path + ": " + error.code().message();
}

}  // namespace plrxl::app
