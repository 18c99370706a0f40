// Operating-system errors: the system's text for an error code, the outcome of one system call,
// and raising EOSError with the system's text.
#pragma once

#include <string>

namespace Quellit::Platform {

std::string SystemErrorText(int AErrorCode);

// What one system call did: success, or the error code it failed with. The code travels with the
// result, so nothing has to be read from the system afterwards, when another call may have
// changed it.
class TOSResult {
 public:
  TOSResult() = default;  // success
  static TOSResult Failure(int AErrorCode) { return TOSResult(AErrorCode); }

  explicit operator bool() const { return FErrorCode == 0; }
  int ErrorCode() const { return FErrorCode; }  // 0 on success
  std::string ErrorText() const { return SystemErrorText(FErrorCode); }
  // Raises EOSError naming APath, as RaiseOSError does, when the call failed.
  void RaiseOnFailure(const std::string& APath) const;

 private:
  explicit TOSResult(int AErrorCode) : FErrorCode(AErrorCode) {}
  int FErrorCode = 0;
};

[[noreturn]] void RaiseOSError(int AErrorCode);
// Raises for the failed operation, naming the path the call was about:
// "System Error.  Code: 2.\nNo such file or directory: /x/y".
[[noreturn]] void RaiseOSError(int AErrorCode, const std::string& APath);

// The error of a path that does not exist (code 2 on both platforms, the product's messages quote it).
bool IsFileNotFound(int AErrorCode);
[[noreturn]] void RaiseFileNotFound(const std::string& APath);
// The error of a name that is taken already, by a file or a folder.
bool IsAlreadyExists(int AErrorCode);
// The error of a folder where a file was asked for: a folder is no file.
int IsAFolderError();
// The error of a file or a link where a folder was asked for.
int NotAFolderError();
[[noreturn]] void RaiseNotAFolder(const std::string& APath);

}  // namespace Quellit::Platform
