#include "host/host_rules.h"

#include <cctype>

#include "host/internal/host_errors.h"
#include "host/letter_case.h"

namespace plrxl {
namespace {

constexpr size_t kMaxSheetName = 31;
constexpr size_t kMaxRunArguments = 30;

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

// Sheet and defined names are one name whatever the case of their letters,
// beyond ASCII too ("ÄRA" and "äRA"), as spreadsheet programs take them.
bool SameNameNoCase(const std::string& a, const std::string& b) { return CompareIgnoringCase(a, b) == 0; }

size_t NameLength(const std::string& name) {
  size_t units = 0;
  for (unsigned char c : name) {
    if ((c & 0xC0) != 0x80) ++units;  // a character starts here
    if (c >= 0xF0) ++units;           // four bytes: two UTF-16 units
  }
  return units;
}

void CheckSheetName(const std::string& name, bool taken) {
  const bool bad =
      taken || name.empty() || NameLength(name) > kMaxSheetName || name.find_first_of(":\\/?*[]") != std::string::npos;
  if (bad)
    throw Error(kErrRange, kHostSource,
                "Cannot rename a sheet to the same name as another sheet, a referenced object library or a "
                "workbook referenced by Visual Basic, or to a name that is empty, too long or holds : \\ / ? * [ ]: '" +
                    name + "'");
}

void FunctionRegistry::Register(const std::string& name, HostFunction fn) { functions_[Upper(name)] = std::move(fn); }

bool FunctionRegistry::Has(const std::string& name) const { return functions_.count(Upper(name)) != 0; }

Variant FunctionRegistry::Run(SpreadsheetHost& host, const std::string& name, std::vector<Variant>& args) const {
  if (args.size() > kMaxRunArguments)
    throw Error(450, kHostSource, "Wrong number of arguments or invalid property assignment");
  std::string key = Upper(name);
  const size_t bang = key.rfind('!');
  if (bang != std::string::npos) key = key.substr(bang + 1);
  auto it = functions_.find(key);
  if (it == functions_.end()) {
    const size_t dot = key.rfind('.');
    if (dot != std::string::npos) it = functions_.find(key.substr(dot + 1));
  }
  if (it == functions_.end())
    throw Error(kErrMacroNotFound, kHostSource, "The macro '" + name + "' cannot be found.");
  HostFunction fn = it->second;  // a copy: the function may register others
  return fn(host, args);
}

}  // namespace plrxl
