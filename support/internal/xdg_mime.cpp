#include "support/internal/xdg_mime.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace plrxl::xdg {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string HomeFolder(const char* variable, const char* fallback) {
  const std::string value = Env(variable);
  if (!value.empty() && value.front() == '/') return value;
  return Env("HOME") + "/" + fallback;
}

std::vector<std::string> Folders(const std::string& home, const char* variable, const char* fallback) {
  std::vector<std::string> folders{home};
  std::string list = Env(variable);
  if (list.empty()) list = fallback;
  std::stringstream in(list);
  for (std::string folder; std::getline(in, folder, ':');) {
    if (!folder.empty() && folder.front() == '/') folders.push_back(folder);
  }
  return folders;
}

// Calls `visit(key, value)` for each "key=value" line of [section] in an
// INI-style file; false when the file is missing.
template <class Visit>
bool ForEachEntry(const std::string& path, const std::string& section, Visit visit) {
  std::ifstream in(path);
  if (!in) return false;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inside = line == "[" + section + "]";
      continue;
    }
    const auto eq = line.find('=');
    if (inside && eq != std::string::npos) visit(line.substr(0, eq), line.substr(eq + 1));
  }
  return true;
}

std::vector<std::string> SplitEntries(const std::string& list) {
  std::vector<std::string> entries;
  std::stringstream in(list);
  for (std::string entry; std::getline(in, entry, ';');) {
    if (!entry.empty()) entries.push_back(entry);
  }
  return entries;
}

}  // namespace

std::vector<std::string> DataFolders() {
  return Folders(HomeFolder("XDG_DATA_HOME", ".local/share"), "XDG_DATA_DIRS", "/usr/local/share:/usr/share");
}

std::vector<std::string> ConfigFolders() {
  return Folders(HomeFolder("XDG_CONFIG_HOME", ".config"), "XDG_CONFIG_DIRS", "/etc/xdg");
}

std::optional<std::string> MimeTypeOfExtension(const std::string& extension) {
  const std::string pattern = "*" + extension;
  const std::string lower_pattern = Lower(pattern);
  int best_weight = -1;
  std::string best;
  for (const std::string& folder : DataFolders()) {
    const std::string path = folder + "/mime/globs2";
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) continue;
    std::ifstream in(path);
    if (!in) return std::nullopt;
    // weight:type:pattern[:flags]
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line.front() == '#') continue;
      std::vector<std::string> fields;
      std::stringstream parts(line);
      for (std::string field; std::getline(parts, field, ':');) fields.push_back(field);
      if (fields.size() < 3) continue;
      const bool case_sensitive = fields.size() > 3 && fields[3].find("cs") != std::string::npos;
      const bool matches = case_sensitive ? fields[2] == pattern : Lower(fields[2]) == lower_pattern;
      if (!matches) continue;
      const int weight = std::atoi(fields[0].c_str());
      // The first folder wins among equal weights: the user's own database
      // comes before the system's.
      if (weight > best_weight) {
        best_weight = weight;
        best = fields[1];
      }
    }
  }
  return best;
}

std::string DefaultApplication(const std::string& mime_type) {
  std::vector<std::string> files;
  for (const std::string& folder : ConfigFolders()) files.push_back(folder + "/mimeapps.list");
  for (const std::string& folder : DataFolders()) files.push_back(folder + "/applications/mimeapps.list");
  for (const std::string& file : files) {
    std::string found;
    ForEachEntry(file, "Default Applications", [&](const std::string& key, const std::string& value) {
      if (found.empty() && key == mime_type) {
        const std::vector<std::string> entries = SplitEntries(value);
        if (!entries.empty()) found = entries.front();
      }
    });
    if (!found.empty()) return found;
  }
  return "";
}

std::vector<std::string> Applications(const std::string& mime_type) {
  std::vector<std::string> applications;
  for (const std::string& folder : DataFolders()) {
    ForEachEntry(folder + "/applications/mimeinfo.cache", "MIME Cache",
                 [&](const std::string& key, const std::string& value) {
                   if (key != mime_type) return;
                   for (const std::string& entry : SplitEntries(value)) {
                     if (std::find(applications.begin(), applications.end(), entry) == applications.end()) {
                       applications.push_back(entry);
                     }
                   }
                 });
  }
  return applications;
}

}  // namespace plrxl::xdg
