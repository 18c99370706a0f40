#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "Components/KvCheckedTreeView.h"

namespace Quellit {
namespace {

// A shown tree like the wizard's payload:  Payload / { Folder / { A, Sub / { B } }, Other }.
class KvCheckedTreeViewTest : public testing::Test {
 protected:
  void SetUp() override {
    View.setHeaderHidden(true);
    View.SetCheckBox(true);
    Payload = Node(nullptr, "Payload");
    Folder = Node(Payload, "Folder");
    A = Node(Folder, "A");
    Sub = Node(Folder, "Sub");
    B = Node(Sub, "B");
    Other = Node(Payload, "Other");
    for (QTreeWidgetItem* Each : All()) View.SetChecked(Each, false, false);
    View.expandAll();
    View.resize(300, 300);
    View.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    View.SetOnCheck([this](TKvCheckedTreeView* ASender, QTreeWidgetItem* ANode, bool& ANewState,
                           bool& AApplyForSubNodes) {
      EXPECT_EQ(ASender, &View);
      Calls.push_back(ANode->text(0).toStdString());
      if (Handler) Handler(ANode, ANewState, AApplyForSubNodes);
    });
  }

  QTreeWidgetItem* Node(QTreeWidgetItem* AParent, const char* AText) {
    auto* Item = AParent != nullptr ? new QTreeWidgetItem(AParent) : new QTreeWidgetItem(&View);
    Item->setText(0, AText);
    return Item;
  }
  std::vector<QTreeWidgetItem*> All() const { return {Payload, Folder, A, Sub, B, Other}; }

  // The check states of every node, in tree order, as "0"/"1".
  std::string States() const {
    std::string Result;
    for (QTreeWidgetItem* Each : All()) Result += View.GetChecked(Each) ? '1' : '0';
    return Result;
  }

  QPoint BoxCentre(QTreeWidgetItem* ANode) const {
    QRect Box = View.CheckBoxRect(ANode);
    EXPECT_FALSE(Box.isEmpty());
    return Box.center();
  }
  // A point on the node's text: right of the box, well inside the row.
  QPoint TextPoint(QTreeWidgetItem* ANode) const {
    QRect Row = View.visualItemRect(ANode);
    return QPoint(Row.left() + 40, Row.center().y());
  }
  void Click(const QPoint& APos) { QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, APos); }

