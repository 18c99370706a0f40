// The window's side of the wizard's check-box tree: the controller's integer node ids mapped to
// the items of a TKvCheckedTreeView, the nodes' data, and the tree's image list of file icons.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QString>

#include "App/dlgEasySetup.View.h"

class QTreeWidgetItem;

namespace Quellit {

class TKvCheckedTreeView;

class TWindowTree {
 public:
  explicit TWindowTree(TKvCheckedTreeView& ATree);
  TWindowTree(const TWindowTree&) = delete;
  TWindowTree& operator=(const TWindowTree&) = delete;

  TTreeNodeId AddChildFirst(TTreeNodeId AParent, const std::string& AText);
  TTreeNodeId AddChildLast(TTreeNodeId AParent, const std::string& AText);
  void SetNodeData(TTreeNodeId ANode, int AData);
  int NodeData(TTreeNodeId ANode) const;
  void SetNodeImageIndex(TTreeNodeId ANode, int AIndex);
  int NodeImageIndex(TTreeNodeId ANode) const;
  std::string NodeText(TTreeNodeId ANode) const;
  TTreeNodeId NodeParent(TTreeNodeId ANode) const;
  void SetChecked(TTreeNodeId ANode, bool AChecked, bool ACheckSubNodes);
  bool GetChecked(TTreeNodeId ANode) const;
  void Expand(TTreeNodeId ANode);
  void Collapse(TTreeNodeId ANode, bool ARecurse);
  void DeleteNode(TTreeNodeId ANode);
  int NodeCount() const;
  TTreeNodeId NodeByIndex(int AIndex) const;
  void ScrollToTop();
  int GetIconIndex(const std::string& AFileName);

  // The id of a tree item; NoTreeNode for an item this map does not know.
  TTreeNodeId IdOf(const QTreeWidgetItem* AItem) const;
  QTreeWidgetItem* Item(TTreeNodeId ANode) const;
  int ImageCount() const { return static_cast<int>(FImages.size()); }

 private:
  struct TNode {
    QTreeWidgetItem* Item = nullptr;  // null once deleted
    int Data = 0;
    int ImageIndex = -1;
  };
  TTreeNodeId Register(QTreeWidgetItem* AItem);
  void Forget(QTreeWidgetItem* AItem);
  void AppendFlat(QTreeWidgetItem* AItem, std::vector<TTreeNodeId>& AOut) const;
  const std::vector<TTreeNodeId>& Flat() const;
  int AppendImage(const QIcon& AIcon);

  TKvCheckedTreeView& FTree;
  std::vector<TNode> FNodes;  // indexed by node id
  std::unordered_map<const QTreeWidgetItem*, TTreeNodeId> FIds;
  // Rebuilt lazily: the controller walks every node by index, which must not walk the tree each time.
  mutable std::vector<TTreeNodeId> FFlat;
  mutable bool FFlatValid = true;
  QFileIconProvider FIcons;
  std::vector<QIcon> FImages;
  QHash<QString, int> FSharedImages;  // one image per file type, as the system's icon list keeps them
};

}  // namespace Quellit
