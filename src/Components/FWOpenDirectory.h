// A non-visual component that lets the user pick a folder through the toolkit's folder dialog;
// the owner decides, for each highlighted folder, whether OK is enabled.
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

  // The owner's window is the dialog's default parent (none: the desktop).
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

  // AOwnerHandle nullptr stands for the component's own owner window.
  bool Execute(QWidget* AOwnerHandle = nullptr);

 protected:
  virtual void InitStyleArray();
  virtual void DoChangeFolder(const std::string& APath, bool& AEnableButton);

 private:
  std::string FDirName;
  std::array<unsigned, 13> FStyleArray{};
  QWidget* FHandle = nullptr;
};

}  // namespace Quellit
