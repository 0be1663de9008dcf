#include "app/save_losses.h"

#include <ostream>

#include "app/exit_codes.h"

namespace plrxl::app {

void AddAllowLossOption(CLI::App* cmd, bool& allow_loss) {
  cmd->add_flag("--allow-loss", allow_loss,
                "Save although the workbook holds parts PelorinXL cannot keep (the saved file leaves them out)");
}

void RefuseLosses(Workbook& workbook, const std::string& file, bool allow_loss, std::ostream& err) {
  const std::vector<std::string>& losses = workbook.Losses();
  if (losses.empty()) return;
  if (allow_loss) {
    for (const std::string& loss : losses) err << "pelorinxl: warning: not kept on save: " << loss << "\n";
    return;
  }
  std::string message = file + " holds what PelorinXL cannot keep; saving would lose:\n";
  for (const std::string& loss : losses) message += "  " + loss + "\n";
  message += "Nothing was changed. Run the command again with --allow-loss to save anyway without these.";
  throw CommandExit(kExitRefused, message);
}

}  // namespace plrxl::app
