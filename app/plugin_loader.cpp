#include "app/plugin_loader.h"

#include <dlfcn.h>

#include "app/plugin_api.h"
#include "host/error.h"

namespace plrxl {
namespace {

class HostRegistry : public MacroRegistry {
 public:
  explicit HostRegistry(SpreadsheetHost& host) : host_(host) {}
  void Register(const std::string& name, HostFunction function) override {
    host_.RegisterFunction(name, std::move(function));
    names.push_back(name);
  }
  std::vector<std::string> names;

 private:
  SpreadsheetHost& host_;
};

}  // namespace

PluginSet::~PluginSet() {
  for (auto it = handles_.rbegin(); it != handles_.rend(); ++it) dlclose(*it);
}

std::vector<std::string> PluginSet::Load(const std::string& path, SpreadsheetHost& host) {
  // A bare file name would make dlopen search the library path; a plugin is
  // always the file the user named.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    throw Error(kErrFileNotFound, "pelorinxl.plugin", "Cannot load plugin " + path + ": " + (why ? why : "?"));
  }
  auto entry = reinterpret_cast<PelorinXLRegisterMacrosFn>(dlsym(handle, kPluginEntryPoint));
  if (entry == nullptr) {
    dlclose(handle);
    throw Error(453, "pelorinxl.plugin", "Plugin " + path + " has no entry point " + kPluginEntryPoint);
  }
  handles_.push_back(handle);
  HostRegistry registry(host);
  if (int rc = entry(registry); rc != 0) {
    throw Error(kErrInvalidCall, "pelorinxl.plugin",
                "Plugin " + path + " refused to register its macros (code " + std::to_string(rc) + ")");
  }
  return registry.names;
}

}  // namespace plrxl
