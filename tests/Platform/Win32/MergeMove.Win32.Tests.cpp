#include "Platform/MergeMove.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Support/ScratchFolder.h"
#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

class MergeMoveWin32 : public testing::Test {
 protected:
  std::string Put(const std::string& AFolder, const std::string& ARelative, const std::string& AText) {
    const std::string Path = JoinPath(AFolder, ARelative);
    ForceDirectories(ExtractFilePath(Path));
    WriteAllBytesAtomic(Path, AText.data(), AText.size());
    return Path;
  }
  static std::string Text(const std::string& APath) {
    const std::vector<std::uint8_t> Bytes = ReadAllBytes(APath);
    return std::string(Bytes.begin(), Bytes.end());
  }

  TScratchFolder Scratch;
  std::string Backup = JoinPath(Scratch.Path(), "QuellitBackup", "11.12.2026 1-05-07");
  std::string Product = JoinPath(Scratch.Path(), "Корвел");
};

// The backup goes back over the product: saved files replace the product's, folders merge, what
// the backup does not hold stays, and the backup folder itself is left empty.
TEST_F(MergeMoveWin32, SavedFilesReplaceTheProductsAndFoldersMerge) {
  Put(Backup, "Settings.xml", "saved settings");
  Put(Backup, "Шаблоны\\Итог.xlt", "saved template");
  Put(Backup, "Шаблоны\\Глубже\\noext", "deep");
  Put(Product, "Settings.xml", "new settings");
  Put(Product, "Шаблоны\\Итог.xlt", "new template");
  Put(Product, "Шаблоны\\Added.xlt", "added by the update");
  MergeMove(Backup, Product);
  EXPECT_EQ(Text(JoinPath(Product, "Settings.xml")), "saved settings");
  EXPECT_EQ(Text(JoinPath(Product, "Шаблоны", "Итог.xlt")), "saved template");
  EXPECT_EQ(Text(JoinPath(Product, "Шаблоны", "Глубже", "noext")), "deep");
  EXPECT_EQ(Text(JoinPath(Product, "Шаблоны", "Added.xlt")), "added by the update");
  EXPECT_TRUE(DirectoryExists(Backup));
  EXPECT_TRUE(ListFolder(Backup).empty());
}

TEST_F(MergeMoveWin32, HiddenAndReadOnlyFilesGoBackToo) {
  const std::string Hidden = Put(Backup, ".kvdata\\config.xml", "hidden");
  ::SetFileAttributesW(WideOf(ExtractFilePath(Hidden)).c_str(), FILE_ATTRIBUTE_HIDDEN);
  const std::string ReadOnly = Put(Backup, "readonly.txt", "read only");
  ::SetFileAttributesW(WideOf(ReadOnly).c_str(), FILE_ATTRIBUTE_READONLY);
  MergeMove(Backup, Product);
  EXPECT_EQ(Text(JoinPath(Product, ".kvdata", "config.xml")), "hidden");
  EXPECT_EQ(Text(JoinPath(Product, "readonly.txt")), "read only");
  ::SetFileAttributesW(WideOf(JoinPath(Product, "readonly.txt")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MergeMoveWin32, NothingSavedIsNothingToMove) {
  EXPECT_NO_THROW(MergeMove(JoinPath(Scratch.Path(), "missing"), Product));
  ForceDirectories(Backup);
  EXPECT_NO_THROW(MergeMove(Backup, Product));
}

// A product file still open without sharing keeps its backup from moving: the others move, the
// failure is raised naming it, and a second run moves it once the file is closed.
TEST_F(MergeMoveWin32, AFileInUseStaysForTheNextRunAndTheRestMoves) {
  Put(Backup, "a.txt", "saved a");
  Put(Backup, "busy.txt", "saved busy");
  Put(Backup, "z.txt", "saved z");
  const std::string Busy = Put(Product, "busy.txt", "in use");
  {
    TScopedKernelHandle Open(::CreateFileW(WideOf(Busy).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(Open.IsValid());
    try {
      MergeMove(Backup, Product);
      ADD_FAILURE() << "no error for a file in use";
    } catch (const EOSError& E) {
      EXPECT_NE(E.Message().find("busy.txt"), std::string::npos) << E.Message();
    }
    EXPECT_EQ(Text(JoinPath(Product, "a.txt")), "saved a");
    EXPECT_EQ(Text(JoinPath(Product, "z.txt")), "saved z");
    EXPECT_EQ(Text(JoinPath(Backup, "busy.txt")), "saved busy");
  }
  MergeMove(Backup, Product);
  EXPECT_EQ(Text(Busy), "saved busy");
  EXPECT_TRUE(ListFolder(Backup).empty());
}

}  // namespace
}  // namespace Quellit::Platform
