#include "host/error.h"

namespace plrxl {

int16_t ToInt16(long long value, const std::string& source) {
  if (value > 32767 || value < -32768) throw Error(kErrOverflow, source, "Overflow");
  return static_cast<int16_t>(value);
}

}  // namespace plrxl
