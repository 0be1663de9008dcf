// The desktop as pelorinxl reaches it: the help folder that belongs to this
// program, and the shell (xdg-open) behind the error dialog's Send button,
// the help and --open.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "support/shell.h"

namespace plrxl::app {

// <folder of the program>/../share/pelorinxl/help: where the HTML user
// guide is installed (and where the build tree writes it). It holds the
// folder "PelorinXL" with one page per topic; the folder may be missing.
std::string InstalledHelpFolder();

// The program's shell over xdg-open. It keeps no state; it lives as long as
// the program.
CShell& DesktopShell();

// True when an executable named `program` is on PATH.
bool OnPath(const std::string& program);

// Opens each file with the desktop's program for it (CShell::OpenDocument);
// a file that cannot be opened is reported on `err` and the others still
// open. Returns the number that failed.
int OpenFiles(const std::vector<std::string>& files, std::ostream& err);

}  // namespace plrxl::app
