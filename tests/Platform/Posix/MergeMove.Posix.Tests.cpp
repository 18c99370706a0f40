#include "Platform/MergeMove.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Environment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

// A product folder with files the update replaced and a backup holding their old versions.
class MergeMoveFixture : public testing::Test {
 protected:
  void SetUp() override {
    Scratch.Write("product/Client.exe", "new exe");
    Scratch.Write("product/Templates/Itog.xlt", "new template");
    Scratch.Write("product/Templates/Added.xlt", "added by the update");
    Scratch.Write("product/Untouched.txt", "untouched");
    Scratch.Write("backup/Client.exe", "old exe");
    Scratch.Write("backup/Templates/Itog.xlt", "old template");
    Scratch.Write("backup/Deep/Новая папка/file.bin", std::string("\0\1\2\xff", 4));
  }

  std::string Product() const { return Scratch / "product"; }
  std::string Backup() const { return Scratch / "backup/"; }

  TScratchFolder Scratch;
};

TEST_F(MergeMoveFixture, RestoresSavedFilesOverTheProduct) {
  MergeMove(Backup(), Product());
  EXPECT_EQ(TScratchFolder::Read(Product() + "/Client.exe"), "old exe");
  EXPECT_EQ(TScratchFolder::Read(Product() + "/Templates/Itog.xlt"), "old template");
  EXPECT_EQ(TScratchFolder::Read(Product() + "/Templates/Added.xlt"), "added by the update");
  EXPECT_EQ(TScratchFolder::Read(Product() + "/Untouched.txt"), "untouched");
  EXPECT_EQ(TScratchFolder::Read(Product() + "/Deep/Новая папка/file.bin"), std::string("\0\1\2\xff", 4));
  // Emptied sub-folders go; the backup folder itself is left to its owner.
  EXPECT_TRUE(fs::is_directory(Backup()));
  EXPECT_TRUE(fs::is_empty(Backup()));
}

TEST_F(MergeMoveFixture, MissingSourceIsNothingToMove) {
  EXPECT_NO_THROW(MergeMove(Scratch / "no-backup", Product()));
  EXPECT_EQ(TScratchFolder::Read(Product() + "/Client.exe"), "new exe");
}

TEST_F(MergeMoveFixture, OneFailureDoesNotStopTheRestAndIsRaised) {
  // A folder where the saved file should go: that one file cannot be restored.
  fs::remove(Product() + "/Client.exe");
  fs::create_directory(Product() + "/Client.exe");
  EXPECT_THROW(MergeMove(Backup(), Product()), EOSError);
  EXPECT_EQ(TScratchFolder::Read(Product() + "/Templates/Itog.xlt"), "old template");
  EXPECT_EQ(TScratchFolder::Read(Backup() + "Client.exe"), "old exe");  // kept, not lost
  EXPECT_FALSE(fs::exists(Backup() + "Templates"));
  // Once the obstacle is gone a second run moves what remained.
  fs::remove(Product() + "/Client.exe");
  MergeMove(Backup(), Product());
  EXPECT_EQ(TScratchFolder::Read(Product() + "/Client.exe"), "old exe");
}

TEST_F(MergeMoveFixture, LinksAreMovedAsLinks) {
  std::string Outside = Scratch.Write("outside/secret.txt", "stays");
  fs::create_directory_symlink(Scratch / "outside", Backup() + "link");
  MergeMove(Backup(), Product());
  EXPECT_TRUE(fs::is_symlink(Product() + "/link"));
  EXPECT_EQ(TScratchFolder::Read(Outside), "stays");
}

// A scratch folder inside AFolder when that exists, else in the usual place.
std::unique_ptr<TScratchFolder> ScratchFolderOn(const std::string& AFolder) {
  auto Saved = GetEnv("TMPDIR");
  if (fs::is_directory(AFolder)) SetEnv("TMPDIR", AFolder);
  auto Result = std::make_unique<TScratchFolder>();
  Saved ? SetEnv("TMPDIR", *Saved) : UnsetEnv("TMPDIR");
  return Result;
}

// Source on another file system (the memory-backed one) so rename cannot do it. Where /dev/shm is
// missing the move goes through rename and the same expectations hold.
TEST(MergeMove, CopiesAcrossFileSystemsKeepingBytesModeAndTime) {
  TScratchFolder Target;
  std::unique_ptr<TScratchFolder> Source = ScratchFolderOn("/dev/shm");

  std::string Content(300000, '\0');
  for (std::size_t I = 0; I < Content.size(); ++I) Content[I] = static_cast<char>(I * 31);
  std::string Saved = Source->Write("Templates/big.bin", Content);
  fs::permissions(Saved, fs::perms(0640));
  fs::last_write_time(Saved, fs::last_write_time(Saved) - std::chrono::hours(24 * 365));
  auto SavedTime = fs::last_write_time(Saved);
  Target.Write("Templates/big.bin", "newer and different");

  MergeMove(Source->Path(), Target.Path());
  std::string Restored = Target / "Templates/big.bin";
  EXPECT_EQ(TScratchFolder::Read(Restored), Content);
  EXPECT_EQ(fs::status(Restored).permissions(), fs::perms(0640));
  EXPECT_EQ(fs::last_write_time(Restored), SavedTime);
  EXPECT_FALSE(fs::exists(Saved));
  EXPECT_EQ(std::distance(fs::directory_iterator(Target / "Templates"), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace Quellit::Platform
