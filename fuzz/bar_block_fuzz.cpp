// Fuzzes the quote store's blocks of bars as a damaged file may hold them:
// any bytes decode to whole records or are refused, and what decodes
// encodes to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "quotes/store/bar_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view block(reinterpret_cast<const char*>(data), size);
  std::vector<plrxl::StoredBar> bars;
  if (!plrxl::DecodeBlock(block, &bars)) {
    if (!bars.empty()) __builtin_trap();
    return 0;
  }
  // Only the fetch id's top bits may be lost (ids stay far below 2^41).
  const std::string again = plrxl::EncodeBlock(bars);
  if (again.size() != size) __builtin_trap();
  return 0;
}
