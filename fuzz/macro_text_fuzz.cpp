// Fuzzes the macro text parser: any cell text must either parse into calls
// or be refused with the system's error, never crash. Seeds: the macro texts
// of tests/macros.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/error.h"
#include "macros/macro_call.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  plrxl::MacroCall call;
  for (const std::string& call_text : plrxl::SplitMacroText(text)) {
    try {
      plrxl::ParseMacroCall(call_text, call);
    } catch (const plrxl::Error& e) {
      // Refused: a "(" with nothing after it, or too many parameters.
      if (e.Number() != plrxl::kErrInvalidCall && e.Number() != plrxl::kErrOverflow) __builtin_trap();
      continue;
    }
    if (call.count < 0) __builtin_trap();
    if (call.name.find(';') != std::string::npos || call.name.find('\n') != std::string::npos) __builtin_trap();
    if (plrxl::LowerAscii(call.name).size() != call.name.size()) __builtin_trap();
  }
  return 0;
}
