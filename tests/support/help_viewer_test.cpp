// The help viewer and the INI value reader over real files.
#include "support/help_viewer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_folder.h"

namespace plrxl {
namespace {

class OpenRecorder : public XdgShellBackend {
 public:
  int Execute(const std::string& verb, const std::string& file, const std::string&, const std::string&) override {
    opened.push_back(verb + " " + file);
    return result;
  }
  std::vector<std::string> opened;
  int result = kShellSuccess;
};

TEST(HelpViewerTest, OpensTheTopicPageOrTheHelpFile) {
  testing::TempFolder folder;
  const std::string chm = folder.File("PelorinXL.CHM");
  std::ofstream(chm) << "help";
  std::filesystem::create_directories(folder.Path() / "PelorinXL");
  std::ofstream(folder.File("PelorinXL/Support.htm")) << "<html/>";
  struct Case {
    std::string file;
    const char* topic;
    std::string opened;
  };
  const Case cases[] = {
      {chm, "Support.htm", folder.File("PelorinXL/Support.htm")},
      {chm, "Master_Pelorin.htm", chm},
      {chm, "", chm},
  };
  for (const Case& c : cases) {
    OpenRecorder shell;
    testing::TestUi ui;
    XdgHelpViewer(shell, ui).DisplayTopic(c.file, c.topic);
    EXPECT_EQ(shell.opened, std::vector<std::string>{"open " + c.opened}) << c.topic;
    EXPECT_TRUE(ui.Boxes().empty());
  }
}

TEST(HelpViewerTest, ProblemsAreReportedByTheViewer) {
  testing::TempFolder folder;
  OpenRecorder shell;
  testing::TestUi ui;
  ui.AnswerBox(MsgResult::kOk, "cannot be found");
  XdgHelpViewer(shell, ui).DisplayTopic("\\PelorinXL.CHM", "Support.htm");
  EXPECT_TRUE(shell.opened.empty());

  const std::string chm = folder.File("PelorinXL.CHM");
  std::ofstream(chm) << "help";
  shell.result = kShellNoAssociation;
  ui.AnswerBox(MsgResult::kOk, "No program");
  XdgHelpViewer(shell, ui).DisplayTopic(chm, "Support.htm");
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST(IniFileReaderTest, ReadsTheProductIdentity) {
  testing::TempFolder folder;
  const std::string ini = folder.File("Sentrel.ini");
  std::ofstream(ini) << "[AutoUpdate]\r\nProductName=PelorinXL\r\nProductHome=https://example.org/p\r\n";
  const IniFileReader reader;
  EXPECT_EQ(reader.Read("AutoUpdate", "ProductName", ini), "PelorinXL");
  EXPECT_EQ(reader.Read("AutoUpdate", "ProductHome", ini), "https://example.org/p");
  EXPECT_EQ(reader.Read("AutoUpdate", "Missing", ini), "");
  EXPECT_EQ(reader.Read("AutoUpdate", "ProductName", folder.File("none.ini")), "");
}

}  // namespace
}  // namespace plrxl
