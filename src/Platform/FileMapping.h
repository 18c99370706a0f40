// Read-only file mappings viewed in windows. Views start at multiples of AllocationGranularity,
// which is 65536 on every platform, so a copy loop cuts files into the same windows everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Lib/Common/Common.Object.h"
#include "Platform/File.h"

namespace Quellit::Platform {

inline constexpr std::uint64_t AllocationGranularity = 65536;

// A stretch of a file that a backend mapped at once and cuts views from.
struct TMappedWindow;

// A window of a mapping; unmapped by the destructor. An empty view (size 0) maps nothing and has
// no data pointer: it is how a zero-length file is "mapped".
class TFileMappingView {
 public:
  TFileMappingView() = default;
  TFileMappingView(TFileMappingView&& AOther) noexcept;
  TFileMappingView& operator=(TFileMappingView&& AOther) noexcept;
  TFileMappingView(const TFileMappingView&) = delete;
  TFileMappingView& operator=(const TFileMappingView&) = delete;
  ~TFileMappingView();

  const std::uint8_t* Data() const { return FData; }
  std::size_t Size() const { return FSize; }
  std::uint64_t Offset() const { return FOffset; }

 private:
  friend class TFileMapping;
  TFileMappingView(const std::uint8_t* AData, std::size_t ASize, std::uint64_t AOffset,
                   std::shared_ptr<const TMappedWindow> AWindow = {})
      : FData(AData), FSize(ASize), FOffset(AOffset), FWindow(std::move(AWindow)) {}
  void Unmap() noexcept;

  const std::uint8_t* FData = nullptr;
  std::size_t FSize = 0;
  std::uint64_t FOffset = 0;
  std::shared_ptr<const TMappedWindow> FWindow;  // when cut from one: it goes with its last view
};

// A read-only mapping of a whole file as its size was when the mapping was made. It keeps its own
// reference to the file, so the handle it was made from may be closed. As with any mapping, a file
// cut short by someone else while a view is read faults the reader (SIGBUS). A zero-length file gives a
// mapping of size 0 whose only view is the empty one, so such files can be copied like others.
class TFileMapping : public TObject {
 public:
  explicit TFileMapping(const TFileHandle& AFile);
  explicit TFileMapping(const std::string& APath);
  TFileMapping(const TFileMapping&) = delete;
  TFileMapping& operator=(const TFileMapping&) = delete;
  ~TFileMapping() override;

  std::uint64_t Size() const { return FSize; }
  const std::string& Path() const { return FPath; }

  // AOffset must be a multiple of AllocationGranularity and the window must lie inside Size()
  // (assertions); mapping failures raise EOSError. A view stays valid after its mapping is gone.
  // Not for use by two threads at once: the mapping remembers the last stretch it mapped.
  TFileMappingView MapView(std::uint64_t AOffset, std::size_t ASize) const;

 private:
  void CheckWindow(std::uint64_t AOffset, std::size_t ASize) const;

  TScopedNativeHandle FHandle;  // a reference of its own to the file
  std::uint64_t FSize = 0;
  std::string FPath;
  mutable std::shared_ptr<const TMappedWindow> FWindow;  // the last stretch mapped, where used
};

}  // namespace Quellit::Platform
