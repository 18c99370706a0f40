#include "App/dlgEasySetup.Shortcuts.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "App/dlgEasySetup.Settings.h"
#include "Platform/DesktopShortcut.h"
#include "Platform/Path.h"
#include "Support/PathText.h"
#include "Support/RussianLocale.h"
#include "WizardSandbox.h"

#ifdef _WIN32
#include <shlobj.h>
#include <shobjidl.h>

#include "Platform/Win32/ComCall.h"
#endif

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::FileSystemPathOf;
using Testing::NativePath;
using Testing::TScratchFolder;
using Testing::TWizard;
using Testing::TWizardSandbox;

// The shortcut file's name for ALinkName: the platform's extension (".desktop", ".lnk") added.
std::string LinkFile(const std::string& ALinkName) {
  return ALinkName + Platform::ExtractFileExt(Platform::DesktopShortcutPath("x"));
}

struct TShortcutContents {
  std::string Name, WorkingFolder;
};

// What a shortcut file says, read as the desktop reads it.
TShortcutContents ReadShortcut(const std::string& APath) {
  TShortcutContents Contents;
#ifdef _WIN32
  Platform::TComScope Com;
  Platform::TComPtr<IShellLinkW> Link;
  Platform::TComPtr<IPersistFile> File;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, Link.ReceiveVoid())) ||
      FAILED(Link->QueryInterface(IID_IPersistFile, File.ReceiveVoid())) ||
      FAILED(File->Load(Platform::WideOf(APath).c_str(), STGM_READ))) {
    ADD_FAILURE() << "cannot load " << APath;
    return Contents;
  }
  wchar_t Text[INFOTIPSIZE] = {};
  if (SUCCEEDED(Link->GetWorkingDirectory(Text, MAX_PATH))) Contents.WorkingFolder = Platform::Utf8OfWide(Text);
  Text[0] = 0;
  if (SUCCEEDED(Link->GetDescription(Text, INFOTIPSIZE))) Contents.Name = Platform::Utf8OfWide(Text);
#else
  const std::string Entry = TScratchFolder::Read(APath);
  auto Value = [&](const std::string& AKey) {
    const std::size_t Start = Entry.find("\n" + AKey + "=");
    if (Start == std::string::npos) return std::string();
    const std::size_t From = Start + AKey.size() + 2;
    return Entry.substr(From, Entry.find('\n', From) - From);
  };
  Contents.Name = Value("Name");
  Contents.WorkingFolder = Value("Path");
#endif
  return Contents;
}

// Payload: Docs/readme.txt, Docs/Guide/, Нормативы/ (with linkname.txt), Архив/, top.txt.
void WritePayload(const TWizardSandbox& ASandbox, const std::string& ALinkName) {
  ASandbox.WritePayload(1, "Docs/readme.txt", "r");
  ASandbox.WritePayload(1, "Docs/Guide/g.txt", "g");
  ASandbox.WritePayload(1, "Нормативы/base.dat", "b");
  ASandbox.WritePayload(1, "Нормативы/linkname.txt", ALinkName);
  ASandbox.WritePayload(1, "Архив/old.dat", "o");
  ASandbox.WritePayload(1, "top.txt", "t");
}

TEST(CreateShortcuts, TheTreeListsFoldersFirstInReverseOrderThenFilesAndPreChecksLinks) {
  TWizardSandbox Sandbox;
  WritePayload(Sandbox, "Нормативные базы\r\n");
  Sandbox.WriteSettings("[links]\n1=Нормативы\n2=Docs\\readme.txt\n3=docs\\readme.txt\n");
  TWizard Wizard;
  Wizard.Next();
  EXPECT_EQ(Wizard.View.TreeLines(),
            (std::vector<std::string>{"+Нормативы", "base.dat", "Архив", "old.dat", "Docs", "Guide", "g.txt",
                                      "+readme.txt", "top.txt"}));
  TCheckedTreeModel& Tree = Wizard.View.Tree;
  TTreeNodeId Readme = Tree.NodeByIndex(7);
  EXPECT_TRUE(Tree.Expanded(Readme));
  EXPECT_TRUE(Tree.Expanded(Tree.Parent(Readme)));
  EXPECT_EQ(Wizard.Form.DataList.at(static_cast<std::size_t>(Tree.Data(Readme))).Name, NativePath("Docs/readme.txt"));
}

