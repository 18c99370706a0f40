// Windows path forms: drives, shares, both separators, and names the layer's text cannot hold.
#include "Platform/Path.h"

#include <gtest/gtest.h>

#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/NativeName.h"
#include "Support/ScratchFolder.h"
// windows.h last: its S_OK and friends are macros.
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

TEST(Win32Path, DrivesAndSharesAreAbsoluteAndHaveRoots) {
  for (const char* Absolute : {"C:\\", "c:/x", "\\\\server\\share\\x", "\\x", "/x"})
    EXPECT_TRUE(IsAbsolutePath(Absolute)) << Absolute;
  for (const char* Relative : {"", "x", "C:x", "C:", ".\\x"}) EXPECT_FALSE(IsAbsolutePath(Relative)) << Relative;
  for (const char* Root : {"C:\\", "C:", "d:/", "\\", "\\\\server\\share", "\\\\server\\share\\"})
    EXPECT_TRUE(IsRootFolder(Root)) << Root;
  for (const char* Other : {"C:\\x", "\\\\server", "\\\\server\\", "\\\\server\\share\\x", "x"})
    EXPECT_FALSE(IsRootFolder(Other)) << Other;
}

TEST(Win32Path, BothSeparatorsSeparateAndTheBackslashIsWritten) {
  EXPECT_EQ(PathSeparator(), '\\');
  EXPECT_EQ(ExtractFileName("a/b\\c.txt"), "c.txt");
  EXPECT_EQ(ExtractFilePath("a\\b/c.txt"), "a\\b/");
  EXPECT_EQ(JoinFolderPath("C:", "Корвел"), "C:\\Корвел\\");
  EXPECT_EQ(ToNativeSeparators("a/b\\c"), "a\\b\\c");
}

// Names are the system's UTF-16: no text is remembered, and Windows-1251 bytes from the narrow
// side are read as the text they stand for.
TEST(Win32Path, NativeNamesAreTheTextItself) {
  EXPECT_EQ(NativePath("C:\\Корвел\\x"), "C:\\Корвел\\x");
  EXPECT_EQ(PathFromNative("\xCA\xEE\xF0\xE2\xE5\xEB"), "Корвел");
}

TEST(Win32Path, AListingLeavesOutANameNoTextCanName) {
  Testing::TScratchFolder Scratch;
  std::wstring Name = WidePathOf(Scratch.Path()) + L"\\lone-";
  Name += static_cast<wchar_t>(0xD800);
  const TScopedKernelHandle File(
      ::CreateFileW(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File.IsValid()) GTEST_SKIP() << "Wine: a name with a lone surrogate cannot be created (" << ::GetLastError() << ")";
  Scratch.Write("plain.txt", "x");
  const std::vector<TFolderEntry> Entries = ListFolder(Scratch.Path());
  ASSERT_EQ(Entries.size(), 1u);
  EXPECT_EQ(Entries[0].Name, "plain.txt");
}

// The classic form drops a trailing dot or blank and turns "aux.txt" into a device; names a
// listing gives are the files themselves.
TEST(Win32Path, NamesTheClassicFormReadsOtherwiseNameTheirOwnFiles) {
  Testing::TScratchFolder Scratch;
  Scratch.Write("trailing", "plain");
  for (const std::string Name : {"trailing.", "blank ", "aux.txt", "NUL", "com1"}) {
    const std::string Path = Scratch / Name;
    WriteAllBytesAtomic(Path, Name.data(), Name.size());
    EXPECT_TRUE(FileExists(Path)) << Name;
    EXPECT_EQ(ReadAllBytes(Path), std::vector<std::uint8_t>(Name.begin(), Name.end())) << Name;
  }
  std::vector<std::string> Listed;
  for (const TFolderEntry& Entry : ListFolder(Scratch.Path())) Listed.push_back(Entry.Name);
  EXPECT_EQ(Listed, (std::vector<std::string>{"aux.txt", "blank ", "com1", "NUL", "trailing", "trailing."}));
  EXPECT_EQ(Testing::TScratchFolder::Read(Scratch / "trailing"), "plain");
  for (const std::string& Name : Listed) EXPECT_TRUE(DeleteFile(Scratch / Name)) << Name;
  EXPECT_TRUE(ListFolder(Scratch.Path()).empty());
}

TEST(Win32Path, TheLiteralFormResolvesDotsByHandAndKeepsTheNames) {
  EXPECT_EQ(WidePathOf("C:\\a\\.\\b\\..\\c.\\nul"), L"\\\\?\\C:\\a\\c.\\nul");
  EXPECT_EQ(WidePathOf("\\\\server\\share\\x\\aux"), L"\\\\?\\UNC\\server\\share\\x\\aux");
  EXPECT_EQ(WidePathOf("C:\\plain\\name.txt"), L"C:\\plain\\name.txt");
  EXPECT_EQ(WidePathOf("C:\\console.txt"), L"C:\\console.txt");
}

}  // namespace
}  // namespace Quellit::Platform
