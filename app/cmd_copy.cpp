// pelorinxl copy IN OUT: loads a workbook and saves it under another name;
// an existing OUT is replaced only with --force.
// What the copy could not hold refuses the copy, unless --allow-loss
// accepts it; then it is listed on stderr.
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "app/exit_codes.h"
#include "app/save_losses.h"

namespace plrxl::app {

namespace {

void Copy(const AppContext& ctx, const std::string& in, const std::string& out, bool force, bool allow_loss) {
  if (!force && std::filesystem::exists(out)) {
    throw CommandExit(kExitRefused, out + ": file already exists (use --force to replace it); nothing was changed");
  }
  auto host = ctx.MakeHost();
  Workbook& book = host->OpenWorkbook(in);
  RefuseLosses(book, in, allow_loss, ctx.err);
  for (const std::string& w : book.Warnings()) ctx.err << "pelorinxl: warning: " << w << "\n";
  book.SaveAs(out);
  ctx.out << "Copied " << in << " to " << out << "\n";
}

}  // namespace

void RegisterCopyCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("copy", "Load a workbook and save it under another name");
  auto in = std::make_shared<std::string>();
  auto out = std::make_shared<std::string>();
  cmd->add_option("IN", *in, "The workbook to read")->required();
  cmd->add_option("OUT", *out, "The file to write")->required();
  auto force = std::make_shared<bool>(false);
  cmd->add_flag("--force", *force, "Replace OUT when it exists");
  auto allow_loss = std::make_shared<bool>(false);
  AddAllowLossOption(cmd, *allow_loss);
  cmd->callback([&ctx, in, out, force, allow_loss] { Copy(ctx, *in, *out, *force, *allow_loss); });
}

}  // namespace plrxl::app
