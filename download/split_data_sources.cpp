#include "download/split_data_sources.h"

#include <algorithm>

#include "host/error.h"

namespace plrxl {

std::vector<std::string> SplitText(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  if (separator.empty()) return {text};
  size_t from = 0;
  for (;;) {
    size_t at = text.find(separator, from);
    if (at == std::string::npos) {
      parts.push_back(text.substr(from));
      return parts;
    }
    parts.push_back(text.substr(from, at - from));
    from = at + separator.size();
  }
}

Variant SplitDataSources(ErrorHandlerSlot& slot, const std::string& source_text) {
  Procedure proc(slot, "Pelorin.ProgressBarWindow.SplitDataSources");
  Variant result;
  proc.Do([&] {
    if (source_text.empty()) return;
    std::string rest = source_text;
    rest.erase(std::remove(rest.begin(), rest.end(), ')'), rest.end());
    std::vector<std::string> parts = SplitText(rest, "(");
    // A text of nothing but ")" leaves no part to take the name from.
    if (parts.empty()) throw Error(kErrSubscript, "PlrXL2", "Subscript out of range");
    std::string name = parts[0];
    std::string option = parts.size() >= 2 ? parts[1] : std::string();
    result = Variant::Array1D({Variant(name), Variant(option)}, 1);
  });
  return result;
}

}  // namespace plrxl
