// UpdateChecker: the update-check component behind CPelorin::AutoUpdateCheck.
//
// The entry object gives it the product's name and home (read from
// "Sentrel.ini" beside the project workbook), asks whether a check is due
// and, when it is, tells it to run. ReminderUpdateChecker is the product's
// checker: it never contacts the network by itself. Its state is the time of
// the last check in the user's settings (section "AutoUpdate", key
// "LastCheck", a date serial). The first query, with no state yet, records
// the time and is not due (no reminder on the first day of use); later a
// check is due once `interval_days` have passed since the last one, or when
// the clock was set back behind it. Running it records the time and tells
// the user which version this is and where to look for a newer one.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "support/ui_port.h"
#include "support/clock.h"
#include "support/settings_store.h"

namespace plrxl {

// The library's version ("2.0.31").
const char* LibraryVersion();

class UpdateChecker {
 public:
  virtual ~UpdateChecker() = default;
  virtual void SetProductName(const std::string& name) = 0;
  virtual void SetProductHome(const std::string& home) = 0;
  // True when a check is due; never fails for a missing state.
  virtual bool CheckIsDue() = 0;
  // Performs the check; failures of the settings store raise its errors.
  virtual void Run() = 0;
};

inline constexpr const char* kUpdateSection = "AutoUpdate";
inline constexpr const char* kLastCheckKey = "LastCheck";
inline constexpr double kUpdateIntervalDays = 30;

class ReminderUpdateChecker : public UpdateChecker {
 public:
  // All three must outlive the checker.
  ReminderUpdateChecker(SettingsStore& settings, const Clock& clock, UiPort& ui,
                        double interval_days = kUpdateIntervalDays);
  void SetProductName(const std::string& name) override { name_ = name; }
  void SetProductHome(const std::string& home) override { home_ = home; }
  // May write the state (see above).
  bool CheckIsDue() override;
  void Run() override;
  // The text Run shows.
  std::string ReminderText() const;

 private:
  std::optional<double> LastCheck() const;
  void SaveLastCheck(double serial);

  SettingsStore& settings_;
  const Clock& clock_;
  UiPort& ui_;
  double interval_days_;
  std::string name_;
  std::string home_;
};

}  // namespace plrxl
