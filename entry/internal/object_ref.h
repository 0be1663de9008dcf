// Object references that may be unset after a statement failed and the user
// chose Ignore: using one raises error 91, as the runtime does, instead of
// touching a null pointer.
#pragma once

#include "host/error.h"

namespace plrxl {

inline constexpr int32_t kErrObjectNotSet = 91;

template <class T>
T& Ref(T* object) {
  if (object == nullptr) throw Error(kErrObjectNotSet, "PlrXL2", "Object variable or With block variable not set");
  return *object;
}

}  // namespace plrxl
