// CPelorin's update check and ModulePelorin's help.
#include <optional>

#include "entry/internal/object_ref.h"
#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "support/help_viewer.h"
#include "support/settings_store.h"
#include "support/update_checker.h"

namespace plrxl {

namespace {

constexpr const char* kIniFileName = "Sentrel.ini";
constexpr const char* kHelpFileName = "PelorinXL.CHM";
constexpr const char* kDefaultHelpTopic = "Support.htm";

}  // namespace

void CPelorin::AutoUpdateCheck() {
  Procedure proc(context_, "Pelorin.CPelorin.AutoUpdateCheck");
  if (context_.hooks.AutoUpdateCheck) {
    proc.Do([&] { context_.hooks.AutoUpdateCheck(*this); });
    return;
  }
  // The components live for this call only.
  const IniFileReader reader{};
  std::optional<SettingsStore> own_settings;
  std::optional<SystemClock> own_clock;
  std::unique_ptr<UpdateChecker> checker;
  std::string ini_path;
  proc.Do([&] { ini_path = ThisWb().Path() + "\\" + kIniFileName; });
  proc.Do([&] {
    if (context_.MakeUpdateChecker) {
      checker = context_.MakeUpdateChecker();
      return;
    }
    SettingsStore* settings = context_.settings;
    if (settings == nullptr) settings = &own_settings.emplace(SettingsStore::ForUser());
    const Clock* clock = context_.clock;
    if (clock == nullptr) clock = &own_clock.emplace();
    checker = std::make_unique<ReminderUpdateChecker>(*settings, *clock, Ui());
  });
  proc.Do([&] { Ref(checker.get()).SetProductName(reader.Read("AutoUpdate", "ProductName", ini_path)); });
  proc.Do([&] { Ref(checker.get()).SetProductHome(reader.Read("AutoUpdate", "ProductHome", ini_path)); });
  proc.Do([&] {
    if (Ref(checker.get()).CheckIsDue()) checker->Run();
  });
}

void RunHelpPelorinXL(RunContext& context, const std::string& topic) {
  Procedure proc(context, "Pelorin.ModulePelorin.RunHelpPelorinXL");
  proc.Do([&] {
    const std::string help_file = context.Path + "\\" + kHelpFileName;
    const std::string page = topic.empty() ? kDefaultHelpTopic : topic;
    if (context.help_viewer != nullptr) {
      context.help_viewer->DisplayTopic(help_file, page);
      return;
    }
    XdgShellBackend shell;
    XdgHelpViewer viewer(shell, Ref(context.ui));
    viewer.DisplayTopic(help_file, page);
  });
}

}  // namespace plrxl
