// pelorinxl new PROJECT.xlsx: a complete new project workbook: the
// "Parameters" sheet with every message, list and template, and the
// "PelorinXL Settings" sheet with the ticker table (three example tickers
// on the offline SAMPLE source) and both anchor names.
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "app/project_session.h"
#include "entry/project_template.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

void CreateProject(const AppContext& ctx, const std::string& path, bool force) {
  if (!force && std::filesystem::exists(path)) {
    throw Error(58, "pelorinxl", path + ": file already exists (use --force to replace it)");
  }
  const std::string folder = std::filesystem::absolute(path).parent_path().string();
  ProjectSession session(ctx, ConsoleOptions{}, folder);
  Workbook& wb = session.Host().AddWorkbook();
  CreateProjectWorkbook(session.Pelorin(), wb, session.MachineClock().Now());
  wb.SaveAs(path);
  ctx.out << "Created " << wb.FullName() << " with the sheets \"" << kSettingsSheet << "\" and \"" << kParametersSheet
          << "\"; add tickers with: pelorinxl add " << path << " --ticker SYMBOL\n";
}

}  // namespace

void RegisterNewCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("new", "Create a new project workbook");
  auto path = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  cmd->add_option("PROJECT", *path, "The workbook to create (.xlsx)")->required();
  cmd->add_flag("--force", *force, "Replace an existing file");
  cmd->callback([&ctx, path, force] { CreateProject(ctx, *path, *force); });
}

}  // namespace plrxl::app
