// Runs the real pelorinxl program as a child process for the app tests:
// standard input from /dev/null, standard output and error into files of a
// folder, extra environment entries on top of the test's own.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace plrxl::testing {

struct RunResult {
  int status = -1;  // the exit code; 128 + the signal number when a signal ended it
  std::string out, err;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What to start: `program` with `args`. `env` entries ("NAME" -> value) are
// added to or replace the test's environment, the names in `unset` are
// removed from it; the child runs in `workdir` when one is given.
struct Launch {
  std::string program = std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl";
  std::vector<std::string> args;
  std::map<std::string, std::string> env;
  std::vector<std::string> unset;
  std::string workdir;
};

inline Launch PelorinxlLaunch(std::vector<std::string> args, const std::map<std::string, std::string>& env) {
  Launch launch;
  launch.args = std::move(args);
  launch.env = env;
  return launch;
}

// One started process (pelorinxl unless told otherwise). Wait() collects its
// exit and output.
class Child {
 public:
  // `folder` receives the output files (named after `tag`).
  Child(const std::string& folder, std::vector<std::string> args, const std::map<std::string, std::string>& env = {},
        const std::string& tag = "run")
      : Child(folder, PelorinxlLaunch(std::move(args), env), tag) {}
  Child(const std::string& folder, Launch launch, const std::string& tag = "run")
      : out_path_(folder + "/." + tag + ".stdout"), err_path_(folder + "/." + tag + ".stderr") {
    std::vector<std::string> args = std::move(launch.args);
    args.insert(args.begin(), launch.program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_text;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      const bool unset = std::find(launch.unset.begin(), launch.unset.end(), name) != launch.unset.end();
      if (launch.env.count(name) == 0 && !unset) env_text.push_back(entry);
    }
    for (const auto& [name, value] : launch.env) env_text.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!launch.workdir.empty()) posix_spawn_file_actions_addchdir_np(&actions, launch.workdir.c_str());
    // The child starts with default signal handling whatever the test runner set.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGHUP);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (posix_spawn(&pid_, launch.program.c_str(), &actions, &attr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  void Signal(int signal_number) const {
    if (pid_ > 0) kill(pid_, signal_number);
  }
  // What the process wrote to standard output so far.
  std::string OutputSoFar() const { return ReadWholeFile(out_path_); }

  RunResult Wait() {
    RunResult result;
    if (pid_ > 0) {
      int status = 0;
      waitpid(pid_, &status, 0);
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
      pid_ = -1;
    }
    result.out = ReadWholeFile(out_path_);
    result.err = ReadWholeFile(err_path_);
    std::remove(out_path_.c_str());
    std::remove(err_path_.c_str());
    return result;
  }

 private:
  std::string out_path_, err_path_;
  pid_t pid_ = -1;
};

// Runs a program to its end.
inline RunResult RunProgram(const std::string& folder, Launch launch) { return Child(folder, std::move(launch)).Wait(); }

// Runs pelorinxl to its end.
inline RunResult RunPelorinxl(const std::string& folder, const std::vector<std::string>& args,
                              const std::map<std::string, std::string>& env = {}) {
  return Child(folder, args, env).Wait();
}

}  // namespace plrxl::testing
