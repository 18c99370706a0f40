#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "Components/FWOpenDirectory.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

using Testing::TScratchFolder;

TEST(FWOpenDirectoryTest, DefaultsAreTheComponentsOwn) {
  TFWOpenDirectory Dialog;
  EXPECT_EQ(Dialog.About, "");
  EXPECT_EQ(Dialog.Title, "");
  EXPECT_EQ(Dialog.StatusText, "Select Directory");
  EXPECT_EQ(Dialog.StartDir, "c:\\");
  EXPECT_EQ(Dialog.RootDir, "");
  EXPECT_EQ(Dialog.Style, TFWOpenDirStyles{odsUseNewUI});
  EXPECT_TRUE(Dialog.ShowScreenCenter);
  EXPECT_FALSE(Dialog.EditReadOnly);
  EXPECT_FALSE(Dialog.OnChangeFolder);
  EXPECT_EQ(Dialog.DirName(), "");
  EXPECT_EQ(Dialog.Flags(), 0x0050u);
}

TEST(FWOpenDirectoryTest, FlagsAreTheOrOfEveryStyle) {
  const std::vector<std::pair<TFWOpenDirStyles, unsigned>> Cases = {
      {{odsReturnOnlyFSDirs}, 0x0001},  {{odsDontGoBelowDomain}, 0x0002}, {{odsStatusText}, 0x0004},
      {{odsReturnFSAncestors}, 0x0008}, {{odsEditBox}, 0x0010},           {{odsValidate}, 0x0020},
      {{odsNewDialogStyle}, 0x0040},    {{odsBrowseIncludeUrls}, 0x0080}, {{odsBrowseForComputer}, 0x1000},
      {{odsBrowseForPrinter}, 0x2000},  {{odsBrowseIncludeFiles}, 0x4000}, {{odsShareable}, 0x8000},
      {{odsUseNewUI}, 0x0050},          {{}, 0x0000},
      {{odsUseNewUI, odsEditBox, odsReturnOnlyFSDirs}, 0x0051},
      {{odsStatusText, odsBrowseIncludeFiles, odsShareable}, 0xC004},
  };
  TFWOpenDirectory Dialog;
  for (const auto& [Style, Flags] : Cases) {
    Dialog.Style = Style;
    EXPECT_EQ(Dialog.Flags(), Flags) << "mask " << Style.Mask();
  }
}

// The dialog's parts a user meets.
QPushButton* OkButton(QFileDialog& ADialog) {
  return ADialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
}
QLineEdit* NameEdit(QFileDialog& ADialog) { return ADialog.findChild<QLineEdit*>("fileNameEdit"); }
QString StatusLine(QFileDialog& ADialog) { return ADialog.findChild<QLabel*>("statusLine")->text(); }

// Highlights the folder as a user would by picking it in the list (which takes the focus from the
// name edit), then lets Qt settle.
void Highlight(QFileDialog& ADialog, const std::string& AFolder) {
  for (const char* Name : {"listView", "treeView"})
    if (auto* View = ADialog.findChild<QAbstractItemView*>(Name); View->isVisible()) View->setFocus();
  ADialog.selectFile(QString::fromStdString(AFolder));
  QTest::qWait(50);
}

// Drives Execute: the script runs once the dialog is up, from inside its modal loop. A script
// that leaves the dialog open (or fails) has it cancelled, so a test never hangs.
class FWOpenDirectoryExecuteTest : public testing::Test {
 protected:
  bool Run(std::function<void(QFileDialog&)> AScript) {
    QTimer::singleShot(0, [Script = std::move(AScript)] {
      QFileDialog* Dialog = nullptr;
      (void)QTest::qWaitFor([&] {
        for (QWidget* Each : QApplication::topLevelWidgets())
          if (auto* Found = qobject_cast<QFileDialog*>(Each); Found != nullptr && Found->isVisible()) Dialog = Found;
        return Dialog != nullptr;
      });
      if (Dialog == nullptr) return;
      QTest::qWait(50);
      Script(*Dialog);
      if (Dialog->isVisible()) {
        ADD_FAILURE() << "the script left the dialog open";
        Dialog->reject();
      }
    });
    return Component.Execute();
  }

  // The wizard's use: OK only for a product install folder.
  void UseTheWizardsHandler() {
    Component.OnChangeFolder = [this](TFWOpenDirectory* ASender, const std::string& APath, bool& AEnable) {
      EXPECT_EQ(ASender, &Component);
      Offered.push_back(APath);
      AEnable = HoldsKveskaClient(APath);
    };
  }
  void Record() {
    Component.OnChangeFolder = [this](TFWOpenDirectory*, const std::string& APath, bool&) {
      Offered.push_back(APath);
    };
  }

  TScratchFolder Scratch;
  TFWOpenDirectory Component;
  std::vector<std::string> Offered;
};

