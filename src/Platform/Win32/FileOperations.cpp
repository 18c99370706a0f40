// Reparse points (symbolic links, junctions) play the part of symbolic links. Renames are
// write-through, so what the journal records is on disk when a call returns.
#include "Platform/FileOperations.h"

#include <cstdlib>

#include "Platform/File.h"
#include "Platform/Path.h"
#include "Platform/ReplacementFile.h"
#include "Platform/SystemError.h"
#include "Platform/Win32/FileStatus.h"
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

// The copy of a file (bytes, attributes, times) or of a link as a link, made beside the target,
// flushed and put in place without replacing anything.
void CopyBeside(const std::string& ASource, const std::string& ATarget) {
  const std::string Temporary = SiblingPathOf(ATarget);
  try {
    if (!::CopyFileExW(WidePathOf(ASource).c_str(), WidePathOf(Temporary).c_str(), nullptr, nullptr, nullptr,
                       COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK))
      RaiseOSError(static_cast<int>(::GetLastError()), ASource);
    if (PathKindOf(Temporary) == TPathKind::File) {
      // The copy keeps a read-only attribute, which writing and flushing it must not meet.
      const DWORD Attributes = ::GetFileAttributesW(WidePathOf(Temporary).c_str());
      ::SetFileAttributesW(WidePathOf(Temporary).c_str(), Attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
      TFileHandle(Temporary, TFileAccess::Write, TFileDisposition::OpenExisting).Flush();
      ::SetFileAttributesW(WidePathOf(Temporary).c_str(), Attributes);
    }
    RenameIntoPlace(Temporary, ATarget, false).RaiseOnFailure(ATarget);
  } catch (...) {
    ::SetFileAttributesW(WidePathOf(Temporary).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFile(Temporary);
    throw;
  }
}

// The volume's own device, "\\.\C:", for a volume mounted at "C:\".
std::wstring VolumeDeviceOf(const std::string& APath) {
  std::wstring Mount(MAX_PATH + 1, L'\0');
  if (!::GetVolumePathNameW(WidePathOf(APath).c_str(), Mount.data(), static_cast<DWORD>(Mount.size())))
    RaiseOSError(static_cast<int>(::GetLastError()), APath);
  Mount.resize(Mount.find(L'\0'));
  if (Mount.starts_with(L"\\\\?\\")) Mount.erase(0, 4);
  if (Mount.ends_with(L'\\')) Mount.pop_back();
  return L"\\\\.\\" + Mount;
}

}  // namespace

TPathKind PathKindOf(const std::string& APath) {
  const std::optional<TFileStatus> Own = OwnStatusOf(APath);
  if (!Own) return TPathKind::None;
  if (IsLinkReparsePoint(APath, Own->Attributes)) return TPathKind::Link;
  if (Own->Attributes & FILE_ATTRIBUTE_DIRECTORY) return TPathKind::Folder;
  if (Own->Attributes & FILE_ATTRIBUTE_DEVICE) return TPathKind::Other;
  return TPathKind::File;
}

// Without MOVEFILE_REPLACE_EXISTING the system refuses an existing name, a dangling link's too,
// and moves a link as the link itself.
TOSResult RenameNoReplace(const std::string& AOldPath, const std::string& ANewPath) {
  return ResultOfCall(::MoveFileExW(WidePathOf(AOldPath).c_str(), WidePathOf(ANewPath).c_str(), MOVEFILE_WRITE_THROUGH));
}

void MoveFileNoReplace(const std::string& AOldPath, const std::string& ANewPath) {
  const TOSResult Renamed = RenameNoReplace(AOldPath, ANewPath);
  if (Renamed) return;
  if (Renamed.ErrorCode() != ERROR_NOT_SAME_DEVICE) Renamed.RaiseOnFailure(ANewPath);
  CopyBeside(AOldPath, ANewPath);
  const std::wstring Old = WidePathOf(AOldPath);
  const DWORD Attributes = ::GetFileAttributesW(Old.c_str());
  if (Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_READONLY))
    ::SetFileAttributesW(Old.c_str(), Attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  DeleteFile(AOldPath).RaiseOnFailure(AOldPath);
}

// Nothing to do: the system flushes no folder by itself, and the layer's renames are made with
// MOVEFILE_WRITE_THROUGH, which puts a folder's changed entries on disk before they return.
void SyncFolder(const std::string&) {}

// Flushing a whole volume takes an administrator. Without that right there is nothing more to
// flush: every file the layer writes is flushed itself and every rename is write-through.
void SyncFileSystemOf(const std::string& APath) {
  if (!OwnStatusOf(APath)) RaiseOSError(static_cast<int>(::GetLastError()), APath);
  TScopedKernelHandle Volume(::CreateFileW(VolumeDeviceOf(APath).c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!Volume.IsValid()) {
    if (const DWORD Error = ::GetLastError(); Error != ERROR_ACCESS_DENIED) RaiseOSError(static_cast<int>(Error), APath);
    return;
  }
  if (!::FlushFileBuffers(Volume.Get())) {
    if (const DWORD Error = ::GetLastError(); Error != ERROR_ACCESS_DENIED && Error != ERROR_INVALID_FUNCTION)
      RaiseOSError(static_cast<int>(Error), APath);
  }
}

// Windows has no such signal: a write past the limit fails with an error already.
void IgnoreFileSizeLimitSignal() {}

// The exit code of a POSIX process that SIGKILL ended (128 + 9), so callers read the same number.
void KillProcessNow() {
  ::TerminateProcess(::GetCurrentProcess(), 137);
  std::_Exit(137);
}

}  // namespace Quellit::Platform
