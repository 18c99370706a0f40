#include "Platform/SystemError.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

TEST(SystemError, FileNotFoundCarriesCodeTwoAndThePath) {
  try {
    RaiseFileNotFound("/no/such/folder");
    FAIL() << "no exception";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), 2);
    EXPECT_TRUE(IsFileNotFound(E.ErrorCode()));
    EXPECT_FALSE(SystemErrorText(2).empty());
    EXPECT_EQ(E.Message(), "System Error.  Code: 2.\n" + SystemErrorText(2) + ": /no/such/folder");
  }
}

// The test a caller makes of an error raised by the layer itself, whatever the backend's numbers.
TEST(SystemError, FileNotFoundIsTheErrorOfAMissingPathOnly) {
  try {
    ReadAllBytes("/no/such/folder/file.bin");
    FAIL() << "no exception";
  } catch (const EOSError& E) {
    EXPECT_TRUE(IsFileNotFound(E.ErrorCode())) << E.Message();
  }
  EXPECT_FALSE(IsFileNotFound(0));
}

// The named kinds are the errors the layer's own calls fail with, so callers test for them instead
// of a backend's numbers.
TEST(SystemError, NamedKindsAreTheErrorsOfTheLayersCalls) {
  Testing::TScratchFolder Scratch;
  std::string File = Scratch.Write("taken.txt", "x");
  try {
    TFileHandle(File, TFileAccess::Write, TFileDisposition::CreateNew);
    FAIL() << "no exception";
  } catch (const EOSError& E) {
    EXPECT_TRUE(IsAlreadyExists(E.ErrorCode())) << E.Message();
  }
  EXPECT_FALSE(IsAlreadyExists(0));
  EXPECT_FALSE(IsAlreadyExists(IsAFolderError()));

  ForceDirectories(Scratch / "folder");
  EXPECT_EQ(DeleteFile(Scratch / "folder").ErrorCode(), IsAFolderError());
  EXPECT_EQ(CreateDir(JoinPath(File, "below")).ErrorCode(), NotAFolderError());
  EXPECT_NE(IsAFolderError(), NotAFolderError());
}

TEST(SystemError, NotAFolderCarriesTheSystemTextAndThePath) {
  try {
    RaiseNotAFolder("/a/file");
    FAIL() << "no exception";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), NotAFolderError());
    EXPECT_EQ(E.Message(), OSErrorMessage(NotAFolderError(), SystemErrorText(NotAFolderError()) + ": /a/file"));
  }
}

}  // namespace
}  // namespace Quellit::Platform
