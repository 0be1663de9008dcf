#include "support/shell.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <filesystem>

#include "support/error_numbers.h"
#include "support/internal/xdg_mime.h"

namespace plrxl {

namespace {

struct ResultError {
  int result;
  int32_t number;
};

// Every shell result the class translates.
constexpr ResultError kResultErrors[] = {
    {kShellFileNotFound, kErrShellFileNotFound},
    {kShellAccessDenied, kErrShellFileNotFound},
    {kShellPathNotFound, kErrShellPathNotFound},
    {kShellOutOfMemory, kErrShellOutOfMemory},
    {kShellDllNotFound, kErrShellDllNotFound},
    {kShellSharingViolation, kErrShellSharingViolation},
    {kShellAssociationIncomplete, kErrShellAssociationIncomplete},
    {kShellDdeTimeout, kErrShellDdeTimeout},
    {kShellDdeFail, kErrShellDdeFail},
    {kShellDdeBusy, kErrShellDdeBusy},
    {kShellNoAssociation, kErrShellNoAssociation},
    {kShellBadFormat, kErrShellBadFormat},
};
// The results that mail and URL opening translate.
constexpr int kLimitedResults[] = {kShellOutOfMemory, kShellSharingViolation, kShellDdeTimeout, kShellDdeFail,
                                   kShellDdeBusy};

void Translate(int result, bool limited) {
  if (result > 32) return;
  if (limited && std::find(std::begin(kLimitedResults), std::end(kLimitedResults), result) == std::end(kLimitedResults)) {
    return;
  }
  for (const ResultError& e : kResultErrors) {
    if (e.result == result) throw SupportError(e.number);
  }
}

template <class F>
void Guarded(F&& body) {
  try {
    body();
  } catch (const Error& e) {
    if (IsSupportErrorOf(e.Number(), "CShell")) throw;
    throw SupportError(kErrShellFailure);
  } catch (...) {
    throw SupportError(kErrShellFailure);
  }
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::exists(path, ec);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// Starts argv[0] (searched on PATH) in `directory` with standard input and
// output on /dev/null. Returns 0 and the child's id, or the errno of the
// failed start.
int Spawn(const std::vector<std::string>& args, const std::string& directory, pid_t* pid) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int rc = posix_spawnp(pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc;
}

// Waits for the child; returns its exit status, or -1 when it did not exit.
int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A target that names no local file: a URL or a mail link ("scheme:...").
bool IsLink(const std::string& target) {
  const auto colon = target.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  return std::all_of(target.begin(), target.begin() + colon, [](unsigned char c) {
    return std::isalnum(c) || c == '+' || c == '-' || c == '.';
  });
}

// The file system's answer for a local target: 0 when it can be opened,
// else the shell result of its failure.
int CheckLocalTarget(const std::string& target) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(target, ec)) {
    const fs::path folder = fs::absolute(target, ec).parent_path();
    return fs::is_directory(folder, ec) ? kShellFileNotFound : kShellPathNotFound;
  }
  return access(target.c_str(), R_OK) == 0 ? 0 : kShellAccessDenied;
}

}  // namespace

int XdgShellBackend::Execute(const std::string& verb, const std::string& file, const std::string& parameters,
                             const std::string& directory) {
  (void)verb;  // the desktop has one action per file: open (folders: browse)
  if (!IsLink(file)) {
    if (const int failure = CheckLocalTarget(file); failure != 0) return failure;
  }
  pid_t pid = 0;
  std::error_code ec;
  const bool program = std::filesystem::is_regular_file(file, ec) && access(file.c_str(), X_OK) == 0;
  if (program) {
    // A program runs detached: the shell puts it in the background and ends.
    const std::string script = "set -f; \"$0\" $1 </dev/null >/dev/null 2>&1 &";
    const int rc = Spawn({"/bin/sh", "-c", script, file, parameters}, directory, &pid);
    if (rc != 0) return rc == ENOMEM ? kShellOutOfMemory : kShellBadFormat;
    return Wait(pid) == 0 ? kShellSuccess : kShellBadFormat;
  }
  const int rc = Spawn({opener_, file}, directory, &pid);
  if (rc != 0) return rc == ENOMEM ? kShellOutOfMemory : kShellNoAssociation;
  switch (Wait(pid)) {
    case 0: return kShellSuccess;
    case 2: return kShellFileNotFound;
    case 3:
    case 4: return kShellNoAssociation;
    default: return kShellAssociationIncomplete;
  }
}

bool XdgShellBackend::RunAndWait(const std::string& command_line, const std::string& directory) {
  pid_t pid = 0;
  if (Spawn({"/bin/sh", "-c", command_line}, directory, &pid) != 0) return false;
  // 126 and 127: the shell could not run the program.
  const int status = Wait(pid);
  return status != 126 && status != 127;
}

std::string XdgShellBackend::PropertiesText(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) throw Error(kErrFileNotFound, "PlrXL2.CShell", "File not found");
  const std::filesystem::path file = std::filesystem::absolute(path);
  std::string type = S_ISDIR(info.st_mode) ? "inode/directory" : "";
  if (type.empty() && file.has_extension()) type = xdg::MimeTypeOfExtension(file.extension().string()).value_or("");
  char modified[64] = "";
  struct tm local {};
  if (localtime_r(&info.st_mtime, &local) != nullptr) std::strftime(modified, sizeof modified, "%Y-%m-%d %H:%M:%S", &local);
  std::string permissions = S_ISDIR(info.st_mode) ? "d" : "-";
  const mode_t bits[] = {S_IRUSR, S_IWUSR, S_IXUSR, S_IRGRP, S_IWGRP, S_IXGRP, S_IROTH, S_IWOTH, S_IXOTH};
  for (int i = 0; i < 9; ++i) permissions += (info.st_mode & bits[i]) ? "rwx"[i % 3] : '-';
  const struct passwd* user = getpwuid(info.st_uid);
  return "Name: " + file.filename().string() + "\nFolder: " + file.parent_path().string() +
         "\nType: " + (type.empty() ? "unknown" : type) + "\nSize: " + std::to_string(info.st_size) + " bytes" +
         "\nModified: " + modified + "\nPermissions: " + permissions + "\nOwner: " +
         (user != nullptr ? user->pw_name : std::to_string(info.st_uid));
}

