// CShell over the real Linux desktop layer: a fake xdg-open on PATH for
// every failure the class maps, the file system's own answers, the XDG MIME
// database in temporary folders, and file properties.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "support/error_numbers.h"
#include "support/shell.h"
#include "tests/support/temp_folder.h"

namespace plrxl {
namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << text;
}

// A folder with an `xdg-open` that records its argument and ends as `body` says.
std::string FakeOpenerFolder(const testing::TempFolder& folder, const std::string& body) {
  const std::string bin = folder.File("bin");
  std::filesystem::remove_all(bin);
  const std::string opener = bin + "/xdg-open";
  WriteFile(opener, "#!/bin/sh\necho \"$1\" >> '" + folder.File("opened.txt") + "'\n" + body + "\n");
  chmod(opener.c_str(), 0755);
  return bin;
}

int32_t Raised(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    EXPECT_EQ(e.Source(), "PlrXL2.CShell");
    return e.Number();
  }
  return 0;
}

TEST(LinuxShellTest, OpenerFailuresMapToTheErrorTable) {
  testing::TempFolder folder;
  const std::string doc = folder.File("report.csv");
  WriteFile(doc, "x");
  struct Case {
    const char* opener_body;
    int32_t document;  // OpenDocument, OpenFolder, ExploreFolder
    int32_t url;       // OpenUrl and CreateNewMailMessage translate fewer results
  };
  const Case cases[] = {
      {"exit 0", 0, 0},
      {"exit 1", kErrShellAssociationIncomplete, 0},
      {"exit 2", kErrShellFileNotFound, 0},
      {"exit 3", kErrShellNoAssociation, 0},
      {"exit 4", kErrShellNoAssociation, 0},
      {"kill -9 $$", kErrShellAssociationIncomplete, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opener_body);
    ScopedEnv path("PATH", FakeOpenerFolder(folder, c.opener_body) + ":/usr/bin:/bin");
    XdgShellBackend backend;
    CShell shell(backend);
    EXPECT_EQ(Raised([&] { shell.OpenDocument(doc); }), c.document);
    EXPECT_EQ(Raised([&] { shell.OpenFolder(folder.Path().string()); }), c.document);
    EXPECT_EQ(Raised([&] { shell.ExploreFolder(folder.Path().string()); }), c.document);
    EXPECT_EQ(Raised([&] { shell.OpenUrl("https://example.org/a?b=c"); }), c.url);
    EXPECT_EQ(Raised([&] { shell.CreateNewMailMessage("help@example.org", "", "Error", "text"); }), c.url);
  }
  // The opener saw exactly what the operations handed it.
  std::ifstream opened(folder.File("opened.txt"));
  std::string first[5];
  for (std::string& line : first) std::getline(opened, line);
  EXPECT_EQ(first[0], doc);
  EXPECT_EQ(first[3], "https://example.org/a?b=c");
  EXPECT_EQ(first[4], "mailto:help@example.org?subject=Error&body=text");
}

TEST(LinuxShellTest, NoOpenerMeansNoAssociation) {
  testing::TempFolder folder;
  const std::string doc = folder.File("report.csv");
  WriteFile(doc, "x");
  std::filesystem::create_directories(folder.File("empty"));
  ScopedEnv path("PATH", folder.File("empty"));
  XdgShellBackend backend;
  CShell shell(backend);
  EXPECT_EQ(Raised([&] { shell.OpenDocument(doc); }), kErrShellNoAssociation);
  // A link without an opener is not among the results OpenUrl reports.
  EXPECT_EQ(Raised([&] { shell.OpenUrl("https://example.org"); }), 0);
}