TEST(CreateShortcuts, WritesTheCheckedShortcutsAndLeavesTheFolderTreeForConnections) {
  TWizardSandbox Sandbox;
  WritePayload(Sandbox, "Нормативные базы\r\nsecond line\r\n");
  Sandbox.WriteSettings(
      "[links]\n1=Нормативы\n2=Docs\\readme.txt\n3=Архив\n4=top.txt\n"
      "[connections]\n1=Docs\\Guide\n2=korvel.ru\n");
  TWizard Wizard;
  Wizard.Next();
  Wizard.Next();
  Wizard.Next();
  std::string App = Sandbox.ProductRoot(1);
  const std::vector<std::string> Expected = {
      Sandbox.Desktop() + LinkFile("Нормативные базы"), Sandbox.Desktop() + LinkFile("Архив"),
      Sandbox.Desktop() + LinkFile("readme.txt"), Sandbox.Desktop() + LinkFile("top.txt")};
  EXPECT_EQ(Wizard.Form.ShortCutList, Expected);
  TShortcutContents First = ReadShortcut(Expected[0]);
  EXPECT_EQ(First.Name, "Нормативные базы");
  EXPECT_EQ(First.WorkingFolder, App);
  EXPECT_EQ(ReadShortcut(Expected[2]).WorkingFolder, App + NativePath("Docs/"));
  // Files are gone from the tree; the folder from "connections" and the site host are checked.
  EXPECT_EQ(Wizard.View.TreeLines(),
            (std::vector<std::string>{"Нормативы", "Архив", "Docs", "+Guide", "+korvel.ru"}));
  TTreeNodeId Guide = Wizard.View.Tree.NodeByIndex(3);
  EXPECT_TRUE(Wizard.View.Tree.Expanded(Wizard.View.Tree.Parent(Guide)));
}

TEST(CreateShortcuts, WithBothPagesHiddenOneNextDoesShortcutsAndLandsOnTheLastPage) {
  TWizardSandbox Sandbox;
  WritePayload(Sandbox, "");
  Sandbox.WriteSettings("[links]\nshowdialog=0\n1=Нормативы\n[connections]\nshowdialog=0\n");
  TWizard Wizard;
  Wizard.Next();
  Wizard.Next();
  EXPECT_EQ(Wizard.Form.FPageState, psDone);
  // An empty linkname.txt falls back to the folder's own name.
  EXPECT_EQ(Wizard.Form.ShortCutList, std::vector<std::string>{Sandbox.Desktop() + LinkFile("Нормативы")});
  EXPECT_TRUE(fs::exists(FileSystemPathOf(Sandbox.Desktop() + LinkFile("Нормативы"))));
}

TEST(CreateShortcuts, TwoEntriesWithOneNameGiveOneFileListedTwice) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, "A/same.txt", "a");
  Sandbox.WritePayload(1, "B/same.txt", "b");
  Sandbox.WriteSettings("[links]\n1=A\\same.txt\n2=B\\same.txt\n");
  TWizard Wizard;
  Wizard.Next();
  Wizard.Next();
  Wizard.Next();
  std::string Link = Sandbox.Desktop() + LinkFile("same.txt");
  EXPECT_EQ(Wizard.Form.ShortCutList, (std::vector<std::string>{Link, Link}));
  EXPECT_EQ(std::distance(fs::directory_iterator(FileSystemPathOf(Sandbox.Desktop())), fs::directory_iterator()), 1);
}

std::string Repeat(const std::string& AText, int ACount) {
  std::string Result;
  for (int I = 0; I < ACount; ++I) Result += AText;
  return Result;
}

struct TDesktopNameCase {
  const char* Name;
  std::string LinkName;  // the first line of linkname.txt
  std::string FileName;  // the shortcut file made on the desktop
};

