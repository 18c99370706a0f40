#include "Platform/FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

static_assert(AllocationGranularity % 4096 == 0, "views must start on page boundaries");

void TFileMappingView::Unmap() noexcept {
  if (FData) ::munmap(const_cast<std::uint8_t*>(FData), FSize);
  FData = nullptr;
  FSize = 0;
}

TFileMapping::TFileMapping(const TFileHandle& AFile) : FSize(AFile.Size()), FPath(AFile.Path()) {
  FHandle.Reset(::fcntl(DescriptorOf(AFile), F_DUPFD_CLOEXEC, 0));
  if (!FHandle.IsValid()) RaiseOSError(errno, FPath);
}

TFileMappingView TFileMapping::MapView(std::uint64_t AOffset, std::size_t ASize) const {
  CheckWindow(AOffset, ASize);
  // mmap refuses zero bytes; an empty window needs no memory anyway.
  if (ASize == 0) return TFileMappingView(nullptr, 0, AOffset);
  // Populated at once: a view is read whole, and a write() from pages not yet present first fails
  // its copy half-way, zeroes the destination's new blocks and retries after the fault.
  void* Address =
      ::mmap(nullptr, ASize, PROT_READ, MAP_SHARED | MAP_POPULATE, DescriptorOf(FHandle.Get()), static_cast<off_t>(AOffset));
  if (Address == MAP_FAILED) RaiseOSError(errno, FPath);
  return TFileMappingView(static_cast<const std::uint8_t*>(Address), ASize, AOffset);
}

}  // namespace Quellit::Platform
