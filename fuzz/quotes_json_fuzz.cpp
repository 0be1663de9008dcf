// Each provider's JSON reader on arbitrary bytes: every input is read or
// rejected with an error number and text, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "quotes/internal/provider_json.h"

namespace {

using Reader = bool (*)(std::string_view, plrxl::quotes::ParsedQuotes*, plrxl::quotes::ParseFailure*);

constexpr Reader kReaders[] = {
    plrxl::quotes::ParseYahooChart,
    plrxl::quotes::ParseTiingoPrices,
    plrxl::quotes::ParseAlphaVantageSeries,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  for (Reader read : kReaders) {
    plrxl::quotes::ParsedQuotes parsed;
    plrxl::quotes::ParseFailure failure;
    if (!read(body, &parsed, &failure) && (failure.number == 0 || failure.text.empty())) __builtin_trap();
  }
  return 0;
}
