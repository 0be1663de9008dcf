// Lookups in the XDG MIME database (shared-mime-info and the desktop-entry
// association files), read afresh on each call from the folders the XDG
// base-directory variables name. Unreadable or malformed lines are skipped.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace plrxl::xdg {

// $XDG_DATA_HOME (or ~/.local/share) then $XDG_DATA_DIRS (or
// /usr/local/share:/usr/share).
std::vector<std::string> DataFolders();
// $XDG_CONFIG_HOME (or ~/.config) then $XDG_CONFIG_DIRS (or /etc/xdg).
std::vector<std::string> ConfigFolders();

// The MIME type of a file name extension (".xlsx") from the globs2 files:
// the pattern "*.ext" of highest weight, compared ignoring case unless the
// entry is marked case-sensitive. Empty when no entry matches; nullopt when a
// globs2 file exists but cannot be read.
std::optional<std::string> MimeTypeOfExtension(const std::string& extension);

// The desktop entry a mimeapps.list names as the default for `mime_type`;
// empty when none does.
std::string DefaultApplication(const std::string& mime_type);

// The desktop entries that mimeinfo.cache lists for `mime_type`.
std::vector<std::string> Applications(const std::string& mime_type);

}  // namespace plrxl::xdg
