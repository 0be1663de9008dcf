#include "support/error_numbers.h"

#include <stdexcept>

namespace plrxl {

namespace {

constexpr SupportErrorEntry kTable[] = {
    {kErrInvalidFileName, "CErrorHandler", "Invalid file name"},
    {kErrInvalidHandlerActions, "CErrorHandler", "Invalid error handler actions"},
    {kErrInvalidTracingFlags, "CErrorHandler", "Invalid tracing flags"},
    {kErrErrorHandlerFailure, "CErrorHandler", "CErrorHandler component failure"},
    {kErrInvalidWindowHandle, "CFileOpenSaveDialog", "Invalid window handle"},
    {kErrFileDialogFailure, "CFileOpenSaveDialog", "CFileOpenSaveDialog component failure"},
    {kErrShellFileNotFound, "CShell", "File not found"},
    {kErrShellPathNotFound, "CShell", "Path not found"},
    {kErrShellOutOfMemory, "CShell", "Out of memory"},
    {kErrShellDllNotFound, "CShell", "DLL not found"},
    {kErrShellSharingViolation, "CShell", "A sharing violation occurred"},
    {kErrShellAssociationIncomplete, "CShell", "Incomplete or invalid file association"},
    {kErrShellDdeTimeout, "CShell", "DDE timeout"},
    {kErrShellDdeFail, "CShell", "DDE transaction failed"},
    {kErrShellDdeBusy, "CShell", "DDE busy"},
    {kErrShellNoAssociation, "CShell", "No association for file extension"},
    {kErrShellBadFormat, "CShell", "Invalid EXE file or error in EXE image"},
    {kErrShellCannotCreateProcess, "CShell", "Cannot create process"},
    {kErrShellCannotShowProperties, "CShell", "Cannot show properties"},
    {kErrShellFailure, "CShell", "CShell component failure"},
};

}  // namespace

std::span<const SupportErrorEntry> SupportErrors() { return kTable; }

Error SupportError(int32_t number) {
  for (const auto& entry : kTable) {
    if (entry.number == number) {
      return Error(number, std::string(kLibraryStem) + "." + entry.class_name, entry.description);
    }
  }
  throw std::logic_error("not a support error number: " + std::to_string(number));
}

bool IsSupportErrorOf(int32_t number, const std::string& class_name) {
  for (const auto& entry : kTable) {
    if (entry.number == number) return class_name == entry.class_name;
  }
  return false;
}

}  // namespace plrxl
