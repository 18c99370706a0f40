// The portable part of mappings and their views: a mapping of a path opens the file, a view moves
// and unmaps itself; the backend maps and unmaps.
#include "Platform/FileMapping.h"

namespace Quellit::Platform {

TFileMappingView::TFileMappingView(TFileMappingView&& AOther) noexcept
    : FData(AOther.FData), FSize(AOther.FSize), FOffset(AOther.FOffset) {
  AOther.FData = nullptr;
  AOther.FSize = 0;
}

TFileMappingView& TFileMappingView::operator=(TFileMappingView&& AOther) noexcept {
  if (this != &AOther) {
    Unmap();
    FData = AOther.FData;
    FSize = AOther.FSize;
    FOffset = AOther.FOffset;
    AOther.FData = nullptr;
    AOther.FSize = 0;
  }
  return *this;
}

TFileMappingView::~TFileMappingView() { Unmap(); }

TFileMapping::TFileMapping(const std::string& APath)
    : TFileMapping(TFileHandle(APath, TFileAccess::Read, TFileDisposition::OpenExisting)) {}

TFileMapping::~TFileMapping() = default;

}  // namespace Quellit::Platform
