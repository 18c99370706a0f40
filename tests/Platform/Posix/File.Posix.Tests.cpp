// What the POSIX backend adds to the file contract: named pipes, system files of unknown size,
// permission bits, owners, the real user's rights and symbolic links.
#include "Platform/File.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Folder.h"
#include "Platform/Process.h"
#include "Platform/SystemError.h"
#include "Support/RunAsNobody.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

// Without mandatory share modes a file being written is read at the same time.
TEST(TFileHandle, TwoHandlesShareReadingAndWriting) {
  TScratchFolder Scratch;
  TFileHandle Writer(Scratch / "shared", TFileAccess::Write, TFileDisposition::CreateAlways);
  TFileHandle Reader(Scratch / "shared", TFileAccess::Read, TFileDisposition::OpenExisting);
  Writer.Write("abc", 3);
  char Buffer[3];
  EXPECT_EQ(Reader.Read(Buffer, 3), 3);
  EXPECT_EQ(std::string(Buffer, 3), "abc");
}

TEST(SystemError, AMissingFileIsTheSystemsOwnText) {
  try {
    RaiseFileNotFound("/no/such/folder");
    FAIL() << "no exception";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.Message(), "System Error.  Code: 2.\nNo such file or directory: /no/such/folder");
  }
}

// A failed call answers the system's own code for its failure and the system's text for it, and
// raises with both.
TEST(File, AFailedCallCarriesTheSystemsCodeAndText) {
  TScratchFolder Scratch;
  Scratch.Write("folder/file", "x");
  const struct {
    TOSResult Result;
    int Code;
  } Cases[] = {
      {DeleteFile(Scratch / "missing"), ENOENT},
      {DeleteFile(Scratch / "folder"), EISDIR},
      {RenameFile(Scratch / "missing", Scratch / "other"), ENOENT},
      {CreateDir(Scratch / "folder"), EEXIST},
      {RemoveDir(Scratch / "folder"), ENOTEMPTY},
  };
  for (const auto& Case : Cases) {
    EXPECT_FALSE(Case.Result);
    EXPECT_EQ(Case.Result.ErrorCode(), Case.Code);
    EXPECT_EQ(Case.Result.ErrorText(), SystemErrorText(Case.Code));
    try {
      Case.Result.RaiseOnFailure(Scratch / "x");
      ADD_FAILURE() << "no exception for code " << Case.Code;
    } catch (const EOSError& E) {
      EXPECT_EQ(E.ErrorCode(), Case.Code);
      EXPECT_EQ(E.Message(), "System Error.  Code: " + std::to_string(Case.Code) + ".\n" + SystemErrorText(Case.Code) + ": " + Scratch / "x");
    }
  }
  EXPECT_NO_THROW(TOSResult().RaiseOnFailure(Scratch / "x"));
  EXPECT_EQ(TOSResult().ErrorCode(), 0);
}
TEST(File, SystemFilesOfUnknownOrEndlessSizeAreRead) {
  EXPECT_FALSE(ReadAllBytes("/proc/self/status").empty());  // stat reports size 0 there
  EXPECT_EQ(ReadAllBytesAtMost("/dev/zero", 3), std::nullopt);  // no size given, and endless
  EXPECT_EQ(ReadFileStart("/dev/zero", 3), std::vector<std::uint8_t>(3, 0));  // an endless file
}

TEST(TFileHandle, NamedPipeIsRefusedRatherThanWaitedOn) {
  TScratchFolder Scratch;
  const std::string Pipe = Scratch / "pipe";
  ASSERT_EQ(TChildProcess("/usr/bin/mkfifo", {Pipe}).Wait(), 0);
  // Without a writer a plain open would block for ever.
  EXPECT_THROW(TFileHandle(Pipe, TFileAccess::Read, TFileDisposition::OpenExisting), EOSError);
}

TEST(File, WriteAllBytesAtomicKeepsThePermissionBitsOfAReplacedFile) {
  TScratchFolder Scratch;
  std::string Path = Scratch.Write("settings.xml", "old and longer content");
  std::filesystem::permissions(Path, std::filesystem::perms(0640));
  WriteAllBytesAtomic(Path, "new", 3);
  EXPECT_EQ(TScratchFolder::Read(Path), "new");
  EXPECT_EQ(std::filesystem::status(Path).permissions(), std::filesystem::perms(0640));
}

