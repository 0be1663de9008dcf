#include "macros/macro_call.h"

#include "host/error.h"
#include "macros/internal/runtime_text.h"

namespace plrxl {

namespace {

std::string Unquote(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') continue;
    // "''" stands for a double quote, which is then removed as well.
    if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
      ++i;
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace

std::string LowerAscii(std::string text) {
  for (char& ch : text) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return text;
}

std::vector<std::string> SplitMacroText(const std::string& macro_text) {
  std::string text;
  text.reserve(macro_text.size());
  for (char ch : macro_text) {
    if (ch != '\n' && ch != '\r') text.push_back(ch);
  }
  return macros_internal::SplitList(text, ';');
}

void ParseMacroCall(const std::string& call_text, MacroCall& call) {
  call.name = call_text;
  call.count = 0;
  for (std::string& slot : call.ParameterSlot) slot.clear();
  const size_t open = call_text.find('(');
  // A "(" in first position is part of the name.
  if (open == std::string::npos || open == 0) return;
  call.name = call_text.substr(0, open);
  // The parameter text runs from after "(" to before the last character.
  if (open + 1 == call_text.size()) {
    throw Error(kErrInvalidCall, "Pelorin.Cfenmar.RunMyMacro", "Invalid procedure call or argument");
  }
  const std::string parameters = Unquote(call_text.substr(open + 1, call_text.size() - open - 2));
  int count = 0;
  for (std::string& piece : macros_internal::SplitList(parameters, ',')) {
    count = ToInt16(count + 1, "Pelorin.Cfenmar.RunMyMacro");
    call.count = static_cast<int16_t>(count);
    if (count <= kMacroSlots) call.Slot(count) = std::move(piece);
  }
}

}  // namespace plrxl
