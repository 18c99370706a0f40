// The wizard's window: the toolkit side of TfrmEasySetup. It lays out the controls, forwards the
// user's clicks to the controller and carries out the controller's view operations.
#pragma once

#include <map>
#include <memory>
#include <string>

#include <QWidget>

#include "App/dlgEasySetup.View.h"
#include "App/dlgEasySetup.WindowTree.h"
#include "Platform/File.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTextEdit;

namespace Quellit {

class TFWOpenDirectory;
class TKvCheckedTreeView;
class TfrmEasySetup;

class TEasySetupWindow : public QWidget, public IEasySetupView {
  Q_OBJECT

 public:
  explicit TEasySetupWindow(QWidget* AParent = nullptr);
  ~TEasySetupWindow() override;

  TfrmEasySetup& Form() const { return *FForm; }
  // Every status line is appended to this file as well (the program's --log).
  void SetLogFile(const std::string& APath);
  // Centres the window's frame (title bar included, as far as it is known) on its screen.
  void CentreOnScreen();
  // The device pixel ratio the window's pictures are drawn for.
  qreal PictureRatio() const { return FPictureRatio; }

  // ---- the controls, for the program and its tests
  QWidget* Control(TEasySetupControl AControl) const;
  QLabel* Label1() const { return FLabel1; }
  QLabel* Label2() const { return FLabel2; }
  TKvCheckedTreeView* Tree() const { return FTvShortCuts; }
  TFWOpenDirectory* FWOpenDirectory1() const { return FFWOpenDirectory1; }
  const TWindowTree& TreeNodes() const { return FTree; }
  // A label's whole text; the shown text of lblStatus may be elided.
  std::string Text(TEasySetupControl AControl) const;

  // ---- IEasySetupView
  void SetText(TEasySetupControl AControl, const std::string& AText) override;
  void SetVisible(TEasySetupControl AControl, bool AVisible) override;
  void SetFontColor(TEasySetupControl AControl, TColor AColor) override;
  TColor FontColor(TEasySetupControl AControl) const override;
  void AssignPicture(TEasySetupControl ATarget, TEasySetupControl ASource) override;

  bool AskYesNo(const std::string& ACaption, const std::string& AText) override;
  void ShowMessageBox(const std::string& ACaption, const std::string& AText, TMessageIcon AIcon) override;
  void ShowError(const std::string& AMessage) override;

  void AppendStatusLine(const std::string& ALine) override;
  void ScrollStatusToEnd() override;
  void SetProgressMax(TEasySetupControl ABar, int AMax) override;
  void SetProgressPosition(TEasySetupControl ABar, int APosition) override;
  int ProgressPosition(TEasySetupControl ABar) const override;

  TTreeNodeId AddChildFirst(TTreeNodeId AParent, const std::string& AText) override;
  TTreeNodeId AddChildLast(TTreeNodeId AParent, const std::string& AText) override;
  void SetNodeData(TTreeNodeId ANode, int AData) override { FTree.SetNodeData(ANode, AData); }
  int NodeData(TTreeNodeId ANode) const override { return FTree.NodeData(ANode); }
  void SetNodeImageIndex(TTreeNodeId ANode, int AIndex) override { FTree.SetNodeImageIndex(ANode, AIndex); }
  int NodeImageIndex(TTreeNodeId ANode) const override { return FTree.NodeImageIndex(ANode); }
  std::string NodeText(TTreeNodeId ANode) const override { return FTree.NodeText(ANode); }
  TTreeNodeId NodeParent(TTreeNodeId ANode) const override { return FTree.NodeParent(ANode); }
  void SetChecked(TTreeNodeId ANode, bool AChecked, bool ASubNodes) override;
  bool GetChecked(TTreeNodeId ANode) const override { return FTree.GetChecked(ANode); }
  void Expand(TTreeNodeId ANode) override { FTree.Expand(ANode); }
  void Collapse(TTreeNodeId ANode, bool ARecurse) override { FTree.Collapse(ANode, ARecurse); }
  void DeleteNode(TTreeNodeId ANode) override { FTree.DeleteNode(ANode); }
  int NodeCount() const override { return FTree.NodeCount(); }
  TTreeNodeId NodeByIndex(int AIndex) const override { return FTree.NodeByIndex(AIndex); }
  void ScrollTreeToTop() override { FTree.ScrollToTop(); }
  int GetIconIndex(const std::string& AFileName) override { return FTree.GetIconIndex(AFileName); }

  void ProcessMessages() override;
  void Close() override;

 protected:
  bool event(QEvent* AEvent) override;
  void closeEvent(QCloseEvent* AEvent) override;
  void showEvent(QShowEvent* AEvent) override;
  void moveEvent(QMoveEvent* AEvent) override;
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

 private:
  void CreateControls();
  void CreateButtons();
  void CreateKeys();
  void CreateTree();
  void CreateFolderBrowser();
  void ApplyColor(TEasySetupControl AControl);
  // Draws the pictures again when the screen's pixel ratio is not the one they were drawn for.
  void DrawPictures(qreal ARatio);
  // The tree pages start with the first node current and the tree focused, for the space bar.
  void FocusTree();
  // Enter presses the button picture that has the keyboard focus, else Next.
  void PressDefaultButton();
  // The picture a button's picture or label stands for (Image3 Next, Image2 Cancel).
  TEasySetupControl ButtonPictureOf(const QObject* AObject) const;
  void ClickButton(TEasySetupControl APicture);
  bool HandleButtonMouse(TEasySetupControl APicture, QObject* AWatched, QEvent* AEvent);
  bool HandleButtonKey(TEasySetupControl APicture, QEvent* AEvent);

  QLabel* FImage1 = nullptr;
  QLabel* FLabel1 = nullptr;
  QLabel* FLabel2 = nullptr;
  QPlainTextEdit* FMemInfo = nullptr;
  QTextEdit* FMemStatus = nullptr;
  QLabel* FLblStatus = nullptr;
  QProgressBar* FPbStatus = nullptr;
  QProgressBar* FPbCurrentProgress = nullptr;
  QLabel* FLblShortCuts = nullptr;
  TKvCheckedTreeView* FTvShortCuts = nullptr;
  QLabel* FLblFinish = nullptr;
  QLabel* FImage3 = nullptr;
  QLabel* FLblNext = nullptr;
  QLabel* FImage2 = nullptr;
  QLabel* FLblCancel = nullptr;
  QLabel* FImage4 = nullptr;
  QLabel* FImage5 = nullptr;
  TFWOpenDirectory* FFWOpenDirectory1 = nullptr;

  TWindowTree FTree;
  std::map<TEasySetupControl, std::string> FTexts;
  std::map<TEasySetupControl, TColor> FColors;
  // The look each button picture shows (ctlImage4 released, ctlImage5 pressed), to redraw it.
  std::map<TEasySetupControl, TEasySetupControl> FLooks;
  qreal FPictureRatio = 0;
  // Until the frame's size is known, the window centres itself again when it learns it.
  bool FCentreWhenFrameKnown = true;
  int FStatusLines = 0;
  // A press that began on a button and is still held: its release is a click.
  QObject* FPressed = nullptr;
  std::unique_ptr<Platform::TFileHandle> FLog;
  std::unique_ptr<TfrmEasySetup> FForm;
};

// Where a window's frame goes (QWidget::move takes the frame's top-left) so that the frame, client
// area AClient with the frame margins AFrame around it, is centred in AAvailable; a frame larger
// than the screen keeps its top-left corner on the screen.
QPoint CentredFramePosition(const QRect& AAvailable, const QSize& AClient, const QMargins& AFrame);

}  // namespace Quellit
