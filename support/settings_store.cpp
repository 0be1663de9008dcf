#include "support/settings_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "support/ini_file.h"

namespace plrxl {

SettingsStore::SettingsStore(std::string config_home) : config_home_(std::move(config_home)) {}

std::string SettingsStore::DefaultConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  std::string base = home != nullptr && home[0] != '\0' ? home : "";
  if (base.empty()) {
    if (const passwd* pw = getpwuid(getuid())) base = pw->pw_dir;
  }
  return base + "/.config";
}

SettingsStore SettingsStore::ForUser() { return SettingsStore(DefaultConfigHome()); }

std::string SettingsStore::PathFor(const std::string& app) const {
  return config_home_ + "/" + app + "/settings.ini";
}

std::string SettingsStore::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                      const std::string& default_value) const {
  std::vector<std::string> problems;
  const IniFile ini = IniFile::Load(PathFor(app), &problems);
  if (reporter_) {
    for (const std::string& problem : problems) reporter_(problem);
  }
  return ini.Get(section, key).value_or(default_value);
}

void SettingsStore::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                                const std::string& value) {
  const std::string path = PathFor(app);
  std::vector<std::string> problems;  // reported by the reads; kept as they are
  IniFile ini = IniFile::Load(path, &problems);
  ini.Set(section, key, value);
  ini.Save(path);
}

void SettingsStore::DeleteSetting(const std::string& app, const std::string& section, const std::string& key) {
  const std::string path = PathFor(app);
  std::vector<std::string> problems;
  IniFile ini = IniFile::Load(path, &problems);
  const bool changed = key.empty() ? ini.RemoveSection(section) : ini.Remove(section, key);
  if (changed) ini.Save(path);
}

}  // namespace plrxl
