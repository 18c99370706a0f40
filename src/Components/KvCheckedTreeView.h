// A tree view whose nodes carry check boxes. The check state lives in the view's items as a state
// image index (1 the unchecked box, 2 the checked box); a press on a box asks the owner's handler
// before the state changes.
#pragma once

#include <functional>

#include <QTreeWidget>

namespace Quellit {

class TKvCheckedTreeView : public QTreeWidget {
  Q_OBJECT

 public:
  // The owner may change the new state and whether the click applies to the whole subtree.
  using TOnCheckEvent = std::function<void(TKvCheckedTreeView* ASender, QTreeWidgetItem* ANode,
                                           bool& ANewState, bool& AApplyForSubNodes)>;

  explicit TKvCheckedTreeView(QWidget* AParent = nullptr);

  bool CheckBox() const { return FCheckBox; }
  void SetCheckBox(bool AValue);
  bool ControlCheckState() const { return FCSControl; }
  void SetControlCheckState(bool AValue) { FCSControl = AValue; }
  const TOnCheckEvent& OnCheck() const { return FCheck; }
  void SetOnCheck(TOnCheckEvent AHandler) { FCheck = std::move(AHandler); }

  bool GetChecked(const QTreeWidgetItem* ANode) const;
  // Parents never change; with ACheckSubNodes the whole subtree takes the same state.
  void SetChecked(QTreeWidgetItem* ANode, bool AChecked, bool ACheckSubNodes);

 protected:
  void mousePressEvent(QMouseEvent* AEvent) override;

 private:
  bool FCheckBox = false;
  bool FCSControl = false;
  TOnCheckEvent FCheck;
};

}  // namespace Quellit
