#include "host/memory/internal/memory_workbook.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>

#include "host/internal/host_errors.h"
#include "host/letter_case.h"
#include "host/memory/memory_host.h"

namespace plrxl {
namespace {

constexpr int kMaxStyles = 65536;
int CompareNoCase(const std::string& a, const std::string& b) { return CompareIgnoringCase(a, b); }

void HashCombine(size_t& seed, size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); }

}  // namespace

size_t CellStyleHash::operator()(const CellStyle& s) const {
  size_t h = std::hash<std::string>()(s.number_format);
  HashCombine(h, std::hash<std::string>()(s.font_name));
  HashCombine(h, std::hash<double>()(s.font_size));
  HashCombine(h, (s.bold ? 1 : 0) | (s.italic ? 2 : 0) | (s.underline ? 4 : 0) | (s.wrap_text ? 8 : 0) |
                     (s.strikethrough ? 16 : 0) | (s.shrink_to_fit ? 32 : 0));
  HashCombine(h, s.font_color);
  HashCombine(h, s.fill_color);
  HashCombine(h, static_cast<size_t>(s.fill_pattern) << 32 | s.pattern_color);
  HashCombine(h, static_cast<size_t>(s.indent) << 8 | s.rotation);
  for (const Border* b : {&s.left, &s.right, &s.top, &s.bottom})
    HashCombine(h, static_cast<size_t>(b->style) * 0x1000000ULL + b->color);
  HashCombine(h, static_cast<size_t>(s.h_align) * 16 + static_cast<size_t>(s.v_align));
  return h;
}

MemoryWorkbook::MemoryWorkbook(MemoryHost& host, std::string name) : host_(host), name_(std::move(name)) {
  InternStyle(CellStyle());
}

SpreadsheetHost& MemoryWorkbook::Application() { return host_; }

void MemoryWorkbook::SetFile(const std::string& path) {
  const std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path)).lexically_normal();
  name_ = p.filename().string();
  path_ = p.parent_path().string();
}

Worksheet& MemoryWorkbook::WorksheetAt(int index) {
  if (index < 1 || index > WorksheetCount()) ThrowSubscript("sheet " + std::to_string(index));
  return *sheets_[index - 1];
}

Worksheet* MemoryWorkbook::FindWorksheet(const std::string& name) {
  for (auto& s : sheets_)
    if (SameNameNoCase(s->Name(), name)) return s.get();
  return nullptr;
}

void MemoryWorkbook::CheckSheetName(const std::string& name, const Worksheet* self) const {
  bool taken = false;
  for (const auto& s : sheets_) taken |= s.get() != self && SameNameNoCase(s->Name(), name);
  ::plrxl::CheckSheetName(name, taken);
}

Worksheet& MemoryWorkbook::AddWorksheet(Worksheet* before) {
  std::string name;
  for (int n = WorksheetCount() + 1;; ++n) {
    name = "Sheet" + std::to_string(n);
    if (!FindWorksheet(name)) break;
  }
  auto sheet = std::make_unique<MemoryWorksheet>(*this, name);
  MemoryWorksheet* raw = sheet.get();
  auto at = sheets_.end();
  if (before) {
    at = std::find_if(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == before; });
    if (at == sheets_.end()) ThrowSubscript("sheet not in this workbook");
  }
  sheets_.insert(at, std::move(sheet));
  active_sheet_ = raw;
  SheetsChanged();
  return *raw;
}

MemoryWorksheet* MemoryWorkbook::OtherVisibleSheet(const Worksheet* except) {
  for (auto& s : sheets_)
    if (s.get() != except && s->Visible()) return s.get();
  return nullptr;
}

void MemoryWorkbook::DeleteWorksheet(Worksheet& sheet) {
  auto it = std::find_if(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == &sheet; });
  if (it == sheets_.end()) ThrowSubscript("sheet not in this workbook");
  if (sheet.Visible() && !OtherVisibleSheet(&sheet))
    throw Error(kErrRange, kHostSource, "A workbook must contain at least one visible worksheet.");
  if (active_sheet_ == &sheet) active_sheet_ = OtherVisibleSheet(&sheet);
  // Names local to the sheet go with it.
  std::erase_if(names_, [&](const DefinedName& d) { return d.scope == &sheet; });
  sheets_.erase(it);
  SheetsChanged();
}

void MemoryWorkbook::MoveWorksheet(Worksheet& sheet, int new_index) {
  auto it = std::find_if(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == &sheet; });
  if (it == sheets_.end()) ThrowSubscript("sheet not in this workbook");
  if (new_index < 1 || new_index > WorksheetCount()) ThrowSubscript("position " + std::to_string(new_index));
  auto moved = std::move(*it);
  sheets_.erase(it);
  sheets_.insert(sheets_.begin() + (new_index - 1), std::move(moved));
  SheetsChanged();
}

