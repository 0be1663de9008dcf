// The part of formula evaluation libixion lacks, done on its tokens: a
// parsed formula is written back as text that the library computes
// correctly, or refused.
//   TODAY(), NOW()   the injected clock's serial (the library's NOW reads the
//                    machine clock in another date system; it has no TODAY);
//   DATE(y, m, d)    civil-date arithmetic on INT that the library can do
//                    (it has no DATE); months past 12 or below 1 roll over;
//   MIN, MAX         range arguments become the numbers and formula cells
//                    they hold (the library's MIN and MAX fail on ranges);
//   TRUE, FALSE      1 and 0 (the library has no Boolean values).
// A comparison at the top of a formula marks the result as a Boolean, a
// date function anywhere as a date.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <ixion/formula_name_resolver.hpp>
#include <ixion/formula_tokens.hpp>
#include <ixion/model_context.hpp>

namespace plrxl::formula {

struct Rewritten {
  std::string text;      // without "="
  bool boolean = false;  // the result is a comparison's
  bool date = false;     // the result is a date
};

// The arguments a MIN or MAX range becomes: a number literal for each
// number in it, a sheet-qualified reference for each formula cell (texts,
// Booleans and empty cells are skipped); nullopt when it holds too many.
using RangeItems = std::function<std::optional<std::vector<std::string>>(const ixion::abs_range_t& range)>;

// Rewrites `tokens` (parsed at `pos`). nullopt when the formula uses
// anything the engine cannot evaluate correctly.
std::optional<Rewritten> RewriteForEngine(const ixion::formula_tokens_t& tokens, ixion::model_context& cxt,
                                          const ixion::formula_name_resolver& resolver,
                                          const ixion::abs_address_t& pos, double now,
                                          const RangeItems& range_items);

// True when the formula text holds a number with an exponent ("1E3"),
// which libixion reads wrongly.
bool HasExponentNumber(const std::string& text);

// True when the text is safe to hand to libixion's parser, which crashes on
// some malformed input (found by fuzzing): outside texts and quoted sheet
// names only the characters of formulas, and "$" only before a column or
// row.
bool SafeForParser(const std::string& text);

// A number as formula text the library reads back exactly.
std::string NumberText(double value);

}  // namespace plrxl::formula
