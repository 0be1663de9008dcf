// pelorinxl help [TOPIC]: opens a page of the HTML user guide with the
// desktop's opener (xdg-open), as the windows' help buttons do. TOPIC is a
// page name with or without ".htm" ("running", "Selective_Update"); none
// opens the contents ("Support.htm"). Without an opener the page's path is
// printed instead. --list prints the topics.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "app/desktop.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

namespace fs = std::filesystem;

constexpr const char* kContentsPage = "Support.htm";

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// The guide's pages by name; empty when the help is not installed.
std::vector<fs::path> Pages(const fs::path& folder) {
  std::vector<fs::path> pages;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".htm") pages.push_back(entry.path());
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

void ShowHelp(const AppContext& ctx, const std::string& topic, bool list) {
  const fs::path folder = fs::path(InstalledHelpFolder()) / "PelorinXL";
  const std::vector<fs::path> pages = Pages(folder);
  if (std::none_of(pages.begin(), pages.end(), [](const fs::path& p) { return p.filename() == kContentsPage; })) {
    throw Error(53, "pelorinxl",
                "the help is not installed (no pages in " + folder.string() +
                    "); see `man pelorinxl` or the documents in /usr/share/doc/pelorinxl");
  }
  if (list) {
    for (const fs::path& page : pages) ctx.out << page.stem().string() << "\n";
    return;
  }
  const std::string wanted = Lower(topic.empty() ? kContentsPage : topic);
  const auto page = std::find_if(pages.begin(), pages.end(), [&](const fs::path& p) {
    return Lower(p.filename().string()) == wanted || Lower(p.stem().string()) == wanted;
  });
  if (page == pages.end()) {
    std::string names;
    for (const fs::path& p : pages) names += " " + p.stem().string();
    throw Error(53, "pelorinxl", "no help topic \"" + topic + "\"; the topics are:" + names);
  }
  if (!OnPath("xdg-open")) {
    ctx.out << page->string() << "\n";
    return;
  }
  try {
    DesktopShell().OpenDocument(page->string());
  } catch (const Error& e) {
    ctx.err << "pelorinxl: the help page cannot be opened (" << e.Description() << "); it is " << page->string()
            << "\n";
    ctx.out << page->string() << "\n";
  }
}

}  // namespace

void RegisterHelpCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("help", "Open the user guide at a topic (prints its path without a desktop)");
  auto topic = std::make_shared<std::string>();
  auto list = std::make_shared<bool>(false);
  cmd->add_option("TOPIC", *topic, "A page of the guide, e.g. running, sources, Selective_Update");
  cmd->add_flag("--list", *list, "Print the topics");
  cmd->callback([&ctx, topic, list] { ShowHelp(ctx, *topic, *list); });
}

}  // namespace plrxl::app