int MemoryWorkbook::InternStyle(const CellStyle& style) {
  auto it = style_ids_.find(style);
  if (it != style_ids_.end()) return it->second;
  if (static_cast<int>(styles_.size()) >= kMaxStyles)
    throw Error(kErrRange, kHostSource, "Too many different cell formats.");
  styles_.push_back(style);
  const int id = static_cast<int>(styles_.size() - 1);
  style_ids_.emplace(style, id);
  return id;
}

const CellStyle& MemoryWorkbook::StyleAt(int style_id) const {
  if (style_id < 0 || style_id >= StyleCount()) ThrowSubscript("style " + std::to_string(style_id));
  return styles_[static_cast<size_t>(style_id)];
}

const DefinedName& MemoryWorkbook::NameAt(int index) const {
  if (index < 1 || index > NameCount()) ThrowSubscript("name " + std::to_string(index));
  return names_[static_cast<size_t>(index - 1)];
}

void MemoryWorkbook::AddName(const std::string& name, const std::string& refers_to) {
  DefinedName defined;
  defined.name = name;
  defined.refers_to = refers_to;
  auto same = std::find_if(names_.begin(), names_.end(),
                           [&](const DefinedName& d) { return d.scope == nullptr && SameNameNoCase(d.name, name); });
  if (same != names_.end()) {  // replacing keeps what only the file gave it
    defined.visible = same->visible;
    defined.comment = same->comment;
  }
  DefineName(defined);
}

void MemoryWorkbook::DefineName(const DefinedName& defined) {
  const std::string& name = defined.name;
  const bool bad_name = name.empty() || name.find_first_of(" !'\"") != std::string::npos ||
                        std::isdigit(static_cast<unsigned char>(name[0])) || ParseA1(name).has_value() ||
                        ParseR1C1(name).has_value();
  if (bad_name) throw Error(kErrRange, kHostSource, "The name that you entered is not valid: '" + name + "'");
  if (defined.scope != nullptr &&
      std::none_of(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == defined.scope; })) {
    ThrowSubscript("name '" + name + "' local to a sheet not in this workbook");
  }
  DefinedName stored = defined;
  if (stored.refers_to.empty() || stored.refers_to[0] != '=') stored.refers_to = "=" + stored.refers_to;
  // By name, the workbook's name first, then the local ones by sheet position.
  auto position = [&](const Worksheet* scope) {
    if (scope == nullptr) return -1;
    for (size_t i = 0; i < sheets_.size(); ++i)
      if (sheets_[i].get() == scope) return static_cast<int>(i);
    return static_cast<int>(sheets_.size());
  };
  auto it = std::lower_bound(names_.begin(), names_.end(), stored, [&](const DefinedName& a, const DefinedName& b) {
    const int by_name = CompareNoCase(a.name, b.name);
    return by_name != 0 ? by_name < 0 : position(a.scope) < position(b.scope);
  });
  if (it != names_.end() && SameNameNoCase(it->name, name) && it->scope == stored.scope) {
    *it = std::move(stored);
    SheetsChanged();
    return;
  }
  names_.insert(it, std::move(stored));
  SheetsChanged();
}

void MemoryWorkbook::DeleteName(const std::string& name) {
  const DefinedName* found = FindName(name);
  if (found == nullptr) ThrowSubscript("no name '" + name + "'");
  names_.erase(names_.begin() + (found - names_.data()));
  SheetsChanged();
}

const DefinedName* MemoryWorkbook::FindName(const std::string& name) const {
  const DefinedName* local = nullptr;
  for (const auto& d : names_) {
    if (!SameNameNoCase(d.name, name)) continue;
    if (d.scope == nullptr) return &d;
    if (d.scope == active_sheet_) local = &d;
  }
  return local;
}

void MemoryWorkbook::SaveAs(const std::string& path) {
  WorkbookStore* store = host_.Store();
  if (!store) throw Error(kErrRange, kHostSource, "No workbook store: cannot open or save files.");
  EvaluateFormulas();  // the file carries current results
  store->Save(*this, path);
  SetFile(path);
}

void MemoryWorkbook::Save() {
  if (path_.empty()) throw Error(kErrRange, kHostSource, "'" + name_ + "' has never been saved: use SaveAs.");
  SaveAs(FullName());
}

void MemoryWorkbook::Close() { host_.CloseWorkbook(this); }

size_t MemoryWorkbook::MemoryUsage() const {
  size_t bytes = sizeof(*this) + styles_.size() * 2 * (sizeof(CellStyle) + 32);
  for (const auto& s : sheets_) bytes += s->MemoryUsage();
  return bytes;
}

}  // namespace plrxl