// The shortcut a linkname.txt holding ACase.LinkName gives.
void ExpectShortcutFile(const TDesktopNameCase& Case) {
  SCOPED_TRACE(Case.Name);
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, "Нормативы/base.dat", "b");
  Sandbox.WritePayload(1, "Нормативы/linkname.txt", Case.LinkName + "\r\n");
  Sandbox.WriteSettings("[links]\nshowdialog=0\n1=Нормативы\n[connections]\nshowdialog=0\n");
  TWizard Wizard;
  Wizard.Next();
  Wizard.Next();
  ASSERT_EQ(Wizard.Form.FPageState, psDone);
  EXPECT_EQ(Wizard.Form.ShortCutList, std::vector<std::string>{Sandbox.Desktop() + Case.FileName});
  EXPECT_TRUE(fs::exists(FileSystemPathOf(Sandbox.Desktop() + Case.FileName)));
  EXPECT_TRUE(Wizard.View.Errors.empty());
}

// What the shortcut file is called: a file name holds 255 units (bytes here, UTF-16 units on
// Windows), the extension included, and the cut never splits a character; a hidden name is never
// made.
TEST(CreateShortcuts, LinkNamesAreCutToTheFileNameLimitAndNeverHidden) {
#ifdef _WIN32
  // 251 units before ".lnk"; an emoji is two units, so a cut may fall between them.
  const std::vector<TDesktopNameCase> Cases = {
      {"a cut inside a character", "a" + Repeat("\xF0\x9F\x98\x80", 130), LinkFile("a" + Repeat("\xF0\x9F\x98\x80", 125))},
      {"exactly at the limit", Repeat("x", 251), LinkFile(Repeat("x", 251))},
      {"one unit over", Repeat("x", 252), LinkFile(Repeat("x", 251))},
#else
  const std::vector<TDesktopNameCase> Cases = {
      {"long Cyrillic", Repeat("Ж", 200), LinkFile(Repeat("Ж", 123))},
      {"a cut inside a character", "ab" + Repeat("Ж", 150), LinkFile("ab" + Repeat("Ж", 122))},
      {"exactly at the limit", Repeat("x", 247), LinkFile(Repeat("x", 247))},
      {"one byte over", Repeat("x", 248), LinkFile(Repeat("x", 247))},
#endif
      {"leading dots", "..Нормативные базы", LinkFile("Нормативные базы")},
      {"only dots", "...", LinkFile("Нормативы")},
      {"empty", "", LinkFile("Нормативы")},
  };
  for (const TDesktopNameCase& Case : Cases) ExpectShortcutFile(Case);
}

#ifdef _WIN32
TEST(CreateShortcuts, ALongCyrillicLinkNameIsCutInUtf16Units) {
  if (Testing::UnderWine())
    GTEST_SKIP() << "Wine: a file name is held on the host's file system, 255 bytes of UTF-8 (two a Cyrillic "
                    "letter), not 255 UTF-16 units";
  ExpectShortcutFile({"long Cyrillic", Repeat("Ж", 300), LinkFile(Repeat("Ж", 251))});
}
#endif  // _WIN32

struct TBrokenDesktopCase {
  const char* Name;
  std::string Desktop;  // relative to the scratch folder
  std::string InTheWay; // a file written there first, "" for none
  bool Made;            // the shortcut is made after all
};

// The desktop folder is created when missing; when it cannot be, or a shortcut cannot be written,
// that is a logged failure and the wizard goes on: the other shortcuts and the connections follow.
TEST(CreateShortcuts, AShortcutThatCannotBeWrittenIsLoggedAndTheRunGoesOn) {
  const std::vector<TBrokenDesktopCase> Cases = {
      {"missing desktop", "New/Рабочий стол", "", true},
      {"desktop below a file", "blocker/Desktop", "blocker", false},
      {"desktop is a file", "Desktop-file", "Desktop-file", false},
  };
  for (const TBrokenDesktopCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TWizardSandbox Sandbox;
    std::string Desktop = NativePath(Sandbox.Scratch() / Case.Desktop);
    Sandbox.SetDesktop(Desktop);
    if (!Case.InTheWay.empty()) Sandbox.WriteFile(Sandbox.Scratch() / Case.InTheWay, "not a folder");
    Sandbox.WritePayload(1, "Нормативы/base.dat", "b");
    Sandbox.WritePayload(1, "top.txt", "t");
    Sandbox.WriteSettings("[links]\nshowdialog=0\n1=Нормативы\n2=top.txt\n"
                          "[connections]\nshowdialog=0\n1=Нормативы\n");
    TWizard Wizard;
    Wizard.Next();
    std::size_t LogBefore = Wizard.View.Log.size();
    Wizard.Next();
    EXPECT_EQ(Wizard.Form.FPageState, psDone);
    EXPECT_TRUE(Wizard.View.Errors.empty());
    EXPECT_EQ(fs::exists(FileSystemPathOf(Platform::JoinPath(Desktop, LinkFile("Нормативы")))), Case.Made);
    EXPECT_EQ(fs::exists(FileSystemPathOf(Platform::JoinPath(Desktop, LinkFile("top.txt")))), Case.Made);
    std::vector<std::string> Added(Wizard.View.Log.begin() + static_cast<std::ptrdiff_t>(LogBefore),
                                   Wizard.View.Log.end());
    if (Case.Made) {
      EXPECT_TRUE(Added.empty());
      EXPECT_TRUE(Wizard.View.Messages.empty());
    } else {
      ASSERT_EQ(Added.size(), 2u);
      EXPECT_TRUE(Added[0].starts_with("Ошибка создания ярлыка \"Нормативы\": ")) << Added[0];
      EXPECT_TRUE(Added[1].starts_with("Ошибка создания ярлыка \"top.txt\": ")) << Added[1];
      ASSERT_EQ(Wizard.View.Messages.size(), 1u);
      EXPECT_EQ(Wizard.View.Messages[0].Text, "Не удалось создать ярлыки на рабочем столе для:\nНормативы\ntop.txt");
      EXPECT_EQ(Wizard.View.Messages[0].Icon, miWarning);
      EXPECT_TRUE(Wizard.Form.ShortCutList.empty());
    }
    // The connections step ran all the same.
    EXPECT_NE(TScratchFolder::Read(TVeska8Information32::Instance().ConnectionOptionsFilename()).find("KV.Files"),
              std::string::npos);
  }
}

#ifndef _WIN32
// One shortcut failing leaves the others: a linkname.txt that is a pipe cannot be read.
TEST(CreateShortcuts, OneFailedShortcutDoesNotStopTheNext) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, "Нормативы/base.dat", "b");
  Sandbox.WritePayload(1, "top.txt", "t");
  ASSERT_EQ(::mkfifo((Sandbox.PayloadRoot(1) + "Нормативы/linkname.txt").c_str(), 0600), 0);
  Sandbox.WriteSettings("[links]\nshowdialog=0\n1=Нормативы\n2=top.txt\n[connections]\nshowdialog=0\n");
  TWizard Wizard;
  Wizard.Next();
  Wizard.Next();
  EXPECT_EQ(Wizard.Form.FPageState, psDone);
  EXPECT_EQ(Wizard.Form.ShortCutList, std::vector<std::string>{Sandbox.Desktop() + LinkFile("top.txt")});
  EXPECT_TRUE(Wizard.View.Log.back().starts_with("Ошибка создания ярлыка \"Нормативы\": ")) << Wizard.View.Log.back();
  EXPECT_TRUE(Wizard.View.Errors.empty());
}
#endif  // _WIN32

struct TLinkNameCase {
  std::string FirstLine;
  std::string Expected;
};

TEST(CleanLinkName, NeverNamesAFileOutsideTheDesktop) {
  const std::vector<TLinkNameCase> Cases = {
      {"Нормативные базы", "Нормативные базы"},
      {"  padded  ", "padded"},
      {"../../etc/evil", "_.._etc_evil"},
      {".hidden", "hidden"},
      {" . .. x", "x"},
      {"...", "Folder"},
      {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i"},
      {"", "Folder"},
      {"   ", "Folder"},
      {"..", "Folder"},
      {".", "Folder"},
      {"tab\there", "tab_here"},
  };
  for (const TLinkNameCase& Case : Cases)
    EXPECT_EQ(CleanLinkName(Case.FirstLine, "Folder"), Case.Expected) << Case.FirstLine;
}

}  // namespace
}  // namespace Quellit
