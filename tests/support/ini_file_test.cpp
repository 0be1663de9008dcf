// The INI reader and writer, and the settings store over real files.
#include "support/ini_file.h"

#include <gtest/gtest.h>

#include "support/settings_store.h"
#include "tests/support/temp_folder.h"

namespace plrxl {
namespace {

TEST(IniFileTest, ReadsValues) {
  struct Case {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"plain", "[Setting]\ntxtZoom=85\n", "Setting", "txtZoom", "85"},
      {"case-insensitive names", "[AutoUpdate]\nProductName=PelorinXL\n", "autoupdate", "PRODUCTNAME", "PelorinXL"},
      {"trimmed", "  [ Sources ]  \n  CsvFolder =  /data/csv  \n", "Sources", "CsvFolder", "/data/csv"},
      {"quoted keeps spaces", "[S]\nk=\"  padded  \"\n", "S", "k", "  padded  "},
      {"equals in value", "[S]\nurl=https://x/?a=1&b=2\n", "S", "url", "https://x/?a=1&b=2"},
      {"empty value", "[S]\nk=\n", "S", "k", ""},
      {"first of two wins", "[S]\nk=1\nk=2\n", "S", "k", "1"},
      {"repeated section merges", "[S]\na=1\n[T]\nb=2\n[S]\nc=3\n", "S", "c", "3"},
      {"CR LF and BOM", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", "v"},
      {"comments", "; top\n# also\n[S]\n;k=no\nk=yes\n", "S", "k", "yes"},
      {"no final line break", "[S]\nk=v", "S", "k", "v"},
      {"missing key", "[S]\nk=v\n", "S", "other", std::nullopt},
      {"missing section", "[S]\nk=v\n", "T", "k", std::nullopt},
      {"empty text", "", "S", "k", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IniFile::Parse(c.text).Get(c.section, c.key), c.expected);
  }
}

TEST(IniFileTest, RejectsBadInputWithItsLine) {
  struct Case {
    std::string text;
    int line;
    const char* problem;
  };
  const Case cases[] = {
      {"[S]\nk=v\njust words\n", 3, "expected \"key=value\""},
      {"k=v\n", 1, "comes before any [section]"},
      {"[S\nk=v\n", 1, "must end with \"]\""},
      {"[]\n", 1, "has no name"},
      {"[a[b]]\n", 1, "cannot hold"},
      {"[S]\n=v\n", 2, "no key"},
      {std::string("[S]\nk=v\0x\n", 10), 2, "NUL"},
      {"[S]\nk=a\rb\n", 2, "carriage return"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      IniFile::Parse(c.text, "settings.ini");
      ADD_FAILURE() << "accepted";
    } catch (const IniSyntaxError& e) {
      EXPECT_EQ(e.Line(), c.line);
      EXPECT_NE(e.Description().find("settings.ini line " + std::to_string(c.line) + ": "), std::string::npos)
          << e.Description();
      EXPECT_NE(e.Description().find(c.problem), std::string::npos) << e.Description();
    }
  }
}

TEST(IniFileTest, WriteAndParseRoundTrip) {
  IniFile ini = IniFile::Parse("; PelorinXL settings\n\n[Setting]\ntxtZoom=85\n\n[Sources]\n# keys\nCsvFolder=/d\n");
  ini.Set("Setting", "chbAutoFit", "True");
  ini.Set("Sources", "StooqKey", "  spaced ");
  ini.Set("Sources", "Quoted", "\"already\"");
  ini.Set("New", "k", "v");
  ini.Set("setting", "TXTZOOM", "90");
  const std::string text = ini.Write();
  EXPECT_EQ(text,
            "; PelorinXL settings\n\n[Setting]\ntxtZoom=90\nchbAutoFit=True\n\n[Sources]\n# keys\nCsvFolder=/d\n"
            "StooqKey=\"  spaced \"\nQuoted=\"\"already\"\"\n[New]\nk=v\n");
  const IniFile again = IniFile::Parse(text);
  EXPECT_EQ(again, ini);
  EXPECT_EQ(again.Get("Sources", "StooqKey"), "  spaced ");
  EXPECT_EQ(again.Get("Sources", "Quoted"), "\"already\"");
  EXPECT_EQ(again.Sections(), (std::vector<std::string>{"Setting", "Sources", "New"}));
  EXPECT_EQ(again.Keys("Setting"), (std::vector<std::string>{"txtZoom", "chbAutoFit"}));
}

TEST(IniFileTest, SetRefusesWhatTheFormatCannotHold) {
  struct Case {
    const char* section;
    const char* key;
    std::string value;
  };
  const Case cases[] = {{"", "k", "v"},      {"S]", "k", "v"},  {"S", "", "v"},       {"S", "a=b", "v"},
                        {"S", "[k", "v"},    {"S", ";k", "v"},  {"S", " k", "v"},     {"S", "k", "a\nb"},
                        {"S", "k", "a\rb"},  {"S\n", "k", "v"}, {"S", "k", std::string("a\0b", 3)}};
  for (const Case& c : cases) {
    IniFile ini;
    EXPECT_THROW(ini.Set(c.section, c.key, c.value), Error) << c.section << "/" << c.key;
  }
}

TEST(IniFileTest, RemoveEntriesAndSections) {
  IniFile ini = IniFile::Parse("[A]\nx=1\ny=2\n[B]\nz=3\n");
  EXPECT_TRUE(ini.Remove("a", "X"));
  EXPECT_FALSE(ini.Remove("A", "x"));
  EXPECT_TRUE(ini.RemoveSection("b"));
  EXPECT_FALSE(ini.RemoveSection("B"));
  EXPECT_EQ(ini.Write(), "[A]\ny=2\n");
}

TEST(SettingsStoreTest, UsesXdgConfigHome) {
  testing::TempConfigHome home;
  const SettingsStore store = SettingsStore::ForUser();
  EXPECT_EQ(store.PathFor(kSettingsApp), home.Folder().File("config") + "/PelorinXL/settings.ini");
}

TEST(SettingsStoreTest, FallsBackToDotConfigWhenUnsetOrRelative) {
  testing::TempConfigHome home;
  for (const char* value : {static_cast<const char*>(nullptr), "relative/path", ""}) {
    if (value) {
      setenv("XDG_CONFIG_HOME", value, 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    EXPECT_EQ(SettingsStore::DefaultConfigHome(), home.Folder().File("home") + "/.config");
  }
}

TEST(SettingsStoreTest, SaveAndGetThroughTheFile) {
  testing::TempConfigHome home;
  SettingsStore store = SettingsStore::ForUser();
  EXPECT_EQ(store.GetSetting(kSettingsApp, kSettingSection, "txtZoom", "100"), "100");
  store.SaveSetting(kSettingsApp, kSettingSection, "txtZoom", "85");
  store.SaveSetting(kSettingsApp, kSettingSection, "chbAutoFit", "True");
  store.SaveSetting(kSettingsApp, kSourcesSection, "CsvFolder", "/data/csv");
  EXPECT_EQ(testing::ReadFile(store.PathFor(kSettingsApp)),
            "[Setting]\ntxtZoom=85\nchbAutoFit=True\n[Sources]\nCsvFolder=/data/csv\n");
  // A second store sees what the first wrote.
  const SettingsStore other(home.Folder().File("config"));
  EXPECT_EQ(other.GetSetting(kSettingsApp, kSettingSection, "txtZoom", "100"), "85");
  store.DeleteSetting(kSettingsApp, kSettingSection, "txtZoom");
  EXPECT_EQ(other.GetSetting(kSettingsApp, kSettingSection, "txtZoom", "100"), "100");
  store.DeleteSetting(kSettingsApp, kSourcesSection);
  EXPECT_EQ(other.GetSetting(kSettingsApp, kSourcesSection, "CsvFolder"), "");
}

TEST(SettingsStoreTest, ABadLineIsReportedWithPathAndLineAndOnlyItIsSkipped) {
  testing::TempConfigHome home;
  SettingsStore store = SettingsStore::ForUser();
  std::vector<std::string> reported;
  store.SetProblemReporter([&](const std::string& problem) { reported.push_back(problem); });
  store.SaveSetting(kSettingsApp, kSettingSection, "txtZoom", "85");
  {
    std::ofstream out(store.PathFor(kSettingsApp), std::ios::app);
    out << "garbage line\n[Sources]\nTiingoKey=abc\n";
  }
  EXPECT_EQ(store.GetSetting(kSettingsApp, kSettingSection, "txtZoom"), "85");
  EXPECT_EQ(store.GetSetting(kSettingsApp, kSourcesSection, "TiingoKey"), "abc");
  ASSERT_EQ(reported.size(), 2u);
  EXPECT_EQ(reported[0].rfind(store.PathFor(kSettingsApp) + " line 3: expected", 0), 0u) << reported[0];
  // A save keeps the unreadable line for the person to repair.
  store.SaveSetting(kSettingsApp, kSettingSection, "txtZoom", "90");
  EXPECT_NE(testing::ReadFile(store.PathFor(kSettingsApp)).find("garbage line\n"), std::string::npos);
}

TEST(IniFileTest, CollectedProblemsSkipOnlyTheBadLines) {
  std::vector<std::string> problems;
  const IniFile ini = IniFile::Parse("[Sources\nCsvFolder=/a\n[Sources]\nno equals sign\nTiingoKey=k\n",
                                     "settings.ini", &problems);
  EXPECT_EQ(ini.Get("Sources", "TiingoKey"), "k");
  // Line 2 has no section to go to, since the header on line 1 was unreadable.
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0].rfind("settings.ini line 1: ", 0), 0u);
  EXPECT_EQ(problems[1].rfind("settings.ini line 2: ", 0), 0u);
  EXPECT_EQ(problems[2].rfind("settings.ini line 4: ", 0), 0u);
  EXPECT_THROW(IniFile::Parse("no equals sign\n", "settings.ini"), IniSyntaxError);
}

TEST(SettingsStoreTest, AFolderInPlaceOfTheFileIsAnAccessError) {
  testing::TempConfigHome home;
  SettingsStore store = SettingsStore::ForUser();
  std::filesystem::create_directories(store.PathFor(kSettingsApp));
  try {
    store.GetSetting(kSettingsApp, kSettingSection, "txtZoom");
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 75);
  }
  EXPECT_THROW(store.SaveSetting(kSettingsApp, kSettingSection, "txtZoom", "1"), Error);
}

}  // namespace
}  // namespace plrxl
