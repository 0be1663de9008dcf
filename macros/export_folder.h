// The output folder of an export, made ready on Linux.
//
// An absolute path plays the drive of the original system: its first
// component ("/home" of "/home/me/Quotes") must exist. A relative path has
// no drive at all. "\" counts as "/" (a project written on Windows may carry
// one). Every missing level below the first is created.
#pragma once

#include <string>

namespace plrxl {

enum class ExportFolderResult {
  kReady,         // the folder exists; `folder` holds it, ending with "/"
  kNoDrive,       // relative, or the first component is missing: message 27
  kCannotCreate,  // a level could not be created: message 28
};

// `drive` receives the first component as written ("/home", or for a
// relative path its first piece); `folder` the full folder ending with "/".
ExportFolderResult PrepareExportFolder(const std::string& text, std::string* drive, std::string* folder);

}  // namespace plrxl
