#include "Components/FWOpenDirectory.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Platform/TextCodec.h"

namespace Quellit {

namespace {

constexpr const char* UnitName = "Components/FWOpenDirectory";
constexpr const char* InvalidNameText = "The name entered was not valid.";
// The folder browser flag of each TFWOpenDirStyle value, in the enumeration's order.
constexpr std::array<unsigned, 13> BrowserFlags = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040,
                                                   0x0080, 0x1000, 0x2000, 0x4000, 0x8000, 0x0050};
constexpr unsigned EditBoxFlag = 0x0010;

QString ToQt(const std::string& AText) { return QString::fromStdString(AText); }

bool IsBelow(const QString& APath, const QString& ARoot) {
  if (ARoot.isEmpty() || Platform::IsRootFolder(ARoot.toStdString())) return true;
  // The toolkit's clean form separates with "/" on every platform.
  const QString Path = QDir::cleanPath(APath);
  return Path == ARoot || Path.startsWith(ARoot + '/');
}

// An absolute folder that exists restricts the dialog; anything else leaves it unrestricted, as
// a root the shell could not resolve did.
QString ResolveRoot(const std::string& ARootDir) {
  if (ARootDir.empty() || !Platform::IsAbsolutePath(ARootDir) || !Platform::DirectoryExists(ARootDir)) return {};
  return QDir::cleanPath(ToQt(ARootDir));
}

// The start folder when it exists (and lies below the root); else the root, else the user's home.
// The default "c:\" names no folder here, so the dialog opens at home.
QString ResolveStart(const std::string& AStartDir, const QString& ARoot) {
  if (Platform::IsAbsolutePath(AStartDir) && Platform::DirectoryExists(AStartDir) && IsBelow(ToQt(AStartDir), ARoot))
    return QDir::cleanPath(ToQt(AStartDir));
  return ARoot.isEmpty() ? QDir::homePath() : ARoot;
}

// A widget of Qt's dialog by the object name its form gives it (any name: the first of the type).
template <class T>
T* Part(QObject& ADialog, const QString& AName = QString()) {
  T* Result = ADialog.findChild<T*>(AName);
  Assert(Result != nullptr, "the folder dialog lacks a part", UnitName);
  return Result;
}

// Qt's folder dialog under the component's rules: OK is enabled only for a folder the owner
// allowed, whatever Qt's own updates do; the user stays below the root; the dialog can centre
// itself on the screen.
class TFolderBrowser : public QFileDialog {
 public:
  using TDecide = std::function<void(const std::string& APath, bool& AEnableButton)>;

  TFolderBrowser(QWidget* AOwner, TDecide ADecide, QString ARoot, bool ACentre)
      : QFileDialog(AOwner), FDecide(std::move(ADecide)), FRoot(std::move(ARoot)), FCentre(ACentre) {
    // Set before anything else: it makes Qt build the widgets this class works with.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    FOkButton = Part<QDialogButtonBox>(*this, "buttonBox")->button(QDialogButtonBox::Open);
    Assert(FOkButton != nullptr, "the folder dialog lacks its OK button", UnitName);
    FOkButton->installEventFilter(this);
    FStatusLine = new QLabel(this);
    FStatusLine->setObjectName("statusLine");
    auto* Grid = qobject_cast<QGridLayout*>(layout());
    Assert(Grid != nullptr, "the folder dialog's layout is not a grid", UnitName);
    Grid->addWidget(FStatusLine, Grid->rowCount(), 0, 1, Grid->columnCount());
    if (!FRoot.isEmpty()) setSidebarUrls({QUrl::fromLocalFile(FRoot)});
  }

  void ShowEditBox(bool AShown, bool AReadOnly) {
    auto* Edit = Part<QLineEdit>(*this, "fileNameEdit");
    if (!AShown) {
      Edit->hide();
      Part<QLabel>(*this, "fileNameLabel")->hide();
    }
    Edit->setEnabled(!AReadOnly);
  }

  // The dialog is initialised: the owner first judges the start folder as it was given, then
  // (as after every move) the folder OK would choose now.
  void Start(const std::string& AStartDir, const QString& AStatusText) {
    FStatusLine->setText(AStatusText);
    Judge(AStartDir, AStatusText);
    WatchChanges();
    Refresh();
  }

  std::exception_ptr Error() const { return FError; }
  const QString& Chosen() const { return FCandidate; }

  void accept() override {
    Refresh();  // a change may still be queued
    // Still queued after that: the dialog has just been brought back below the root.
    if (FAllowed && !FRefreshQueued) QFileDialog::accept();
  }

 protected:
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override {
    // Qt re-enables OK on its own occasions; the owner's "no" stands until the folder changes.
    if (AWatched == FOkButton && AEvent->type() == QEvent::EnabledChange && !FAllowed && FOkButton->isEnabled())
      FOkButton->setEnabled(false);
    return QFileDialog::eventFilter(AWatched, AEvent);
  }

  void showEvent(QShowEvent* AEvent) override {
    QFileDialog::showEvent(AEvent);
    if (FCentre) CentreOnScreen();
  }

 private:
  void WatchChanges() {
    // Queued: these signals come in the middle of Qt's own updates, which must end first.
    auto Queue = [this] {
      if (FRefreshQueued) return;
      FRefreshQueued = true;
      QTimer::singleShot(0, this, [this] { Refresh(); });
    };
    connect(Part<QFileSystemModel>(*this), &QFileSystemModel::rootPathChanged, this, Queue);
    connect(Part<QListView>(*this, "listView")->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            Queue);
    connect(Part<QLineEdit>(*this, "fileNameEdit"), &QLineEdit::textChanged, this, Queue);
  }

