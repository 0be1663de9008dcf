// pelorinxl copy IN OUT: loads a workbook and saves it under another name.
// What the copy could not hold refuses the copy, unless --allow-loss
// accepts it; then it is listed on stderr.
#include <ostream>

#include "app/commands.h"
#include "app/save_losses.h"

namespace plrxl::app {

namespace {

void Copy(const AppContext& ctx, const std::string& in, const std::string& out, bool allow_loss) {
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
  auto allow_loss = std::make_shared<bool>(false);
  AddAllowLossOption(cmd, *allow_loss);
  cmd->callback([&ctx, in, out, allow_loss] { Copy(ctx, *in, *out, *allow_loss); });
}

}  // namespace plrxl::app
