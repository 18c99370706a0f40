#include "Platform/FileSnapshot.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

TEST(TFileSnapshot, TellsEveryChangeAndOnlyChanges) {
  Testing::TScratchFolder Scratch;
  const std::string Path = Scratch / "watched.txt";
  TFileSnapshot Snapshot;
  EXPECT_TRUE(Snapshot.Update(Path));  // the first look
  EXPECT_FALSE(Snapshot.Exists());
  EXPECT_FALSE(Snapshot.Update(Path));
  Scratch.Write("watched.txt", "one");
  EXPECT_TRUE(Snapshot.Update(Path));
  EXPECT_EQ(Snapshot.Bytes(), "one");
  EXPECT_FALSE(Snapshot.Update(Path));
  Scratch.Write("watched.txt", "two");  // same size, same tick
  EXPECT_TRUE(Snapshot.Update(Path));
  EXPECT_EQ(Snapshot.Bytes(), "two");
  EXPECT_TRUE(Snapshot.Update(Scratch.Write("other.txt", "two")));  // another path
  std::filesystem::remove(Scratch / "other.txt");
  EXPECT_TRUE(Snapshot.Update(Scratch / "other.txt"));
  EXPECT_FALSE(Snapshot.Exists());
  EXPECT_EQ(Snapshot.Bytes(), "");
}

TEST(TFileSnapshot, RecordsWhyAnExistingFileCouldNotBeRead) {
  Testing::TScratchFolder Scratch;
  TFileSnapshot Snapshot;
  EXPECT_TRUE(Snapshot.Update(Scratch.Path()));  // a folder exists but reads as no file
  EXPECT_TRUE(Snapshot.Exists());
  ASSERT_TRUE(Snapshot.ReadError());
  EXPECT_NE(Snapshot.ReadError()->find(Scratch.Path()), std::string::npos);
}

}  // namespace
}  // namespace Quellit::Platform
