// pelorinxl copy IN OUT: loads a workbook and saves it under another name.
// Parts the model cannot carry are listed on stderr before saving, since
// the copy will not hold them.
#include <ostream>

#include "app/commands.h"

namespace plrxl::app {

namespace {

void Copy(const AppContext& ctx, const std::string& in, const std::string& out) {
  auto host = ctx.MakeHost();
  Workbook& book = host->OpenWorkbook(in);
  for (const std::string& w : book.Warnings()) ctx.err << "pelorinxl: warning: not copied: " << w << "\n";
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
  cmd->callback([&ctx, in, out] { Copy(ctx, *in, *out); });
}

}  // namespace plrxl::app
