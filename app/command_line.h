// The shape of pelorinxl's command line beyond the commands themselves:
// the help layout (commands in groups, clean option syntax, examples), the
// "did you mean" of a mistyped command or option, and the mapping of
// parse failures onto the exit codes of app/exit_codes.h.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace plrxl::app {

// The groups --help shows the commands in, in this order.
// Each ends in "commands" (the man pages and the completion find them so).
inline constexpr const char* kGroupStart = "Start commands";
inline constexpr const char* kGroupRun = "Run commands";
inline constexpr const char* kGroupEdit = "Edit commands";
inline constexpr const char* kGroupInspect = "Inspect commands";
inline constexpr const char* kGroupWindows = "Window commands";

// Prints options as "--rows VALUE" or "--on-error abort|retry|ignore"
// instead of the parsing library's type labels.
class PlainFormatter : public CLI::Formatter {
 public:
  std::string make_option_opts(const CLI::Option* opt) const override;
  // Without a flag's "{value}" (what a bare --calc means): its option text
  // says what it takes.
  std::string make_option_name(const CLI::Option* opt, bool is_positional) const override;
};

// The command named `name`, or nullptr.
CLI::App* FindCommand(CLI::App& app, const std::string& name);

// The candidate nearest to `word` by edit distance (a swap of two
// neighbouring letters counts once), when it is close enough to be a typo.
std::optional<std::string> NearestWord(const std::string& word, const std::vector<std::string>& candidates);

// Checks the arguments before the parse: nullopt when they are fine for
// it, otherwise the exit code after printing to `out`/`err` (no arguments:
// the usage; an unknown command: its name and the nearest command).
std::optional<int> PreParse(CLI::App& app, int argc, char** argv, std::ostream& out, std::ostream& err);

// The one-line message and exit code of a parse failure; an unknown option
// names the nearest option of its command.
int ReportParseError(CLI::App& app, const CLI::ParseError& e, std::ostream& err);

// The option syntax --rows takes, as a check for the option.
CLI::Validator RowListCheck();

}  // namespace plrxl::app
