// The error numbers that the support classes raise, as one table.
//
// Numbers are object errors (base 0x80040000); the source is the library
// file stem "PlrXL2" followed by the class, e.g. "PlrXL2.CErrorHandler".
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "host/error.h"

namespace plrxl {

inline constexpr const char* kLibraryStem = "PlrXL2";
// The library title shown in message boxes and the error dialog.
inline constexpr const char* kLibraryTitle = "Pelorin";
inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 31;

inline constexpr int32_t kObjectErrorBase = -2147221504;  // 0x80040000

// CErrorHandler
inline constexpr int32_t kErrInvalidFileName = kObjectErrorBase + 17401;           // 0x800443F9
inline constexpr int32_t kErrInvalidHandlerActions = kObjectErrorBase + 17402;     // 0x800443FA
inline constexpr int32_t kErrInvalidTracingFlags = kObjectErrorBase + 17403;       // 0x800443FB
inline constexpr int32_t kErrErrorHandlerFailure = kObjectErrorBase + 17404;       // 0x800443FC
// CFileOpenSaveDialog
inline constexpr int32_t kErrInvalidWindowHandle = kObjectErrorBase + 17461;       // 0x80044435
inline constexpr int32_t kErrFileDialogFailure = kObjectErrorBase + 17462;         // 0x80044436
// CShell
inline constexpr int32_t kErrShellFileNotFound = kObjectErrorBase + 18041;         // 0x80044679
inline constexpr int32_t kErrShellPathNotFound = kObjectErrorBase + 18042;
inline constexpr int32_t kErrShellOutOfMemory = kObjectErrorBase + 18044;
inline constexpr int32_t kErrShellDllNotFound = kObjectErrorBase + 18045;
inline constexpr int32_t kErrShellSharingViolation = kObjectErrorBase + 18046;
inline constexpr int32_t kErrShellAssociationIncomplete = kObjectErrorBase + 18047;
inline constexpr int32_t kErrShellDdeTimeout = kObjectErrorBase + 18048;
inline constexpr int32_t kErrShellDdeFail = kObjectErrorBase + 18049;
inline constexpr int32_t kErrShellDdeBusy = kObjectErrorBase + 18050;
inline constexpr int32_t kErrShellNoAssociation = kObjectErrorBase + 18051;
inline constexpr int32_t kErrShellBadFormat = kObjectErrorBase + 18052;
inline constexpr int32_t kErrShellCannotCreateProcess = kObjectErrorBase + 18053;
inline constexpr int32_t kErrShellCannotShowProperties = kObjectErrorBase + 18054;
inline constexpr int32_t kErrShellFailure = kObjectErrorBase + 18055;             // 0x80044687

struct SupportErrorEntry {
  int32_t number;
  const char* class_name;  // "CErrorHandler", "CFileOpenSaveDialog", "CShell"
  const char* description;
};

// Every error number of the support classes (20 entries).
std::span<const SupportErrorEntry> SupportErrors();

// The error object for a number of the table, with its source and text.
// A number outside the table is a programming error: std::logic_error.
Error SupportError(int32_t number);

// True when `number` is one of the table's numbers raised by `class_name`.
bool IsSupportErrorOf(int32_t number, const std::string& class_name);

}  // namespace plrxl
