// The commands of pelorinxl. Each command lives in its own file and adds
// itself to the command line through one registration function declared
// here; main.cpp calls them all. To add a command: write app/cmd_<name>.cpp
// with a Register<Name>Command and add one line to main.cpp.
//
// Command bodies report failures by throwing (plrxl::Error or any
// std::exception); main prints the one-line reason and exits non-zero.
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <memory>

#include "host/memory/memory_host.h"

namespace plrxl::app {

// What every command gets: where to write, and how to make a host that
// reads and writes workbook files.
struct AppContext {
  std::ostream& out;
  std::ostream& err;
  std::unique_ptr<MemoryHost> MakeHost() const;
};

void RegisterInfoCommand(CLI::App& app, const AppContext& ctx);
void RegisterCopyCommand(CLI::App& app, const AppContext& ctx);
void RegisterRunCommands(CLI::App& app, const AppContext& ctx);
void RegisterSourcesCommand(CLI::App& app, const AppContext& ctx);
void RegisterDemoCommand(CLI::App& app, const AppContext& ctx);
void RegisterNewCommand(CLI::App& app, const AppContext& ctx);
void RegisterAddCommand(CLI::App& app, const AppContext& ctx);
void RegisterSetRowCommand(CLI::App& app, const AppContext& ctx);
void RegisterCheckCommand(CLI::App& app, const AppContext& ctx);
void RegisterCheckDataCommand(CLI::App& app, const AppContext& ctx);
void RegisterRowsCommand(CLI::App& app, const AppContext& ctx);
void RegisterConvertCommand(CLI::App& app, const AppContext& ctx);
void RegisterHelpCommand(CLI::App& app, const AppContext& ctx);
void RegisterWindowCommands(CLI::App& app, const AppContext& ctx);
void RegisterPlanCommand(CLI::App& app, const AppContext& ctx);
void RegisterStoreCommand(CLI::App& app, const AppContext& ctx);
void RegisterBudgetCommand(CLI::App& app, const AppContext& ctx);
// Where the error and tracing logs go; the footer of --help.
const char* LogsHelp();

}  // namespace plrxl::app
