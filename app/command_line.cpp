#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <ostream>

#include "download/row_selection.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

// Optimal string alignment distance: insertions, deletions, changes and
// swaps of two neighbouring letters, each counted once.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) names.push_back(sub->get_name());
  return names;
}

std::vector<std::string> LongOptionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* opt : app.get_options()) {
    for (const std::string& name : opt->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

std::string Suggestion(const std::optional<std::string>& nearest) {
  return nearest ? "; did you mean '" + *nearest + "'?" : "";
}

}  // namespace

std::string PlainFormatter::make_option_opts(const CLI::Option* opt) const {
  if (!opt->get_option_text().empty()) return " " + opt->get_option_text();
  // A positional's name already says what it is: "PROJECT".
  if (opt->get_positional() || opt->get_type_size() == 0) return "";
  // A set of allowed values reads "{abort,retry,ignore}" in the type label.
  const std::string type = opt->get_type_name();
  if (type.empty()) return "";  // a flag
  const size_t open = type.find('{');
  const size_t close = type.rfind('}');
  if (open != std::string::npos && close != std::string::npos && close > open) {
    std::string values = type.substr(open + 1, close - open - 1);
    std::replace(values.begin(), values.end(), ',', '|');
    return " " + values;
  }
  // A check's own name ("TEXT:ROWS"), else a plain placeholder.
  const size_t colon = type.find(':');
  if (colon != std::string::npos && colon + 1 < type.size()) return " " + type.substr(colon + 1);
  return " VALUE";
}

std::string PlainFormatter::make_option_name(const CLI::Option* opt, bool is_positional) const {
  std::string name = CLI::Formatter::make_option_name(opt, is_positional);
  for (size_t open = name.find('{'); open != std::string::npos; open = name.find('{')) {
    const size_t close = name.find('}', open);
    if (close == std::string::npos) break;
    name.erase(open, close - open + 1);
  }
  return name;
}

CLI::App* FindCommand(CLI::App& app, const std::string& name) {
  const std::vector<CLI::App*> found =
      app.get_subcommands([&name](CLI::App* sub) { return sub->get_name() == name; });
  return found.empty() ? nullptr : found.front();
}

std::optional<std::string> NearestWord(const std::string& word, const std::vector<std::string>& candidates) {
  std::optional<std::string> best;
  size_t best_distance = 0;
  for (const std::string& candidate : candidates) {
    const size_t distance = EditDistance(word, candidate);
    if (!best || distance < best_distance) {
      best = candidate;
      best_distance = distance;
    }
  }
  // A third of the word, at least two edits: "refesh" finds "refresh", "xyz" finds nothing.
  const size_t allowed = std::max<size_t>(2, word.size() / 3);
  if (!best || best_distance > allowed || best_distance >= word.size()) return std::nullopt;
  return best;
}

std::optional<int> PreParse(CLI::App& app, int argc, char** argv, std::ostream& out, std::ostream& err) {
  if (argc <= 1) {
    out << app.help();
    return 0;
  }
  // The first word that is not an option names the command; before it
  // only pelorinxl's own options may stand.
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "-h") continue;
    if (word.rfind("--", 0) == 0) {
      const std::vector<std::string> own = LongOptionNames(app);
      if (std::find(own.begin(), own.end(), word) != own.end()) continue;
      err << "pelorinxl: '" << word << "' is not an option of pelorinxl" << Suggestion(NearestWord(word, own))
          << " (see pelorinxl --help)\n";
      return static_cast<int>(CLI::ExitCodes::ExtrasError);
    }
    if (word.empty() || word[0] == '-') continue;
    if (FindCommand(app, word) != nullptr) return std::nullopt;
    err << "pelorinxl: '" << word << "' is not a command" << Suggestion(NearestWord(word, CommandNames(app)))
        << " (see pelorinxl --help)\n";
    return static_cast<int>(CLI::ExitCodes::ExtrasError);
  }
  return std::nullopt;
}

int ReportParseError(CLI::App& app, const CLI::ParseError& e, std::ostream& err) {
  const int code = e.get_exit_code() != 0 ? e.get_exit_code() : static_cast<int>(CLI::ExitCodes::ExtrasError);
  if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
    // Name the first word the command does not know, and its nearest option.
    const std::vector<CLI::App*> parsed = app.get_subcommands();
    CLI::App& command = parsed.empty() ? app : *parsed.front();
    for (const std::string& extra : app.remaining(true)) {
      if (extra.rfind("--", 0) != 0) continue;
      const std::string name = extra.substr(0, extra.find('='));
      const std::string where = parsed.empty() ? "pelorinxl" : "pelorinxl " + command.get_name();
      err << "pelorinxl: '" << name << "' is not an option of " << where
          << Suggestion(NearestWord(name, LongOptionNames(command))) << " (see " << where << " --help)\n";
      return code;
    }
  }
  if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && app.get_subcommands().empty()) {
    err << "pelorinxl: a command is required (see pelorinxl --help)\n";
    return code;
  }
  std::string what = e.what();
  // "The following argument..." reads on after "pelorinxl: " in lower case; "PROJECT is required" stays.
  if (what.size() > 1 && std::islower(static_cast<unsigned char>(what[1]))) {
    what[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0])));
  }
  const std::vector<CLI::App*> parsed = app.get_subcommands();
  const std::string where = parsed.empty() ? "pelorinxl" : "pelorinxl " + parsed.front()->get_name();
  err << "pelorinxl: " << what << " (see " << where << " --help)\n";
  return code;
}

CLI::Validator RowListCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        try {
          if (ParseRowList(text).empty()) return "--rows \"" + text + "\" names no row";
        } catch (const Error& e) {
          return e.Description() + " (write sheet rows like 3,5-9)";
        }
        return "";
      },
      "ROWS");
}

}  // namespace plrxl::app
