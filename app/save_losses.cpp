#include "app/save_losses.h"

#include <algorithm>
#include <ostream>

#include "app/exit_codes.h"

namespace plrxl::app {

void AddAllowLossOption(CLI::App* cmd, bool& allow_loss) {
  cmd->add_flag("--allow-loss", allow_loss,
                "Save although the workbook holds parts PelorinXL cannot keep (the saved file leaves them out)");
}

namespace {

// A file may carry thousands of parts that cannot be kept: the first ones
// say what they are, `pelorinxl info` lists them all.
constexpr size_t kLossesShown = 20;

std::string More(const std::vector<std::string>& losses, const std::string& file) {
  return "... and " + std::to_string(losses.size() - kLossesShown) + " more (pelorinxl info " + file +
         " lists them all)";
}

}  // namespace

void RefuseLosses(Workbook& workbook, const std::string& file, bool allow_loss, std::ostream& err) {
  const std::vector<std::string>& losses = workbook.Losses();
  if (losses.empty()) return;
  const size_t shown = std::min(losses.size(), kLossesShown);
  if (allow_loss) {
    for (size_t i = 0; i < shown; ++i) err << "pelorinxl: warning: not kept on save: " << losses[i] << "\n";
    if (losses.size() > shown) err << "pelorinxl: warning: not kept on save: " << More(losses, file) << "\n";
    return;
  }
  std::string message = file + " holds what PelorinXL cannot keep; saving would lose:\n";
  for (size_t i = 0; i < shown; ++i) message += "  " + losses[i] + "\n";
  if (losses.size() > shown) message += "  " + More(losses, file) + "\n";
  message += "Nothing was changed. Run the command again with --allow-loss to save anyway without these.";
  throw CommandExit(kExitRefused, message);
}

}  // namespace plrxl::app
