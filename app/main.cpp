// pelorinxl: the command-line host of PelorinXL.
#include <exception>
#include <iostream>

#include "app/commands.h"
#include "host/error.h"
#include "host/xlsx/xlsx_store.h"

namespace plrxl::app {

std::unique_ptr<MemoryHost> AppContext::MakeHost() const {
  return std::make_unique<MemoryHost>(MakeXlsxStore(), RegionalSettings::FromLocale());
}

}  // namespace plrxl::app

int main(int argc, char** argv) {
  using plrxl::app::AppContext;
  CLI::App app{"PelorinXL: historical quotes, indicators and exports for project workbooks.", "pelorinxl"};
  app.set_version_flag("--version", "2.0.31");
  app.require_subcommand(1);
  AppContext ctx{std::cout, std::cerr};
  plrxl::app::RegisterInfoCommand(app, ctx);
  plrxl::app::RegisterCopyCommand(app, ctx);
  plrxl::app::RegisterRunCommands(app, ctx);
  plrxl::app::RegisterSourcesCommand(app, ctx);
  plrxl::app::RegisterDemoCommand(app, ctx);
  plrxl::app::RegisterNewCommand(app, ctx);
  plrxl::app::RegisterAddCommand(app, ctx);
  plrxl::app::RegisterSetRowCommand(app, ctx);
  plrxl::app::RegisterCheckCommand(app, ctx);
  plrxl::app::RegisterWindowCommands(app, ctx);
  app.footer(plrxl::app::LogsHelp());
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // One line: the reason, and where to look for the usage.
    std::cerr << "pelorinxl: " << e.what() << " (see pelorinxl --help)\n";
    return e.get_exit_code() != 0 ? e.get_exit_code() : 2;
  } catch (const plrxl::Error& e) {
    std::cerr << "pelorinxl: " << e.Description() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "pelorinxl: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
