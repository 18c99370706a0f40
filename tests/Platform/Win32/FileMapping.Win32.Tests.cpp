#include "Platform/FileMapping.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Win32/SystemCall.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

// The layer cuts files into windows of its own fixed granularity; the system's must divide it, or
// views would start where the system allows none.
TEST(Win32FileMapping, TheSystemsAllocationGranularityDividesTheLayersOne) {
  SYSTEM_INFO Info {};
  ::GetSystemInfo(&Info);
  ASSERT_NE(Info.dwAllocationGranularity, 0u);
  EXPECT_EQ(AllocationGranularity % Info.dwAllocationGranularity, 0u);
  EXPECT_EQ(Info.dwAllocationGranularity, 65536u);
}

TEST(Win32FileMapping, AViewPastTheFirstWindowShowsItsOwnBytesAndTheMappedFileIsNotReplaced) {
  TScratchFolder Scratch;
  std::string Content(100000, '\0');
  for (std::size_t I = 0; I < Content.size(); ++I) Content[I] = static_cast<char>(I * 7 % 251);
  const std::string Path = Scratch.Write("payload.bin", Content);
  TFileMapping Mapping(Path);
  const TFileMappingView View = Mapping.MapView(AllocationGranularity, Content.size() - AllocationGranularity);
  ASSERT_NE(View.Data(), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(View.Data()), View.Size()), Content.substr(AllocationGranularity));
  // A section holds the file: it is not cut short under its reader.
  EXPECT_THROW(TFileHandle(Path, TFileAccess::Write, TFileDisposition::OpenExisting).SetSize(10), EOSError);
}

}  // namespace
}  // namespace Quellit::Platform
