#include "support/update_checker.h"

#include <cstdio>
#include <cstdlib>

namespace plrxl {

const char* LibraryVersion() { return PLRXL_VERSION; }

ReminderUpdateChecker::ReminderUpdateChecker(SettingsStore& settings, const Clock& clock, UiPort& ui,
                                             double interval_days)
    : settings_(settings), clock_(clock), ui_(ui), interval_days_(interval_days) {}

std::optional<double> ReminderUpdateChecker::LastCheck() const {
  const std::string text = settings_.GetSetting(kSettingsApp, kUpdateSection, kLastCheckKey);
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double serial = std::strtod(text.c_str(), &end);
  // A damaged entry counts as none: the interval starts again.
  if (end == text.c_str() || *end != '\0') return std::nullopt;
  return serial;
}

void ReminderUpdateChecker::SaveLastCheck(double serial) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", serial);
  settings_.SaveSetting(kSettingsApp, kUpdateSection, kLastCheckKey, text);
}

bool ReminderUpdateChecker::CheckIsDue() {
  const std::optional<double> last = LastCheck();
  const double now = clock_.Now();
  if (!last.has_value()) {
    // The first run starts the interval: no reminder on the first day.
    SaveLastCheck(now);
    return false;
  }
  // A clock set back behind the last check also makes one due.
  // The stored time is rounded to a tenth of a second or so.
  constexpr double kSlack = 2e-6;
  return now < *last - kSlack || now - *last >= interval_days_ - kSlack;
}

std::string ReminderUpdateChecker::ReminderText() const {
  const std::string product = name_.empty() ? "PelorinXL" : name_;
  std::string text = product + " " + LibraryVersion() + " is installed. It does not look for updates by itself.";
  if (!home_.empty()) {
    text += " To find out whether a newer version exists, visit " + home_ + ".";
  } else {
    text += " To find out whether a newer version exists, ask whoever gave you " + product + ".";
  }
  return text;
}

void ReminderUpdateChecker::Run() {
  SaveLastCheck(clock_.Now());
  ui_.MsgBox(ReminderText(), MsgButtons::kOk, MsgIcon::kInformation, name_.empty() ? "PelorinXL" : name_);
}

}  // namespace plrxl
