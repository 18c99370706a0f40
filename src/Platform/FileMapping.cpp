// The portable part of mappings and their views: a mapping of a path opens the file, a view moves
// and unmaps itself; the backend maps and unmaps.
#include "Platform/FileMapping.h"

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"

namespace Quellit::Platform {

TFileMappingView::TFileMappingView(TFileMappingView&& AOther) noexcept
    : FData(AOther.FData), FSize(AOther.FSize), FOffset(AOther.FOffset), FWindow(std::move(AOther.FWindow)) {
  AOther.FData = nullptr;
  AOther.FSize = 0;
}

TFileMappingView& TFileMappingView::operator=(TFileMappingView&& AOther) noexcept {
  if (this != &AOther) {
    Unmap();
    FData = AOther.FData;
    FSize = AOther.FSize;
    FOffset = AOther.FOffset;
    FWindow = std::move(AOther.FWindow);
    AOther.FData = nullptr;
    AOther.FSize = 0;
  }
  return *this;
}

TFileMappingView::~TFileMappingView() { Unmap(); }

TFileMapping::TFileMapping(const std::string& APath)
    : TFileMapping(TFileHandle(APath, TFileAccess::Read, TFileDisposition::OpenExisting)) {}

TFileMapping::~TFileMapping() = default;

// The messages are made only for a broken window: a copy asks for a view every 64 KiB.
void TFileMapping::CheckWindow(std::uint64_t AOffset, std::size_t ASize) const {
  if (AOffset % AllocationGranularity != 0)
    Assert(false, Format("View offset %u is not a multiple of the allocation granularity", AOffset), "Platform/FileMapping");
  if (AOffset > FSize || ASize > FSize - AOffset)
    Assert(false, Format("View %u+%u lies beyond the mapped size %u", AOffset, ASize, FSize), "Platform/FileMapping");
}

}  // namespace Quellit::Platform
