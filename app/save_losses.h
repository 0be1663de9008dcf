// What a save would drop from a loaded workbook (Workbook::Losses) must be
// accepted before a command changes the workbook: without --allow-loss the
// command refuses at once, before anything is downloaded or changed, and
// the file stays as it was.
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

#include "host/spreadsheet_host.h"

namespace plrxl::app {

// Adds --allow-loss to cmd.
void AddAllowLossOption(CLI::App* cmd, bool& allow_loss);

// When the workbook would lose something on save: with allow_loss, prints
// each loss on err as a warning; without, throws CommandExit(kExitRefused)
// listing them and naming --allow-loss. `file` is the file named in the
// message. Does nothing when nothing would be lost.
void RefuseLosses(Workbook& workbook, const std::string& file, bool allow_loss, std::ostream& err);

}  // namespace plrxl::app
