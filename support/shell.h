// CShell: opens mail messages, folders, URLs and documents with the desktop's
// programs, starts programs (optionally waiting for them) and shows a file's
// properties.
//
// The desktop is reached through a ShellBackend. Each operation turns the
// backend's shell result (above 32 = success) into the class's errors
// (0x80044679.. "File not found" etc., source "PlrXL2.CShell"):
// CreateNewMailMessage and OpenUrl translate only the results 8, 26, 28, 29
// and 30; the other operations translate every result of the table. Any
// other failure inside the class raises 0x80044687 "CShell component
// failure". CShell keeps no state between calls.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/ui_port.h"

namespace plrxl {

// Shell results that CShell translates (the platform's numbering).
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellOutOfMemory = 8;
inline constexpr int kShellBadFormat = 11;
inline constexpr int kShellSharingViolation = 26;
inline constexpr int kShellAssociationIncomplete = 27;
inline constexpr int kShellDdeTimeout = 28;
inline constexpr int kShellDdeFail = 29;
inline constexpr int kShellDdeBusy = 30;
inline constexpr int kShellNoAssociation = 31;
inline constexpr int kShellDllNotFound = 32;
inline constexpr int kShellSuccess = 42;

class ShellBackend {
 public:
  virtual ~ShellBackend() = default;
  // Runs `verb` ("open", "explore", ...) on a file, folder or URL; returns a
  // shell result (above 32 on success, a failure code otherwise).
  virtual int Execute(const std::string& verb, const std::string& file, const std::string& parameters,
                      const std::string& directory) = 0;
  // Starts `command_line` in `directory` and waits until it ends; false when
  // the process cannot be created.
  virtual bool RunAndWait(const std::string& command_line, const std::string& directory) = 0;
  // Shows the file's property sheet; false when that fails.
  virtual bool ShowProperties(const std::string& path, long owner_window) = 0;
  // File associations. The file type registered for an extension (".xlsx"),
  // empty when none; nullopt when the registration cannot be read.
  virtual std::optional<std::string> FileTypeOf(const std::string& extension) = 0;
  // The default verb registered for a file type, empty when none.
  virtual std::string DefaultVerbOf(const std::string& file_type) = 0;
  // The verbs registered for a file type in the registration's order;
  // nullopt when the type has no verb list at all.
  virtual std::optional<std::vector<std::string>> VerbsOf(const std::string& file_type) = 0;
};

// The Linux desktop. Verbs go to an opener program (xdg-open, searched on
// PATH); a local file or folder is checked first: a missing one gives 2 (3
// when its folder is missing too), one the user may not read 5. The opener's
// exit status becomes the result: 0 success, 2 file not found, 3 (no tool)
// and 4 (action failed) no association, others 27; a missing opener is 31
// and an opener that cannot start for lack of memory 8. An executable file
// opened with "open" runs detached through /bin/sh; RunAndWait starts
// /bin/sh -c COMMAND with posix_spawn and waits with waitpid (false when the
// shell cannot run the program: status 126 or 127).
//
// Associations come from the XDG MIME database: the file type of an
// extension is its MIME type in the globs2 files of $XDG_DATA_HOME and
// $XDG_DATA_DIRS (highest weight wins); a type's default verb is "open" when
// a mimeapps.list names a default application for it; its verbs are "open"
// when some installed application (mimeinfo.cache) handles it, nullopt
// otherwise. Linux desktops have no other verbs.
//
// ShowProperties shows the file's name, folder, MIME type, size, time of
// last change, permissions and owning user in a message box of `ui`; without a UI
// it fails.
class XdgShellBackend : public ShellBackend {
 public:
  explicit XdgShellBackend(std::string opener = "xdg-open", UiPort* ui = nullptr)
      : opener_(std::move(opener)), ui_(ui) {}
  int Execute(const std::string& verb, const std::string& file, const std::string& parameters,
              const std::string& directory) override;
  bool RunAndWait(const std::string& command_line, const std::string& directory) override;
  bool ShowProperties(const std::string& path, long owner_window) override;
  std::optional<std::string> FileTypeOf(const std::string& extension) override;
  std::string DefaultVerbOf(const std::string& file_type) override;
  std::optional<std::vector<std::string>> VerbsOf(const std::string& file_type) override;

  // The text ShowProperties shows; raises Error 53 for a missing file.
  static std::string PropertiesText(const std::string& path);

 private:
  std::string opener_;
  UiPort* ui_;
};

class CShell {
 public:
  // `backend` must outlive the object.
  explicit CShell(ShellBackend& backend) : backend_(backend) {}

  // "mailto:" + recipient ["?subject=" + subject] ["&cc=" + cc]
  // ["&body=" + body], each part only when not empty, nothing escaped.
  void CreateNewMailMessage(const std::string& RecipientAddress, const std::string& CCRecipientAddress = "",
                            const std::string& Subject = "", const std::string& Body = "");
  void ExploreFolder(const std::string& FolderName);
  // Raises "File not found" before anything starts when the file is missing.
  void LaunchProgram(const std::string& PathFileName, const std::string& Parameters = "", bool WaitToFinish = false,
                     const std::string& StartDirectory = "");
  void OpenDocument(const std::string& PathFileName);
  void OpenFolder(const std::string& FolderName);
  void OpenUrl(const std::string& URL);
  void ShowProperties(const std::string& PathFileName, long HWndOwner = 0);

  // The verb OpenDocument uses for a path: "open", the type's default verb,
  // the "open" or "&open" verb, or the first verb listed.
  std::string DocumentVerb(const std::string& path);
  // The mail link CreateNewMailMessage opens.
  static std::string MailLink(const std::string& recipient, const std::string& cc, const std::string& subject,
                              const std::string& body);
  // The text after the last `delimiter` (the whole text when there is none).
  static std::string GetLastPart(const std::string& text, const std::string& delimiter);
  // The text before its first NUL character.
  static std::string TrimNull(const std::string& text);

 private:
  ShellBackend& backend_;
};

}  // namespace plrxl
