#include "Platform/SystemError.h"

#include <cerrno>
#include <cstring>

#include "Lib/Common/Common.Exception.h"

namespace Quellit::Platform {

std::string SystemErrorText(int AErrorCode) {
  char Buffer[256];
  // The GNU strerror_r returns the text, which may or may not be the buffer.
  return ::strerror_r(AErrorCode, Buffer, sizeof Buffer);
}

void RaiseOSError(int AErrorCode) { throw EOSError(AErrorCode, OSErrorMessage(AErrorCode, SystemErrorText(AErrorCode))); }

void TOSResult::RaiseOnFailure(const std::string& APath) const {
  if (FErrorCode != 0) RaiseOSError(FErrorCode, APath);
}

void RaiseOSError(int AErrorCode, const std::string& APath) {
  throw EOSError(AErrorCode, OSErrorMessage(AErrorCode, SystemErrorText(AErrorCode) + ": " + APath));
}

bool IsFileNotFound(int AErrorCode) { return AErrorCode == ENOENT; }

void RaiseFileNotFound(const std::string& APath) { RaiseOSError(ENOENT, APath); }

bool IsAlreadyExists(int AErrorCode) { return AErrorCode == EEXIST; }

int IsAFolderError() { return EISDIR; }

int NotAFolderError() { return ENOTDIR; }

void RaiseNotAFolder(const std::string& APath) { RaiseOSError(ENOTDIR, APath); }

}  // namespace Quellit::Platform
