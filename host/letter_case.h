// Letter case of UTF-8 texts beyond ASCII, as spreadsheet programs treat it:
// sheet names are one name whatever the case of their letters ("ÄRA" and
// "äRA"), and tickers are written in upper case ("Mü" becomes "MÜ").
//
// A compact table of our own covers the scripts that tickers and sheet
// names use: ASCII, Latin-1 Supplement, Latin Extended-A and -B, Greek and
// Cyrillic. Mappings are one code point to one code point (Unicode's simple
// case mappings), so "ß" stays "ß". Other characters, and bytes that are no
// valid UTF-8, pass unchanged.
#pragma once

#include <string>
#include <string_view>

namespace plrxl {

// The text with every letter in upper case.
std::string UpperCaseText(std::string_view text);
// The text with every letter folded for comparison (lower case, with the
// variant forms "ς", "ſ", "µ" folded to their common letter).
std::string FoldedCaseText(std::string_view text);
// True when the two texts differ at most in letter case.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
// -1, 0 or 1: the order of the folded texts.
int CompareIgnoringCase(std::string_view a, std::string_view b);

}  // namespace plrxl
