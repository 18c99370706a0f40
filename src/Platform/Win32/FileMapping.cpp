// Read-only sections of files, viewed in windows that start on the system's allocation
// granularity; the layer's fixed granularity is a multiple of it, so every view starts where the
// system allows one.
#include "Platform/FileMapping.h"

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Platform/SystemError.h"
#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

std::uint64_t SystemAllocationGranularity() {
  SYSTEM_INFO Info {};
  ::GetSystemInfo(&Info);
  return Info.dwAllocationGranularity;
}

}  // namespace

void TFileMappingView::Unmap() noexcept {
  if (FData) ::UnmapViewOfFile(FData);
  FData = nullptr;
  FSize = 0;
}

// The section holds its own reference to the file. A file of zero bytes cannot have one (the
// system refuses an empty section), and needs none: its only view is the empty one.
TFileMapping::TFileMapping(const TFileHandle& AFile) : FSize(AFile.Size()), FPath(AFile.Path()) {
  const std::uint64_t Granularity = SystemAllocationGranularity();
  if (Granularity == 0 || AllocationGranularity % Granularity != 0)
    Assert(false, Format("The system's allocation granularity %u does not divide %u", Granularity, AllocationGranularity),
           "Platform/FileMapping");
  if (FSize == 0) return;
  FHandle.Reset(NativeHandleOf(::CreateFileMappingW(HandleOf(AFile), nullptr, PAGE_READONLY, 0, 0, nullptr)));
  // CreateFileMappingW answers null, not INVALID_HANDLE_VALUE, when it fails.
  if (FHandle.Get() == 0) {
    FHandle.Release();
    RaiseOSError(static_cast<int>(::GetLastError()), FPath);
  }
}

TFileMappingView TFileMapping::MapView(std::uint64_t AOffset, std::size_t ASize) const {
  CheckWindow(AOffset, ASize);
  // A size of zero would map the whole rest of the file; an empty window needs no memory anyway.
  if (ASize == 0) return TFileMappingView(nullptr, 0, AOffset);
  void* Address = ::MapViewOfFile(HandleOf(FHandle.Get()), FILE_MAP_READ, static_cast<DWORD>(AOffset >> 32),
                                  static_cast<DWORD>(AOffset & 0xFFFFFFFFu), ASize);
  if (!Address) RaiseOSError(static_cast<int>(::GetLastError()), FPath);
  return TFileMappingView(static_cast<const std::uint8_t*>(Address), ASize, AOffset);
}

}  // namespace Quellit::Platform
