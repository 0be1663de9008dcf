// pelorinxl: the command-line host of PelorinXL.
#include <exception>
#include <iostream>

#include "app/commands.h"
#include "app/exit_codes.h"
#include "host/error.h"
#include "host/formula/formula_engine.h"
#include "host/xlsx/xlsx_store.h"
#include "support/settings_store.h"
#include "support/clock.h"

namespace plrxl::app {

std::unique_ptr<MemoryHost> AppContext::MakeHost() const {
  const SettingsStore settings = SettingsStore::ForUser();
  const XlsxLimits limits = XlsxLimitsFrom(
      [&](const char* key) { return settings.GetSetting(kSettingsApp, kSettingSection, key); });
  auto host = std::make_unique<MemoryHost>(MakeXlsxStore(limits), RegionalSettings::FromLocale());
  host->SetFormulaEvaluator(MakeFormulaEngine(std::make_shared<SystemClock>()));
  return host;
}

}  // namespace plrxl::app

int main(int argc, char** argv) {
  using plrxl::app::AppContext;
  CLI::App app{"PelorinXL: historical quotes, indicators and exports for project workbooks.", "pelorinxl"};
  app.set_version_flag("--version", "pelorinxl (PelorinXL) " PLRXL_VERSION);
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
  plrxl::app::RegisterConvertCommand(app, ctx);
  plrxl::app::RegisterHelpCommand(app, ctx);
  plrxl::app::RegisterWindowCommands(app, ctx);
  app.footer(std::string(plrxl::app::LogsHelp()) + "\n" + plrxl::app::ExitCodesHelp());
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // One line: the reason, and where to look for the usage.
    std::cerr << "pelorinxl: " << e.what() << " (see pelorinxl --help)\n";
    return e.get_exit_code() != 0 ? e.get_exit_code() : 2;
  } catch (const plrxl::app::CommandExit& e) {
    if (e.what()[0] != '\0') std::cerr << "pelorinxl: " << e.what() << "\n";
    return e.Code();
  } catch (const plrxl::Error& e) {
    std::cerr << "pelorinxl: " << e.Description() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "pelorinxl: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
