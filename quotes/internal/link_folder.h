// Where a DDE FILE link may read: only inside the DDE folder (the setting
// DdeFolder of section "Sources", by default the project workbook's folder).
// A shared workbook must not be able to pull /etc/passwd or a file beside
// the user's home into itself.
#pragma once

#include <filesystem>
#include <string>

#include "quotes/quote_settings.h"

namespace plrxl::quotes {

// The DDE folder of these settings: DdeFolder when set (relative to the
// workbook's folder when relative), else the workbook's folder, else the
// current folder.
std::filesystem::path LinkFolder(const QuoteSettings& settings);

// Turns the topic of a FILE link into the file it names. The topic is
// relative to the DDE folder or absolute; "\" counts as "/". A name whose
// letter case does not match is found by the one entry of its folder that
// matches it without regard to case (project texts reach the component in
// lower case). Returns the file with every link and ".." resolved, or an
// empty path with *why set: the path leads outside the DDE folder (by "..",
// an absolute path or a symbolic link), names no file, or matches two
// entries that differ only in case.
std::filesystem::path ResolveLinkFile(const QuoteSettings& settings, const std::string& topic, std::string* why);

}  // namespace plrxl::quotes
