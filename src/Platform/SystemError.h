// Operating-system errors: the system's text for an error number, and raising EOSError with it.
#pragma once

#include <string>

namespace Quellit::Platform {

int LastErrorCode();  // errno on POSIX
std::string SystemErrorText(int AErrorCode);
[[noreturn]] void RaiseOSError(int AErrorCode);
[[noreturn]] void RaiseLastOSError();
// Raises for the failed operation, naming the path the call was about:
// "System Error.  Code: 2.\nNo such file or directory: /x/y".
[[noreturn]] void RaiseOSError(int AErrorCode, const std::string& APath);

// The error of a path that does not exist (code 2 on both platforms, the product's messages quote it).
bool IsFileNotFound(int AErrorCode);
[[noreturn]] void RaiseFileNotFound(const std::string& APath);

}  // namespace Quellit::Platform
