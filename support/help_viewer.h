// HelpViewer: shows a topic of the help file.
//
// The system names a compiled help file ("PelorinXL.CHM") and a topic page
// ("Support.htm"). XdgHelpViewer prefers an HTML rendering of the help kept
// beside the file, in a folder named like the file without its extension
// ("PelorinXL/Support.htm"), and opens it with the desktop; otherwise it
// opens the help file itself. A help file that is missing, or that the
// desktop cannot open, is reported by the viewer in a message box; the
// caller never sees an error.
#pragma once

#include <string>

#include "support/ui_port.h"
#include "support/shell.h"

namespace plrxl {

class HelpViewer {
 public:
  virtual ~HelpViewer() = default;
  virtual void DisplayTopic(const std::string& help_file, const std::string& topic) = 0;
};

class XdgHelpViewer : public HelpViewer {
 public:
  // Both must outlive the viewer.
  XdgHelpViewer(ShellBackend& shell, UiPort& ui) : shell_(shell), ui_(ui) {}
  void DisplayTopic(const std::string& help_file, const std::string& topic) override;
  // The page the viewer opens: the topic's HTML page when it exists, the
  // help file otherwise.
  static std::string PageFor(const std::string& help_file, const std::string& topic);

 private:
  ShellBackend& shell_;
  UiPort& ui_;
};

// Reads one value of an INI file (the update check's product identity):
// the value, or the empty text when the file, section or key is missing.
// A file that cannot be parsed raises IniSyntaxError.
class IniFileReader {
 public:
  std::string Read(const std::string& section, const std::string& key, const std::string& path) const;
};

}  // namespace plrxl
