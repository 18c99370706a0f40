// The check-box tree without a toolkit: nodes, their order, and the check-state rules of the
// wizard's tree. The console view and the tests' view keep their tree in it; a toolkit window
// may mirror it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "App/dlgEasySetup.View.h"
#include "Lib/Common/Common.Object.h"

namespace Quellit {

class TCheckedTreeModel : public TObject {
 public:
  // The handler a click on a check box asks: it may change the new state and whether the click
  // applies to the whole subtree.
  using TOnCheckEvent = std::function<void(TTreeNodeId ANode, bool& ANewState, bool& AApplyForSubNodes)>;

  TTreeNodeId AddChildFirst(TTreeNodeId AParent, const std::string& AText);
  TTreeNodeId AddChildLast(TTreeNodeId AParent, const std::string& AText);
  void SetData(TTreeNodeId ANode, int AData) { Node(ANode).Data = AData; }
  int Data(TTreeNodeId ANode) const { return Node(ANode).Data; }
  void SetImageIndex(TTreeNodeId ANode, int AIndex) { Node(ANode).ImageIndex = AIndex; }
  int ImageIndex(TTreeNodeId ANode) const { return Node(ANode).ImageIndex; }
  const std::string& Text(TTreeNodeId ANode) const { return Node(ANode).Text; }
  TTreeNodeId Parent(TTreeNodeId ANode) const { return Node(ANode).Parent; }
  const std::vector<TTreeNodeId>& Children(TTreeNodeId ANode) const;
  bool Expanded(TTreeNodeId ANode) const { return Node(ANode).Expanded; }

  // Parents never change; with ACheckSubNodes the whole subtree below takes the same state.
  void SetChecked(TTreeNodeId ANode, bool AChecked, bool ACheckSubNodes);
  bool GetChecked(TTreeNodeId ANode) const { return Node(ANode).Checked; }
  void Expand(TTreeNodeId ANode) { Node(ANode).Expanded = true; }
  void Collapse(TTreeNodeId ANode, bool ARecurse);
  // Removes the node with its subtree.
  void Delete(TTreeNodeId ANode);
  void Clear();

  int Count() const { return static_cast<int>(Flat().size()); }
  TTreeNodeId NodeByIndex(int AIndex) const;
  // The flat order: as the nodes would appear fully expanded, top down.
  const std::vector<TTreeNodeId>& Flat() const;

  // A click on a node's check box: the new state is the opposite of the current one, the handler
  // may change it, and by default the subtree follows.
  void ClickCheckBox(TTreeNodeId ANode);
  TOnCheckEvent OnCheck;

 private:
  struct TNode {
    std::string Text;
    TTreeNodeId Parent = NoTreeNode;
    std::vector<TTreeNodeId> Children;
    int Data = 0;
    int ImageIndex = -1;
    bool Checked = false;
    bool Expanded = false;
    bool Alive = true;
  };
  TNode& Node(TTreeNodeId ANode);
  const TNode& Node(TTreeNodeId ANode) const;
  TTreeNodeId NewNode(TTreeNodeId AParent, const std::string& AText);
  std::vector<TTreeNodeId>& ChildrenOf(TTreeNodeId AParent);
  void AppendFlat(TTreeNodeId ANode, std::vector<TTreeNodeId>& AOut) const;

  std::vector<TNode> FNodes;          // indexed by node id; deleted nodes stay as dead slots
  std::vector<TTreeNodeId> FTopLevel;
  // Rebuilt lazily: walking the tree for every index would make whole-tree loops quadratic.
  mutable std::vector<TTreeNodeId> FFlat;
  mutable bool FFlatValid = true;
};

}  // namespace Quellit