TEST_F(FWOpenDirectoryExecuteTest, ShowsItsTextsAndReturnsTheConfirmedStartFolder) {
  Component.Title = "Browse For Folder";
  Component.StatusText = "Specify the directory:";
  Component.StartDir = Scratch.Path();
  Record();
  QString Caption, LookIn, Status, Shown;
  const bool Confirmed = Run([&](QFileDialog& Dialog) {
    Caption = Dialog.windowTitle();
    LookIn = Dialog.labelText(QFileDialog::LookIn);
    Status = StatusLine(Dialog);
    Shown = Dialog.directory().absolutePath();
    EXPECT_TRUE(OkButton(Dialog)->isEnabled());
    EXPECT_TRUE(NameEdit(Dialog)->isVisibleTo(&Dialog));
    EXPECT_TRUE(NameEdit(Dialog)->isEnabled());
    OkButton(Dialog)->click();
  });
  EXPECT_TRUE(Confirmed);
  EXPECT_EQ(Caption, "Browse For Folder");
  EXPECT_EQ(LookIn, "Specify the directory:");
  EXPECT_EQ(Status.toStdString(), Scratch.Path() + "/");
  EXPECT_EQ(Shown.toStdString(), Scratch.Path());
  // First the start folder as it was given, then the folder OK would choose.
  EXPECT_EQ(Offered, (std::vector<std::string>{Scratch.Path(), Scratch.Path() + "/"}));
  EXPECT_EQ(Component.DirName(), Scratch.Path() + "/");
}

TEST_F(FWOpenDirectoryExecuteTest, TheDefaultStartFolderOpensAtHomeAndCancelReturnsNothing) {
  Component.StartDir = Scratch.Path();
  ASSERT_TRUE(Run([](QFileDialog& Dialog) { OkButton(Dialog)->click(); }));
  ASSERT_FALSE(Component.DirName().empty());

  Component.StartDir = "c:\\";
  Record();
  QString Shown;
  EXPECT_FALSE(Run([&](QFileDialog& Dialog) {
    Shown = Dialog.directory().absolutePath();
    Dialog.reject();
  }));
  EXPECT_EQ(Shown, QDir::homePath());
  EXPECT_EQ(Component.DirName(), "");
  const std::string Home = QDir::homePath().toStdString();
  EXPECT_EQ(Offered, (std::vector<std::string>{"c:\\", Home == "/" ? Home : Home + "/"}));
}

TEST_F(FWOpenDirectoryExecuteTest, OkIsEnabledOnlyForAFolderTheHandlerAllows) {
  const std::string Product = Scratch / "Product";
  const std::string Other = Scratch / "Other";
  Scratch.Write("Product/Client/KVeska.exe", "MZ");
  std::filesystem::create_directories(Other);
  Component.StartDir = Scratch.Path();
  UseTheWizardsHandler();
  const bool Confirmed = Run([&](QFileDialog& Dialog) {
    QPushButton* Ok = OkButton(Dialog);
    EXPECT_FALSE(Ok->isEnabled()) << "the start folder holds no client";
    Highlight(Dialog, Other);
    EXPECT_FALSE(Ok->isEnabled());
    // Qt enables OK for any existing folder typed in; the handler's "no" stands.
    NameEdit(Dialog)->setText(QString::fromStdString(Other));
    EXPECT_FALSE(Ok->isEnabled());
    QTest::qWait(50);
    EXPECT_FALSE(Ok->isEnabled());
    static_cast<QDialog&>(Dialog).accept();  // as Enter would, bypassing the button
    EXPECT_TRUE(Dialog.isVisible()) << "a refused folder cannot be confirmed";

    Highlight(Dialog, Product);
    EXPECT_TRUE(Ok->isEnabled());
    EXPECT_EQ(StatusLine(Dialog).toStdString(), Product + "/");
    Highlight(Dialog, Other);
    EXPECT_FALSE(Ok->isEnabled());
    Highlight(Dialog, Product);
    Ok->click();
  });
  EXPECT_TRUE(Confirmed);
  EXPECT_EQ(Component.DirName(), Product + "/");
  EXPECT_EQ(Offered.front(), Scratch.Path());
  EXPECT_NE(std::find(Offered.begin(), Offered.end(), Other + "/"), Offered.end());
}

TEST_F(FWOpenDirectoryExecuteTest, ANameThatIsNoFolderIsRefused) {
  Component.StartDir = Scratch.Path();
  Run([&](QFileDialog& Dialog) {
    NameEdit(Dialog)->setText("missing");
    QTest::qWait(50);
    EXPECT_FALSE(OkButton(Dialog)->isEnabled());
    EXPECT_EQ(StatusLine(Dialog), "The name entered was not valid.");
    Dialog.reject();
  });
}

