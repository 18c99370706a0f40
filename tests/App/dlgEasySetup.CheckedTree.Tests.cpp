#include "App/dlgEasySetup.CheckedTree.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"

namespace Quellit {
namespace {

// Folder { A { A1 }, B }, Other
struct TSmallTree {
  TCheckedTreeModel Tree;
  TTreeNodeId Folder = Tree.AddChildLast(NoTreeNode, "Folder");
  TTreeNodeId B = Tree.AddChildLast(Folder, "B");
  TTreeNodeId A = Tree.AddChildFirst(Folder, "A");
  TTreeNodeId A1 = Tree.AddChildLast(A, "A1");
  TTreeNodeId Other = Tree.AddChildLast(NoTreeNode, "Other");

  std::vector<std::string> Texts() const {
    std::vector<std::string> Result;
    for (TTreeNodeId Node : Tree.Flat()) Result.push_back(Tree.Text(Node));
    return Result;
  }
};

TEST(TCheckedTreeModel, FlatOrderIsTheFullyExpandedTreeTopDown) {
  TSmallTree T;
  EXPECT_EQ(T.Texts(), (std::vector<std::string>{"Folder", "A", "A1", "B", "Other"}));
  EXPECT_EQ(T.Tree.NodeByIndex(2), T.A1);
  T.Tree.Delete(T.A);
  EXPECT_EQ(T.Texts(), (std::vector<std::string>{"Folder", "B", "Other"}));
  EXPECT_EQ(T.Tree.Count(), 3);
}

TEST(TCheckedTreeModel, SettingWithSubnodesTakesTheWholeSubtreeButNeverTheParent) {
  TSmallTree T;
  T.Tree.SetChecked(T.A, true, true);
  EXPECT_TRUE(T.Tree.GetChecked(T.A1));
  EXPECT_FALSE(T.Tree.GetChecked(T.Folder));
  EXPECT_FALSE(T.Tree.GetChecked(T.B));
  T.Tree.SetChecked(T.A1, false, false);
  EXPECT_TRUE(T.Tree.GetChecked(T.A));
  // Children added later start unchecked.
  TTreeNodeId Late = T.Tree.AddChildLast(T.A, "late");
  EXPECT_FALSE(T.Tree.GetChecked(Late));
}

TEST(TCheckedTreeModel, ClickTogglesTheSubtreeUnlessTheHandlerSaysOtherwise) {
  TSmallTree T;
  T.Tree.ClickCheckBox(T.Folder);
  for (TTreeNodeId Node : {T.Folder, T.A, T.A1, T.B}) EXPECT_TRUE(T.Tree.GetChecked(Node));
  T.Tree.ClickCheckBox(T.Folder);
  for (TTreeNodeId Node : {T.Folder, T.A, T.A1, T.B}) EXPECT_FALSE(T.Tree.GetChecked(Node));

  // A handler keeping the current state makes the click change nothing.
  T.Tree.OnCheck = [&](TTreeNodeId ANode, bool& ANewState, bool&) { ANewState = T.Tree.GetChecked(ANode); };
  T.Tree.ClickCheckBox(T.A);
  EXPECT_FALSE(T.Tree.GetChecked(T.A));
  EXPECT_FALSE(T.Tree.GetChecked(T.A1));
}

TEST(TCheckedTreeModel, CollapseWithDescendantsAndNodesThatAreGone) {
  TSmallTree T;
  for (TTreeNodeId Node : {T.Folder, T.A, T.A1}) T.Tree.Expand(Node);
  T.Tree.Collapse(T.Folder, true);
  for (TTreeNodeId Node : {T.Folder, T.A, T.A1}) EXPECT_FALSE(T.Tree.Expanded(Node));
  T.Tree.Delete(T.A);
  EXPECT_THROW(T.Tree.Text(T.A1), EAssertionFailed);
  EXPECT_THROW(T.Tree.NodeByIndex(3), EAssertionFailed);
}

}  // namespace
}  // namespace Quellit
