// What the wizard's logic needs from its window, and nothing more. The toolkit window, the
// unattended console and the tests' scripted view each implement it, so the controller and its
// steps never see a toolkit type.
#pragma once

#include <cstdint>
#include <string>

#include "Lib/Common/Common.Object.h"

namespace Quellit {

// The controls the logic touches, named as the window names them.
enum TEasySetupControl {
  ctlMemInfo,
  ctlMemStatus,
  ctlLblStatus,
  ctlPbStatus,
  ctlPbCurrentProgress,
  ctlLblShortCuts,
  ctlTvShortCuts,
  ctlLblFinish,
  ctlLblNext,
  ctlLblCancel,
  ctlImage2,  // the Cancel button's picture
  ctlImage3,  // the Next button's picture
  ctlImage4,  // the released look
  ctlImage5   // the pressed look
};

// Colours in the 0x00BBGGRR layout; system colours have the top byte set.
using TColor = std::uint32_t;
inline constexpr TColor clDisabledLabel = 0x706860;
inline constexpr TColor clWindowText = 0xFF000008;

enum TMessageIcon { miNone, miInformation, miWarning };

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A node of the check-box tree; -1 stands for "no node" (the top level as a parent).
using TTreeNodeId = int;
inline constexpr TTreeNodeId NoTreeNode = -1;

class IEasySetupView {
 public:
  virtual ~IEasySetupView();

  // ---- labels, visibility, colours, pictures
  virtual void SetText(TEasySetupControl AControl, const std::string& AText) = 0;
  virtual void SetVisible(TEasySetupControl AControl, bool AVisible) = 0;
  virtual void SetFontColor(TEasySetupControl AControl, TColor AColor) = 0;
  virtual TColor FontColor(TEasySetupControl AControl) const = 0;
  virtual void AssignPicture(TEasySetupControl ATarget, TEasySetupControl ASource) = 0;

  // ---- modal message boxes
  // A question with Yes and No, the question icon and No as the default; true for Yes.
  virtual bool AskYesNo(const std::string& ACaption, const std::string& AText) = 0;
  // One OK button.
  virtual void ShowMessageBox(const std::string& ACaption, const std::string& AText, TMessageIcon AIcon) = 0;
  // The application's standard display of an error that ended a step.
  virtual void ShowError(const std::string& AMessage) = 0;

  // ---- status log and progress bars
  virtual void AppendStatusLine(const std::string& ALine) = 0;
  virtual void ScrollStatusToEnd() = 0;
  virtual void SetProgressMax(TEasySetupControl ABar, int AMax) = 0;
  virtual void SetProgressPosition(TEasySetupControl ABar, int APosition) = 0;
  virtual int ProgressPosition(TEasySetupControl ABar) const = 0;

  // ---- the check-box tree; nodes are counted and indexed in flat order (fully expanded, top down)
  virtual TTreeNodeId AddChildFirst(TTreeNodeId AParent, const std::string& AText) = 0;
  virtual TTreeNodeId AddChildLast(TTreeNodeId AParent, const std::string& AText) = 0;
  virtual void SetNodeData(TTreeNodeId ANode, int AData) = 0;
  virtual int NodeData(TTreeNodeId ANode) const = 0;
  virtual void SetNodeImageIndex(TTreeNodeId ANode, int AIndex) = 0;
  virtual int NodeImageIndex(TTreeNodeId ANode) const = 0;
  virtual std::string NodeText(TTreeNodeId ANode) const = 0;
  virtual TTreeNodeId NodeParent(TTreeNodeId ANode) const = 0;
  virtual void SetChecked(TTreeNodeId ANode, bool AChecked, bool ACheckSubNodes) = 0;
  virtual bool GetChecked(TTreeNodeId ANode) const = 0;
  virtual void Expand(TTreeNodeId ANode) = 0;
  virtual void Collapse(TTreeNodeId ANode, bool ARecurse) = 0;
  virtual void DeleteNode(TTreeNodeId ANode) = 0;
  virtual int NodeCount() const = 0;
  virtual TTreeNodeId NodeByIndex(int AIndex) const = 0;
  virtual void ScrollTreeToTop() = 0;
  // The index of a payload file's or folder's icon in the tree's image list; -1 for none.
  virtual int GetIconIndex(const std::string& AFileName) = 0;

  // ---- the event loop and the window
  // Runs pending user-interface events; handlers of the controller may run inside.
  virtual void ProcessMessages() = 0;
  virtual void Close() = 0;
};

}  // namespace Quellit
