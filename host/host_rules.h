// Rules every host applies the same way: how names compare and which sheet
// names are allowed, and how Run finds a registered function.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "host/spreadsheet_host.h"

namespace plrxl {

// Case-insensitive comparison of names (sheets, workbooks, defined names).
bool SameNameNoCase(const std::string& a, const std::string& b);
// Characters of a UTF-8 text as the spreadsheet counts them for its
// limits (UTF-16 units: a character beyond the basic plane counts two).
size_t NameLength(const std::string& name);
// Throws 1004 for a sheet name that is empty, over 31 characters, holds one
// of : \ / ? * [ ] or is `taken` by another sheet of the workbook.
void CheckSheetName(const std::string& name, bool taken);

// The functions callable by name through SpreadsheetHost::Run.
class FunctionRegistry {
 public:
  void Register(const std::string& name, HostFunction fn);
  bool Has(const std::string& name) const;
  // "Book.xlsm!Module.Function" finds "Module.Function", then "Function".
  // Throws 1004 "The macro '<name>' cannot be found." and 450 for more
  // than 30 arguments.
  Variant Run(SpreadsheetHost& host, const std::string& name, std::vector<Variant>& args) const;

 private:
  std::unordered_map<std::string, HostFunction> functions_;  // key: upper case
};

}  // namespace plrxl