TEST(LinuxShellTest, FileSystemAnswersComeBeforeTheOpener) {
  testing::TempFolder folder;
  ScopedEnv path("PATH", FakeOpenerFolder(folder, "exit 0") + ":/usr/bin:/bin");
  XdgShellBackend backend;
  CShell shell(backend);
  EXPECT_EQ(Raised([&] { shell.OpenFolder(folder.File("missing")); }), kErrShellFileNotFound);
  EXPECT_EQ(Raised([&] { shell.ExploreFolder(folder.File("no/such/folder")); }), kErrShellPathNotFound);
  EXPECT_EQ(backend.Execute("open", folder.File("no/such/file.txt"), "", ""), kShellPathNotFound);
  if (geteuid() != 0) {  // root reads every file
    const std::string locked = folder.File("locked.txt");
    WriteFile(locked, "x");
    chmod(locked.c_str(), 0);
    EXPECT_EQ(Raised([&] { shell.OpenDocument(locked); }), kErrShellFileNotFound);  // access denied
  }
  EXPECT_FALSE(std::filesystem::exists(folder.File("opened.txt")));
}

TEST(LinuxShellTest, AssociationsComeFromTheXdgMimeDatabase) {
  testing::TempFolder folder;
  const std::string data = folder.File("data"), config = folder.File("config");
  WriteFile(data + "/mime/globs2",
            "# comment\n50:text/csv:*.csv\n80:application/x-project:*.PLX:cs\n"
            "50:text/x-low:*.dat\n60:text/x-high:*.dat\n");
  WriteFile(data + "/applications/mimeinfo.cache", "[MIME Cache]\ntext/csv=calc.desktop;edit.desktop;\n");
  WriteFile(config + "/mimeapps.list", "[Default Applications]\ntext/x-high=viewer.desktop\n");
  ScopedEnv data_home("XDG_DATA_HOME", data);
  ScopedEnv data_dirs("XDG_DATA_DIRS", folder.File("none"));
  ScopedEnv config_home("XDG_CONFIG_HOME", config);
  ScopedEnv config_dirs("XDG_CONFIG_DIRS", folder.File("none"));
  XdgShellBackend backend;
  EXPECT_EQ(backend.FileTypeOf(".csv"), "text/csv");
  EXPECT_EQ(backend.FileTypeOf(".CSV"), "text/csv");
  EXPECT_EQ(backend.FileTypeOf(".PLX"), "application/x-project");
  EXPECT_EQ(backend.FileTypeOf(".plx"), "");  // case-sensitive entry
  EXPECT_EQ(backend.FileTypeOf(".dat"), "text/x-high");  // higher weight
  EXPECT_EQ(backend.FileTypeOf(".none"), "");
  EXPECT_EQ(backend.DefaultVerbOf("text/x-high"), "open");
  EXPECT_EQ(backend.DefaultVerbOf("text/csv"), "");
  EXPECT_EQ(backend.VerbsOf("text/csv"), std::vector<std::string>{"open"});
  EXPECT_EQ(backend.VerbsOf("text/x-low"), std::nullopt);
  CShell shell(backend);
  EXPECT_EQ(shell.DocumentVerb("/x/a.dat"), "open");
  EXPECT_EQ(shell.DocumentVerb("/x/a.csv"), "open");
  EXPECT_EQ(shell.DocumentVerb("/x/README"), "open");
}

TEST(LinuxShellTest, PropertiesComeFromTheFileSystem) {
  testing::TempFolder folder;
  const std::string doc = folder.File("prices.csv");
  WriteFile(doc, "12345");
  chmod(doc.c_str(), 0640);
  const std::string text = XdgShellBackend::PropertiesText(doc);
  EXPECT_NE(text.find("Name: prices.csv\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Folder: " + folder.Path().string() + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Size: 5 bytes\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Permissions: -rw-r-----\n"), std::string::npos) << text;

  ScriptedUi ui;
  ui.AnswerBox(MsgResult::kOk, "Size: 5 bytes");
  XdgShellBackend with_ui("xdg-open", &ui);
  CShell(with_ui).ShowProperties(doc);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].title, "Properties of prices.csv");
  // Without a window to show them in, properties cannot be shown.
  XdgShellBackend headless;
  EXPECT_EQ(Raised([&] { CShell(headless).ShowProperties(doc); }), kErrShellCannotShowProperties);
}

}  // namespace
}  // namespace plrxl