// What an unprivileged user may replace: the folder is open to everybody, so only the file's own
// protection can refuse.
TEST(File, WriteAllBytesAtomicRespectsTheFileProtectionOfTheRealUser) {
  struct TCase {
    const char* Name;
    uid_t Owner;
    unsigned Mode;
    bool Replaced;
  };
  const TCase Cases[] = {
      {"own, read-only", Testing::NobodyId, 0444, false},
      {"own, writable", Testing::NobodyId, 0644, true},
      {"another's, not writable for us", 0, 0644, false},
      {"another's, writable for everybody", 0, 0666, true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TScratchFolder Scratch;
    ASSERT_EQ(::chmod(Scratch.Path().c_str(), 0777), 0);
    const std::string Path = Scratch.Write("Connections.xml", "old");
    ASSERT_EQ(::chown(Path.c_str(), C.Owner, C.Owner), 0);
    ASSERT_EQ(::chmod(Path.c_str(), C.Mode), 0);
    const int Status = Testing::RunAsNobody([&] {
      try {
        WriteAllBytesAtomic(Path, "new", 3);
        return 0;
      } catch (const EOSError& E) {
        return E.ErrorCode() == EACCES && std::string(E.what()).find(Path) != std::string::npos ? 13 : 1;
      }
    });
    EXPECT_EQ(Status, C.Replaced ? 0 : 13);
    EXPECT_EQ(TScratchFolder::Read(Path), C.Replaced ? "new" : "old");
    struct stat Info {};
    ASSERT_EQ(::stat(Path.c_str(), &Info), 0);
    EXPECT_EQ(Info.st_mode & 07777, C.Mode);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Scratch.Path()), {}), 1);  // no temporary left
  }
}

TEST(File, WriteAllBytesAtomicRefusesAFileNobodyMayWriteEvenForTheAdministrator) {
  TScratchFolder Scratch;
  const std::string Path = Scratch.Write("settings.xml", "old");
  std::filesystem::permissions(Path, std::filesystem::perms(0444));
  try {
    WriteAllBytesAtomic(Path, "new", 3);
    FAIL() << "a read-only file was replaced";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), EACCES);
    EXPECT_NE(std::string(E.what()).find("Permission denied: " + Path), std::string::npos) << E.what();
  }
  EXPECT_EQ(TScratchFolder::Read(Path), "old");
}

TEST(File, WriteAllBytesAtomicKeepsTheOwnerOfAReplacedFile) {
  TScratchFolder Scratch;
  const std::string Path = Scratch.Write("Connections.xml", "old");
  ASSERT_EQ(::chown(Path.c_str(), Testing::NobodyId, Testing::NobodyId), 0);
  WriteAllBytesAtomic(Path, "new", 3);
  struct stat Info {};
  ASSERT_EQ(::stat(Path.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_uid, Testing::NobodyId);
  EXPECT_EQ(Info.st_gid, Testing::NobodyId);
}

// A link is saved through: the file it ends at is replaced, the links stay links.
TEST(File, WriteAllBytesAtomicSavesThroughSymbolicLinks) {
  TScratchFolder Scratch;
  const std::string Real = Scratch.Write("real/Connections.xml", "old");
  std::filesystem::permissions(Real, std::filesystem::perms(0600));
  std::filesystem::create_directories(Scratch / "docs");
  std::filesystem::create_symlink("../real/Connections.xml", Scratch / "docs/middle.xml");  // relative
  std::filesystem::create_symlink(Scratch / "docs/middle.xml", Scratch / "docs/Connections.xml");
  WriteAllBytesAtomic(Scratch / "docs/Connections.xml", "new", 3);
  EXPECT_EQ(TScratchFolder::Read(Real), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(Scratch / "docs/Connections.xml"));
  EXPECT_TRUE(std::filesystem::is_symlink(Scratch / "docs/middle.xml"));
  EXPECT_EQ(std::filesystem::status(Real).permissions(), std::filesystem::perms(0600));
  // The temporary lived beside the target, not beside the link.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Scratch / "docs"), {}), 2);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Scratch / "real"), {}), 1);

  // A dangling link creates its target.
  std::filesystem::create_symlink("made.xml", Scratch / "real/dangling.xml");
  WriteAllBytesAtomic(Scratch / "real/dangling.xml", "x", 1);
  EXPECT_EQ(TScratchFolder::Read(Scratch / "real/made.xml"), "x");
  EXPECT_TRUE(std::filesystem::is_symlink(Scratch / "real/dangling.xml"));

  // A link to a read-only file is refused like the file itself.
  std::filesystem::permissions(Real, std::filesystem::perms(0444));
  EXPECT_THROW(WriteAllBytesAtomic(Scratch / "docs/Connections.xml", "newer", 5), EOSError);
  EXPECT_EQ(TScratchFolder::Read(Real), "new");

  // A loop of links never ends: an error, nothing written.
  std::filesystem::create_symlink("b", Scratch / "real/a");
  std::filesystem::create_symlink("a", Scratch / "real/b");
  try {
    WriteAllBytesAtomic(Scratch / "real/a", "x", 1);
    FAIL() << "a loop of links was written through";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), ELOOP);
  }
  EXPECT_EQ(ResolveSymbolicLinkChain(Real), Real);
  EXPECT_EQ(ResolveSymbolicLinkChain(Scratch / "docs/Connections.xml"), Scratch / "docs/../real/Connections.xml");
}

}  // namespace
}  // namespace Quellit::Platform
