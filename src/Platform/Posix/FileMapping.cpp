#include "Platform/FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

static_assert(AllocationGranularity % 4096 == 0, "views must start on page boundaries");

// Views are cut from stretches of 1 MiB mapped at once: a copy asks for a view every 64 KiB, and
// mapping and unmapping each one on its own cost about a tenth of the copy's time.
constexpr std::uint64_t WindowBytes = 16 * AllocationGranularity;

struct TMappedWindow {
  TMappedWindow(const std::uint8_t* AData, std::size_t ASize, std::uint64_t AOffset)
      : Data(AData), Size(ASize), Offset(AOffset) {}
  TMappedWindow(const TMappedWindow&) = delete;
  TMappedWindow& operator=(const TMappedWindow&) = delete;
  ~TMappedWindow() { ::munmap(const_cast<std::uint8_t*>(Data), Size); }
  bool Holds(std::uint64_t AOffset, std::size_t ASize) const {
    return AOffset >= Offset && AOffset - Offset <= Size && ASize <= Size - (AOffset - Offset);
  }

  const std::uint8_t* Data;
  std::size_t Size;
  std::uint64_t Offset;
};

void TFileMappingView::Unmap() noexcept {
  FWindow.reset();
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
  if (!FWindow || !FWindow->Holds(AOffset, ASize)) {
    const auto Size = static_cast<std::size_t>(std::max<std::uint64_t>(ASize, std::min(WindowBytes, FSize - AOffset)));
    // Populated at once: a view is read whole, and a write() from pages not yet present first fails
    // its copy half-way, zeroes the destination's new blocks and retries after the fault.
    void* Address =
        ::mmap(nullptr, Size, PROT_READ, MAP_SHARED | MAP_POPULATE, DescriptorOf(FHandle.Get()), static_cast<off_t>(AOffset));
    if (Address == MAP_FAILED) RaiseOSError(errno, FPath);
    FWindow = std::make_shared<const TMappedWindow>(static_cast<const std::uint8_t*>(Address), Size, AOffset);
  }
  return TFileMappingView(FWindow->Data + (AOffset - FWindow->Offset), ASize, AOffset, FWindow);
}

}  // namespace Quellit::Platform
