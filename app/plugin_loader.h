// Loads user-macro plugins (see plugin_api.h) into a host: every function a
// plugin registers becomes callable through the host's Run. Nothing else is
// reachable from a workbook's macro text.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace plrxl {

class SpreadsheetHost;

// Keeps the loaded libraries open for as long as it lives; destroy it after
// the last run that may call into them.
class PluginSet {
 public:
  PluginSet() = default;
  ~PluginSet();
  PluginSet(const PluginSet&) = delete;
  PluginSet& operator=(const PluginSet&) = delete;

  // Opens `path`, calls its entry point and registers its functions in
  // `host`. Returns the registered names. Throws Error(53, ...) when the
  // file cannot be opened, Error(453, ...) when it has no entry point, and
  // Error(5, ...) when the entry point refuses.
  std::vector<std::string> Load(const std::string& path, SpreadsheetHost& host);

 private:
  std::vector<void*> handles_;
};

}  // namespace plrxl
