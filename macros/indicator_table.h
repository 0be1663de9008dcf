// The indicator macros: one row per built-in indicator name, walked by the
// one indicator procedure (Cfenmar::RunIndicator), by the documentation and
// by the tests.
//
// Each row says how the procedure finds its inputs, which host function it
// calls with which arguments, how it titles the output column and which
// input fixes the number of output rows. Arguments are written as a list of
// tokens separated by single spaces, from the second argument on (the first
// is always the function name):
//   [P2] [P3]                 the range at the address made of slot 2 / 3
//   [open] [high] [low] [close] [volume]
//                             the range of that data column
//   P2 .. P5                  the slot's text, passed on unchanged
//   0 30 70                   a fixed 16-bit number
//   ''  'MvAvg'               a fixed text
//   D                         the direction number from fnDataDirection
// Headers are literal texts in which {n} stands for slot n's text.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace plrxl {

enum class IndicatorEntry { kMyFormula, kMyFormula4 };

struct IndicatorMacro {
  const char* macro;      // the built-in name, lower case
  const char* procedure;  // "WilderRSI": the source name of its class error
  const char* header;     // "WilderRSI({3})"
  IndicatorEntry entry;
  const char* function;   // the first argument: "WilderRSISingle"
  const char* arguments;  // tokens for arguments 2 onwards
  const char* input;      // token of the input that fixes the output rows
};

inline constexpr int kIndicatorMacroCount = 63;

std::span<const IndicatorMacro> IndicatorMacros();
const IndicatorMacro* FindIndicatorMacro(const std::string& macro);

// The host function name of an entry point: "MyFormula" or "MyFormula4".
const char* EntryPointName(IndicatorEntry entry);

// One argument token, decoded.
struct IndicatorArgument {
  enum Kind { kSlotRange, kFieldRange, kSlotText, kNumber, kText, kDirection };
  Kind kind = kText;
  int slot = 0;            // kSlotRange, kSlotText: 2..5
  std::string field;       // kFieldRange: "open", "high", ...
  int number = 0;          // kNumber
  std::string text;        // kText
};

// Decodes a token list; throws Error 5 on a token it does not know.
std::vector<IndicatorArgument> ParseIndicatorArguments(const std::string& tokens);
// The header with every {n} replaced by slot n's text (slots 1-based).
std::string BuildIndicatorHeader(const std::string& pattern, const std::vector<std::string>& slots);

}  // namespace plrxl
