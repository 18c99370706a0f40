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

TEST(TFileSnapshot, DoesNotReadAFileOverItsLimit) {
  Testing::TScratchFolder Scratch;
  const std::string Path = Scratch.Write("big.txt", "12345");
  TFileSnapshot Limited(4), Exact(5);
  EXPECT_TRUE(Limited.Update(Path));
  EXPECT_TRUE(Limited.Exists());
  EXPECT_EQ(Limited.Bytes(), "");
  ASSERT_TRUE(Limited.ReadError());
  EXPECT_NE(Limited.ReadError()->find("File too large: " + Path + " (5 bytes; at most 4 are read)"), std::string::npos);
  Exact.Update(Path);
  EXPECT_FALSE(Exact.ReadError());
  EXPECT_EQ(Exact.Bytes(), "12345");
}

}  // namespace
}  // namespace Quellit::Platform
