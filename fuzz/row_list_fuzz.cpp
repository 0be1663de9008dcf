// Fuzzes the --rows list of the run commands: any text gives ascending rows
// within 1..32767 or a clean error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "download/row_selection.h"
#include "host/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Long ranges are legal but slow to expand; keep inputs short.
  if (size > 256) return 0;
  try {
    auto rows = plrxl::ParseRowList(std::string(reinterpret_cast<const char*>(data), size));
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i] < 1 || (i > 0 && rows[i] <= rows[i - 1])) __builtin_trap();
    }
  } catch (const plrxl::Error&) {
  }
  return 0;
}
