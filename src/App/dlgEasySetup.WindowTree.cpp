#include "App/dlgEasySetup.WindowTree.h"

#include <QFileInfo>
#include <QTreeWidgetItem>

#include "Components/KvCheckedTreeView.h"
#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Platform/File.h"

namespace Quellit {

namespace {

const char* const UnitName = "App/dlgEasySetup.WindowTree";

QTreeWidgetItem* NewItem(const std::string& AText) {
  auto* Item = new QTreeWidgetItem(QStringList{QString::fromStdString(AText)});
  // The check box is the tree view's own business: Qt's built-in check toggling stays off.
  Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return Item;
}

void CollapseItem(QTreeWidgetItem* AItem, bool ARecurse) {
  AItem->setExpanded(false);
  if (!ARecurse) return;
  for (int I = 0; I < AItem->childCount(); ++I) CollapseItem(AItem->child(I), true);
}

}  // namespace

TWindowTree::TWindowTree(TKvCheckedTreeView& ATree) : FTree(ATree) {}

QTreeWidgetItem* TWindowTree::Item(TTreeNodeId ANode) const {
  bool Known = ANode >= 0 && ANode < static_cast<int>(FNodes.size()) && FNodes[static_cast<std::size_t>(ANode)].Item;
  Assert(Known, Format("Узел %d не существует", ANode), UnitName);
  return FNodes[static_cast<std::size_t>(ANode)].Item;
}

TTreeNodeId TWindowTree::IdOf(const QTreeWidgetItem* AItem) const {
  auto It = FIds.find(AItem);
  return It == FIds.end() ? NoTreeNode : It->second;
}

TTreeNodeId TWindowTree::Register(QTreeWidgetItem* AItem) {
  TTreeNodeId Id = static_cast<TTreeNodeId>(FNodes.size());
  FNodes.push_back({AItem, 0, -1});
  FIds[AItem] = Id;
  FFlatValid = false;
  return Id;
}

TTreeNodeId TWindowTree::AddChildFirst(TTreeNodeId AParent, const std::string& AText) {
  QTreeWidgetItem* Child = NewItem(AText);
  if (AParent == NoTreeNode)
    FTree.insertTopLevelItem(0, Child);
  else
    Item(AParent)->insertChild(0, Child);
  return Register(Child);
}

TTreeNodeId TWindowTree::AddChildLast(TTreeNodeId AParent, const std::string& AText) {
  QTreeWidgetItem* Child = NewItem(AText);
  if (AParent == NoTreeNode)
    FTree.addTopLevelItem(Child);
  else
    Item(AParent)->addChild(Child);
  return Register(Child);
}

void TWindowTree::SetNodeData(TTreeNodeId ANode, int AData) {
  Item(ANode);
  FNodes[static_cast<std::size_t>(ANode)].Data = AData;
}

int TWindowTree::NodeData(TTreeNodeId ANode) const {
  Item(ANode);
  return FNodes[static_cast<std::size_t>(ANode)].Data;
}

void TWindowTree::SetNodeImageIndex(TTreeNodeId ANode, int AIndex) {
  QTreeWidgetItem* Node = Item(ANode);
  FNodes[static_cast<std::size_t>(ANode)].ImageIndex = AIndex;
  bool Valid = AIndex >= 0 && AIndex < ImageCount();
  Node->setIcon(0, Valid ? FImages[static_cast<std::size_t>(AIndex)] : QIcon());
}

int TWindowTree::NodeImageIndex(TTreeNodeId ANode) const {
  Item(ANode);
  return FNodes[static_cast<std::size_t>(ANode)].ImageIndex;
}

std::string TWindowTree::NodeText(TTreeNodeId ANode) const { return Item(ANode)->text(0).toStdString(); }

TTreeNodeId TWindowTree::NodeParent(TTreeNodeId ANode) const {
  QTreeWidgetItem* Parent = Item(ANode)->parent();
  return Parent ? IdOf(Parent) : NoTreeNode;
}

void TWindowTree::SetChecked(TTreeNodeId ANode, bool AChecked, bool ACheckSubNodes) {
  FTree.SetChecked(Item(ANode), AChecked, ACheckSubNodes);
}

bool TWindowTree::GetChecked(TTreeNodeId ANode) const { return FTree.GetChecked(Item(ANode)); }

void TWindowTree::Expand(TTreeNodeId ANode) { Item(ANode)->setExpanded(true); }

void TWindowTree::Collapse(TTreeNodeId ANode, bool ARecurse) { CollapseItem(Item(ANode), ARecurse); }

void TWindowTree::Forget(QTreeWidgetItem* AItem) {
  for (int I = 0; I < AItem->childCount(); ++I) Forget(AItem->child(I));
  auto It = FIds.find(AItem);
  if (It == FIds.end()) return;
  FNodes[static_cast<std::size_t>(It->second)].Item = nullptr;
  FIds.erase(It);
}

void TWindowTree::DeleteNode(TTreeNodeId ANode) {
  QTreeWidgetItem* Node = Item(ANode);
  Forget(Node);
  delete Node;  // takes itself and its subtree out of the view
  FFlatValid = false;
}

void TWindowTree::AppendFlat(QTreeWidgetItem* AItem, std::vector<TTreeNodeId>& AOut) const {
  AOut.push_back(IdOf(AItem));
  for (int I = 0; I < AItem->childCount(); ++I) AppendFlat(AItem->child(I), AOut);
}

const std::vector<TTreeNodeId>& TWindowTree::Flat() const {
  if (!FFlatValid) {
    FFlat.clear();
    for (int I = 0; I < FTree.topLevelItemCount(); ++I) AppendFlat(FTree.topLevelItem(I), FFlat);
    FFlatValid = true;
  }
  return FFlat;
}

int TWindowTree::NodeCount() const { return static_cast<int>(Flat().size()); }

TTreeNodeId TWindowTree::NodeByIndex(int AIndex) const {
  const std::vector<TTreeNodeId>& Nodes = Flat();
  Assert(AIndex >= 0 && AIndex < static_cast<int>(Nodes.size()), Format("Индекс узла %d вне списка", AIndex),
         UnitName);
  return Nodes[static_cast<std::size_t>(AIndex)];
}

void TWindowTree::ScrollToTop() { FTree.scrollToTop(); }

int TWindowTree::AppendImage(const QIcon& AIcon) {
  FImages.push_back(AIcon);
  return ImageCount() - 1;
}

int TWindowTree::GetIconIndex(const std::string& AFileName) {
  // An executable carries its own icon, so every one gets an image of its own (".EXE" in capitals
  // is looked up as a file type, as the system's icon list does it).
  if (AFileName.ends_with(".exe")) return AppendImage(FIcons.icon(QFileInfo(QString::fromStdString(AFileName))));
  bool Folder = Platform::DirectoryExists(AFileName);
  QString Key = Folder ? QString("/") : QFileInfo(QString::fromStdString(AFileName)).suffix().toLower();
  auto It = FSharedImages.find(Key);
  if (It != FSharedImages.end()) return It.value();
  QIcon Icon = Folder ? FIcons.icon(QAbstractFileIconProvider::Folder)
                      : FIcons.icon(QFileInfo(QString::fromStdString(AFileName)));
  int Index = AppendImage(Icon);
  FSharedImages.insert(Key, Index);
  return Index;
}

}  // namespace Quellit
