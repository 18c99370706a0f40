#include "Platform/ShellOpen.h"

#include "Platform/Environment.h"
#include "Platform/Win32/ComCall.h"

#include <shellapi.h>

namespace Quellit::Platform {
namespace {

// ShellExecuteW answers a small number instead of a handle when it fails; the numbers the shell
// has of its own become the system's errors of the same meaning.
int ErrorOfShellResult(INT_PTR AResult) {
  switch (AResult) {
    case 0:
    case SE_ERR_OOM: return ERROR_NOT_ENOUGH_MEMORY;
    case SE_ERR_SHARE: return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC: return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY: return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND: return ERROR_DLL_NOT_FOUND;
    default: return static_cast<int>(AResult);  // the rest are the system's own numbers
  }
}

// One argument of a command line, quoted as the C runtime splits it: backslashes are literal
// except before a quote, so those before a quote (and before the closing one) are doubled.
std::wstring QuotedArgument(const std::wstring& AArgument) {
  std::wstring Result = L"\"";
  std::size_t Backslashes = 0;
  for (wchar_t C : AArgument) {
    if (C == L'\\') {
      ++Backslashes;
      continue;
    }
    Result.append(C == L'"' ? Backslashes * 2 + 1 : Backslashes, L'\\');
    Backslashes = 0;
    Result += C;
  }
  Result.append(Backslashes * 2, L'\\');
  return Result + L"\"";
}

// The test seam: the named opener gets the path as its one argument, detached from our console
// and streams, and is not waited for.
void StartOpener(const std::string& AOpener, const std::string& APath) {
  std::wstring CommandLine = QuotedArgument(WideOf(AOpener)) + L" " + QuotedArgument(WideOf(APath));
  STARTUPINFOW Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Process{};
  const DWORD Flags = DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP;
  if (!::CreateProcessW(nullptr, CommandLine.data(), nullptr, nullptr, FALSE, Flags, nullptr, nullptr, &Startup, &Process))
    RaiseOSError(static_cast<int>(::GetLastError()), AOpener);
  ::CloseHandle(Process.hThread);
  ::CloseHandle(Process.hProcess);
}

}  // namespace

void OpenWithDefaultApplication(const std::string& APath) {
  if (const std::string Opener = GetEnvOr(OpenerVariable, ""); !Opener.empty()) return StartOpener(Opener, APath);
  // The shell may hand the file to an extension that uses COM, and expects an apartment.
  TComScope Com;
  const INT_PTR Result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", WideOf(APath).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (Result <= 32) RaiseOSError(ErrorOfShellResult(Result), APath);
}

}  // namespace Quellit::Platform
