#include "host/xlsx/xlsx_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "host/error.h"
#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/package_reader.h"
#include "host/xlsx/internal/package_writer.h"
#include "host/xlsx/internal/problem.h"

namespace plrxl {

namespace {

constexpr const char* kSource = "PlrXL2.WorkbookStore";

Error StoreError(const std::string& path, const std::string& problem) {
  return Error(kErrRange, kSource, path + ": " + problem);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsMacroEnabledName(const std::string& path) {
  std::string file = FileOf(path);
  size_t dot = file.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = file.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "xlsm";
}

void SyncPath(const std::string& path, bool directory) {
  int fd = open(path.c_str(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    if (directory) return;  // some file systems refuse; the rename already happened
    throw xlsx::XlsxProblem(std::string("cannot reopen the temporary file: ") + std::strerror(errno));
  }
  int rc = fsync(fd);
  int saved = errno;
  close(fd);
  if (rc != 0 && !directory) throw xlsx::XlsxProblem(std::string("cannot flush the file: ") + std::strerror(saved));
}

// A save through a symbolic link writes the file it points to, so the link
// stays a link; realpath follows every link in the chain.
std::string SaveTarget(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string target(real);
  free(real);
  return target;
}

// The temporary files of a save all begin with ".NAME.XXXXXX": that file
// itself is the save's mark, empty and flock-ed by the save until it has
// ended; the package is written beside it as ".NAME.XXXXXX.part", and the
// writers add their own files after that name (the zip library's
// ".NAME.XXXXXX.part.yyyyyy" while it rewrites a package, a macro part's
// ".NAME.XXXXXX.part.vba"). Saves before the mark wrote the package into
// ".NAME.XXXXXX" itself, so ".NAME.XXXXXX.yyyyyy" files are theirs. The
// system drops the flock of a dead process, so a mark nobody holds (or no
// mark) means a killed save, whose files all go; a held mark means a save
// still running in another process, whose files stay. (The command line
// also holds the workbook's lock for the whole save, so two saves of one
// workbook by it never overlap.)
bool IsRandomPart(const std::string& text) {
  if (text.size() != 6) return false;
  for (char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

// What may follow a mark's name in the names of its files: ".part", the
// writers' suffixes, one after the other.
bool IsSaveSuffix(const std::string& text) {
  if (text.empty()) return true;
  if (text.size() > 24 || text[0] != '.') return false;
  for (char c : text) {
    if (c != '.' && std::isalnum(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

// True when nobody holds the flock of the file (or it is gone).
bool Abandoned(int folder_fd, const std::string& name) {
  const int fd = openat(folder_fd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return errno == ENOENT;
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  return free;
}

void RemoveSaveLeftovers(const std::string& folder, const std::string& file) {
  const std::string prefix = "." + file + ".";
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() < prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (IsRandomPart(name.substr(prefix.size(), 6)) && IsSaveSuffix(name.substr(prefix.size() + 6))) {
      names.push_back(name);
    }
  }
  const int fd = dirfd(dir);
  for (const std::string& name : names) {
    const std::string mark = name.substr(0, prefix.size() + 6);
    if (name != mark && !Abandoned(fd, mark)) continue;  // a save still running
    // A name of this shape may also be the mark of a workbook called
    // "NAME.XXXXXX" being saved: its own flock tells.
    if (Abandoned(fd, name)) unlinkat(fd, name.c_str(), 0);
  }
  closedir(dir);
}

class XlsxStore : public WorkbookStore {
 public:
  explicit XlsxStore(const XlsxLimits& limits) : limits_(limits) {}

  void Load(const std::string& path, Workbook& into) override {
    try {
      xlsx::ReadPackage(path, into, limits_);
    } catch (const xlsx::XlsxProblem& p) {
      throw StoreError(path, p.what());
    } catch (const Error& e) {
      throw StoreError(path, e.Description());
    } catch (const std::bad_alloc&) {
      throw StoreError(path, "out of memory");
    }
  }

  void Save(Workbook& workbook, const std::string& requested_path) override {
    const std::string path = SaveTarget(requested_path);
    const std::string folder = FolderOf(path);
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) throw StoreError(path, "folder not found");
    mode_t mode = 0;
    if (stat(path.c_str(), &info) == 0) {
      if (S_ISDIR(info.st_mode)) throw StoreError(path, "is a folder, not a file");
      mode = info.st_mode & 07777;  // a replaced file keeps its permissions
    } else {
      mode_t mask = umask(0);
      umask(mask);
      mode = 0666 & ~mask;
    }
    RemoveSaveLeftovers(folder, FileOf(path));
    std::string mark = folder + "/." + FileOf(path) + ".XXXXXX";
    const int fd = mkostemp(mark.data(), O_CLOEXEC);
    if (fd < 0) throw StoreError(path, std::string("cannot create a file in the folder: ") + std::strerror(errno));
    // Held until the save has ended: the mark of a save in progress.
    flock(fd, LOCK_EX);
    const std::string temp = mark + ".part";
    struct EndOfSave {
      int fd;
      std::string mark, temp;
      ~EndOfSave() {
        std::remove(temp.c_str());  // gone already after a successful rename
        unlink(mark.c_str());
        close(fd);
      }
    } end_of_save{fd, mark, temp};
    try {
      xlsx::WritePackage(workbook, temp, IsMacroEnabledName(path));
      if (chmod(temp.c_str(), mode) != 0) {
        throw xlsx::XlsxProblem(std::string("cannot set the permissions: ") + std::strerror(errno));
      }
      SyncPath(temp, false);
      if (std::rename(temp.c_str(), path.c_str()) != 0) {
        throw xlsx::XlsxProblem(std::string("cannot replace the file: ") + std::strerror(errno));
      }
    } catch (const xlsx::XlsxProblem& p) {
      throw StoreError(path, p.what());
    } catch (const Error& e) {
      throw StoreError(path, e.Description());
    }
    SyncPath(folder, true);
  }

 private:
  XlsxLimits limits_;
};

// The value of key times `unit`, or `fallback` when the key is unset.
int64_t LimitSetting(const std::function<std::string(const char*)>& setting, const char* key, int64_t unit,
                     int64_t fallback) {
  const std::string text = setting(key);
  if (text.empty()) return fallback;
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  // At most 2^40 units keeps every product in range.
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > (int64_t{1} << 40) / unit) {
    throw Error(kErrInvalidCall, kSource,
                std::string("setting ") + key + " = \"" + text + "\" is not a whole number of at least 1");
  }
  return value * unit;
}

}  // namespace

int64_t MaxCellsForMemory(int64_t memory_bytes) {
  const int64_t full_sheet = int64_t{kMaxRows} * kMaxCols;
  return std::max(full_sheet, memory_bytes / kModelBytesPerCell);
}

int64_t DefaultMaxCellsPerWorkbook() {
  // Computed once: every XlsxLimits starts from it.
  static const int64_t cells = [] {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGE_SIZE);
    const int64_t memory = pages > 0 && page_size > 0 ? int64_t{pages} * page_size : 0;
    return MaxCellsForMemory(memory / 2);
  }();
  return cells;
}

XlsxLimits XlsxLimitsFrom(const std::function<std::string(const char* key)>& setting) {
  const XlsxLimits defaults;
  XlsxLimits limits;
  limits.max_cells_per_sheet = LimitSetting(setting, kMaxCellsPerSheetKey, 1, defaults.max_cells_per_sheet);
  limits.max_cells_per_workbook = LimitSetting(setting, kMaxCellsPerWorkbookKey, 1, defaults.max_cells_per_workbook);
  limits.max_text_bytes = LimitSetting(setting, kMaxTextMBKey, int64_t{1} << 20, defaults.max_text_bytes);
  limits.max_part_bytes = LimitSetting(setting, kMaxPartMBKey, int64_t{1} << 20, defaults.max_part_bytes);
  return limits;
}

std::unique_ptr<WorkbookStore> MakeXlsxStore(const XlsxLimits& limits) { return std::make_unique<XlsxStore>(limits); }

}  // namespace plrxl
