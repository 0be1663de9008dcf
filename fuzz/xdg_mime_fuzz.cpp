// The XDG MIME database readers on arbitrary file contents: the input is
// written as globs2, mimeinfo.cache and mimeapps.list of a private data and
// config folder, then every lookup runs. None may crash or hang.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/internal/xdg_mime.h"

namespace {

// Removes the folder when the fuzzer exits; the path sits on the heap so it
// outlives the statics destroyed before the exit handlers run.
void RemoveAtExit(const std::string& folder) {
  static const std::string* path = new std::string(folder);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(*path, ignored);
  });
}

const std::string& Folder() {
  static const std::string folder = [] {
    // In memory where the system allows: rewriting a file on a disk
    // file system can wait for the disk, which would make every input slow.
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    std::string pattern = (base / "plrxl-xdg-fuzz-XXXXXX").string();
    const std::string made = mkdtemp(pattern.data());
    RemoveAtExit(made);
    std::filesystem::create_directories(made + "/mime");
    std::filesystem::create_directories(made + "/applications");
    setenv("XDG_DATA_HOME", made.c_str(), 1);
    setenv("XDG_DATA_DIRS", (made + "/none").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (made + "/applications").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (made + "/none").c_str(), 1);
    return made;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string& folder = Folder();
  for (const char* file : {"/mime/globs2", "/applications/mimeinfo.cache", "/applications/mimeapps.list"}) {
    std::ofstream(folder + file, std::ios::binary | std::ios::trunc) << text;
  }
  plrxl::xdg::MimeTypeOfExtension(".csv");
  plrxl::xdg::MimeTypeOfExtension(".x");
  plrxl::xdg::DefaultApplication("text/csv");
  plrxl::xdg::Applications("text/csv");
  return 0;
}
