// A non-visual component that lets the user pick a folder through the toolkit's folder dialog;
// the owner decides, for each highlighted folder, whether OK is enabled.
//
// The dialog is Qt's own (never the desktop's native one, so it behaves the same everywhere,
// offscreen included), showing folders only. Of the style flags only the edit box one changes it:
// without it the name edit is hidden. Qt has no hard root: with RootDir set the dialog returns to
// the root whenever the user leaves it and refuses folders outside it.
#pragma once

#include <array>
#include <functional>
#include <string>

#include <QObject>

#include "Lib/Common/Common.Collections.h"

class QWidget;

namespace Quellit {

enum TFWOpenDirStyle {
  odsReturnOnlyFSDirs,
  odsDontGoBelowDomain,
  odsStatusText,
  odsReturnFSAncestors,
  odsEditBox,
  odsValidate,
  odsNewDialogStyle,
  odsBrowseIncludeUrls,
  odsBrowseForComputer,
  odsBrowseForPrinter,
  odsBrowseIncludeFiles,
  odsShareable,
  odsUseNewUI
};
using TFWOpenDirStyles = TSet<TFWOpenDirStyle>;

class TFWOpenDirectory : public QObject {
  Q_OBJECT

 public:
  // (Sender, Path with a trailing separator, EnableButton)
  using TFWChangeFolderEvent =
      std::function<void(TFWOpenDirectory* ASender, const std::string& APath, bool& AEnableButton)>;

  // The owner's window is the dialog's default parent (none: the desktop). A derived class that
  // overrides InitStyleArray calls it from its own constructor: C++ runs the base one here.
  explicit TFWOpenDirectory(QWidget* AOwner = nullptr);

  std::string About;
  std::string Title;
  std::string StatusText = "Select Directory";
  std::string StartDir = "c:\\";
  std::string RootDir;
  TFWOpenDirStyles Style{odsUseNewUI};
  bool ShowScreenCenter = true;
  bool EditReadOnly = false;
  TFWChangeFolderEvent OnChangeFolder;

  // The chosen folder after Execute, with a trailing separator.
  const std::string& DirName() const { return FDirName; }
  // The dialog flags of Style.
  unsigned Flags() const;

  // AOwnerHandle nullptr stands for the component's own owner window. True when the user
  // confirmed a folder the owner allowed; an exception of OnChangeFolder closes the dialog and
  // comes out of Execute.
  bool Execute(QWidget* AOwnerHandle = nullptr);

 protected:
  virtual void InitStyleArray();
  virtual void DoChangeFolder(const std::string& APath, bool& AEnableButton);

 private:
  std::string FDirName;
  std::array<unsigned, 13> FStyleArray{};
  QWidget* FHandle = nullptr;
};

// The wizard's rule for a product install folder: it holds Client/kveska.exe, each name compared
// without regard to case (the product ships "KVeska.exe"). A folder that cannot be read holds
// nothing usable: false.
bool HoldsKveskaClient(const std::string& AFolder);

}  // namespace Quellit