bool XdgShellBackend::ShowProperties(const std::string& path, long owner_window) {
  (void)owner_window;  // message boxes have no owner window here
  if (ui_ == nullptr) return false;
  std::string text;
  try {
    text = PropertiesText(path);
  } catch (const Error&) {
    return false;
  }
  ui_->MsgBox(text, MsgButtons::kOk, MsgIcon::kInformation,
              "Properties of " + std::filesystem::path(path).filename().string());
  return true;
}

std::optional<std::string> XdgShellBackend::FileTypeOf(const std::string& extension) {
  return xdg::MimeTypeOfExtension(extension);
}

std::string XdgShellBackend::DefaultVerbOf(const std::string& file_type) {
  return xdg::DefaultApplication(file_type).empty() ? "" : "open";
}

std::optional<std::vector<std::string>> XdgShellBackend::VerbsOf(const std::string& file_type) {
  if (xdg::Applications(file_type).empty()) return std::nullopt;
  return std::vector<std::string>{"open"};
}

std::string CShell::MailLink(const std::string& recipient, const std::string& cc, const std::string& subject,
                             const std::string& body) {
  std::string link = "mailto:" + recipient;
  if (!subject.empty()) link += "?subject=" + subject;
  if (!cc.empty()) link += "&cc=" + cc;
  if (!body.empty()) link += "&body=" + body;
  return link;
}

void CShell::CreateNewMailMessage(const std::string& RecipientAddress, const std::string& CCRecipientAddress,
                                  const std::string& Subject, const std::string& Body) {
  Guarded([&] {
    Translate(backend_.Execute("open", MailLink(RecipientAddress, CCRecipientAddress, Subject, Body), "", ""), true);
  });
}

void CShell::ExploreFolder(const std::string& FolderName) {
  Guarded([&] { Translate(backend_.Execute("explore", FolderName, "", ""), false); });
}

void CShell::LaunchProgram(const std::string& PathFileName, const std::string& Parameters, bool WaitToFinish,
                           const std::string& StartDirectory) {
  Guarded([&] {
    if (!FileExists(PathFileName)) throw SupportError(kErrShellFileNotFound);
    if (WaitToFinish) {
      if (!backend_.RunAndWait(PathFileName + " " + Parameters, StartDirectory)) {
        throw SupportError(kErrShellCannotCreateProcess);
      }
      return;
    }
    Translate(backend_.Execute("open", PathFileName, Parameters, StartDirectory), false);
  });
}

std::string CShell::DocumentVerb(const std::string& path) {
  const auto dot = path.rfind('.');
  if (dot == std::string::npos) return "open";
  const std::optional<std::string> type = backend_.FileTypeOf(path.substr(dot));
  if (!type.has_value()) throw SupportError(kErrShellFailure);
  const std::string file_type = TrimNull(*type);
  if (file_type.empty()) return "open";
  const std::string default_verb = backend_.DefaultVerbOf(file_type);
  if (!default_verb.empty()) return default_verb;
  const std::optional<std::vector<std::string>> verbs = backend_.VerbsOf(file_type);
  if (!verbs.has_value()) return "open";
  for (const std::string& verb : *verbs) {
    const std::string lower = Lower(verb);
    if (lower == "open" || lower == "&open") return "open";
  }
  return verbs->empty() ? "" : verbs->front();
}

void CShell::OpenDocument(const std::string& PathFileName) {
  Guarded([&] {
    if (!FileExists(PathFileName)) throw SupportError(kErrShellFileNotFound);
    const std::string verb = DocumentVerb(PathFileName);
    // Paths written on either system: "\" or "/" ends the folder part.
    const auto slash = PathFileName.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "" : PathFileName.substr(0, slash + 1);
    Translate(backend_.Execute(verb, PathFileName, "", folder), false);
  });
}

void CShell::OpenFolder(const std::string& FolderName) {
  Guarded([&] { Translate(backend_.Execute("open", FolderName, "", ""), false); });
}

void CShell::OpenUrl(const std::string& URL) {
  Guarded([&] { Translate(backend_.Execute("open", URL, "", ""), true); });
}

void CShell::ShowProperties(const std::string& PathFileName, long HWndOwner) {
  Guarded([&] {
    if (!FileExists(PathFileName)) throw SupportError(kErrShellFileNotFound);
    if (!backend_.ShowProperties(PathFileName, HWndOwner)) throw SupportError(kErrShellCannotShowProperties);
  });
}

std::string CShell::GetLastPart(const std::string& text, const std::string& delimiter) {
  const auto pos = delimiter.empty() ? std::string::npos : text.rfind(delimiter);
  return pos == std::string::npos ? text : text.substr(pos + delimiter.size());
}

std::string CShell::TrimNull(const std::string& text) { return text.substr(0, text.find('\0')); }

}  // namespace plrxl
