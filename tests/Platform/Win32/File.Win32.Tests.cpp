// What the Win32 backend adds to the file contract: share modes, paths past MAX_PATH, and reparse
// points where the update writes.
#include "Platform/File.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/FileLock.h"
#include "Platform/FileOperations.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Platform/ReplacementFile.h"
#include "Platform/SystemError.h"
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

// Another program's handle, opened with the share mode it chooses.
TScopedKernelHandle OpenAsAnotherProgram(const std::string& APath, DWORD AAccess, DWORD AShare) {
  return TScopedKernelHandle(
      ::CreateFileW(WidePathOf(APath).c_str(), AAccess, AShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// ---- share modes --------------------------------------------------------------------------------

TEST(Win32File, AFileAnotherProgramKeepsToItselfIsASharingViolationNamingThePath) {
  TScratchFolder Scratch;
  const std::string Path = Scratch.Write("locked.txt", "data");
  const TScopedKernelHandle Other = OpenAsAnotherProgram(Path, GENERIC_READ, 0);
  ASSERT_TRUE(Other.IsValid());
  for (TFileAccess Access : {TFileAccess::Read, TFileAccess::Write}) {
    try {
      TFileHandle File(Path, Access, TFileDisposition::OpenExisting);
      FAIL() << "opened a file shared with nobody";
    } catch (const EOSError& E) {
      EXPECT_EQ(E.ErrorCode(), ERROR_SHARING_VIOLATION);
      EXPECT_EQ(E.Message(), OSErrorMessage(ERROR_SHARING_VIOLATION, SystemErrorText(ERROR_SHARING_VIOLATION) + ": " + Path));
    }
  }
  EXPECT_THROW(ReadAllBytes(Path), EOSError);
}

// Readers share reading only, writers reading and writing; nobody shares deletion.
TEST(Win32File, HandlesShareAsTheirAccessAllows) {
  struct TCase {
    TFileAccess First, Second;
    bool SecondOpens;
  };
  for (const TCase& C : {TCase{TFileAccess::Read, TFileAccess::Read, true}, TCase{TFileAccess::Read, TFileAccess::Write, false},
                         TCase{TFileAccess::Write, TFileAccess::Read, false}, TCase{TFileAccess::Write, TFileAccess::Write, true},
                         TCase{TFileAccess::ReadWrite, TFileAccess::Write, true}}) {
    TScratchFolder Scratch;
    const std::string Path = Scratch.Write("shared.txt", "abc");
    TFileHandle First(Path, C.First, TFileDisposition::OpenExisting);
    try {
      TFileHandle Second(Path, C.Second, TFileDisposition::OpenExisting);
      EXPECT_TRUE(C.SecondOpens) << static_cast<int>(C.First) << " then " << static_cast<int>(C.Second);
    } catch (const EOSError& E) {
      EXPECT_FALSE(C.SecondOpens) << static_cast<int>(C.First) << " then " << static_cast<int>(C.Second);
      EXPECT_EQ(E.ErrorCode(), ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(DeleteFile(Path).ErrorCode(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(RenameFile(Path, Scratch / "moved.txt").ErrorCode(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(RenameNoReplace(Path, Scratch / "moved.txt"));
    // Another program that writes with the share modes the layer's writers use.
    const bool OtherWrites = OpenAsAnotherProgram(Path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE).IsValid();
    EXPECT_EQ(OtherWrites, C.First != TFileAccess::Read);
  }
}

TEST(Win32File, AClosedFileIsDeletedAndRenamedAgain) {
  TScratchFolder Scratch;
  const std::string Path = Scratch / "written.txt";
  TFileHandle Writer(Path, TFileAccess::Write, TFileDisposition::CreateNew);
  Writer.Write("abc", 3);
  EXPECT_FALSE(DeleteFile(Path));
  Writer.Close();
  EXPECT_EQ(ReadAllBytes(Path), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  EXPECT_TRUE(RenameFile(Path, Scratch / "renamed.txt"));
  EXPECT_TRUE(DeleteFile(Scratch / "renamed.txt"));
}

TEST(Win32File, TheLockFileStaysReadableAndWritableByItsHolder) {
  TScratchFolder Scratch;
  const std::string Path = Scratch / "update.lock";
  TFileLock Lock(Path);
  ASSERT_TRUE(Lock.Held());
  EXPECT_FALSE(TFileLock(Path).Held());
  // The lock is no byte the file holds: its own data stays reachable through other handles.
  TFileHandle File(Path, TFileAccess::ReadWrite, TFileDisposition::OpenExisting);
  File.Write("journal", 7);
  File.Seek(0, TSeekOrigin::Begin);
  char Buffer[8] = {};
  EXPECT_EQ(File.Read(Buffer, 7), 7);
  EXPECT_STREQ(Buffer, "journal");
}

// ---- long paths ---------------------------------------------------------------------------------

TEST(Win32File, PathsPastMaxPathWork) {
  TScratchFolder Scratch;
  std::string Folder = Scratch.Path();
  for (int Level = 0; Folder.size() <= 300; ++Level) Folder = JoinPath(Folder, "folder-of-a-deep-payload-" + std::to_string(Level));
  ForceDirectories(Folder);
  ASSERT_TRUE(DirectoryExists(Folder));
  const std::string File = JoinPath(Folder, "Шаблон сметы.xlt");
  ASSERT_GT(File.size(), 260u);
  WriteAllBytesAtomic(File, "content", 7);
  EXPECT_TRUE(FileExists(File));
  EXPECT_EQ(GetFileInfo(File)->Size, 7u);
  EXPECT_EQ(ReadAllBytes(File).size(), 7u);
  const std::vector<TFolderEntry> Entries = ListFolder(Folder);
  ASSERT_EQ(Entries.size(), 1u);
  EXPECT_EQ(Entries[0].Name, "Шаблон сметы.xlt");
  EXPECT_TRUE(RenameNoReplace(File, File + ".bak"));
  {
    TReplacementFile Replacement(File);
    Replacement.Handle().Write("new", 3);
    Replacement.Commit(false);
  }
  EXPECT_EQ(ListFolder(Folder).size(), 2u);
  RemoveFolderTree(JoinPath(Scratch.Path(), "folder-of-a-deep-payload-0"));
  EXPECT_FALSE(DirectoryExists(Folder));
}

TEST(Win32File, ALongPathIsGivenTheLongFormAndAShortOneStaysAsItIs) {
  EXPECT_EQ(WidePathOf("a/b\\c.txt"), L"a\\b\\c.txt");
  const std::string Long = "C:\\" + std::string(300, 'x') + "\\.\\y";
  EXPECT_EQ(WidePathOf(Long), L"\\\\?\\C:\\" + std::wstring(300, L'x') + L"\\y");
  const std::string Share = "\\\\server\\share\\" + std::string(300, 'x');
  EXPECT_EQ(WidePathOf(Share), L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'x'));
  EXPECT_EQ(PathOfWide(L"\\\\?\\UNC\\server\\share\\x"), "\\\\server\\share\\x");
  EXPECT_EQ(PathOfWide(L"\\\\?\\C:\\x"), "C:\\x");
}

// ---- reparse points -----------------------------------------------------------------------------

// Whether the system made a symbolic link. Without the right to make links the unprivileged flag
// of developer mode is tried; success is believed only when the link is there.
bool MakeLink(const std::string& ALink, const std::string& ATarget, bool AFolder) {
  const DWORD Flags = AFolder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
  const std::wstring Link = WidePathOf(ALink), Target = WidePathOf(ATarget);
  if (!::CreateSymbolicLinkW(Link.c_str(), Target.c_str(), Flags) &&
      !::CreateSymbolicLinkW(Link.c_str(), Target.c_str(), Flags | 0x2 /* unprivileged */))
    return false;
  const DWORD Attributes = ::GetFileAttributesW(Link.c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

constexpr const char* NoReparsePoints =
    "Wine: no reparse points (CreateSymbolicLinkW reports success and makes nothing, "
    "FSCTL_SET_REPARSE_POINT answers ERROR_NOT_SUPPORTED)";

TEST(Win32File, NothingTheUpdateWritesFollowsAReparsePoint) {
  TScratchFolder Scratch;
  const std::string Outside = Scratch.Write("outside/kept.txt", "outside");
  const std::string Tree = Scratch / "tree";
  ForceDirectories(Tree);
  if (!MakeLink(JoinPath(Tree, "link-to-outside"), ExcludeTrailingPathDelimiter(ExtractFilePath(Outside)), true))
    GTEST_SKIP() << NoReparsePoints;
  EXPECT_EQ(PathKindOf(JoinPath(Tree, "link-to-outside")), TPathKind::Link);
  // A planted link in place of the lock file is refused, not followed.
  ASSERT_TRUE(MakeLink(Scratch / "planted.lock", Outside, false));
  EXPECT_THROW(TFileLock(Scratch / "planted.lock"), EOSError);
  EXPECT_FALSE(RenameNoReplace(Scratch.Write("new.txt", "new"), Scratch / "planted.lock"));
  // Removing the tree removes the link and leaves its target alone.
  RemoveFolderTree(Tree);
  EXPECT_FALSE(DirectoryExists(Tree));
  EXPECT_EQ(TScratchFolder::Read(Outside), "outside");
}

TEST(Win32File, AnAtomicWriteSavesThroughALinkAndKeepsIt) {
  TScratchFolder Scratch;
  const std::string Target = Scratch.Write("settings.xml", "old");
  const std::string Link = Scratch / "link.xml";
  if (!MakeLink(Link, Target, false)) GTEST_SKIP() << NoReparsePoints;
  EXPECT_EQ(ResolveSymbolicLinkChain(Link), Target);
  WriteAllBytesAtomic(Link, "new", 3);
  EXPECT_EQ(PathKindOf(Link), TPathKind::Link);
  EXPECT_EQ(TScratchFolder::Read(Target), "new");
}

// ---- attributes ---------------------------------------------------------------------------------

TEST(Win32File, AReadOnlyFileIsNotReplacedAndTheHiddenAttributeIsKept) {
  TScratchFolder Scratch;
  const std::string Locked = Scratch.Write("locked.txt", "old");
  ::SetFileAttributesW(WidePathOf(Locked).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(GetFileInfo(Locked)->IsReadOnly);
  try {
    WriteAllBytesAtomic(Locked, "new", 3);
    FAIL() << "replaced a read-only file";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), ERROR_ACCESS_DENIED);
  }
  EXPECT_EQ(TScratchFolder::Read(Locked), "old");
  ::SetFileAttributesW(WidePathOf(Locked).c_str(), FILE_ATTRIBUTE_NORMAL);

  const std::string Hidden = Scratch.Write("hidden.txt", "old");
  ::SetFileAttributesW(WidePathOf(Hidden).c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(GetFileInfo(Hidden)->IsHidden);
  WriteAllBytesAtomic(Hidden, "new", 3);
  EXPECT_EQ(TScratchFolder::Read(Hidden), "new");
  EXPECT_TRUE(::GetFileAttributesW(WidePathOf(Hidden).c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST(Win32File, AFolderOpenedAsAFileIsNamedSo) {
  TScratchFolder Scratch;
  try {
    TFileHandle File(Scratch.Path(), TFileAccess::Read, TFileDisposition::OpenExisting);
    FAIL() << "opened a folder as a file";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), IsAFolderError());
  }
}

}  // namespace
}  // namespace Quellit::Platform
