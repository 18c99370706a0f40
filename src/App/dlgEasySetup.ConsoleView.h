// The wizard without a window: the status log goes to standard output (and to a log file when
// asked), message boxes go to standard error as "<caption>: <text>" and are answered with their
// default, and a termination signal is a confirmed cancel of the update.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "App/dlgEasySetup.CheckedTree.h"
#include "App/dlgEasySetup.View.h"
#include "Platform/File.h"

namespace Quellit {

class TfrmEasySetup;

class TConsoleView : public IEasySetupView {
 public:
  // ALogFile, when not empty, gets every status line appended.
  TConsoleView(std::ostream& AOut, std::ostream& AErr, const std::string& ALogFile);

  // The controller whose Cancel logic a termination signal runs.
  void SetForm(TfrmEasySetup* AForm) { FForm = AForm; }
  bool Closed() const { return FClosed; }
  bool ErrorShown() const { return FErrorShown; }
  bool CancelConfirmed() const { return FCancelConfirmed; }
  // Acts on a pending termination signal as on Cancel answered with Yes, on whatever page: the
  // update is rolled back and the wizard passes on to its closing page. True when it did so.
  bool CancelOnTerminationRequest();

  void SetText(TEasySetupControl AControl, const std::string& AText) override;
  void SetVisible(TEasySetupControl, bool) override {}
  void SetFontColor(TEasySetupControl AControl, TColor AColor) override;
  TColor FontColor(TEasySetupControl AControl) const override;
  void AssignPicture(TEasySetupControl, TEasySetupControl) override {}

  bool AskYesNo(const std::string& ACaption, const std::string& AText) override;
  void ShowMessageBox(const std::string& ACaption, const std::string& AText, TMessageIcon AIcon) override;
  void ShowError(const std::string& AMessage) override;

  void AppendStatusLine(const std::string& ALine) override;
  void ScrollStatusToEnd() override {}
  void SetProgressMax(TEasySetupControl, int) override {}
  void SetProgressPosition(TEasySetupControl ABar, int APosition) override;
  int ProgressPosition(TEasySetupControl ABar) const override;

  TTreeNodeId AddChildFirst(TTreeNodeId AParent, const std::string& AText) override;
  TTreeNodeId AddChildLast(TTreeNodeId AParent, const std::string& AText) override;
  void SetNodeData(TTreeNodeId ANode, int AData) override { FTree.SetData(ANode, AData); }
  int NodeData(TTreeNodeId ANode) const override { return FTree.Data(ANode); }
  void SetNodeImageIndex(TTreeNodeId ANode, int AIndex) override { FTree.SetImageIndex(ANode, AIndex); }
  int NodeImageIndex(TTreeNodeId ANode) const override { return FTree.ImageIndex(ANode); }
  std::string NodeText(TTreeNodeId ANode) const override { return FTree.Text(ANode); }
  TTreeNodeId NodeParent(TTreeNodeId ANode) const override { return FTree.Parent(ANode); }
  void SetChecked(TTreeNodeId ANode, bool AChecked, bool ASubNodes) override;
  bool GetChecked(TTreeNodeId ANode) const override { return FTree.GetChecked(ANode); }
  void Expand(TTreeNodeId ANode) override { FTree.Expand(ANode); }
  void Collapse(TTreeNodeId ANode, bool ARecurse) override { FTree.Collapse(ANode, ARecurse); }
  void DeleteNode(TTreeNodeId ANode) override { FTree.Delete(ANode); }
  int NodeCount() const override { return FTree.Count(); }
  TTreeNodeId NodeByIndex(int AIndex) const override { return FTree.NodeByIndex(AIndex); }
  void ScrollTreeToTop() override {}
  int GetIconIndex(const std::string&) override { return -1; }

  void ProcessMessages() override;
  void Close() override { FClosed = true; }

 private:
  std::ostream& FOut;
  std::ostream& FErr;
  std::unique_ptr<Platform::TFileHandle> FLog;
  TfrmEasySetup* FForm = nullptr;
  TCheckedTreeModel FTree;
  TColor FCancelColor = clWindowText;
  int FCurrentProgress = 0;
  int FOverallProgress = 0;
  bool FCancelConfirmed = false;
  bool FClosed = false;
  bool FErrorShown = false;
};

}  // namespace Quellit
