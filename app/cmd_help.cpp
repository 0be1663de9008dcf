// pelorinxl help [TOPIC]: a page of the user guide. On a terminal, or
// piped, the page is printed as text (through $PAGER, or less, when stdout
// is a terminal); the HTML page is opened with the desktop's opener only in
// a graphical session (DISPLAY or WAYLAND_DISPLAY) or with --browser.
// TOPIC is a word of kTopics ("running", "indicators") or a command name
// (its --help). No topic: the list of topics (the HTML contents page in a
// browser). An unknown topic names the nearest one.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "app/command_line.h"
#include "app/commands.h"
#include "app/desktop.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

namespace fs = std::filesystem;

struct Topic {
  const char* word;
  const char* page;  // file stem of the page in both the text and the HTML folder
  const char* about;
};
// The topics, in the order --list shows them.
constexpr Topic kTopics[] = {
    {"running", "running", "running a project: refresh, update, rows, progress, exit codes"},
    {"projects", "projects", "the project workbook and its ticker table"},
    {"sources", "sources", "data sources and their settings"},
    {"macros", "macro_language", "the macros of a ticker row"},
    {"indicators", "indicators", "the indicators a macro can add"},
    {"formats", "formats", "the layouts of exported quote files"},
    {"formulas", "formulas", "the formulas a workbook may hold"},
    {"windows", "windows", "the windows: row editor, selective update, progress"},
    {"errors", "errors_and_settings", "error messages, logs and settings.ini"},
    {"plugins", "plugins", "user macros from a shared library"},
    {"install", "desktop_and_install", "installing, the desktop entry, where files go"},
};
constexpr const char* kContentsPage = "Support";

struct HelpOptions {
  std::string topic;
  bool list = false;
  bool browser = false;
};

bool GraphicalSession() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes `text` to stdout, through the pager when stdout is a terminal.
void Show(const AppContext& ctx, const std::string& text) {
  if (isatty(STDOUT_FILENO) == 0) {
    ctx.out << text;
    return;
  }
  const char* pager = std::getenv("PAGER");
  const std::string command = pager != nullptr && pager[0] != '\0' ? pager : "less";
  // less: leave short pages on the screen, keep the colours of nothing, quit at the end.
  setenv("LESS", "FRX", 0);
  ctx.out.flush();
  FILE* pipe = popen(command.c_str(), "w");
  if (pipe == nullptr) {
    ctx.out << text;
    return;
  }
  std::fwrite(text.data(), 1, text.size(), pipe);
  pclose(pipe);
}

std::string TopicList() {
  std::string text = "PelorinXL help topics (pelorinxl help TOPIC):\n";
  for (const Topic& topic : kTopics) {
    text += "  " + std::string(topic.word) + std::string(12 - std::string(topic.word).size(), ' ') + topic.about + "\n";
  }
  text += "A command's options: pelorinxl help COMMAND (or pelorinxl COMMAND --help); all commands: pelorinxl --help\n";
  return text;
}

void OpenInBrowser(const AppContext& ctx, const fs::path& page) {
  if (!fs::exists(page)) {
    throw Error(53, "pelorinxl",
                "the HTML help is not installed (no " + page.string() + "); see `man pelorinxl` or the documents in " +
                    "/usr/share/doc/pelorinxl");
  }
  if (!OnPath("xdg-open")) {
    throw Error(53, "pelorinxl", "no desktop opener (xdg-open) to show " + page.string() + "; try without --browser");
  }
  DesktopShell().OpenDocument(page.string());
  ctx.out << "Opened " << page.string() << "\n";
}

void ShowHelp(const AppContext& ctx, CLI::App& app, const HelpOptions& options) {
  const fs::path help = InstalledHelpFolder();
  const fs::path html = help / "PelorinXL";
  const fs::path text = help / "text";
  if (options.list) {
    ctx.out << TopicList();
    return;
  }
  std::string wanted = options.topic;
  for (char& c : wanted) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const Topic* topic = nullptr;
  for (const Topic& t : kTopics) {
    if (wanted == t.word) topic = &t;
  }
  if (topic == nullptr && !wanted.empty()) {
    if (CLI::App* command = FindCommand(app, wanted)) {
      Show(ctx, command->help());
      return;
    }
    std::vector<std::string> words;
    for (const Topic& t : kTopics) words.push_back(t.word);
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
      words.push_back(command->get_name());
    }
    const std::optional<std::string> nearest = NearestWord(wanted, words);
    throw Error(53, "pelorinxl",
                "no help topic \"" + options.topic + "\"" + (nearest ? "; did you mean '" + *nearest + "'?" : "") +
                    " (pelorinxl help --list shows the topics)");
  }
  const bool browser = options.browser || (GraphicalSession() && isatty(STDOUT_FILENO) != 0);
  if (browser) {
    OpenInBrowser(ctx, html / ((topic != nullptr ? topic->page : kContentsPage) + std::string(".htm")));
    return;
  }
  if (topic == nullptr) {
    Show(ctx, TopicList());
    return;
  }
  const fs::path page = text / (std::string(topic->page) + ".txt");
  if (!fs::exists(page)) {
    throw Error(53, "pelorinxl",
                "the help is not installed (no " + page.string() +
                    "); see `man pelorinxl` or the documents in /usr/share/doc/pelorinxl");
  }
  Show(ctx, ReadText(page));
}

}  // namespace

void RegisterHelpCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("help", "Show a page of the user guide (as text; in a browser on a desktop)");
  auto options = std::make_shared<HelpOptions>();
  cmd->add_option("TOPIC", options->topic, "A topic (running, projects, sources, macros, indicators, formats, "
                                           "windows, install, ...) or a command name");
  cmd->add_flag("--list", options->list, "Print the topics");
  cmd->add_flag("--browser", options->browser, "Open the HTML page with the desktop's opener");
  cmd->callback([&ctx, &app, options] { ShowHelp(ctx, app, *options); });
}

}  // namespace plrxl::app
