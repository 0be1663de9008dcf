#include "quotes/internal/link_folder.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace plrxl::quotes {
namespace fs = std::filesystem;
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// True when `path` is `folder` or lies below it (both absolute and resolved).
bool Inside(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (f->empty()) continue;  // the empty last part of "/a/b/"
    if (p == path.end() || *p != *f) return false;
  }
  return true;
}

// The entry of `folder` called `name`, or the only one whose name matches it
// without regard to case; `folder / name` when there is none (it then names
// a missing file); an empty path when two or more match.
fs::path FindEntry(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  const fs::path exact = folder / name;
  if (fs::symlink_status(exact, ec).type() != fs::file_type::not_found) return exact;
  std::vector<fs::path> matches;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (SameIgnoringCase(it->path().filename().string(), name)) matches.push_back(it->path());
  }
  if (matches.size() > 1) return {};
  return matches.empty() ? exact : matches.front();
}

}  // namespace

fs::path LinkFolder(const QuoteSettings& settings) {
  std::error_code ec;
  fs::path base = settings.base_folder.empty() ? fs::current_path(ec) : fs::path(settings.base_folder);
  if (settings.dde_folder.empty()) return base;
  const fs::path folder(settings.dde_folder);
  return folder.is_absolute() ? folder : base / folder;
}

fs::path ResolveLinkFile(const QuoteSettings& settings, const std::string& topic, std::string* why) {
  std::error_code ec;
  const fs::path folder = fs::weakly_canonical(fs::absolute(LinkFolder(settings), ec), ec);
  if (ec || !fs::is_directory(folder, ec)) {
    *why = "the DDE folder " + LinkFolder(settings).string() + " does not exist (setting DdeFolder in [Sources])";
    return {};
  }
  std::string text = topic;
  std::replace(text.begin(), text.end(), '\\', '/');
  const fs::path named(text);
  fs::path path = named.is_absolute() ? named.root_path() : folder;
  for (const fs::path& part : named.relative_path()) {
    const std::string name = part.string();
    if (name.empty() || name == "." || name == "..") {
      path /= part;
      continue;
    }
    const fs::path entry = FindEntry(path, name);
    if (entry.empty()) {
      *why = "\"" + topic + "\" matches more than one file that differ only in letter case";
      return {};
    }
    path = entry;
  }
  const fs::path resolved = fs::weakly_canonical(path, ec);
  if (ec || !Inside(resolved, folder)) {
    *why = "\"" + topic + "\" is outside the DDE folder " + folder.string() +
           " (a FILE link reads only there; setting DdeFolder in [Sources])";
    return {};
  }
  if (!fs::is_regular_file(resolved, ec)) {
    *why = "no file \"" + topic + "\" in the DDE folder " + folder.string();
    return {};
  }
  return resolved;
}

}  // namespace plrxl::quotes
