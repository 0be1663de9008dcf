// CFileOpenSaveDialog: the open and save dialogs, over the UI port.
//
// Filter is written with vertical bars ("Text files|*.txt|All files|*.*").
// Show(0) shows the open dialog, Show(1) the save dialog; any other type
// shows nothing and returns false. A confirmed dialog sets FileName (the full
// path), FileTitle (the name without folder), SelectedPath and FileCount;
// with multiple selection (flag 0x200) and two or more files, FileName and
// SelectedPath are the folder and GetNextFileName(i) gives each file. A
// cancelled dialog returns false and changes nothing.
//
// Window handles: this platform has none that the class could check, so an
// owner above 0 is accepted only when the injected check knows it; by
// default every positive handle raises 0x80044435 "Invalid window handle".
// Any other failure raises 0x80044436 "CFileOpenSaveDialog component
// failure" (source "PlrXL2.CFileOpenSaveDialog").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/ui_port.h"

namespace plrxl {

inline constexpr int32_t kOfnAllowMultiSelect = 0x200;
inline constexpr int32_t kOfnEnableHook = 0x20;
inline constexpr int32_t kOfnFileMustExist = 0x1000;
inline constexpr int32_t kOfnHideReadOnly = 0x4;
inline constexpr int32_t kOfnExplorer = 0x80000;
inline constexpr int32_t kOfnLongNames = 0x200000;

class CFileOpenSaveDialog {
 public:
  using WindowCheck = std::function<bool(int32_t handle)>;

  // `ui` must outlive the object.
  explicit CFileOpenSaveDialog(UiPort& ui, WindowCheck is_window = {});

  // Stores Filter, DefaultFilter, FileName, DialogTitle and InitialDir, then
  // checks the owner (raising with those values kept), then stores
  // HWndOwner and Flags.
  void Init(const std::string& Filter, int16_t DefaultFilter = 0, const std::string& InitialDir = "",
            const std::string& FileName = "", const std::string& DialogTitle = "", int32_t HWndOwner = 0,
            int32_t Flags = 0);
  // 0 = open, 1 = save. True when the person confirmed a choice.
  bool Show(int32_t DialogType);
  // SelectedPath + separator + the Index-th name for 1 <= Index <= FileCount
  // when FileCount is not 1; FileName otherwise.
  std::string GetNextFileName(int16_t Index = 0) const;

  bool CenterDialog = false;
  int32_t Flags = kOfnExplorer | kOfnLongNames;
  int16_t DefaultFilter = 1;
  int16_t MaxFileSize = 1024;
  std::string DefaultExt;
  std::string DialogTitle;
  std::string FileName;
  std::string FileTitle;
  std::string Filter;
  std::string InitialDir;

  int16_t FileCount() const { return file_count_; }
  const std::string& SelectedPath() const { return selected_path_; }
  int32_t HWndOwner() const { return hwnd_owner_; }
  void SetHWndOwner(int32_t handle);

  // The filter in the dialog's record form: every "|" a NUL, two NULs added.
  static std::string FilterRecord(const std::string& filter);
  // Unpacks a returned buffer: mode 1 the file buffer (sets FileCount,
  // SelectedPath and the list), mode 2 the title buffer.
  std::string UnpackBuffer(const std::string& buffer, int mode);

 private:
  UiPort& ui_;
  WindowCheck is_window_;
  int16_t file_count_ = 0;
  std::string selected_path_;
  int32_t hwnd_owner_ = 0;
  std::vector<std::string> names_{std::string()};
};

}  // namespace plrxl