  TKvCheckedTreeView View;
  QTreeWidgetItem *Payload{}, *Folder{}, *A{}, *Sub{}, *B{}, *Other{};
  std::vector<std::string> Calls;
  std::function<void(QTreeWidgetItem*, bool&, bool&)> Handler;
};

struct TClickCase {
  const char* Name;
  std::function<void(QTreeWidgetItem*, bool&, bool&)> Handler;
  const char* AfterFirst;   // Payload Folder A Sub B Other
  const char* AfterSecond;
};

TEST_F(KvCheckedTreeViewTest, ClickOnTheBoxOfAFolderFollowsTheHandler) {
  const std::vector<TClickCase> Cases = {
      {"no handler's say: the subtree toggles", nullptr, "011110", "000000"},
      {"the handler refuses", [this](QTreeWidgetItem* N, bool& S, bool&) { S = View.GetChecked(N); }, "000000",
       "000000"},
      {"the handler keeps it to the node", [](QTreeWidgetItem*, bool&, bool& Apply) { Apply = false; },
       "010000", "000000"},
      {"the handler forces checked", [](QTreeWidgetItem*, bool& S, bool&) { S = true; }, "011110", "011110"},
  };
  for (const TClickCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    for (QTreeWidgetItem* Each : All()) View.SetChecked(Each, false, false);
    Calls.clear();
    Handler = Case.Handler;
    Click(BoxCentre(Folder));
    EXPECT_EQ(States(), Case.AfterFirst);
    Click(BoxCentre(Folder));
    EXPECT_EQ(States(), Case.AfterSecond);
    EXPECT_EQ(Calls, (std::vector<std::string>{"Folder", "Folder"}));
  }
}

TEST_F(KvCheckedTreeViewTest, TheHandlerIsOfferedTheOppositeStateAndTheSubtree) {
  View.SetChecked(Folder, true, false);
  bool Offered = true, Subtree = false;
  Handler = [&](QTreeWidgetItem*, bool& S, bool& Apply) { Offered = S; Subtree = Apply; };
  Click(BoxCentre(Folder));
  EXPECT_FALSE(Offered);
  EXPECT_TRUE(Subtree);
  EXPECT_EQ(States(), "000000");
}

TEST_F(KvCheckedTreeViewTest, ABoxClickNeitherSelectsNorMovesTheCurrentNode) {
  View.setCurrentItem(Other);
  Click(BoxCentre(A));
  EXPECT_TRUE(View.GetChecked(A));
  EXPECT_EQ(View.currentItem(), Other);
  EXPECT_EQ(View.selectedItems(), QList<QTreeWidgetItem*>{Other});
}

TEST_F(KvCheckedTreeViewTest, AClickOnTheTextSelectsAndLeavesTheBox) {
  Click(TextPoint(A));
  EXPECT_EQ(View.currentItem(), A);
  EXPECT_EQ(View.selectedItems(), QList<QTreeWidgetItem*>{A});
  EXPECT_EQ(States(), "000000");
  EXPECT_TRUE(Calls.empty());
}

TEST_F(KvCheckedTreeViewTest, ABoxPressWhoseReleaseWentElsewhereDoesNotSwallowTheNextClick) {
  // As when the handler opens a message box: the release of the box press never comes back.
  QTest::mousePress(View.viewport(), Qt::LeftButton, {}, BoxCentre(A));
  EXPECT_TRUE(View.GetChecked(A));
  QSignalSpy Clicked(&View, &QTreeWidget::itemClicked);
  Click(TextPoint(Other));
  EXPECT_EQ(Clicked.count(), 1);
  EXPECT_EQ(View.currentItem(), Other);
}

TEST_F(KvCheckedTreeViewTest, ADoubleClickOnABoxIsTwoClicksAndKeepsTheFolderExpanded) {
  // Through the window, as the platform delivers it: press, release, press, double click, release.
  const QPoint InWindow = View.viewport()->mapTo(&View, BoxCentre(Folder));
  QTest::mouseDClick(View.windowHandle(), Qt::LeftButton, {}, InWindow);
  EXPECT_EQ(Calls.size(), 2u);
  EXPECT_EQ(States(), "000000");
  EXPECT_TRUE(Folder->isExpanded());
}

TEST_F(KvCheckedTreeViewTest, ParentsNeverChange) {
  Click(BoxCentre(B));
  EXPECT_EQ(States(), "000010");
  View.SetChecked(Folder, true, false);
  Click(BoxCentre(A));
  EXPECT_EQ(States(), "011010");
  Click(BoxCentre(A));
  EXPECT_EQ(States(), "010010");
  View.SetChecked(B, false, false);
  EXPECT_TRUE(View.GetChecked(Folder));
}

TEST_F(KvCheckedTreeViewTest, SetCheckedTouchesOnlyTheSubtreeAsToldAndRaisesNoEvent) {
  View.SetChecked(Folder, true, true);
  EXPECT_EQ(States(), "011110");
  View.SetChecked(Sub, false, false);
  EXPECT_EQ(States(), "011010");
  View.SetChecked(Folder, false, true);
  EXPECT_EQ(States(), "000000");
  EXPECT_TRUE(Calls.empty());
}

TEST_F(KvCheckedTreeViewTest, ChildrenAddedAfterwardsStartUnchecked) {
  View.SetChecked(Other, true, true);
  QTreeWidgetItem* Late = Node(Other, "Late");
  Other->setExpanded(true);
  EXPECT_TRUE(View.GetChecked(Other));
  EXPECT_FALSE(View.GetChecked(Late));
  // A node without a state shows the unchecked box and takes a click like any other.
  Click(BoxCentre(Late));
  EXPECT_TRUE(View.GetChecked(Late));
}

TEST_F(KvCheckedTreeViewTest, TheBoxIsDrawnFromTheStateAndOnlyWhileCheckBoxIsOn) {
  auto Grab = [this] {
    QApplication::processEvents();
    return View.viewport()->grab().toImage();
  };
  const QImage Unchecked = Grab();
  View.SetChecked(Payload, true, false);
  EXPECT_NE(Grab(), Unchecked);

  View.SetCheckBox(false);
  const QImage Hidden = Grab();
  View.SetChecked(Payload, false, false);
  EXPECT_EQ(Grab(), Hidden);
  EXPECT_NE(Hidden, Unchecked);
  EXPECT_TRUE(View.CheckBoxRect(Payload).isEmpty());
}

TEST_F(KvCheckedTreeViewTest, WithCheckBoxOffAPressWhereTheBoxWasIsAPlainPress) {
  const QPoint WhereTheBoxWas = BoxCentre(A);
  View.SetCheckBox(false);
  QApplication::processEvents();
  Click(WhereTheBoxWas);
  EXPECT_EQ(View.currentItem(), A);
  EXPECT_EQ(States(), "000000");
  EXPECT_TRUE(Calls.empty());
}

TEST_F(KvCheckedTreeViewTest, SpaceTogglesTheCurrentNodeThroughTheHandler) {
  View.setCurrentItem(Folder);
  View.setFocus();
  Handler = [](QTreeWidgetItem*, bool&, bool& Apply) { Apply = false; };
  QTest::keyClick(&View, Qt::Key_Space);
  EXPECT_EQ(States(), "010000");
  EXPECT_EQ(Calls, std::vector<std::string>{"Folder"});

  View.SetCheckBox(false);
  QTest::keyClick(&View, Qt::Key_Space);
  EXPECT_EQ(States(), "010000");
  EXPECT_EQ(Calls.size(), 1u);
}

TEST_F(KvCheckedTreeViewTest, ControlCheckStateIsAPlainValue) {
  EXPECT_FALSE(View.ControlCheckState());
  View.SetControlCheckState(true);
  EXPECT_TRUE(View.ControlCheckState());
  EXPECT_EQ(States(), "000000");
}

}  // namespace
}  // namespace Quellit
