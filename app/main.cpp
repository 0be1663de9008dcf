// pelorinxl: the command-line host of PelorinXL.
#include <exception>
#include <filesystem>
#include <optional>
#include <iostream>

#include "app/command_line.h"
#include "app/commands.h"
#include "app/gui_windows.h"
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

namespace {

// Which group of --help each command is listed in; commands are registered
// group by group so each group lists them in this order.
struct CommandGroup {
  const char* command;
  const char* group;
};
constexpr CommandGroup kCommandGroups[] = {
    {"demo", plrxl::app::kGroupStart},      {"new", plrxl::app::kGroupStart},
    {"convert", plrxl::app::kGroupStart},   {"refresh", plrxl::app::kGroupRun},
    {"update", plrxl::app::kGroupRun},      {"macros", plrxl::app::kGroupRun},
    {"add", plrxl::app::kGroupEdit},        {"set-row", plrxl::app::kGroupEdit},
    {"copy", plrxl::app::kGroupEdit},       {"check", plrxl::app::kGroupInspect},
    {"check-data", plrxl::app::kGroupInspect},
    {"rows", plrxl::app::kGroupInspect},    {"info", plrxl::app::kGroupInspect},
    {"sources", plrxl::app::kGroupInspect}, {"help", plrxl::app::kGroupInspect},
    {"plan", plrxl::app::kGroupInspect},    {"store", plrxl::app::kGroupInspect},
    {"budget", plrxl::app::kGroupInspect},
    {"edit", plrxl::app::kGroupWindows},    {"select", plrxl::app::kGroupWindows},
};

constexpr const char* kExamples =
    "Examples:\n"
    "  pelorinxl demo ~/pelorinxl-demo          write a demo project and refresh it (no network needed)\n"
    "  pelorinxl update --rows 3-9 Stocks.xlsx  download only what is new for rows 3 to 9\n"
    "  pelorinxl help indicators                read the guide's page on indicators\n"
    "\n"
    "New here? Start with `pelorinxl demo DIR`.\n";

}  // namespace

int main(int argc, char** argv) {
  using plrxl::app::AppContext;
  plrxl::app::RememberArguments(argc, argv);
  CLI::App app{"PelorinXL: historical quotes, indicators and exports for project workbooks.", "pelorinxl"};
  auto formatter = std::make_shared<plrxl::app::PlainFormatter>();
  formatter->label("SUBCOMMAND", "COMMAND");
  app.formatter(formatter);
  app.set_version_flag("--version", "pelorinxl (PelorinXL) " PLRXL_VERSION);
  app.require_subcommand(1);
  AppContext ctx{std::cout, std::cerr};
  plrxl::app::RegisterDemoCommand(app, ctx);
  plrxl::app::RegisterNewCommand(app, ctx);
  plrxl::app::RegisterConvertCommand(app, ctx);
  plrxl::app::RegisterRunCommands(app, ctx);
  plrxl::app::RegisterAddCommand(app, ctx);
  plrxl::app::RegisterSetRowCommand(app, ctx);
  plrxl::app::RegisterCopyCommand(app, ctx);
  plrxl::app::RegisterCheckCommand(app, ctx);
  plrxl::app::RegisterCheckDataCommand(app, ctx);
  plrxl::app::RegisterRowsCommand(app, ctx);
  plrxl::app::RegisterInfoCommand(app, ctx);
  plrxl::app::RegisterSourcesCommand(app, ctx);
  plrxl::app::RegisterHelpCommand(app, ctx);
  plrxl::app::RegisterWindowCommands(app, ctx);
  plrxl::app::RegisterPlanCommand(app, ctx);
  plrxl::app::RegisterStoreCommand(app, ctx);
  plrxl::app::RegisterBudgetCommand(app, ctx);
  for (const auto& [command, group] : kCommandGroups) app.get_subcommand(command)->group(group);
  app.footer(std::string(kExamples) + "\n" + plrxl::app::LogsHelp() + "\n" + plrxl::app::ExitCodesHelp());
  if (std::optional<int> code = plrxl::app::PreParse(app, argc, argv, std::cout, std::cerr)) return *code;
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return plrxl::app::ReportParseError(app, e, std::cerr);
  } catch (const plrxl::app::CommandExit& e) {
    if (e.what()[0] != '\0') std::cerr << "pelorinxl: " << e.what() << "\n";
    return e.Code();
  } catch (const plrxl::Error& e) {
    std::cerr << "pelorinxl: " << e.Description() << "\n";
    return plrxl::app::ExitCodeOfError(e);
  } catch (const std::filesystem::filesystem_error& e) {
    std::cerr << "pelorinxl: " << plrxl::app::FileSystemErrorText(e) << "\n";
    return plrxl::app::kExitRefused;
  } catch (const std::exception& e) {
    std::cerr << "pelorinxl: " << e.what() << "\n";
    return plrxl::app::kExitRowsFailed;
  }
  return 0;
}
