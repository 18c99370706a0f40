#include "App/dlgEasySetup.CheckedTree.h"

#include <algorithm>
#include <iterator>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"

namespace Quellit {

namespace {
const char* const UnitName = "App/dlgEasySetup.CheckedTree";
}

TCheckedTreeModel::TNode& TCheckedTreeModel::Node(TTreeNodeId ANode) {
  return const_cast<TNode&>(static_cast<const TCheckedTreeModel*>(this)->Node(ANode));
}

const TCheckedTreeModel::TNode& TCheckedTreeModel::Node(TTreeNodeId ANode) const {
  Assert(ANode >= 0 && ANode < static_cast<int>(FNodes.size()) && FNodes[static_cast<std::size_t>(ANode)].Alive,
         Format("Узел %d не существует", ANode), UnitName);
  return FNodes[static_cast<std::size_t>(ANode)];
}

std::vector<TTreeNodeId>& TCheckedTreeModel::ChildrenOf(TTreeNodeId AParent) {
  return AParent == NoTreeNode ? FTopLevel : Node(AParent).Children;
}

const std::vector<TTreeNodeId>& TCheckedTreeModel::Children(TTreeNodeId ANode) const {
  return ANode == NoTreeNode ? FTopLevel : Node(ANode).Children;
}

TTreeNodeId TCheckedTreeModel::NewNode(TTreeNodeId AParent, const std::string& AText) {
  if (AParent != NoTreeNode) Node(AParent);  // asserts the parent exists
  TNode Fresh;
  Fresh.Text = AText;
  Fresh.Parent = AParent;
  FNodes.push_back(std::move(Fresh));
  FFlatValid = false;
  return static_cast<TTreeNodeId>(FNodes.size() - 1);
}

TTreeNodeId TCheckedTreeModel::AddChildFirst(TTreeNodeId AParent, const std::string& AText) {
  TTreeNodeId Id = NewNode(AParent, AText);
  std::vector<TTreeNodeId>& Siblings = ChildrenOf(AParent);
  Siblings.insert(Siblings.begin(), Id);
  return Id;
}

TTreeNodeId TCheckedTreeModel::AddChildLast(TTreeNodeId AParent, const std::string& AText) {
  TTreeNodeId Id = NewNode(AParent, AText);
  ChildrenOf(AParent).push_back(Id);
  return Id;
}

void TCheckedTreeModel::SetChecked(TTreeNodeId ANode, bool AChecked, bool ACheckSubNodes) {
  Node(ANode).Checked = AChecked;
  if (!ACheckSubNodes) return;
  for (TTreeNodeId Child : Node(ANode).Children) SetChecked(Child, AChecked, true);
}

void TCheckedTreeModel::Collapse(TTreeNodeId ANode, bool ARecurse) {
  Node(ANode).Expanded = false;
  if (!ARecurse) return;
  for (TTreeNodeId Child : Node(ANode).Children) Collapse(Child, true);
}

void TCheckedTreeModel::Delete(TTreeNodeId ANode) {
  std::vector<TTreeNodeId> Children = Node(ANode).Children;
  for (TTreeNodeId Child : Children) Delete(Child);
  std::vector<TTreeNodeId>& Siblings = ChildrenOf(Node(ANode).Parent);
  // Trees are trimmed from the last node up, so the node is searched from the end.
  auto It = std::find(Siblings.rbegin(), Siblings.rend(), ANode);
  if (It != Siblings.rend()) Siblings.erase(std::next(It).base());
  Node(ANode).Alive = false;
  FFlatValid = false;
}

void TCheckedTreeModel::Clear() {
  FNodes.clear();
  FTopLevel.clear();
  FFlatValid = false;
}

void TCheckedTreeModel::AppendFlat(TTreeNodeId ANode, std::vector<TTreeNodeId>& AOut) const {
  AOut.push_back(ANode);
  for (TTreeNodeId Child : Node(ANode).Children) AppendFlat(Child, AOut);
}

const std::vector<TTreeNodeId>& TCheckedTreeModel::Flat() const {
  if (!FFlatValid) {
    FFlat.clear();
    for (TTreeNodeId Top : FTopLevel) AppendFlat(Top, FFlat);
    FFlatValid = true;
  }
  return FFlat;
}

TTreeNodeId TCheckedTreeModel::NodeByIndex(int AIndex) const {
  const std::vector<TTreeNodeId>& Nodes = Flat();
  Assert(AIndex >= 0 && AIndex < static_cast<int>(Nodes.size()), Format("Индекс узла %d вне списка", AIndex),
         UnitName);
  return Nodes[static_cast<std::size_t>(AIndex)];
}

void TCheckedTreeModel::ClickCheckBox(TTreeNodeId ANode) {
  bool NewState = !GetChecked(ANode);
  bool ApplyForSubNodes = true;
  if (OnCheck) OnCheck(ANode, NewState, ApplyForSubNodes);
  SetChecked(ANode, NewState, ApplyForSubNodes);
}

}  // namespace Quellit
