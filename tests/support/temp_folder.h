// Test helpers: a temporary folder removed at the end of the test, a file
// reader, and a ScriptedUi whose failures become test failures.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "forms/scripted_ui.h"

namespace plrxl::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl-support-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Points XDG_CONFIG_HOME (and HOME) at a temporary folder for one test.
class TempConfigHome {
 public:
  TempConfigHome() {
    SaveEnv("XDG_CONFIG_HOME", &old_xdg_);
    SaveEnv("HOME", &old_home_);
    setenv("XDG_CONFIG_HOME", (folder_.Path() / "config").c_str(), 1);
    setenv("HOME", (folder_.Path() / "home").c_str(), 1);
  }
  ~TempConfigHome() {
    RestoreEnv("XDG_CONFIG_HOME", old_xdg_);
    RestoreEnv("HOME", old_home_);
  }
  const TempFolder& Folder() const { return folder_; }

 private:
  static void SaveEnv(const char* name, std::optional<std::string>* out) {
    if (const char* v = std::getenv(name)) *out = v;
  }
  static void RestoreEnv(const char* name, const std::optional<std::string>& value) {
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  TempFolder folder_;
  std::optional<std::string> old_xdg_;
  std::optional<std::string> old_home_;
};

// Runs the test with the working folder inside a temporary folder.
class TempWorkingFolder {
 public:
  TempWorkingFolder() : old_(std::filesystem::current_path()) { std::filesystem::current_path(folder_.Path()); }
  ~TempWorkingFolder() { std::filesystem::current_path(old_); }
  const TempFolder& Folder() const { return folder_; }

 private:
  TempFolder folder_;
  std::filesystem::path old_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

// A scripted UI whose unforeseen prompts fail the running test.
class TestUi : public ScriptedUi {
 public:
  TestUi() {
    SetFailureSink([](const std::string& message) { ADD_FAILURE() << message; });
  }
};

}  // namespace plrxl::testing
