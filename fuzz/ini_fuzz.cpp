// Fuzzes the INI reader: read leniently, any input parses (bad lines
// skipped); read strictly, it is either rejected with IniSyntaxError or
// parsed; whatever parses must write back to text that parses to the same
// content.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Collecting problems never raises: bad lines are skipped one by one.
  std::vector<std::string> problems;
  const plrxl::IniFile lenient = plrxl::IniFile::Parse(text, "fuzz.ini", &problems);
  for (const auto& section : lenient.Sections()) {
    for (const auto& key : lenient.Keys(section)) {
      if (!lenient.Get(section, key).has_value()) std::abort();
    }
  }
  (void)lenient.Write();
  plrxl::IniFile ini;
  try {
    ini = plrxl::IniFile::Parse(text, "fuzz.ini");
  } catch (const plrxl::IniSyntaxError&) {
    return 0;
  }
  const plrxl::IniFile again = plrxl::IniFile::Parse(ini.Write(), "rewritten.ini");
  if (!(again == ini)) std::abort();
  for (const auto& section : ini.Sections()) {
    for (const auto& key : ini.Keys(section)) {
      if (!ini.Get(section, key).has_value()) std::abort();
    }
  }
  return 0;
}
