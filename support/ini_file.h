// IniFile: reads and writes INI text ("[Section]" headers, "key=value"
// entries, ";" or "#" comment lines).
//
// Lookups ignore the case of section and key names, and the first of two
// equal keys wins, as the platform's profile functions behave. Values are
// trimmed; a value wrapped in double quotes keeps its inner spaces (the
// writer adds the quotes where needed). Comments and blank lines survive a
// load and save. CR LF and LF line ends and a UTF-8 byte-order mark are
// accepted; the writer uses LF.
//
// Bad input raises IniSyntaxError naming the origin and the line:
//   settings.ini line 3: expected "key=value", a [section] header or a comment
// or, when the caller collects problems, skips only that line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/error.h"

namespace plrxl {

class IniSyntaxError : public Error {
 public:
  IniSyntaxError(const std::string& origin, int line, const std::string& problem);
  int Line() const { return line_; }

 private:
  int line_;
};

class IniFile {
 public:
  // Parses `text`; `origin` names it in errors (a file name). With
  // `problems`, a bad line does not raise: its IniSyntaxError text ("origin
  // line N: ...") is added there, the line is skipped for lookups and kept
  // as it is for a save, and the rest of the text is read.
  static IniFile Parse(std::string_view text, const std::string& origin = "INI text",
                       std::vector<std::string>* problems = nullptr);
  // Reads the file at `path`; a missing file gives an empty IniFile. An
  // unreadable file raises Error 75 "Path/File access error". `problems`
  // as for Parse.
  static IniFile Load(const std::string& path, std::vector<std::string>* problems = nullptr);

  std::string Write() const;
  // Writes the text to `path` through a temporary file in the same folder
  // renamed over it, creating missing folders. Raises Error 75 on failure;
  // the old file then stays as it was.
  void Save(const std::string& path) const;

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Adds or replaces an entry; the section is created at the end when
  // missing. Raises Error 5 for a name the format cannot hold (empty, line
  // breaks, "=" or "]" where they would end the name, surrounding spaces) and
  // for a value with a line break or NUL character.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Returns false when there was nothing to remove.
  bool Remove(std::string_view section, std::string_view key);
  bool RemoveSection(std::string_view section);

  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;

  struct Line {
    enum class Kind { kBlank, kComment, kEntry };
    Kind kind = Kind::kBlank;
    std::string key;    // kEntry
    std::string value;  // kEntry: the value; kComment: the whole line
    bool operator==(const Line&) const = default;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
    bool operator==(const Section&) const = default;
  };
  bool operator==(const IniFile&) const = default;

 private:
  // Adds one line (without its line end) to the content read so far;
  // `current` is the section it belongs to. Returns what is wrong with the
  // line, or "" when it was added: a lenient read skips many bad lines, and
  // a problem returned costs far less than one thrown.
  std::string ParseLine(std::string_view raw, Section*& current);
  Section* Find(std::string_view name);
  const Section* Find(std::string_view name) const;

  std::vector<Line> preamble_;  // comments and blanks before the first section
  std::vector<Section> sections_;
};

}  // namespace plrxl
