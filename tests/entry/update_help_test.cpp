// The update check after refresh and update runs (calling order, interval,
// state in the user's settings under a temporary XDG_CONFIG_HOME, pinned
// clock) and the help's topic and file.
#include <fstream>

#include "support/help_viewer.h"
#include "support/update_checker.h"
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

// Records what AutoUpdateCheck asks of its checker, in order.
class RecordingChecker : public UpdateChecker {
 public:
  RecordingChecker(std::vector<std::string>& calls, bool due) : calls_(calls), due_(due) {}
  void SetProductName(const std::string& name) override { calls_.push_back("name=" + name); }
  void SetProductHome(const std::string& home) override { calls_.push_back("home=" + home); }
  bool CheckIsDue() override {
    calls_.push_back("due?");
    return due_;
  }
  void Run() override { calls_.push_back("run"); }

 private:
  std::vector<std::string>& calls_;
  bool due_;
};

class UpdateCheckTest : public EntryTest {
 protected:
  // A saved project with "Sentrel.ini" beside it.
  Workbook& SavedProject(const std::string& ini) {
    Workbook& wb = NewProject();
    wb.SaveAs(temp_.File("project.xlsx"));
    if (!ini.empty()) std::ofstream(temp_.File("Sentrel.ini")) << ini;
    pelorin_->ThisWorkbookApplication(&wb);
    return wb;
  }
  void UseRecorder(bool due) {
    context_.MakeUpdateChecker = [this, due] { return std::make_unique<RecordingChecker>(calls_, due); };
  }
  std::vector<std::string> calls_;
};

TEST_F(UpdateCheckTest, GivesNameThenHomeThenRunsWhenDue) {
  SavedProject("[AutoUpdate]\nProductName=PelorinXL Pro\nProductHome=https://pelorinxl.example/download\n");
  UseRecorder(true);
  pelorin_->AutoUpdateCheck();
  EXPECT_EQ(calls_, (std::vector<std::string>{"name=PelorinXL Pro", "home=https://pelorinxl.example/download",
                                              "due?", "run"}));
  calls_.clear();
  UseRecorder(false);
  pelorin_->AutoUpdateCheck();
  EXPECT_EQ(calls_, (std::vector<std::string>{"name=PelorinXL Pro", "home=https://pelorinxl.example/download",
                                              "due?"}));
}

TEST_F(UpdateCheckTest, MissingFileOrKeysPassOnEmptyTexts) {
  SavedProject("");
  UseRecorder(false);
  pelorin_->AutoUpdateCheck();
  EXPECT_EQ(calls_, (std::vector<std::string>{"name=", "home=", "due?"}));
  calls_.clear();
  std::ofstream(temp_.File("Sentrel.ini")) << "[Other]\nProductName=x\n";
  pelorin_->AutoUpdateCheck();
  EXPECT_EQ(calls_, (std::vector<std::string>{"name=", "home=", "due?"}));
}

TEST_F(UpdateCheckTest, ReminderIsDueOncePerIntervalAndKeepsItsStateInTheUserSettings) {
  SavedProject("[AutoUpdate]\nProductName=PelorinXL\nProductHome=https://pelorinxl.example\n");
  // The first run starts the interval and shows nothing (the scripted
  // person fails on any box).
  pelorin_->AutoUpdateCheck();
  EXPECT_TRUE(ui_.Boxes().empty());
  EXPECT_NEAR(std::stod(store_.GetSetting("PelorinXL", "AutoUpdate", "LastCheck")), Now(), 1e-5);
  EXPECT_TRUE(std::filesystem::exists(temp_.File("config/PelorinXL/settings.ini")));
  // After the interval the reminder names this version and the home.
  clock_.AdvanceSeconds(30 * 86400.0);
  ui_.AnswerBox(MsgResult::kOk, "https://pelorinxl.example");
  pelorin_->AutoUpdateCheck();
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].prompt,
            std::string("PelorinXL ") + LibraryVersion() +
                " is installed. It does not look for updates by itself. To find out whether a newer version "
                "exists, visit https://pelorinxl.example.");
  const double checked = Now() + 30;
  EXPECT_NEAR(std::stod(store_.GetSetting("PelorinXL", "AutoUpdate", "LastCheck")), checked, 1e-5);

  // Within the interval nothing is shown (the scripted person fails on a box).
  clock_.AdvanceSeconds(29 * 86400.0);
  pelorin_->AutoUpdateCheck();
  EXPECT_EQ(ui_.Boxes().size(), 1u);
  // A new process reads the same state: a fresh checker is not due either.
  ReminderUpdateChecker fresh(store_, clock_, ui_);
  EXPECT_FALSE(fresh.CheckIsDue());
  // After the interval it is due again.
  clock_.AdvanceSeconds(86400.0);
  ui_.AnswerBox(MsgResult::kOk);
  pelorin_->AutoUpdateCheck();
  EXPECT_EQ(ui_.Boxes().size(), 2u);
  // A clock set back behind the last check makes it due; a damaged entry
  // starts the interval again.
  clock_.Set(Now());
  EXPECT_TRUE(fresh.CheckIsDue());
  store_.SaveSetting("PelorinXL", "AutoUpdate", "LastCheck", "yesterday");
  EXPECT_FALSE(fresh.CheckIsDue());
  EXPECT_NEAR(std::stod(store_.GetSetting("PelorinXL", "AutoUpdate", "LastCheck")), Now(), 1e-5);
}

// Records the topics the help viewer is asked for.
class RecordingViewer : public HelpViewer {
 public:
  void DisplayTopic(const std::string& file, const std::string& topic) override {
    shown.push_back(file + "|" + topic);
  }
  std::vector<std::string> shown;
};

TEST_F(EntryTest, HelpOpensTheTopicOfTheHelpFileInPath) {
  RecordingViewer viewer;
  context_.help_viewer = &viewer;
  RunHelpPelorinXL(context_);
  pelorin_->Path("/usr/share/pelorinxl/help");
  RunHelpPelorinXL(context_, "Master_Pelorin.htm");
  EXPECT_EQ(viewer.shown, (std::vector<std::string>{"\\PelorinXL.CHM|Support.htm",
                                                    "/usr/share/pelorinxl/help\\PelorinXL.CHM|Master_Pelorin.htm"}));
}

TEST_F(EntryTest, MissingHelpIsReportedByTheViewer) {
  pelorin_->Path(temp_.File("empty"));
  ui_.AnswerBox(MsgResult::kOk, "cannot be found");
  RunHelpPelorinXL(context_, "Selective_Update.htm");
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].prompt, "The help file " + temp_.File("empty") + "/PelorinXL.CHM cannot be found.");
}

}  // namespace
}  // namespace plrxl::testing
