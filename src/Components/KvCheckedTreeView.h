// A tree view whose nodes carry check boxes. The check state lives in the view's items as a state
// image index (1 the unchecked box, 2 the checked box); a press on a box asks the owner's handler
// before the state changes.
//
// Qt's own check handling is not used: items never get Qt::CheckStateRole, so the toolkit neither
// toggles on release nor on a key. The view draws the box itself from the state image index and
// decides what a press (or the space bar) on it means.
#pragma once

#include <functional>

#include <QTreeWidget>

class QStyledItemDelegate;

namespace Quellit {

class TKvCheckedTreeView : public QTreeWidget {
  Q_OBJECT

 public:
  // The owner may change the new state and whether the click applies to the whole subtree.
  using TOnCheckEvent = std::function<void(TKvCheckedTreeView* ASender, QTreeWidgetItem* ANode,
                                           bool& ANewState, bool& AApplyForSubNodes)>;

  // The item data role of column 0 that holds the state image index (0 none, 1 unchecked,
  // 2 checked). Far above the roles an owner is likely to use for its own node data.
  static constexpr int StateImageIndexRole = Qt::UserRole + 0x1000;

  explicit TKvCheckedTreeView(QWidget* AParent = nullptr);

  bool CheckBox() const { return FCheckBox; }
  void SetCheckBox(bool AValue);
  bool ControlCheckState() const { return FCSControl; }
  void SetControlCheckState(bool AValue) { FCSControl = AValue; }
  const TOnCheckEvent& OnCheck() const { return FCheck; }
  void SetOnCheck(TOnCheckEvent AHandler) { FCheck = std::move(AHandler); }

  // A node that never got a state reads as unchecked.
  bool GetChecked(const QTreeWidgetItem* ANode) const;
  // Parents never change; with ACheckSubNodes the whole subtree takes the same state.
  void SetChecked(QTreeWidgetItem* ANode, bool AChecked, bool ACheckSubNodes);

  // The check box of the node in viewport coordinates; empty while CheckBox is off.
  QRect CheckBoxRect(const QTreeWidgetItem* ANode) const;

 protected:
  void mousePressEvent(QMouseEvent* AEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
  void mouseMoveEvent(QMouseEvent* AEvent) override;
  void mouseReleaseEvent(QMouseEvent* AEvent) override;
  void keyPressEvent(QKeyEvent* AEvent) override;

 private:
  // The node whose check box lies under the viewport position, or nullptr.
  QTreeWidgetItem* CheckBoxAt(const QPoint& APos) const;
  // The click rule: ask OnCheck, then set the node (and, as it answers, its subtree).
  void ToggleByUser(QTreeWidgetItem* ANode);

  bool FCheckBox = false;
  bool FCSControl = false;
  TOnCheckEvent FCheck;
  QStyledItemDelegate* FDelegate = nullptr;
  // A press on a box was consumed: its moves and release must not reach the standard handling.
  bool FBoxPressed = false;
};

}  // namespace Quellit
