#include "Platform/SystemError.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/Win32/SystemCall.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

// The system's own text, without the full stop and line break its message table ends with.
std::string MessageTableText(DWORD ACode) {
  wchar_t Buffer[512];
  const DWORD Length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ACode, 0,
                                        Buffer, static_cast<DWORD>(std::size(Buffer)), nullptr);
  std::wstring_view Text(Buffer, Length);
  while (!Text.empty() && (Text.back() == L'\r' || Text.back() == L'\n' || Text.back() == L'.' || Text.back() == L' '))
    Text.remove_suffix(1);
  return Utf8OfWide(Text);
}

TEST(Win32SystemError, CodesStayAsTheSystemGivesThemWithTheSystemsText) {
  Testing::TScratchFolder Scratch;
  for (const auto& [Path, Code] : {std::pair{Scratch / "missing.txt", ERROR_FILE_NOT_FOUND},
                                   std::pair{Scratch / "no-folder/missing.txt", ERROR_PATH_NOT_FOUND}}) {
    try {
      TFileHandle File(Path, TFileAccess::Read, TFileDisposition::OpenExisting);
      FAIL() << "opened " << Path;
    } catch (const EOSError& E) {
      EXPECT_EQ(E.ErrorCode(), static_cast<int>(Code));
      EXPECT_TRUE(IsFileNotFound(E.ErrorCode()));
      EXPECT_EQ(E.Message(), OSErrorMessage(static_cast<int>(Code), MessageTableText(Code) + ": " + Path));
    }
  }
}

TEST(Win32SystemError, TheNamedKindsAreWindowsCodesWithTexts) {
  EXPECT_EQ(NotAFolderError(), ERROR_DIRECTORY);
  EXPECT_TRUE(IsAlreadyExists(ERROR_FILE_EXISTS));
  EXPECT_TRUE(IsAlreadyExists(ERROR_ALREADY_EXISTS));
  for (int Code : {IsAFolderError(), NotAFolderError(), static_cast<int>(ERROR_SHARING_VIOLATION)})
    EXPECT_FALSE(SystemErrorText(Code).empty()) << Code;
  EXPECT_EQ(SystemErrorText(0x7FFFFFF0), "Unknown error 2147483632");
}

}  // namespace
}  // namespace Quellit::Platform
