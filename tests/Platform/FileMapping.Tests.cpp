#include "Platform/FileMapping.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Lib/Common/Common.Exception.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

std::string Pattern(std::size_t ASize) {
  std::string Result(ASize, '\0');
  for (std::size_t I = 0; I < ASize; ++I) Result[I] = static_cast<char>((I * 7 + I / 251) & 0xFF);
  return Result;
}

// Cuts the file into windows the way a copy loop does and glues them back together.
std::string ReadByWindows(const TFileMapping& AMapping, std::vector<std::size_t>& AWindowSizes) {
  std::string Result;
  for (std::uint64_t Pos = 0; Pos < AMapping.Size();) {
    auto Block = static_cast<std::size_t>(std::min<std::uint64_t>(AMapping.Size() - Pos, AllocationGranularity));
    TFileMappingView View = AMapping.MapView(Pos, Block);
    EXPECT_EQ(View.Offset(), Pos);
    Result.append(reinterpret_cast<const char*>(View.Data()), View.Size());
    AWindowSizes.push_back(View.Size());
    Pos += Block;
  }
  return Result;
}

TEST(TFileMapping, WindowsCoverTheFileWithAPartialLastOne) {
  TScratchFolder Scratch;
  std::string Content = Pattern(2 * AllocationGranularity + 1234);
  std::string Path = Scratch.Write("big.bin", Content);
  TFileMapping Mapping(Path);
  ASSERT_EQ(Mapping.Size(), Content.size());
  std::vector<std::size_t> Sizes;
  EXPECT_EQ(ReadByWindows(Mapping, Sizes), Content);
  EXPECT_EQ(Sizes, (std::vector<std::size_t>{65536, 65536, 1234}));
}

// Far beyond one stretch the system maps at once, views asked for in any order give their own
// bytes, and a view is still readable after its mapping is gone.
TEST(TFileMapping, ViewsOfALargeFileInAnyOrderOutliveTheirMapping) {
  TScratchFolder Scratch;
  std::string Content = Pattern(40 * AllocationGranularity + 1234);
  auto Mapping = std::make_unique<TFileMapping>(Scratch.Write("big.bin", Content));
  std::vector<std::size_t> Sizes;
  EXPECT_EQ(ReadByWindows(*Mapping, Sizes), Content);
  EXPECT_EQ(Sizes.size(), 41u);
  auto Slice = [&](const TFileMappingView& AView) {
    return std::string(reinterpret_cast<const char*>(AView.Data()), AView.Size());
  };
  TFileMappingView Late = Mapping->MapView(33 * AllocationGranularity, 2 * AllocationGranularity);
  TFileMappingView Early = Mapping->MapView(AllocationGranularity, 100);
  TFileMappingView Last = Mapping->MapView(40 * AllocationGranularity, 1234);
  Mapping.reset();
  EXPECT_EQ(Slice(Late), Content.substr(33 * AllocationGranularity, 2 * AllocationGranularity));
  EXPECT_EQ(Slice(Early), Content.substr(AllocationGranularity, 100));
  EXPECT_EQ(Slice(Last), Content.substr(40 * AllocationGranularity));
}

TEST(TFileMapping, HundredThousandBytesTakeTwoWindows) {
  TScratchFolder Scratch;
  TFileMapping Mapping(Scratch.Write("f", Pattern(100000)));
  std::vector<std::size_t> Sizes;
  ReadByWindows(Mapping, Sizes);
  EXPECT_EQ(Sizes, (std::vector<std::size_t>{65536, 34464}));
}

TEST(TFileMapping, OutlivesTheHandleItWasMadeFrom) {
  TScratchFolder Scratch;
  std::string Path = Scratch.Write("f", "mapped text");
  std::unique_ptr<TFileMapping> Mapping;
  {
    TFileHandle File(Path, TFileAccess::Read, TFileDisposition::OpenExisting);
    Mapping = std::make_unique<TFileMapping>(File);
  }
  TFileMappingView View = Mapping->MapView(0, 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(View.Data()), View.Size()), "mapped");
  TFileMappingView Moved = std::move(View);
  EXPECT_EQ(View.Data(), nullptr);
  EXPECT_EQ(Moved.Size(), 6u);
}

TEST(TFileMapping, ZeroLengthFileGivesAnEmptyView) {
  TScratchFolder Scratch;
  TFileMapping Mapping(Scratch.Write("empty", ""));
  EXPECT_EQ(Mapping.Size(), 0u);
  TFileMappingView View = Mapping.MapView(0, 0);
  EXPECT_EQ(View.Size(), 0u);
  EXPECT_EQ(View.Data(), nullptr);
}

TEST(TFileMapping, BrokenPreconditionsAndMissingFiles) {
  TScratchFolder Scratch;
  TFileMapping Mapping(Scratch.Write("f", Pattern(AllocationGranularity + 10)));
  EXPECT_THROW(Mapping.MapView(4096, 10), EAssertionFailed);  // not on a granularity boundary
  EXPECT_THROW(Mapping.MapView(AllocationGranularity, 11), EAssertionFailed);  // past the end
  EXPECT_NO_THROW(Mapping.MapView(AllocationGranularity, 10));
  EXPECT_THROW(TFileMapping(Scratch / "missing"), EOSError);
}

}  // namespace
}  // namespace Quellit::Platform
