#include "Platform/File.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Folder.h"
#include "Platform/SystemError.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

std::vector<std::uint8_t> Bytes(const std::string& AText) { return {AText.begin(), AText.end()}; }

TEST(TFileHandle, WriteSeekReadAndSize) {
  TScratchFolder Scratch;
  TFileHandle File(Scratch / "f.bin", TFileAccess::ReadWrite, TFileDisposition::CreateNew);
  EXPECT_EQ(File.Write("hello world", 11), 11);
  EXPECT_EQ(File.Size(), 11u);
  EXPECT_EQ(File.Seek(6, TSeekOrigin::Begin), 6);
  char Buffer[16] = {};
  EXPECT_EQ(File.Read(Buffer, sizeof Buffer), 5);  // short only at the end
  EXPECT_STREQ(Buffer, "world");
  File.SetSize(5);
  EXPECT_EQ(File.Size(), 5u);
  File.Close();
  EXPECT_FALSE(File.IsOpen());
  EXPECT_EQ(TScratchFolder::Read(Scratch / "f.bin"), "hello");
}

// Starting the write-back is a hint: on any range, past the end or on a handle only read, it
// changes no byte, no size and no position, and reports nothing.
TEST(TFileHandle, StartingTheWriteBackChangesNothing) {
  TScratchFolder Scratch;
  TFileHandle File(Scratch / "f.bin", TFileAccess::ReadWrite, TFileDisposition::CreateNew);
  File.Write("hello world", 11);
  File.StartWriteBack(0, 11);
  File.StartWriteBack(6, 1u << 30);
  File.StartWriteBack(1u << 20, 4096);
  EXPECT_EQ(File.Size(), 11u);
  EXPECT_EQ(File.Seek(0, TSeekOrigin::Current), 11);
  File.Close();
  TFileHandle Reader(Scratch / "f.bin", TFileAccess::Read, TFileDisposition::OpenExisting);
  Reader.StartWriteBack(0, 11);
  EXPECT_EQ(TScratchFolder::Read(Scratch / "f.bin"), "hello world");
}

TEST(TFileHandle, DispositionsFollowTheirRules) {
  TScratchFolder Scratch;
  std::string Path = Scratch.Write("exists.txt", "old content");
  EXPECT_THROW(TFileHandle(Path, TFileAccess::Write, TFileDisposition::CreateNew), EOSError);
  EXPECT_THROW(TFileHandle(Scratch / "missing", TFileAccess::Read, TFileDisposition::OpenExisting), EOSError);
  {
    TFileHandle Kept(Path, TFileAccess::Write, TFileDisposition::OpenAlways);
    EXPECT_EQ(Kept.Size(), 11u);  // opened as it is, not shortened
    Kept.Write("NEW", 3);
  }
  EXPECT_EQ(TScratchFolder::Read(Path), "NEW content");
  { TFileHandle Truncated(Path, TFileAccess::Write, TFileDisposition::CreateAlways); }
  EXPECT_EQ(TScratchFolder::Read(Path), "");
  { TFileHandle Created(Scratch / "new.txt", TFileAccess::Write, TFileDisposition::OpenAlways); }
  EXPECT_TRUE(FileExists(Scratch / "new.txt"));
}

TEST(TFileHandle, OpenErrorNamesThePathAndCode) {
  TScratchFolder Scratch;
  try {
    TFileHandle File(Scratch / "missing.txt", TFileAccess::Read, TFileDisposition::OpenExisting);
    FAIL() << "opened a missing file";
  } catch (const EOSError& E) {
    EXPECT_TRUE(IsFileNotFound(E.ErrorCode()));
    EXPECT_NE(E.Message().find("missing.txt"), std::string::npos) << E.Message();
  }
}

TEST(TFileHandle, MoveTransfersOwnership) {
  TScratchFolder Scratch;
  TFileHandle First(Scratch / "m", TFileAccess::Write, TFileDisposition::CreateAlways);
  const TNativeHandle Handle = First.NativeHandle();
  TFileHandle Second(std::move(First));
  EXPECT_FALSE(First.IsOpen());
  EXPECT_EQ(Second.NativeHandle(), Handle);
  EXPECT_EQ(Second.Path(), Scratch / "m");
}

TEST(File, ExistenceInfoAndDeletion) {
  TScratchFolder Scratch;
  std::string Path = Scratch.Write("sub/.hidden", "12345");
  EXPECT_TRUE(FileExists(Path));
  EXPECT_FALSE(DirectoryExists(Path));
  EXPECT_TRUE(DirectoryExists(Scratch / "sub"));
  EXPECT_FALSE(FileExists(Scratch / "sub"));

  auto Info = GetFileInfo(Path);
  ASSERT_TRUE(Info);
  EXPECT_EQ(Info->Size, 5u);
  EXPECT_TRUE(Info->IsHidden);
  EXPECT_FALSE(Info->IsDirectory);
  EXPECT_FALSE(Info->IsReadOnly);
  EXPECT_GT(Info->LastWriteTime.Seconds, 1600000000);
  EXPECT_TRUE(GetFileInfo(Scratch / "sub")->IsDirectory);
  EXPECT_FALSE(GetFileInfo(Scratch / "none"));

  EXPECT_FALSE(DeleteFile(Scratch / "sub"));  // a folder is not a file
  EXPECT_TRUE(DeleteFile(Path));
  EXPECT_FALSE(FileExists(Path));
  const TOSResult Again = DeleteFile(Path);
  EXPECT_FALSE(Again);
  EXPECT_TRUE(IsFileNotFound(Again.ErrorCode()));
}

