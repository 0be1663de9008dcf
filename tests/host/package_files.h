// Package files for the .xlsx tests: a part of a saved package read back,
// its part names, and a copy of a package with parts replaced or removed.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::testing_xlsx {

// The part's text; empty when the package lacks it.
inline std::string ReadPart(const std::string& path, const std::string& part) {
  xlsx::ZipReader zip(path);
  return zip.Has(part) ? zip.Read(part) : std::string();
}

inline std::vector<std::string> PartNames(const std::string& path) {
  xlsx::ZipReader zip(path);
  return zip.Parts();
}

// Writes a package at `path` holding exactly `parts` (name -> text).
inline void WriteParts(const std::string& path, const std::map<std::string, std::string>& parts) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, text] : parts) {
    zip_source_t* source = zip_source_buffer(archive, text.data(), text.size(), 0);
    ASSERT_NE(source, nullptr);
    ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
  }
  ASSERT_EQ(zip_close(archive), 0);  // reads the buffers: `parts` is still alive here
}

// Writes to `to` a copy of the package at `from` in which each named part
// holds the given text, or is left out when given nullopt.
inline void CopyWithParts(const std::string& from, const std::string& to,
                          const std::map<std::string, std::optional<std::string>>& changes) {
  std::map<std::string, std::string> parts;
  {
    xlsx::ZipReader zip(from);
    for (const std::string& part : zip.Parts()) parts[part] = zip.Read(part);
  }
  for (const auto& [part, text] : changes) {
    if (text) {
      parts[part] = *text;
    } else {
      parts.erase(part);
    }
  }
  WriteParts(to, parts);
}

// The text with the first `from` replaced by `to`; fails the test when the
// text holds no `from`.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << "no " << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

}  // namespace plrxl::testing_xlsx