  void Refresh() {
    FRefreshQueued = false;
    if (!IsBelow(directory().absolutePath(), FRoot)) {
      setDirectory(FRoot);  // announces itself again through the model
      return;
    }
    const QString Candidate = selectedFiles().value(0);
    if (Candidate != FCandidate) {
      FCandidate = Candidate;
      const std::string Path = Candidate.toStdString();
      if (!Candidate.isEmpty() && Platform::DirectoryExists(Path) && IsBelow(Candidate, FRoot)) {
        const std::string Shown = Platform::IncludeTrailingPathDelimiter(Path);
        Judge(Shown, ToQt(Shown));
      } else {
        FAllowed = false;
        FStatusLine->setText(InvalidNameText);
      }
    }
    FOkButton->setEnabled(FAllowed);
  }

  void Judge(const std::string& APath, const QString& AStatus) {
    bool Enable = true;
    try {
      if (FError) Enable = false;  // closing already: ask no more
      else if (FDecide) FDecide(APath, Enable);
    } catch (...) {
      // An exception must not cross Qt's event loop: it leaves through Execute instead.
      FError = std::current_exception();
      Enable = false;
      QTimer::singleShot(0, this, [this] { reject(); });
    }
    FAllowed = Enable;
    FOkButton->setEnabled(FAllowed);
    if (!AStatus.isEmpty()) FStatusLine->setText(AStatus);
  }

  void CentreOnScreen() {
    const QScreen* Screen = screen();
    if (Screen == nullptr) return;
    const QRect Area = Screen->geometry();
    const QSize Size = frameGeometry().size();
    // Never past the top-left corner: a dialog larger than the screen keeps its title bar reachable.
    move(Area.x() + std::max(0, (Area.width() - Size.width()) / 2),
         Area.y() + std::max(0, (Area.height() - Size.height()) / 2));
  }

  TDecide FDecide;
  QString FRoot;
  bool FCentre;
  QPushButton* FOkButton = nullptr;
  QLabel* FStatusLine = nullptr;
  QString FCandidate;
  bool FAllowed = true;
  bool FRefreshQueued = false;
  std::exception_ptr FError;
};

}  // namespace

TFWOpenDirectory::TFWOpenDirectory(QWidget* AOwner) : QObject(AOwner), FHandle(AOwner) { InitStyleArray(); }

void TFWOpenDirectory::InitStyleArray() { FStyleArray = BrowserFlags; }

void TFWOpenDirectory::DoChangeFolder(const std::string& APath, bool& AEnableButton) {
  if (OnChangeFolder) OnChangeFolder(this, APath, AEnableButton);
}

unsigned TFWOpenDirectory::Flags() const {
  unsigned Result = 0;
  for (std::size_t I = 0; I < FStyleArray.size(); ++I)
    if (Style.Contains(static_cast<TFWOpenDirStyle>(I))) Result |= FStyleArray[I];
  return Result;
}

bool TFWOpenDirectory::Execute(QWidget* AOwnerHandle) {
  FDirName.clear();
  const QString Root = ResolveRoot(RootDir);
  TFolderBrowser Dialog(
      AOwnerHandle != nullptr ? AOwnerHandle : FHandle,
      [this](const std::string& APath, bool& AEnableButton) { DoChangeFolder(APath, AEnableButton); }, Root,
      ShowScreenCenter);
  if (!Title.empty()) Dialog.setWindowTitle(ToQt(Title));
  if (!StatusText.empty()) Dialog.setLabelText(QFileDialog::LookIn, ToQt(StatusText));
  Dialog.ShowEditBox((Flags() & EditBoxFlag) != 0, EditReadOnly);
  Dialog.setDirectory(ResolveStart(StartDir, Root));
  Dialog.Start(StartDir, ToQt(StatusText));

  const bool Confirmed = Dialog.exec() == QDialog::Accepted;
  if (Dialog.Error()) std::rethrow_exception(Dialog.Error());
  const std::string Chosen = Dialog.Chosen().toStdString();
  if (!Confirmed || Chosen.empty() || !Platform::DirectoryExists(Chosen)) return false;
  FDirName = Platform::IncludeTrailingPathDelimiter(Chosen);
  return true;
}

namespace {

// The entries of AFolder named AName (case ignored, as the product's file system ignores it) of the
// kind asked for.
std::vector<std::string> EntriesNamed(const std::string& AFolder, const std::string& AName, bool AFolders) {
  std::vector<std::string> Result;
  for (const Platform::TFolderEntry& Entry : Platform::ListFolder(AFolder))
    if (Entry.IsFolder == AFolders && Platform::SameName(Entry.Name, AName))
      Result.push_back(Platform::CombinePath(AFolder, Entry.Name));
  return Result;
}

}  // namespace

bool HoldsKveskaClient(const std::string& AFolder) {
  try {
    // A case-sensitive file system may hold "Client" and "client" side by side: look in each.
    for (const std::string& Client : EntriesNamed(AFolder, "Client", true))
      if (!EntriesNamed(Client, "kveska.exe", false).empty()) return true;
  } catch (const EOSError&) {
    // Unreadable: nothing usable there.
  }
  return false;
}

}  // namespace Quellit
