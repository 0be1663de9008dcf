#include "support/ini_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace plrxl {

namespace {

constexpr int32_t kErrFileAccess = 75;  // "Path/File access error"
constexpr const char* kSource = "PlrXL2.IniFile";

std::string_view TrimView(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if ((ca >= 'A' && ca <= 'Z' ? ca + 32 : ca) != (cb >= 'A' && cb <= 'Z' ? cb + 32 : cb)) return false;
  }
  return true;
}

bool HasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

bool NeedsQuotes(std::string_view value) {
  if (value.empty()) return false;
  const bool padded = value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t';
  const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  return padded || quoted;
}

// A line kept although it cannot be read; characters that would break the
// written file (NUL, CR) become spaces.
std::string UnreadableText(std::string_view raw) {
  std::string text(raw);
  for (char& c : text) {
    if (c == '\0' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

IniSyntaxError::IniSyntaxError(const std::string& origin, int line, const std::string& problem)
    : Error(kErrInvalidCall, kSource, origin + " line " + std::to_string(line) + ": " + problem), line_(line) {}

IniFile IniFile::Parse(std::string_view text, const std::string& origin, std::vector<std::string>* problems) {
  IniFile ini;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Section* current = nullptr;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const auto end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::string problem = ini.ParseLine(raw, current);
    if (problem.empty()) continue;
    const IniSyntaxError error(origin, number, problem);
    if (problems == nullptr) throw error;
    problems->push_back(error.Description());
    // Kept as it was, so a save writes it back unchanged.
    std::vector<Line>& lines = current ? current->lines : ini.preamble_;
    lines.push_back({Line::Kind::kComment, "", std::string(TrimView(UnreadableText(raw)))});
  }
  return ini;
}

std::string IniFile::ParseLine(std::string_view raw, Section*& current) {
  if (raw.find('\0') != std::string_view::npos) return "the line holds a NUL character";
  if (raw.find('\r') != std::string_view::npos) return "a carriage return inside the line";
  const std::string_view line = TrimView(raw);
  std::vector<Line>& lines = current ? current->lines : preamble_;

  if (line.empty()) {
    lines.push_back({Line::Kind::kBlank, "", ""});
  } else if (line.front() == ';' || line.front() == '#') {
    lines.push_back({Line::Kind::kComment, "", std::string(line)});
  } else if (line.front() == '[') {
    if (line.back() != ']') return "a section header must end with \"]\"";
    const std::string_view name = TrimView(line.substr(1, line.size() - 2));
    if (name.empty()) return "the section header has no name";
    if (name.find_first_of("[]") != std::string_view::npos) return "a section name cannot hold \"[\" or \"]\"";
    current = Find(name);
    if (current == nullptr) {
      sections_.push_back({std::string(name), {}});
      current = &sections_.back();
    }
  } else {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return "expected \"key=value\", a [section] header or a comment";
    const std::string_view key = TrimView(line.substr(0, eq));
    if (key.empty()) return "the entry has no key before \"=\"";
    if (current == nullptr) return "the entry \"" + std::string(key) + "\" comes before any [section]";
    std::string_view value = TrimView(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    current->lines.push_back({Line::Kind::kEntry, std::string(key), std::string(value)});
  }
  return "";
}

IniFile IniFile::Load(const std::string& path, std::vector<std::string>* problems) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw Error(kErrFileAccess, kSource, "cannot read " + path + ": it is a folder");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) {
    if (errno == ENOENT || !std::filesystem::exists(path)) return IniFile();
    throw Error(kErrFileAccess, kSource, "cannot read " + path);
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw Error(kErrFileAccess, kSource, "cannot read " + path);
  return Parse(text.str(), path, problems);
}

std::string IniFile::Write() const {
  std::string out;
  auto write_lines = [&out](const std::vector<Line>& lines) {
    for (const Line& line : lines) {
      if (line.kind == Line::Kind::kComment) {
        out += line.value;
      } else if (line.kind == Line::Kind::kEntry) {
        out += line.key + "=" + (NeedsQuotes(line.value) ? "\"" + line.value + "\"" : line.value);
      }
      out += "\n";
    }
  };
  write_lines(preamble_);
  for (const Section& section : sections_) {
    out += "[" + section.name + "]\n";
    write_lines(section.lines);
  }
  return out;
}

void IniFile::Save(const std::string& path) const {
  namespace fs = std::filesystem;
  const fs::path target(path);
  std::error_code ec;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) throw Error(kErrFileAccess, kSource, "cannot write " + path);
    out << Write();
    out.close();
    if (out.fail()) {
      std::remove(temp.c_str());
      throw Error(kErrFileAccess, kSource, "cannot write " + path);
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    throw Error(kErrFileAccess, kSource, "cannot replace " + path);
  }
}

IniFile::Section* IniFile::Find(std::string_view name) {
  for (Section& s : sections_) {
    if (EqualNoCase(s.name, name)) return &s;
  }
  return nullptr;
}

const IniFile::Section* IniFile::Find(std::string_view name) const {
  return const_cast<IniFile*>(this)->Find(name);
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (s == nullptr) return std::nullopt;
  for (const Line& line : s->lines) {
    if (line.kind == Line::Kind::kEntry && EqualNoCase(line.key, key)) return line.value;
  }
  return std::nullopt;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  const bool bad_section = section.empty() || TrimView(section) != section || HasLineBreakOrNul(section) ||
                           section.find_first_of("[]") != section.npos;
  const bool bad_key = key.empty() || TrimView(key) != key || HasLineBreakOrNul(key) || key.find('=') != key.npos ||
                       key.front() == '[' || key.front() == ';' || key.front() == '#';
  if (bad_section) throw Error(kErrInvalidCall, kSource, "invalid section name \"" + std::string(section) + "\"");
  if (bad_key) throw Error(kErrInvalidCall, kSource, "invalid key name \"" + std::string(key) + "\"");
  if (HasLineBreakOrNul(value)) {
    throw Error(kErrInvalidCall, kSource, "the value of \"" + std::string(key) + "\" holds a line break");
  }
  Section* s = Find(section);
  if (s == nullptr) {
    sections_.push_back({std::string(section), {}});
    s = &sections_.back();
  }
  for (Line& line : s->lines) {
    if (line.kind == Line::Kind::kEntry && EqualNoCase(line.key, key)) {
      line.value = std::string(value);
      return;
    }
  }
  // New entries go after the section's last entry, before trailing blanks.
  auto pos = s->lines.end();
  while (pos != s->lines.begin() && std::prev(pos)->kind == Line::Kind::kBlank) --pos;
  s->lines.insert(pos, {Line::Kind::kEntry, std::string(key), std::string(value)});
}

bool IniFile::Remove(std::string_view section, std::string_view key) {
  Section* s = Find(section);
  if (s == nullptr) return false;
  for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
    if (it->kind == Line::Kind::kEntry && EqualNoCase(it->key, key)) {
      s->lines.erase(it);
      return true;
    }
  }
  return false;
}

bool IniFile::RemoveSection(std::string_view section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (EqualNoCase(it->name, section)) {
      sections_.erase(it);
      return true;
    }
  }
  return false;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* s = Find(section)) {
    for (const Line& line : s->lines) {
      if (line.kind == Line::Kind::kEntry) keys.push_back(line.key);
    }
  }
  return keys;
}

}  // namespace plrxl