// A failed call answers its own code and the system's text for it, and raises with both. The
// codes are the backend's; the kinds callers test for are named by the layer.
TEST(File, AFailedCallCarriesItsCodeAndText) {
  TScratchFolder Scratch;
  Scratch.Write("folder/file", "x");
  const struct {
    TOSResult Result;
    bool (*IsExpected)(int);
  } Cases[] = {
      {DeleteFile(Scratch / "missing"), IsFileNotFound},
      {DeleteFile(Scratch / "folder"), [](int ACode) { return ACode == IsAFolderError(); }},
      {RenameFile(Scratch / "missing", Scratch / "other"), IsFileNotFound},
      {CreateDir(Scratch / "folder"), IsAlreadyExists},
      {RemoveDir(Scratch / "folder"), [](int ACode) { return ACode != 0; }},  // not empty
  };
  for (const auto& Case : Cases) {
    const int Code = Case.Result.ErrorCode();
    EXPECT_FALSE(Case.Result);
    EXPECT_TRUE(Case.IsExpected(Code)) << Code;
    EXPECT_EQ(Case.Result.ErrorText(), SystemErrorText(Code));
    try {
      Case.Result.RaiseOnFailure(Scratch / "x");
      ADD_FAILURE() << "no exception for code " << Code;
    } catch (const EOSError& E) {
      EXPECT_EQ(E.ErrorCode(), Code);
      EXPECT_EQ(E.Message(), OSErrorMessage(Code, SystemErrorText(Code) + ": " + Scratch / "x"));
    }
  }
  EXPECT_NO_THROW(TOSResult().RaiseOnFailure(Scratch / "x"));
  EXPECT_EQ(TOSResult().ErrorCode(), 0);
}


TEST(File, RenameReplacesTheTarget) {
  TScratchFolder Scratch;
  std::string From = Scratch.Write("from", "new"), To = Scratch.Write("to", "old");
  EXPECT_TRUE(RenameFile(From, To));
  EXPECT_EQ(TScratchFolder::Read(To), "new");
  EXPECT_FALSE(RenameFile(From, To));
}

TEST(File, ReadAllBytesReadsFilesOfUnknownSize) {
  TScratchFolder Scratch;
  EXPECT_EQ(ReadAllBytes(Scratch.Write("a", "abc")), Bytes("abc"));
  EXPECT_EQ(ReadAllBytes(Scratch.Write("empty", "")), Bytes(""));
  EXPECT_THROW(ReadAllBytes(Scratch / "missing"), EOSError);
}

TEST(File, WriteAllBytesAtomicReplacesAndLeavesNoTemporary) {
  TScratchFolder Scratch;
  std::string Path = Scratch.Write("settings.xml", "old and longer content");
  WriteAllBytesAtomic(Path, "new", 3);
  EXPECT_EQ(TScratchFolder::Read(Path), "new");
  WriteAllBytesAtomic(Scratch / "fresh.xml", "x", 1);
  EXPECT_EQ(TScratchFolder::Read(Scratch / "fresh.xml"), "x");
  int Entries = 0;
  for ([[maybe_unused]] auto& Entry : std::filesystem::directory_iterator(Scratch.Path())) ++Entries;
  EXPECT_EQ(Entries, 2);
}

// The temporary beside a target whose name uses the whole 255 bytes must still be a valid name.
TEST(File, WriteAllBytesAtomicWritesATargetWithTheLongestName) {
  TScratchFolder Scratch;
  for (std::size_t Length : {254u, 255u}) {
    std::string Path = Scratch / std::string(Length, 'n');
    WriteAllBytesAtomic(Path, "x", 1);
    EXPECT_EQ(TScratchFolder::Read(Path), "x") << Length;
  }
  int Entries = 0;
  for ([[maybe_unused]] auto& Entry : std::filesystem::directory_iterator(Scratch.Path())) ++Entries;
  EXPECT_EQ(Entries, 2);
}

TEST(File, WriteAllBytesAtomicFailureKeepsTheOriginal) {
  TScratchFolder Scratch;
  EXPECT_THROW(WriteAllBytesAtomic(Scratch / "no-folder/file", "x", 1), EOSError);
  // Renaming over a folder fails after the temporary was written: it must not stay behind.
  std::filesystem::create_directories(Scratch / "target/inner");
  EXPECT_THROW(WriteAllBytesAtomic(Scratch / "target", "x", 1), EOSError);
  EXPECT_TRUE(DirectoryExists(Scratch / "target/inner"));
  int Entries = 0;
  for ([[maybe_unused]] auto& Entry : std::filesystem::directory_iterator(Scratch.Path())) ++Entries;
  EXPECT_EQ(Entries, 1);
}

TEST(File, ReadFileStartReadsAtMostItsLimit) {
  TScratchFolder Scratch;
  const std::string Path = Scratch.Write("linkname.txt", "first line\r\nsecond");
  EXPECT_EQ(ReadFileStart(Path, 5), Bytes("first"));
  EXPECT_EQ(ReadFileStart(Path, 1000), Bytes("first line\r\nsecond"));
  EXPECT_THROW(ReadFileStart(Scratch / "missing", 5), EOSError);
}

TEST(File, ReadAllBytesAtMostReadsOnlyFilesWithinItsBound) {
  TScratchFolder Scratch;
  const std::string Path = Scratch.Write("options.xml", "12345");
  EXPECT_EQ(ReadAllBytesAtMost(Path, 6), Bytes("12345"));
  EXPECT_EQ(ReadAllBytesAtMost(Path, 5), Bytes("12345"));
  EXPECT_EQ(ReadAllBytesAtMost(Path, 4), std::nullopt);
  EXPECT_THROW(ReadAllBytesAtMost(Scratch / "missing", 5), EOSError);
}

}  // namespace
}  // namespace Quellit::Platform
