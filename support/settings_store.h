// SettingsStore: the per-user settings of the platform, kept as INI files.
//
// GetSetting/SaveSetting(app, section, key) work on
// <config home>/<app>/settings.ini, where the config home is
// $XDG_CONFIG_HOME (~/.config when it is unset or not absolute). The system
// uses the application "PelorinXL" with the sections "Setting" (its own
// per-user keys, e.g. "txtZoom", "chbAutoFit") and "Sources" (the quote
// sources' settings). Each call reads (and SaveSetting rewrites) the file,
// so several processes see each other's changes.
//
// Failures: a line that cannot be read is skipped (the others count) and
// handed to the problem reporter with the file's path and the line number;
// a save keeps it as it is. A file that cannot be read or written raises
// Error 75.
#pragma once

#include <functional>
#include <string>

namespace plrxl {

inline constexpr const char* kSettingsApp = "PelorinXL";
inline constexpr const char* kSettingSection = "Setting";
inline constexpr const char* kSourcesSection = "Sources";

class SettingsStore {
 public:
  // `config_home` is the folder that holds one folder per application.
  explicit SettingsStore(std::string config_home);
  virtual ~SettingsStore() = default;

  // The store of the current user ($XDG_CONFIG_HOME or ~/.config).
  static SettingsStore ForUser();
  static std::string DefaultConfigHome();

  // The value, or `default_value` when the file, section or key is missing.
  virtual std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                 const std::string& default_value = "") const;
  // Creates the folder and file when missing.
  virtual void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& value);
  // Removes one key, or the whole section when `key` is empty. Missing
  // entries are not an error.
  virtual void DeleteSetting(const std::string& app, const std::string& section, const std::string& key = "");

  std::string PathFor(const std::string& app) const;
  // Receives "PATH line N: problem" for each unreadable line on each read.
  void SetProblemReporter(std::function<void(const std::string&)> reporter) { reporter_ = std::move(reporter); }
  const std::string& ConfigHome() const { return config_home_; }

 private:
  std::string config_home_;
  std::function<void(const std::string&)> reporter_;
};

}  // namespace plrxl
