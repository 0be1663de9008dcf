// Plugs the windows whose logic lives in forms/ into a run context: the row
// editor, the selective update window and, when a version-1 check is given,
// the converter window. The progress window is the download engine's
// (InstallDownloadEngine).
#pragma once

#include <functional>
#include <string>

#include "entry/run_context.h"
#include "forms/converter_form.h"

namespace plrxl {

struct WindowFormOptions {
  // Opens a help topic; unset: the Help buttons do nothing.
  std::function<void(const std::string& topic)> help;
  // CheckFilePelorinXL; unset: no converter window is installed.
  VersionOneCheck version_one_check;
};

void InstallWindowForms(RunContext& context, WindowFormOptions options = {});

}  // namespace plrxl
