// CShell: result translation, verb choice and mail links over a recording
// backend; program starts and the opener through real processes.
#include "support/shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/error_numbers.h"
#include "tests/support/temp_folder.h"

namespace plrxl {
namespace {

class RecordingBackend : public ShellBackend {
 public:
  int Execute(const std::string& verb, const std::string& file, const std::string& parameters,
              const std::string& directory) override {
    calls.push_back(verb + "|" + file + "|" + parameters + "|" + directory);
    return result;
  }
  bool RunAndWait(const std::string& command_line, const std::string& directory) override {
    calls.push_back("run|" + command_line + "|" + directory);
    return run_ok;
  }
  bool ShowProperties(const std::string& path, long owner) override {
    calls.push_back("properties|" + path + "|" + std::to_string(owner));
    return false;
  }
  std::optional<std::string> FileTypeOf(const std::string& extension) override {
    if (extension == ".bad") return std::nullopt;
    auto it = types.find(extension);
    return it == types.end() ? std::string() : it->second;
  }
  std::string DefaultVerbOf(const std::string& type) override { return default_verbs[type]; }
  std::optional<std::vector<std::string>> VerbsOf(const std::string& type) override {
    auto it = verbs.find(type);
    if (it == verbs.end()) return std::nullopt;
    return it->second;
  }

