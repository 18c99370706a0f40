// What the POSIX backend adds to the settings-file contract: a file its permission bits keep
// from being read.
#include "Platform/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

// Reads answer their defaults, but a write would replace contents it never saw, so it refuses.
TEST(IniFile, AFileWithoutReadPermissionIsNotOverwritten) {
  TScratchFolder Scratch;
  const std::string Locked = Scratch.Write("locked.ini", "[a]\r\nx=1\r\n");
  std::filesystem::permissions(Locked, std::filesystem::perms::none);
  if (TScratchFolder::Read(Locked).empty()) {  // the super-user reads it anyway
    TIniFile Ini(Locked);
    EXPECT_EQ(Ini.ReadString("a", "x", "default"), "default");
    EXPECT_THROW(Ini.WriteString("a", "y", "2"), EIniFileException);
  }
  std::filesystem::permissions(Locked, std::filesystem::perms::owner_read);
  EXPECT_EQ(TScratchFolder::Read(Locked), "[a]\r\nx=1\r\n");
}

}  // namespace
}  // namespace Quellit::Platform
