// The entry point of a user-macro plugin for pelorinxl.
//
// A plugin is a shared library (LIB.so) loaded with `--plugin LIB.so`. It
// exports one function with C linkage:
//
//   extern "C" int PelorinXLRegisterMacros(plrxl::MacroRegistry& registry);
//
// which calls registry.Register(name, function) once per macro and returns
// 0 on success (anything else refuses the plugin). A registered name is
// reachable from a row's macro text like any user macro: the macro engine
// passes it the call's arguments as texts through the host's Run. Names
// compare without regard to case; a later registration replaces an earlier
// one. The plugin must be built with the same compiler and the same
// PelorinXL headers as the program that loads it (C++ types cross the
// boundary). See docs/plugins.md.
#pragma once

#include <string>

#include "host/spreadsheet_host.h"

namespace plrxl {

class MacroRegistry {
 public:
  virtual ~MacroRegistry() = default;
  virtual void Register(const std::string& name, HostFunction function) = 0;
};

}  // namespace plrxl

// The symbol a plugin exports.
extern "C" int PelorinXLRegisterMacros(plrxl::MacroRegistry& registry);

// Its type, for the loader.
using PelorinXLRegisterMacrosFn = int (*)(plrxl::MacroRegistry&);

inline constexpr const char* kPluginEntryPoint = "PelorinXLRegisterMacros";
