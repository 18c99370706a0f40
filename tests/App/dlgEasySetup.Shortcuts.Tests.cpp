#include "App/dlgEasySetup.Shortcuts.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "App/dlgEasySetup.Settings.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::TScratchFolder;
using Testing::TWizard;
using Testing::TWizardSandbox;

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
  EXPECT_EQ(Wizard.Form.DataList.at(static_cast<std::size_t>(Tree.Data(Readme))).Name, "Docs/readme.txt");
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
      Sandbox.Desktop() + "Нормативные базы.desktop", Sandbox.Desktop() + "Архив.desktop",
      Sandbox.Desktop() + "readme.txt.desktop", Sandbox.Desktop() + "top.txt.desktop"};
  EXPECT_EQ(Wizard.Form.ShortCutList, Expected);
  std::string Entry = TScratchFolder::Read(Expected[0]);
  EXPECT_NE(Entry.find("Name=Нормативные базы\n"), std::string::npos) << Entry;
  EXPECT_NE(Entry.find("Path=" + App + "\n"), std::string::npos) << Entry;
  EXPECT_NE(TScratchFolder::Read(Expected[2]).find("Path=" + App + "Docs/\n"), std::string::npos);
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
  EXPECT_EQ(Wizard.Form.ShortCutList, std::vector<std::string>{Sandbox.Desktop() + "Нормативы.desktop"});
  EXPECT_TRUE(fs::exists(Sandbox.Desktop() + "Нормативы.desktop"));
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
  std::string Link = Sandbox.Desktop() + "same.txt.desktop";
  EXPECT_EQ(Wizard.Form.ShortCutList, (std::vector<std::string>{Link, Link}));
  EXPECT_EQ(std::distance(fs::directory_iterator(Sandbox.Desktop()), fs::directory_iterator()), 1);
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

// What the shortcut file is called: a file name holds 255 bytes, ".desktop" included, and the cut
// never splits a character; a hidden name is never made.
TEST(CreateShortcuts, LinkNamesAreCutToTheFileNameLimitAndNeverHidden) {
  const std::vector<TDesktopNameCase> Cases = {
      {"long Cyrillic", Repeat("Ж", 200), Repeat("Ж", 123) + ".desktop"},
      {"a cut inside a character", "ab" + Repeat("Ж", 150), "ab" + Repeat("Ж", 122) + ".desktop"},
      {"exactly at the limit", Repeat("x", 247), Repeat("x", 247) + ".desktop"},
      {"one byte over", Repeat("x", 248), Repeat("x", 247) + ".desktop"},
      {"leading dots", "..Нормативные базы", "Нормативные базы.desktop"},
      {"only dots", "...", "Нормативы.desktop"},
      {"empty", "", "Нормативы.desktop"},
  };
  for (const TDesktopNameCase& Case : Cases) {
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
    EXPECT_TRUE(fs::exists(Sandbox.Desktop() + Case.FileName));
    EXPECT_TRUE(Wizard.View.Errors.empty());
  }
}

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
    Testing::TScopedEnvironment Environment;
    std::string Desktop = Sandbox.Scratch() / Case.Desktop;
    Environment.Set("XDG_DESKTOP_DIR", Desktop);
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
    EXPECT_EQ(fs::exists(Desktop + "/Нормативы.desktop"), Case.Made);
    EXPECT_EQ(fs::exists(Desktop + "/top.txt.desktop"), Case.Made);
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
  EXPECT_EQ(Wizard.Form.ShortCutList, std::vector<std::string>{Sandbox.Desktop() + "top.txt.desktop"});
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
