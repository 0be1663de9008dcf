// Fuzzes the data-source text of a ticker row: any text must give the empty
// value, a two-element array, or a clean error, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "download/split_data_sources.h"
#include "host/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string source_text(reinterpret_cast<const char*>(data), size);
  plrxl::ErrorHandlerSlot slot;
  try {
    plrxl::Variant v = plrxl::SplitDataSources(slot, source_text);
    if (!source_text.empty() && (!v.IsArray() || v.Array().Rows() != 2)) __builtin_trap();
    if (v.IsArray()) {
      const std::string& name = v.Array().At(1).Text();
      if (name.find(')') != std::string::npos || name.find('(') != std::string::npos) __builtin_trap();
    }
    plrxl::SplitText(source_text, ";");
  } catch (const plrxl::Error&) {
  }
  return 0;
}
