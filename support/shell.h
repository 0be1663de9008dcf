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

// The Linux desktop: verbs go to an opener program (xdg-open), programs
// start through /bin/sh with posix_spawn and waitpid. The opener's exit
// status becomes a shell result: 0 success, 2 file not found, 3 and 4 (no
// tool, action failed) no association, a missing opener 31, others failure
// 27. A program started without waiting runs detached. There is no property
// sheet and no verb registration: every document opens with "open".
class XdgShellBackend : public ShellBackend {
 public:
  explicit XdgShellBackend(std::string opener = "xdg-open") : opener_(std::move(opener)) {}
  int Execute(const std::string& verb, const std::string& file, const std::string& parameters,
              const std::string& directory) override;
  bool RunAndWait(const std::string& command_line, const std::string& directory) override;
  bool ShowProperties(const std::string& path, long owner_window) override;
  std::optional<std::string> FileTypeOf(const std::string& extension) override;
  std::string DefaultVerbOf(const std::string& file_type) override;
  std::optional<std::vector<std::string>> VerbsOf(const std::string& file_type) override;

 private:
  std::string opener_;
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