TEST_F(FWOpenDirectoryExecuteTest, TheEditBoxFollowsTheStyleAndEditReadOnly) {
  struct TCase {
    TFWOpenDirStyles Style;
    bool ReadOnly, Shown, Enabled;
  };
  const std::vector<TCase> Cases = {{{odsUseNewUI}, false, true, true},
                                    {{odsUseNewUI}, true, true, false},
                                    {{odsNewDialogStyle}, false, false, true}};
  Component.StartDir = Scratch.Path();
  for (const TCase& Case : Cases) {
    Component.Style = Case.Style;
    Component.EditReadOnly = Case.ReadOnly;
    Run([&](QFileDialog& Dialog) {
      EXPECT_EQ(NameEdit(Dialog)->isVisibleTo(&Dialog), Case.Shown) << Case.Style.Mask();
      EXPECT_EQ(NameEdit(Dialog)->isEnabled(), Case.Enabled) << Case.Style.Mask();
      Dialog.reject();
    });
  }
}

TEST_F(FWOpenDirectoryExecuteTest, ShowScreenCenterCentresTheDialog) {
  Component.StartDir = Scratch.Path();
  QPoint Centre, ScreenCentre;
  Run([&](QFileDialog& Dialog) {
    Centre = Dialog.frameGeometry().center();
    ScreenCentre = Dialog.screen()->geometry().center();
    Dialog.reject();
  });
  EXPECT_LE((Centre - ScreenCentre).manhattanLength(), 2);
}

TEST_F(FWOpenDirectoryExecuteTest, TheUserStaysBelowTheRoot) {
  const std::string Root = Scratch / "Root";
  std::filesystem::create_directories(Root + "/Sub");
  std::filesystem::create_directories(Scratch / "Outside");
  Component.RootDir = Root;
  Component.StartDir = Scratch / "Outside";
  Record();
  QString Started, AfterLeaving;
  bool OutsideAllowed = true;
  const bool Confirmed = Run([&](QFileDialog& Dialog) {
    Started = Dialog.directory().absolutePath();
    Dialog.setDirectory(QString::fromStdString(Scratch.Path()));
    QTest::qWait(50);
    AfterLeaving = Dialog.directory().absolutePath();
    NameEdit(Dialog)->setText(QString::fromStdString(Scratch / "Outside"));
    QTest::qWait(50);
    OutsideAllowed = OkButton(Dialog)->isEnabled();
    Highlight(Dialog, Root + "/Sub");
    OkButton(Dialog)->click();
  });
  EXPECT_EQ(Started.toStdString(), Root);
  EXPECT_EQ(AfterLeaving.toStdString(), Root);
  EXPECT_FALSE(OutsideAllowed);
  EXPECT_TRUE(Confirmed);
  EXPECT_EQ(Component.DirName(), Root + "/Sub/");
  EXPECT_EQ(std::find(Offered.begin(), Offered.end(), Scratch.Path() + "/"), Offered.end());
}

TEST_F(FWOpenDirectoryExecuteTest, AnErrorOfTheHandlerClosesTheDialogAndLeavesExecute) {
  Component.StartDir = Scratch.Path();
  Component.OnChangeFolder = [](TFWOpenDirectory*, const std::string&, bool&) {
    throw std::runtime_error("handler failed");
  };
  // The script leaves the dialog alone: it must close by itself.
  EXPECT_THROW(Run([](QFileDialog&) {}), std::runtime_error);
  EXPECT_EQ(Component.DirName(), "");
}

TEST(HoldsKveskaClientTest, FindsTheClientWhateverTheLetterCase) {
  struct TCase {
    const char* Layout;  // files to create below the folder; a trailing "/" makes a folder
    bool Expected;
  };
  const std::vector<TCase> Cases = {
      {"Client/KVeska.exe", true},
      {"client/kveska.exe", true},
      {"CLIENT/KVESKA.EXE", true},
      {"client/other.exe|Client/KVeska.exe", true},
      {"Client/kveska.exe/", false},
      {"KVeska.exe", false},
      {"Client/Bin/KVeska.exe", false},
      {"Client/", false},
      {"Клиент/KVeska.exe", false},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Layout);
    TScratchFolder Folder;
    std::string Layout = Case.Layout;
    for (std::size_t Start = 0; Start <= Layout.size();) {
      std::size_t End = std::min(Layout.find('|', Start), Layout.size());
      const std::string Entry = Layout.substr(Start, End - Start);
      if (Entry.back() == '/') std::filesystem::create_directories(Folder / Entry);
      else Folder.Write(Entry, "MZ");
      Start = End + 1;
    }
    EXPECT_EQ(HoldsKveskaClient(Folder.Path()), Case.Expected);
    EXPECT_EQ(HoldsKveskaClient(Folder.Path() + "/"), Case.Expected);
  }
}

TEST(HoldsKveskaClientTest, AMissingFolderHoldsNothing) {
  TScratchFolder Folder;
  EXPECT_FALSE(HoldsKveskaClient(Folder / "missing"));
  Folder.Write("file", "x");
  EXPECT_FALSE(HoldsKveskaClient(Folder / "file"));
}

}  // namespace
}  // namespace Quellit