  int result = kShellSuccess;
  bool run_ok = true;
  std::vector<std::string> calls;
  std::map<std::string, std::string> types;
  std::map<std::string, std::string> default_verbs;
  std::map<std::string, std::vector<std::string>> verbs;
};

int32_t Raised(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    EXPECT_EQ(e.Source(), "PlrXL2.CShell");
    return e.Number();
  }
  return 0;
}

TEST(ShellTest, TranslatesShellResults) {
  struct Case {
    int result;
    int32_t full;     // OpenFolder and friends
    int32_t limited;  // OpenUrl and mail
  };
  const Case cases[] = {
      {2, kErrShellFileNotFound, 0},          {3, kErrShellPathNotFound, 0},
      {5, kErrShellFileNotFound, 0},          {8, kErrShellOutOfMemory, kErrShellOutOfMemory},
      {11, kErrShellBadFormat, 0},            {26, kErrShellSharingViolation, kErrShellSharingViolation},
      {27, kErrShellAssociationIncomplete, 0}, {28, kErrShellDdeTimeout, kErrShellDdeTimeout},
      {29, kErrShellDdeFail, kErrShellDdeFail}, {30, kErrShellDdeBusy, kErrShellDdeBusy},
      {31, kErrShellNoAssociation, 0},        {32, kErrShellDllNotFound, 0},
      {0, 0, 0},                              {33, 0, 0},
      {1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    RecordingBackend backend;
    backend.result = c.result;
    CShell shell(backend);
    EXPECT_EQ(Raised([&] { shell.OpenFolder("/tmp"); }), c.full);
    EXPECT_EQ(Raised([&] { shell.ExploreFolder("/tmp"); }), c.full);
    EXPECT_EQ(Raised([&] { shell.OpenUrl("https://example.org"); }), c.limited);
    EXPECT_EQ(Raised([&] { shell.CreateNewMailMessage("a@b.c"); }), c.limited);
  }
}

TEST(ShellTest, MailLinks) {
  EXPECT_EQ(CShell::MailLink("a@b.c", "", "", ""), "mailto:a@b.c");
  EXPECT_EQ(CShell::MailLink("a@b.c", "", "Hi there", "Body"), "mailto:a@b.c?subject=Hi there&body=Body");
  EXPECT_EQ(CShell::MailLink("a@b.c", "c@d.e", "S", ""), "mailto:a@b.c?subject=S&cc=c@d.e");
  EXPECT_EQ(CShell::MailLink("a@b.c", "c@d.e", "", "B"), "mailto:a@b.c&cc=c@d.e&body=B");
  RecordingBackend backend;
  CShell(backend).CreateNewMailMessage("a@b.c", "", "S");
  EXPECT_EQ(backend.calls, std::vector<std::string>{"open|mailto:a@b.c?subject=S||"});
}

TEST(ShellTest, DocumentVerbChoice) {
  RecordingBackend backend;
  backend.types = {{".txt", "txtfile"}, {".doc", "docfile"}, {".pdf", "pdffile"}, {".x", "xfile"},
                   {".y", std::string("yfile\0junk", 10)}, {".e", "efile"}};
  backend.default_verbs = {{"txtfile", "edit"}};
  backend.verbs = {{"docfile", {"print", "&Open"}}, {"pdffile", {"print", "edit"}}, {"yfile", {"OPEN"}},
                   {"efile", {}}};
  CShell shell(backend);
  struct Case {
    const char* path;
    const char* verb;
  };
  const Case cases[] = {{"/data/README", "open"},    {"/data/a.unknown", "open"}, {"/data/a.txt", "edit"},
                        {"/data/a.doc", "open"},     {"/data/a.pdf", "print"},    {"/data/a.x", "open"},
                        {"/data/a.y", "open"},       {"/data/a.e", ""}};
  for (const Case& c : cases) EXPECT_EQ(shell.DocumentVerb(c.path), c.verb) << c.path;
  EXPECT_EQ(Raised([&] { shell.DocumentVerb("/data/a.bad"); }), kErrShellFailure);
}

TEST(ShellTest, FileChecksComeFirst) {
  RecordingBackend backend;
  CShell shell(backend);
  const std::string missing = "/nonexistent/plrxl/file.txt";
  EXPECT_EQ(Raised([&] { shell.LaunchProgram(missing, "", true); }), kErrShellFileNotFound);
  EXPECT_EQ(Raised([&] { shell.OpenDocument(missing); }), kErrShellFileNotFound);
  EXPECT_EQ(Raised([&] { shell.ShowProperties(missing); }), kErrShellFileNotFound);
  EXPECT_TRUE(backend.calls.empty());
}

TEST(ShellTest, OpenDocumentStartsInTheDocumentsFolder) {
  testing::TempFolder folder;
  const std::string doc = folder.File("report.csv");
  std::ofstream(doc) << "x";
  RecordingBackend backend;
  CShell(backend).OpenDocument(doc);
  EXPECT_EQ(backend.calls, std::vector<std::string>{"open|" + doc + "||" + folder.Path().string() + "/"});
  backend.run_ok = false;
  EXPECT_EQ(Raised([&] { CShell(backend).LaunchProgram(doc, "-x", true, "/tmp"); }), kErrShellCannotCreateProcess);
  EXPECT_EQ(backend.calls.back(), "run|" + doc + " -x|/tmp");
  EXPECT_EQ(Raised([&] { CShell(backend).ShowProperties(doc, 7); }), kErrShellCannotShowProperties);
}

TEST(ShellTest, Helpers) {
  EXPECT_EQ(CShell::GetLastPart("C:\\Data\\file.txt", "\\"), "file.txt");
  EXPECT_EQ(CShell::GetLastPart("file.txt", "\\"), "file.txt");
  EXPECT_EQ(CShell::GetLastPart("a.b.c", "."), "c");
  EXPECT_EQ(CShell::TrimNull(std::string("abc\0def", 7)), "abc");
  EXPECT_EQ(CShell::TrimNull("abc"), "abc");
}

// A real program for the backend to start: a shell script with `body`.
std::string WriteScript(const testing::TempFolder& folder, const std::string& name, const std::string& body) {
  const std::string path = folder.File(name);
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  chmod(path.c_str(), 0755);
  return path;
}

TEST(XdgShellBackendTest, OpenerStatusBecomesTheShellResult) {
  testing::TempFolder folder;
  const std::string log = folder.File("opened.txt");
  struct Case {
    int status;
    int result;
  };
  for (const Case& c : {Case{0, kShellSuccess}, Case{2, kShellFileNotFound}, Case{3, kShellNoAssociation},
                        Case{4, kShellNoAssociation}, Case{1, kShellAssociationIncomplete}}) {
    const std::string opener = WriteScript(folder, "opener" + std::to_string(c.status),
                                           "echo \"$1\" >> '" + log + "'\nexit " + std::to_string(c.status));
    XdgShellBackend backend(opener);
    EXPECT_EQ(backend.Execute("open", "mailto:a@b.c?subject=x y", "", ""), c.result) << c.status;
  }
  std::string expected;
  for (int i = 0; i < 5; ++i) expected += "mailto:a@b.c?subject=x y\n";
  EXPECT_EQ(testing::ReadFile(log), expected);
  XdgShellBackend missing(folder.File("no-such-opener"));
  EXPECT_EQ(missing.Execute("open", "https://example.org", "", ""), kShellNoAssociation);
}

TEST(XdgShellBackendTest, ProgramsStartWaitingOrDetached) {
  testing::TempFolder folder;
  const std::string out = folder.File("ran.txt");
  const std::string program = WriteScript(folder, "program", "echo \"$# $1 $2 $(pwd)\" >> '" + out + "'");
  XdgShellBackend backend;
  CShell shell(backend);
  shell.LaunchProgram(program, "one two", true, "/tmp");
  EXPECT_EQ(testing::ReadFile(out), "2 one two /tmp\n");
  shell.LaunchProgram(program, "three", false, folder.Path().string());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (testing::ReadFile(out).find("three") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(testing::ReadFile(out), "2 one two /tmp\n1 three  " + folder.Path().string() + "\n");
  EXPECT_FALSE(backend.RunAndWait(folder.File("not-there") + " x", ""));
}

}  // namespace
}  // namespace plrxl
