// pelorinxl convert IN OUT: turns a version-1 project workbook into a
// project of the current layout, as the converter window's Create button
// does: the checks (message 73 with the reason when one fails), then the
// conversion, which ends with message 72. Exit status 0 only when OUT was
// written.
#include <filesystem>
#include <iostream>

#include "app/commands.h"
#include "app/message_collector.h"
#include "app/exit_codes.h"
#include "app/gui_windows.h"
#include "app/project_session.h"
#include "app/save_losses.h"
#include "entry/converter.h"
#include "entry/project_template.h"
#include "forms/window_forms.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

struct ConvertOptions {
  std::string input, output;
  bool force = false;
  bool gui = false;
  bool allow_loss = false;
  ConsoleOptions console;
  std::string on_error = "abort";
};

// The project the conversion runs from: a new one in memory, never saved.
// It supplies the current column titles, the default data source and the
// message texts.
void OpenConversionProject(ProjectSession& session) {
  Workbook& project = session.Host().AddWorkbook();
  CreateProjectWorkbook(session.Pelorin(), project, session.MachineClock().Now());
  session.Pelorin().ActivateWorkBookName(project.Name());
}

// The converter window: the person picks both files and presses Create.
void ConvertInWindow(const AppContext& ctx, ConsoleOptions console) {
  std::unique_ptr<GuiWindows> windows = OpenGuiWindowsOrExit(ctx.err);
  ProjectSession session(ctx, console, std::filesystem::current_path().string(), &windows->Ui());
  session.Host().SetDoEventsHook([&windows] { windows->Ui().ProcessEvents(); });
  WindowFormOptions forms;
  forms.version_one_check = [&session](const std::string& path) { return CheckFilePelorinXL(session.Pelorin(), path); };
  InstallWindowForms(session.Context(), forms);
  OpenConversionProject(session);
  session.Pelorin().ShowConverterFromPelorin1IntoPelorin2();
}

void Convert(const AppContext& ctx, const ConvertOptions& options) {
  ConsoleOptions console = options.console;
  console.on_error = ParseOnErrorAnswer(options.on_error).value_or(OnErrorAnswer::kAbort);
  console.interactive = StdinIsTerminal();
  if (options.gui) return ConvertInWindow(ctx, console);
  if (options.input.empty() || options.output.empty()) {
    throw CLI::ValidationError("convert", "IN and OUT are required without --gui");
  }
  // OUT is the loaded IN changed: what IN holds that a save drops must be
  // accepted first. An IN that does not load is reported by the conversion.
  {
    std::unique_ptr<MemoryHost> host = ctx.MakeHost();
    Workbook* input = nullptr;
    try {
      input = &host->OpenWorkbook(options.input);
    } catch (const Error&) {
    }
    if (input != nullptr) RefuseLosses(*input, options.input, options.allow_loss, ctx.err);
  }
  const std::string folder = std::filesystem::absolute(options.output).parent_path().string();
  ConsoleUi console_ui(console, std::cin, ctx.err);
  MessageCollector messages(&console_ui);
  ProjectSession session(ctx, console, folder, &messages);
  OpenConversionProject(session);
  const bool converted = ConvertVersion1Project(session.Pelorin(), options.input, options.output, options.force);
  std::string text;
  for (const std::string& message : messages.messages) text += (text.empty() ? "" : "\n") + message;
  if (!converted) {
    const bool exists = !options.force && std::filesystem::exists(options.output);
    throw CommandExit(exists ? kExitRefused : kExitRowsFailed,
                      (text.empty() ? options.input + " was not converted" : text));
  }
  ctx.out << (text.empty() ? "Converted " + options.input + " to " + options.output : text) << "\n";
}

}  // namespace

void RegisterConvertCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("convert", "Convert a version-1 project workbook to the current layout");
  auto options = std::make_shared<ConvertOptions>();
  cmd->add_option("IN", options->input, "The version-1 project (.xlsx or .xlsm; save .xls files as .xlsx first)");
  cmd->add_option("OUT", options->output, "The project workbook to write (.xlsx)");
  cmd->add_flag("--gui", options->gui, "Open the converter window to choose both files (needs a display)");
  cmd->add_flag("--force", options->force, "Replace OUT when it exists");
  AddAllowLossOption(cmd, options->allow_loss);
  AddAnswerOptions(cmd, options->console, options->on_error);
  cmd->callback([&ctx, options] { Convert(ctx, *options); });
}

}  // namespace plrxl::app
