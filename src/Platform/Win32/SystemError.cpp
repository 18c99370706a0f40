// Error codes are kept as the system gives them (2 stays 2); the texts come from the system's
// message table, so they are in the user's language as every other program's.
#include "Platform/SystemError.h"

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

// ERROR_DIRECTORY_NOT_SUPPORTED, which MinGW's headers lack.
constexpr int DirectoryNotSupported = 336;

}  // namespace

std::string SystemErrorText(int AErrorCode) {
  wchar_t* Buffer = nullptr;
  const DWORD Length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(AErrorCode), 0, reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
  if (Length == 0 || Buffer == nullptr) return Format("Unknown error %d", AErrorCode);
  std::wstring_view Text(Buffer, Length);
  // The table's texts end in a full stop and a line break; the layer appends ": <path>" to them.
  while (!Text.empty() && (Text.back() == L'\r' || Text.back() == L'\n' || Text.back() == L' ' || Text.back() == L'.'))
    Text.remove_suffix(1);
  std::string Result = Utf8OfWide(Text);
  ::LocalFree(Buffer);
  return Result;
}

void RaiseOSError(int AErrorCode) { throw EOSError(AErrorCode, OSErrorMessage(AErrorCode, SystemErrorText(AErrorCode))); }

void TOSResult::RaiseOnFailure(const std::string& APath) const {
  if (FErrorCode != 0) RaiseOSError(FErrorCode, APath);
}

void RaiseOSError(int AErrorCode, const std::string& APath) {
  throw EOSError(AErrorCode, OSErrorMessage(AErrorCode, SystemErrorText(AErrorCode) + ": " + APath));
}

// A missing folder on the way is as missing as the file itself.
bool IsFileNotFound(int AErrorCode) { return AErrorCode == ERROR_FILE_NOT_FOUND || AErrorCode == ERROR_PATH_NOT_FOUND; }

void RaiseFileNotFound(const std::string& APath) { RaiseOSError(ERROR_FILE_NOT_FOUND, APath); }

// CREATE_NEW answers ERROR_FILE_EXISTS, folders and renames ERROR_ALREADY_EXISTS.
bool IsAlreadyExists(int AErrorCode) { return AErrorCode == ERROR_ALREADY_EXISTS || AErrorCode == ERROR_FILE_EXISTS; }

// The system itself answers "access denied" for a folder opened as a file, which would hide the
// reason; the layer names it.
int IsAFolderError() { return DirectoryNotSupported; }

// What the system answers for a file where a folder belongs ("The directory name is invalid").
int NotAFolderError() { return ERROR_DIRECTORY; }

void RaiseNotAFolder(const std::string& APath) { RaiseOSError(ERROR_DIRECTORY, APath); }

}  // namespace Quellit::Platform
