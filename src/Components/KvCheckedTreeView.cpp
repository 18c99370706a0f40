#include "Components/KvCheckedTreeView.h"

#include <vector>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace Quellit {

namespace {

constexpr int UncheckedImage = 1;
constexpr int CheckedImage = 2;
// Of the state image index, the bit that means "checked" (index 2, and any higher one with it).
constexpr int CheckedBit = 2;

bool IsCheckedIndex(const QModelIndex& AIndex) {
  return (AIndex.siblingAtColumn(0).data(TKvCheckedTreeView::StateImageIndexRole).toInt() & CheckedBit) != 0;
}

// Draws (and measures) the box of column 0 from the state image index while the view shows boxes;
// the style then lays out box, icon and text as it does for any checkable item.
class TStateImageDelegate : public QStyledItemDelegate {
 public:
  explicit TStateImageDelegate(TKvCheckedTreeView* AView) : QStyledItemDelegate(AView), FView(AView) {}

  // Public here: the view measures its boxes with the very option the delegate paints from.
  void initStyleOption(QStyleOptionViewItem* AOption, const QModelIndex& AIndex) const override {
    QStyledItemDelegate::initStyleOption(AOption, AIndex);
    if (AIndex.column() != 0 || !FView->CheckBox()) {
      AOption->features &= ~QStyleOptionViewItem::HasCheckIndicator;
      return;
    }
    AOption->features |= QStyleOptionViewItem::HasCheckIndicator;
    AOption->checkState = IsCheckedIndex(AIndex) ? Qt::Checked : Qt::Unchecked;
  }

 private:
  TKvCheckedTreeView* FView;
};

}  // namespace

TKvCheckedTreeView::TKvCheckedTreeView(QWidget* AParent) : QTreeWidget(AParent) {
  FDelegate = new TStateImageDelegate(this);
  setItemDelegate(FDelegate);
}

void TKvCheckedTreeView::SetCheckBox(bool AValue) {
  FCheckBox = AValue;
  // Rows get or lose the width of the box: lay the items out again, then repaint.
  scheduleDelayedItemsLayout();
  viewport()->update();
}

bool TKvCheckedTreeView::GetChecked(const QTreeWidgetItem* ANode) const {
  return (ANode->data(0, StateImageIndexRole).toInt() & CheckedBit) != 0;
}

void TKvCheckedTreeView::SetChecked(QTreeWidgetItem* ANode, bool AChecked, bool ACheckSubNodes) {
  const int Image = AChecked ? CheckedImage : UncheckedImage;
  // An explicit stack: payload trees may nest deeper than a recursion should go.
  std::vector<QTreeWidgetItem*> Pending{ANode};
  while (!Pending.empty()) {
    QTreeWidgetItem* Node = Pending.back();
    Pending.pop_back();
    Node->setData(0, StateImageIndexRole, Image);
    if (!ACheckSubNodes) break;
    for (int I = Node->childCount() - 1; I >= 0; --I) Pending.push_back(Node->child(I));
  }
}

QRect TKvCheckedTreeView::CheckBoxRect(const QTreeWidgetItem* ANode) const {
  const QModelIndex Index = indexFromItem(ANode, 0);
  if (!FCheckBox || !Index.isValid()) return {};
  QStyleOptionViewItem Option;
  initViewItemOption(&Option);
  Option.rect = visualRect(Index);
  if (Option.rect.isEmpty()) return {};  // inside a collapsed parent
  static_cast<TStateImageDelegate*>(FDelegate)->initStyleOption(&Option, Index);
  return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &Option, this);
}

QTreeWidgetItem* TKvCheckedTreeView::CheckBoxAt(const QPoint& APos) const {
  QTreeWidgetItem* Node = itemAt(APos);
  if (Node == nullptr || !CheckBoxRect(Node).contains(APos)) return nullptr;
  return Node;
}

void TKvCheckedTreeView::ToggleByUser(QTreeWidgetItem* ANode) {
  bool NewState = !GetChecked(ANode);
  bool ApplyForSubNodes = true;
  if (FCheck) FCheck(this, ANode, NewState, ApplyForSubNodes);
  SetChecked(ANode, NewState, ApplyForSubNodes);
}

void TKvCheckedTreeView::mousePressEvent(QMouseEvent* AEvent) {
  // A release lost to a window the handler opened must not swallow the next ordinary click.
  FBoxPressed = false;
  QTreeWidgetItem* Node =
      AEvent->button() == Qt::LeftButton ? CheckBoxAt(AEvent->position().toPoint()) : nullptr;
  if (Node == nullptr) {
    QTreeWidget::mousePressEvent(AEvent);
    return;
  }
  // Consumed: the box neither selects the node nor toggles a second time.
  FBoxPressed = true;
  ToggleByUser(Node);
  AEvent->accept();
}

// The second press of a quick double click on a box is a second click on it: it toggles again
// instead of expanding or collapsing the node.
void TKvCheckedTreeView::mouseDoubleClickEvent(QMouseEvent* AEvent) {
  if (AEvent->button() == Qt::LeftButton && CheckBoxAt(AEvent->position().toPoint()) != nullptr) {
    mousePressEvent(AEvent);
    return;
  }
  QTreeWidget::mouseDoubleClickEvent(AEvent);
}

void TKvCheckedTreeView::mouseMoveEvent(QMouseEvent* AEvent) {
  // Dragging from a box must not start a drag selection.
  if (FBoxPressed) {
    AEvent->accept();
    return;
  }
  QTreeWidget::mouseMoveEvent(AEvent);
}

void TKvCheckedTreeView::mouseReleaseEvent(QMouseEvent* AEvent) {
  if (FBoxPressed) {
    if (AEvent->buttons() == Qt::NoButton) FBoxPressed = false;
    AEvent->accept();
    return;
  }
  QTreeWidget::mouseReleaseEvent(AEvent);
}

// The space bar is the keyboard's click on the current node's box, under the same rule as a
// mouse click (the owner's handler decides), so keyboard users can check nodes too.
void TKvCheckedTreeView::keyPressEvent(QKeyEvent* AEvent) {
  QTreeWidgetItem* Node = currentItem();
  if (FCheckBox && Node != nullptr && AEvent->key() == Qt::Key_Space &&
      AEvent->modifiers() == Qt::NoModifier) {
    ToggleByUser(Node);
    AEvent->accept();
    return;
  }
  QTreeWidget::keyPressEvent(AEvent);
}

}  // namespace Quellit
