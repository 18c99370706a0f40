#include "Platform/DesktopShortcut.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Support/ScratchFolder.h"
#include "Platform/Win32/ComCall.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

struct TLinkContents {
  std::string Target, WorkingFolder, Description;
};

// The link as the shell reads it back.
TLinkContents ReadLink(const std::string& APath) {
  TComScope Com;
  TComPtr<IShellLinkW> Link;
  TComPtr<IPersistFile> File;
  TLinkContents Contents;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, Link.ReceiveVoid())) ||
      FAILED(Link->QueryInterface(IID_IPersistFile, File.ReceiveVoid())) ||
      FAILED(File->Load(WideOf(APath).c_str(), STGM_READ))) {
    ADD_FAILURE() << "cannot load " << APath;
    return Contents;
  }
  wchar_t Text[INFOTIPSIZE] = {};
  if (SUCCEEDED(Link->GetPath(Text, MAX_PATH, nullptr, SLGP_RAWPATH))) Contents.Target = Utf8OfWide(Text);
  Text[0] = 0;
  if (SUCCEEDED(Link->GetWorkingDirectory(Text, MAX_PATH))) Contents.WorkingFolder = Utf8OfWide(Text);
  Text[0] = 0;
  if (SUCCEEDED(Link->GetDescription(Text, INFOTIPSIZE))) Contents.Description = Utf8OfWide(Text);
  return Contents;
}

std::size_t Utf16Length(const std::string& AText) { return WideOf(AText).size(); }

TEST(DesktopShortcutWin32, TheLinkReadsBackWithTargetWorkingFolderAndName) {
  TScratchFolder Scratch;
  struct TCase {
    std::string Target, WorkingFolder;
  };
  const std::string Root = JoinPath(Scratch.Path(), "Корвел");
  ForceDirectories(JoinPath(Root, "Нормативы"));
  ForceDirectories(JoinPath(Root, "Docs"));
  const TCase Cases[] = {
      {JoinPath(Root, "Нормативы"), IncludeTrailingPathDelimiter(Root)},
      {JoinPath(Root, "Docs", "readme.txt"), JoinFolderPath(Root, "Docs")},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Target);
    const std::string Link = JoinPath(Scratch.Path(), "Нормативные базы.lnk");
    WriteDesktopShortcut(Link, "Нормативные базы", Case.Target, Case.WorkingFolder);
    const TLinkContents Contents = ReadLink(Link);
    EXPECT_EQ(Contents.Target, Case.Target);
    // The shell keeps the working folder as given, its trailing separator too.
    EXPECT_EQ(ExcludeTrailingPathDelimiter(Contents.WorkingFolder), ExcludeTrailingPathDelimiter(Case.WorkingFolder));
    EXPECT_EQ(Contents.Description, "Нормативные базы");
  }
  // The second write replaced the first whole, and left nothing beside it.
  EXPECT_EQ(ListFolder(Scratch.Path()).size(), 2u);
}

// A name has at most 255 UTF-16 units with ".lnk"; a longer one is cut, never inside a pair of
// surrogates.
TEST(DesktopShortcutWin32, ALongNameIsCutToFitOneFileName) {
  std::string Cyrillic, Emoji;
  for (int I = 0; I < 300; ++I) Cyrillic += "Я";
  for (int I = 0; I < 200; ++I) Emoji += "😀";  // two UTF-16 units each
  for (const std::string& Name : {Cyrillic, "x" + Emoji, Emoji}) {
    const std::string File = ExtractFileName(DesktopShortcutPath(Name));
    SCOPED_TRACE(File.substr(0, 20));
    EXPECT_LE(Utf16Length(File), 255u);
    EXPECT_GE(Utf16Length(File), 254u);
    EXPECT_TRUE(File.ends_with(".lnk"));
    EXPECT_TRUE(Name.starts_with(File.substr(0, File.size() - 4)));
  }
}

TEST(DesktopShortcutWin32, AFailedSaveLeavesNoFileBehind) {
  TScratchFolder Scratch;
  const std::string Folder = JoinPath(Scratch.Path(), "Desktop");
  ForceDirectories(Folder);
  // A folder in the link's place cannot be replaced by a file.
  const std::string Link = JoinPath(Folder, "busy.lnk");
  ForceDirectories(Link);
  EXPECT_THROW(WriteDesktopShortcut(Link, "busy", Scratch.Path(), Scratch.Path()), EOSError);
  EXPECT_EQ(ListFolder(Folder).size(), 1u);
}

}  // namespace
}  // namespace Quellit::Platform
