#include "App/dlgEasySetup.Shortcuts.h"

#include <gtest/gtest.h>

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

struct TLinkNameCase {
  std::string FirstLine;
  std::string Expected;
};

TEST(CleanLinkName, NeverNamesAFileOutsideTheDesktop) {
  const std::vector<TLinkNameCase> Cases = {
      {"Нормативные базы", "Нормативные базы"},
      {"  padded  ", "padded"},
      {"../../etc/evil", ".._.._etc_evil"},
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
