#include "support/file_dialog.h"

#include "support/error_numbers.h"

namespace plrxl {

namespace {

constexpr size_t kBufferSize = 1024;

template <class F>
auto Guarded(F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const Error& e) {
    if (IsSupportErrorOf(e.Number(), "CFileOpenSaveDialog")) throw;
    throw SupportError(kErrFileDialogFailure);
  } catch (...) {
    throw SupportError(kErrFileDialogFailure);
  }
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string BeforeNul(const std::string& s) { return s.substr(0, s.find('\0')); }

// Paths may be written with "/" or with "\" (projects made on Windows).
size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::string NamePart(const std::string& path) {
  const auto sep = LastSeparator(path);
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string StripTrailingSeparator(std::string folder) {
  if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

std::string Padded(std::string text) {
  if (text.size() < kBufferSize) text.append(kBufferSize - text.size(), '\0');
  return text;
}

}  // namespace

CFileOpenSaveDialog::CFileOpenSaveDialog(UiPort& ui, WindowCheck is_window)
    : ui_(ui), is_window_(std::move(is_window)) {}

void CFileOpenSaveDialog::SetHWndOwner(int32_t handle) {
  Guarded([&] {
    if (handle > 0 && !(is_window_ && is_window_(handle))) throw SupportError(kErrInvalidWindowHandle);
    hwnd_owner_ = handle;
  });
}

void CFileOpenSaveDialog::Init(const std::string& filter, int16_t default_filter, const std::string& initial_dir,
                               const std::string& file_name, const std::string& dialog_title, int32_t hwnd_owner,
                               int32_t flags) {
  Filter = filter;
  DefaultFilter = default_filter;
  FileName = file_name;
  DialogTitle = dialog_title;
  InitialDir = initial_dir;
  SetHWndOwner(hwnd_owner);
  Flags = flags;
}

std::string CFileOpenSaveDialog::FilterRecord(const std::string& filter) {
  std::string record = filter;
  for (char& c : record) {
    if (c == '|') c = '\0';
  }
  record.append(2, '\0');
  return record;
}

std::string CFileOpenSaveDialog::UnpackBuffer(const std::string& buffer, int mode) {
  std::string text = Trim(buffer);
  if (text.empty()) return "";
  const auto pair = text.find(std::string(2, '\0'));
  if (pair != std::string::npos && pair != 0) text = text.substr(0, pair);
  if (mode == 2) return BeforeNul(text);

  if ((Flags & kOfnAllowMultiSelect) == 0) {
    const std::string name = BeforeNul(text);
    file_count_ = 1;
    const auto sep = LastSeparator(name);
    if (sep != std::string::npos) selected_path_ = name.substr(0, sep + 1);
    return name;
  }
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const auto nul = text.find('\0', start);
    parts.push_back(text.substr(start, nul - start));
    if (nul == std::string::npos) break;
    start = nul + 1;
  }
  if (parts.size() < 3) {
    const std::string& name = parts.front();
    const auto sep = LastSeparator(name);
    // A folder part needs at least a root ("/" or "C:\").
    const bool has_folder = sep != std::string::npos && (name[sep] == '/' || sep >= 2);
    selected_path_ = has_folder ? name.substr(0, sep + 1) : "";
    file_count_ = 1;
    return name;
  }
  const std::string folder = StripTrailingSeparator(parts.front());
  selected_path_ = folder;
  file_count_ = static_cast<int16_t>(parts.size() - 1);
  names_.assign(parts.begin(), parts.end());
  names_[0].clear();
  return folder;
}

bool CFileOpenSaveDialog::Show(int32_t dialog_type) {
  return Guarded([&] {
    if (dialog_type != 0 && dialog_type != 1) return false;
    FileDialogOptions options;
    options.title = DialogTitle;
    options.initial_dir = InitialDir;
    options.default_name = BeforeNul(Padded(FileName));
    options.selected_filter = DefaultFilter;
    options.default_ext = DefaultExt;
    options.multi_select = (Flags & kOfnAllowMultiSelect) != 0;
    options.file_must_exist = (Flags & kOfnFileMustExist) != 0;
    const std::string record = FilterRecord(Filter);
    // Pairs of description and pattern, as the record lists them.
    std::vector<std::string> items;
    for (size_t start = 0; start < record.size();) {
      const auto nul = record.find('\0', start);
      if (nul == start) break;
      items.push_back(record.substr(start, nul - start));
      start = nul + 1;
    }
    for (size_t i = 0; i + 1 < items.size(); i += 2) options.filters.emplace_back(items[i], items[i + 1]);
    // Windows centre themselves here; the flag is kept for the owner.
    if (CenterDialog) Flags |= kOfnEnableHook;

    std::vector<std::string> chosen;
    if (dialog_type == 0) {
      chosen = ui_.OpenFileDialog(options);
    } else if (auto path = ui_.SaveFileDialog(options)) {
      chosen.push_back(*path);
    }
    if (chosen.empty() || chosen.front().empty()) return false;
    if (!DefaultExt.empty()) {
      for (std::string& path : chosen) {
        if (NamePart(path).find('.') == std::string::npos) path += "." + DefaultExt;
      }
    }
    // The buffers the dialog hands back: one path, or the folder followed by
    // the names of a multiple selection.
    std::string file_buffer;
    if (chosen.size() == 1) {
      file_buffer = chosen.front();
    } else {
      const std::string& first = chosen.front();
      const auto sep = LastSeparator(first);
      file_buffer = sep == std::string::npos ? "" : first.substr(0, sep);
      if (file_buffer.empty() && sep != std::string::npos) file_buffer = first.substr(0, 1);
      for (const std::string& path : chosen) file_buffer += std::string(1, '\0') + NamePart(path);
    }
    file_buffer += std::string(2, '\0');
    FileName = UnpackBuffer(Padded(file_buffer), 1);
    FileTitle = UnpackBuffer(Padded(NamePart(chosen.front()) + std::string(2, '\0')), 2);
    return true;
  });
}

std::string CFileOpenSaveDialog::GetNextFileName(int16_t index) const {
  if (index >= 1 && index <= file_count_ && file_count_ != 1 && static_cast<size_t>(index) < names_.size()) {
    const char sep = selected_path_.find('\\') != std::string::npos && selected_path_.find('/') == std::string::npos
                         ? '\\'
                         : '/';
    return selected_path_ + sep + names_[index];
  }
  return FileName;
}

}  // namespace plrxl
