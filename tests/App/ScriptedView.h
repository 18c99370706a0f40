// The wizard's window as the tests see it: every operation recorded, questions answered from a
// script, and actions run from inside the controller's event processing as a user would click
// while a long step runs.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "App/dlgEasySetup.CheckedTree.h"
#include "App/dlgEasySetup.View.h"

namespace Quellit::Testing {

struct TShownMessage {
  std::string Caption;
  std::string Text;
  TMessageIcon Icon = miNone;
  bool operator==(const TShownMessage&) const = default;
  friend void PrintTo(const TShownMessage& AMessage, std::ostream* AOut) {
    *AOut << "{" << AMessage.Caption << " | " << AMessage.Text << " | " << AMessage.Icon << "}";
  }
};

class TScriptedView : public IEasySetupView {
 public:
  // ---- what the controller did
  std::map<TEasySetupControl, std::string> Texts;
  std::map<TEasySetupControl, bool> Visible;
  std::map<TEasySetupControl, TColor> Colors;
  std::map<TEasySetupControl, TEasySetupControl> Pictures;
  std::vector<std::string> Log;
  std::vector<TShownMessage> Messages;   // message boxes, questions included
  std::vector<std::string> Errors;       // the standard error display
  std::map<TEasySetupControl, int> ProgressMax;
  std::map<TEasySetupControl, std::vector<int>> ProgressHistory;
  int ProcessMessagesCalls = 0;
  int CloseCalls = 0;
  TCheckedTreeModel Tree;

  // ---- the script
  std::deque<bool> Answers;  // Yes/No answers to questions, in order; No when the script ran out
  // Runs at the Nth call of ProcessMessages (1-based), once.
  std::map<int, std::function<void()>> OnProcessMessages;
  // Runs at every call of ProcessMessages.
  std::function<void()> EveryProcessMessages;

  bool IsVisible(TEasySetupControl AControl) const {
    auto It = Visible.find(AControl);
    return It != Visible.end() && It->second;
  }
  std::string Text(TEasySetupControl AControl) const {
    auto It = Texts.find(AControl);
    return It == Texts.end() ? "" : It->second;
  }
  // The tree's nodes in flat order as "text" lines, a "+" prefix on checked ones.
  std::vector<std::string> TreeLines() const {
    std::vector<std::string> Lines;
    for (TTreeNodeId Node : Tree.Flat()) Lines.push_back((Tree.GetChecked(Node) ? "+" : "") + Tree.Text(Node));
    return Lines;
  }

  void SetText(TEasySetupControl AControl, const std::string& AText) override { Texts[AControl] = AText; }
  void SetVisible(TEasySetupControl AControl, bool AVisible) override { Visible[AControl] = AVisible; }
  void SetFontColor(TEasySetupControl AControl, TColor AColor) override { Colors[AControl] = AColor; }
  TColor FontColor(TEasySetupControl AControl) const override {
    auto It = Colors.find(AControl);
    return It == Colors.end() ? clWindowText : It->second;
  }
  void AssignPicture(TEasySetupControl ATarget, TEasySetupControl ASource) override { Pictures[ATarget] = ASource; }

  bool AskYesNo(const std::string& ACaption, const std::string& AText) override {
    Messages.push_back({ACaption, AText, miNone});
    if (Answers.empty()) return false;
    bool Answer = Answers.front();
    Answers.pop_front();
    return Answer;
  }
  void ShowMessageBox(const std::string& ACaption, const std::string& AText, TMessageIcon AIcon) override {
    Messages.push_back({ACaption, AText, AIcon});
  }
  void ShowError(const std::string& AMessage) override { Errors.push_back(AMessage); }

  void AppendStatusLine(const std::string& ALine) override { Log.push_back(ALine); }
  void ScrollStatusToEnd() override {}
  void SetProgressMax(TEasySetupControl ABar, int AMax) override { ProgressMax[ABar] = AMax; }
  void SetProgressPosition(TEasySetupControl ABar, int APosition) override {
    ProgressHistory[ABar].push_back(APosition);
  }
  int ProgressPosition(TEasySetupControl ABar) const override {
    auto It = ProgressHistory.find(ABar);
    return It == ProgressHistory.end() || It->second.empty() ? 0 : It->second.back();
  }

  TTreeNodeId AddChildFirst(TTreeNodeId AParent, const std::string& AText) override {
    return Tree.AddChildFirst(AParent, AText);
  }
  TTreeNodeId AddChildLast(TTreeNodeId AParent, const std::string& AText) override {
    return Tree.AddChildLast(AParent, AText);
  }
  void SetNodeData(TTreeNodeId ANode, int AData) override { Tree.SetData(ANode, AData); }
  int NodeData(TTreeNodeId ANode) const override { return Tree.Data(ANode); }
  void SetNodeImageIndex(TTreeNodeId ANode, int AIndex) override { Tree.SetImageIndex(ANode, AIndex); }
  int NodeImageIndex(TTreeNodeId ANode) const override { return Tree.ImageIndex(ANode); }
  std::string NodeText(TTreeNodeId ANode) const override { return Tree.Text(ANode); }
  TTreeNodeId NodeParent(TTreeNodeId ANode) const override { return Tree.Parent(ANode); }
  void SetChecked(TTreeNodeId ANode, bool AChecked, bool ACheckSubNodes) override {
    Tree.SetChecked(ANode, AChecked, ACheckSubNodes);
  }
  bool GetChecked(TTreeNodeId ANode) const override { return Tree.GetChecked(ANode); }
  void Expand(TTreeNodeId ANode) override { Tree.Expand(ANode); }
  void Collapse(TTreeNodeId ANode, bool ARecurse) override { Tree.Collapse(ANode, ARecurse); }
  void DeleteNode(TTreeNodeId ANode) override { Tree.Delete(ANode); }
  int NodeCount() const override { return Tree.Count(); }
  TTreeNodeId NodeByIndex(int AIndex) const override { return Tree.NodeByIndex(AIndex); }
  void ScrollTreeToTop() override {}
  int GetIconIndex(const std::string&) override { return -1; }

  void ProcessMessages() override {
    ++ProcessMessagesCalls;
    // An event is delivered once: the handlers it runs may process events again, but the same
    // scripted click does not arrive a second time inside itself.
    if (FInsideScript) return;
    FInsideScript = true;
    struct TLeave {
      bool& Flag;
      ~TLeave() { Flag = false; }
    } Leave{FInsideScript};
    if (EveryProcessMessages) EveryProcessMessages();
    auto It = OnProcessMessages.find(ProcessMessagesCalls);
    if (It == OnProcessMessages.end()) return;
    std::function<void()> Action = std::move(It->second);
    OnProcessMessages.erase(It);
    Action();
  }
  void Close() override { ++CloseCalls; }

 private:
  bool FInsideScript = false;
};

}  // namespace Quellit::Testing
