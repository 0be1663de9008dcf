// The macro text language: cutting a macro cell's text into calls and reading
// each call's name and parameters.
//
// A macro text is a list of calls separated by ";". A call is a bare name or
// a name, "(", a comma-separated parameter list and one closing character
// (always dropped unread, whatever it is). Nothing is trimmed: spaces belong
// to the name or parameter they stand in. In the parameter text "''" becomes
// a double quote and then every double quote is removed, so quoting only ever
// strips characters; it never protects a comma.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace plrxl {

inline constexpr int kMacroSlots = 20;

// ParameterSlot 1..20, stored at index 0..19. Slots are texts; a call
// written with more than 20 parameters stores the first 20 and counts the
// rest.
using MacroSlots = std::array<std::string, kMacroSlots>;

// One call inside a macro text; lives only during one RunMyMacro.
struct MacroCall {
  std::string name;     // as written, case kept
  MacroSlots ParameterSlot;
  int16_t count = 0;    // parameters written (may exceed 20)

  // Slot n (1-based), as the procedures address them.
  std::string& Slot(int n) { return ParameterSlot[static_cast<size_t>(n - 1)]; }
  const std::string& Slot(int n) const { return ParameterSlot[static_cast<size_t>(n - 1)]; }
};

// Removes every line feed and carriage return, then splits at ";". An empty
// text gives no call texts; empty pieces are kept (callers skip them).
std::vector<std::string> SplitMacroText(const std::string& macro_text);

// Reads one call text into call: sets name and count, empties every slot and
// fills slots from 1. Each call thus sees empty texts in the slots it was
// not written with, never what an earlier call of the same text left there.
//
// Throws Error 5 "Invalid procedure call or argument" when a "(" stands last
// (there is no closing character to drop); call.name already holds the text
// before the "(" then, so the caller can report it. Throws Error 6
// "Overflow" past 32767 parameters.
void ParseMacroCall(const std::string& call_text, MacroCall& call);

// Lower-cases ASCII letters; the built-in names are matched on this form.
std::string LowerAscii(std::string text);

}  // namespace plrxl
