#include "App/dlgEasySetup.Window.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QHeaderView>
#include <QTextDocument>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextEdit>

#include "App/dlgEasySetup.Settings.h"
#include "Components/FWOpenDirectory.h"
#include "Components/KvCheckedTreeView.h"
#include "Platform/NamedMutex.h"
#include "WindowRun.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

using Testing::OkBox;
using Testing::Question;
using Testing::TSeenBox;
using Testing::TWindowRun;
using Testing::TWizardSandbox;

const std::string ClosingCaption = "Завершение программы";
const QColor SlateGrey(96, 104, 112);

std::string PlainText(QWidget* AEditor) {
  if (auto* Rich = qobject_cast<QTextEdit*>(AEditor)) return Rich->toPlainText().toStdString();
  return qobject_cast<QPlainTextEdit*>(AEditor)->toPlainText().toStdString();
}

QColor TextColor(QWidget* AWidget) { return AWidget->palette().color(QPalette::WindowText); }

// The payload of a small update with Cyrillic names, a replaced file and pre-checked choices.
void WriteSamplePayload(const TWizardSandbox& ASandbox) {
  ASandbox.WriteProduct(1, "Docs/readme.txt", "old readme");
  ASandbox.WritePayload(0, "Templates/Отчёт.xlt", "report");
  ASandbox.WritePayload(1, "Docs/readme.txt", "new readme");
  ASandbox.WritePayload(1, "Docs/Руководство пользователя.txt", "guide");
  ASandbox.WritePayload(1, "Нормативы/Сборник 2024.dat", "base");
  ASandbox.WritePayload(1, "Нормативы/linkname.txt", "Нормативные базы\n");
  ASandbox.WritePayload(1, "Архив/2022/old.dat", "archive");
  ASandbox.WritePayload(1, "top.txt", "top");
  ASandbox.WriteSettings("[links]\n1=Нормативы\n2=Docs\\readme.txt\n[connections]\n1=Нормативы\n2=korvel.ru\n");
}

std::vector<std::string> TreeLines(const TEasySetupWindow& AWindow) {
  std::vector<std::string> Lines;
  for (int I = 0; I < AWindow.NodeCount(); ++I) {
    TTreeNodeId Node = AWindow.NodeByIndex(I);
    Lines.push_back((AWindow.GetChecked(Node) ? "+" : "") + AWindow.NodeText(Node));
  }
  return Lines;
}

// How much a picture differs from its background: the ink of the text drawn over it.
double Ink(const QImage& APicture, const QImage& ABackground) {
  double Sum = 0;
  for (int Y = 0; Y < APicture.height(); ++Y)
    for (int X = 0; X < APicture.width(); ++X) Sum += std::abs(qGray(APicture.pixel(X, Y)) - qGray(ABackground.pixel(X, Y)));
  return Sum / 255;
}

struct TPlace {
  TEasySetupControl Control;
  QRect Geometry;
  bool Visible;
};

TEST(TEasySetupWindow, StartsWithEveryControlInItsPlaceAndTheWelcomePage) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  ASSERT_TRUE(Run.Created);
  EXPECT_EQ(Run.Window.size(), QSize(694, 497));
  EXPECT_EQ(Run.Window.minimumSize(), Run.Window.maximumSize());
  EXPECT_EQ(Run.Window.windowTitle(), "Quellit Setup");

  const std::vector<TPlace> Places = {
      {ctlMemInfo, {200, 122, 468, 290}, true},
      {ctlMemStatus, {200, 122, 468, 254}, false},
      {ctlLblStatus, {200, 382, 468, 13}, false},
      {ctlPbStatus, {200, 401, 468, 17}, false},
      {ctlPbCurrentProgress, {200, 424, 468, 17}, false},
      {ctlTvShortCuts, {200, 147, 468, 292}, false},
      {ctlImage3, {377, 462, 77, 25}, true},
      {ctlImage2, {602, 462, 77, 25}, true},
  };
  for (const TPlace& Place : Places) {
    EXPECT_EQ(Run.Control(Place.Control)->geometry(), Place.Geometry) << Place.Control;
    EXPECT_EQ(Run.Shown(Place.Control), Place.Visible) << Place.Control;
  }
  const std::vector<std::pair<TEasySetupControl, QPoint>> Labels = {
      {ctlLblShortCuts, {200, 128}}, {ctlLblFinish, {200, 152}}, {ctlLblNext, {394, 468}}, {ctlLblCancel, {621, 468}}};
  for (const auto& [Control, TopLeft] : Labels) EXPECT_EQ(Run.Control(Control)->pos(), TopLeft) << Control;
  EXPECT_EQ(Run.Window.Label1()->pos(), QPoint(200, 72));
  EXPECT_EQ(Run.Window.Label2()->pos(), QPoint(200, 91));
  EXPECT_FALSE(Run.Shown(ctlImage4));
  EXPECT_FALSE(Run.Shown(ctlImage5));

  EXPECT_EQ(Run.Window.Label2()->text().toStdString(), "Экспресс обновление программного комплекса Корвел 8");
  EXPECT_FALSE(Run.Window.Label1()->text().isEmpty());
  for (QLabel* Header : {Run.Window.Label1(), Run.Window.Label2()}) {
    EXPECT_TRUE(Header->font().bold());
    EXPECT_EQ(TextColor(Header), QColor(Qt::white));
  }
  EXPECT_EQ(Run.Window.Text(ctlLblNext), "Далее >");
  EXPECT_EQ(Run.Window.Text(ctlLblCancel), "Отмена");
  EXPECT_EQ(Run.Window.Text(ctlLblShortCuts), "Выберите файл или папку на которые вы хотели бы создать ярлык:");
  EXPECT_EQ(Run.Window.Text(ctlLblFinish), "Экспресс установка завершена. Для завершения нажмите кнопку \"Готово\"");
  EXPECT_EQ(PlainText(Run.Control(ctlMemInfo)),
            "\nДанное приложение выполнит обновление файлов программного комплекса Корвел.\n\n"
            "Все измененные файлы будут сохранены в резервных копиях во избежании потери \nинформации.\n\n\n\n\n\n" +
                std::string(52, '=') +
                "\n\n\n\n\n\nДля начала установки нажмите кнопку \"Далее >\"\n\n"
                "Для отмены установки нажмите кнопку \"Отмена\"");
  EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(Run.Control(ctlMemInfo))->isReadOnly());
}

// The header is drawn in a real bold, as the window shows it: the bold outlines are heavier than
// the regular ones, not the regular outlines spaced out. The window's picture is saved for a person
// to look at.
TEST(TEasySetupWindow, TheHeaderIsBoldInTheWindowsPicture) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  for (QLabel* Header : {Run.Window.Label1(), Run.Window.Label2()}) {
    const QFont Bold = Header->font();
    QFont Regular = Bold;
    Regular.setBold(false);
    auto Picture = [&] {
      QCoreApplication::processEvents();
      return Run.Window.grab(Header->geometry()).toImage();
    };
    Header->hide();
    QImage Background = Picture();
    Header->show();
    double BoldInk = Ink(Picture(), Background);
    Header->setFont(Regular);
    double RegularInk = Ink(Picture(), Background);
    Header->setFont(Bold);
    EXPECT_GT(BoldInk, RegularInk * 1.2) << Header->text().toStdString() << " in "
                                         << QFontInfo(Bold).family().toStdString();
  }
  Run.Screenshot("header");
}

TEST(TEasySetupWindow, ControlsCarryTheirFixedSettings) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  auto* Log = qobject_cast<QTextEdit*>(Run.Control(ctlMemStatus));
  EXPECT_TRUE(Log->isReadOnly());
  EXPECT_EQ(Log->lineWrapMode(), QTextEdit::NoWrap);
  EXPECT_EQ(Log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(Log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  auto* Current = qobject_cast<QProgressBar*>(Run.Control(ctlPbCurrentProgress));
  EXPECT_EQ(Current->minimum(), 0);
  EXPECT_EQ(Current->maximum(), 100);

  TKvCheckedTreeView* Tree = Run.Window.Tree();
  EXPECT_TRUE(Tree->CheckBox());
  EXPECT_FALSE(Tree->ControlCheckState());
  EXPECT_EQ(Tree->indentation(), 19);

  TFWOpenDirectory* Browse = Run.Window.FWOpenDirectory1();
  EXPECT_EQ(Browse->StatusText, "Specify the directory:");
  EXPECT_EQ(Browse->StartDir, "c:\\");
  EXPECT_EQ(Browse->Title, "Browse For Folder");
  ASSERT_TRUE(Browse->OnChangeFolder);
  // Only a folder that holds the product's client (any letter case) may be chosen.
  std::filesystem::create_directories(Sandbox.Scratch() / "Install/CLIENT");
  Sandbox.WriteFile(Sandbox.Scratch() / "Install/CLIENT/KVeska.exe", "MZ");
  std::filesystem::create_directories(Sandbox.Scratch() / "Other");
  for (const auto& [Folder, Enabled] : {std::pair{std::string("Install/"), true}, {std::string("Other/"), false}}) {
    bool EnableButton = !Enabled;
    Browse->OnChangeFolder(Browse, Sandbox.Scratch() / Folder, EnableButton);
    EXPECT_EQ(EnableButton, Enabled) << Folder;
  }
}

// One run through every page with the default settings: what each page shows, and a screenshot.
TEST(TEasySetupWindow, ScriptedRunShowsEveryPageAndClosesWithReady) {
  TWizardSandbox Sandbox;
  WriteSamplePayload(Sandbox);
  TWindowRun Run;
  TEasySetupWindow& Window = Run.Window;
  Run.Screenshot("1-welcome");

  Run.Next();
  EXPECT_EQ(Run.Form().FPageState, psCopyData);
  EXPECT_FALSE(Run.Shown(ctlMemInfo));
  EXPECT_TRUE(Run.Shown(ctlMemStatus));
  EXPECT_TRUE(Run.Shown(ctlLblStatus));
  EXPECT_FALSE(Run.Shown(ctlPbStatus));
  EXPECT_FALSE(Run.Shown(ctlPbCurrentProgress));
  EXPECT_EQ(Window.Text(ctlLblStatus), "Копирование завершено. Для продолжения нажмите \"Далее>\"");
  EXPECT_EQ(TextColor(Run.Control(ctlLblNext)), QApplication::palette().color(QPalette::WindowText));
  std::string Log = PlainText(Run.Control(ctlMemStatus));
  EXPECT_NE(Log.find("Файл \"Docs/readme.txt\" обновлен."), std::string::npos) << Log;
  EXPECT_TRUE(Log.ends_with("Все файлы обновлены.\nКоличество обновленных файлов: 11\n\n"
                            "Для продолжения нажмите \"Далее>\""))
      << Log;
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "new readme");
  Run.Screenshot("2-copy-finished");

  Run.Next();
  EXPECT_EQ(Run.Form().FPageState, psShortCuts);
  EXPECT_TRUE(Run.Shown(ctlLblShortCuts));
  EXPECT_TRUE(Run.Shown(ctlTvShortCuts));
  EXPECT_FALSE(Run.Shown(ctlMemStatus));
  EXPECT_FALSE(Run.Shown(ctlLblStatus));
  EXPECT_EQ(TreeLines(Window),
            (std::vector<std::string>{"+Нормативы", "Сборник 2024.dat", "Архив", "2022", "old.dat", "Docs",
                                      "+readme.txt", "Руководство пользователя.txt", "top.txt"}));
  Run.Screenshot("3-shortcuts");

  Run.Next();
  EXPECT_EQ(Run.Form().FPageState, psConnections);
  EXPECT_EQ(Window.Text(ctlLblShortCuts), "Выберите папки которые необходимо подключить к Корвел:");
  EXPECT_TRUE(Run.Shown(ctlTvShortCuts));
  EXPECT_EQ(TreeLines(Window),
            (std::vector<std::string>{"+Нормативы", "Архив", "2022", "Docs", "+" + std::string(KorvelSiteHost)}));
  EXPECT_TRUE(std::filesystem::exists(Sandbox.Desktop() + "Нормативные базы.desktop"));
  Run.Screenshot("4-connections");

  Run.Next();
  EXPECT_EQ(Run.Form().FPageState, psDone);
  EXPECT_FALSE(Run.Shown(ctlTvShortCuts));
  EXPECT_FALSE(Run.Shown(ctlLblShortCuts));
  EXPECT_TRUE(Run.Shown(ctlLblFinish));
  EXPECT_EQ(Window.Text(ctlLblNext), "Готово");
  // The Cancel button's disabled look is the slate grey of its label.
  EXPECT_EQ(Window.FontColor(ctlLblCancel), clDisabledLabel);
  EXPECT_EQ(TextColor(Run.Control(ctlLblCancel)), SlateGrey);
  Run.Screenshot("5-done");

  // A disabled Cancel and the close command change nothing here; "Готово" closes.
  Run.Cancel();
  Window.close();
  EXPECT_TRUE(Window.isVisible());
  Run.Next();
  EXPECT_FALSE(Window.isVisible());
  EXPECT_TRUE(Run.Boxes.Seen.empty());
}

struct TCloseCase {
  const char* Name;
  bool ByCommand;  // the title bar's close command instead of the Cancel button
  QMessageBox::StandardButton Answer;
  bool Closed;
};

TEST(TEasySetupWindow, CancelAndTheCloseCommandAskBeforeClosingTheWelcomePage) {
  const std::vector<TCloseCase> Cases = {
      {"cancel, no", false, QMessageBox::No, false},
      {"cancel, yes", false, QMessageBox::Yes, true},
      {"close command, no", true, QMessageBox::No, false},
      {"close command, yes", true, QMessageBox::Yes, true},
  };
  for (const TCloseCase& Case : Cases) {
    TWizardSandbox Sandbox;
    TWindowRun Run;
    Run.Boxes.Answers = {Case.Answer};
    if (Case.ByCommand)
      Run.Window.close();
    else
      Run.Cancel();
    EXPECT_EQ(Run.Boxes.Seen,
              (std::vector<TSeenBox>{Question(ClosingCaption, "Закрыть утилиту экспресс обновления?")}))
        << Case.Name;
    EXPECT_EQ(Run.Window.isVisible(), !Case.Closed) << Case.Name;
    EXPECT_EQ(Run.Form().FPageState, psHello) << Case.Name;
  }
}

// The copy processes the toolkit's events between blocks, so the user's Cancel (or the close
// command) is answered in the middle of it; a confirmed cancel restores the product and closes.
TEST(TEasySetupWindow, CancelDuringALongCopyIsHonouredThroughTheEventLoop) {
  for (bool ByCommand : {false, true}) {
    TWizardSandbox Sandbox;
    Sandbox.WriteProduct(1, "big.dat", "original");
    Sandbox.WritePayload(1, "big.dat", std::string(4 << 20, 'x'));
    Sandbox.WritePayload(1, "later.txt", "later");
    TWindowRun Run;
    Run.Boxes.Answers = {QMessageBox::Yes};
    bool Asked = false;
    // A zero timer fires at every pass of the event loop; it acts once the copy of big.dat is
    // under way (the backup before it ends at 100 %).
    QTimer Cancel;
    QObject::connect(&Cancel, &QTimer::timeout, [&] {
      int Percent = Run.Window.ProgressPosition(ctlPbCurrentProgress);
      if (Asked || !Run.Form().StartInstall || Percent == 0 || Percent == 100) return;
      Asked = true;
      // The running copy page: the log, the current file and both bars; Next looks disabled.
      for (TEasySetupControl Shown : {ctlMemStatus, ctlLblStatus, ctlPbStatus, ctlPbCurrentProgress})
        EXPECT_TRUE(Run.Shown(Shown)) << Shown;
      EXPECT_FALSE(Run.Shown(ctlMemInfo));
      EXPECT_EQ(TextColor(Run.Control(ctlLblNext)), SlateGrey);
      EXPECT_TRUE(Run.Window.Text(ctlLblStatus).ends_with("big.dat"));
      if (ByCommand)
        Run.Window.close();
      else
        Run.Cancel();
    });
    Cancel.start(0);
    Run.Next();
    EXPECT_TRUE(Asked) << ByCommand;
    EXPECT_EQ(Run.Boxes.Seen,
              (std::vector<TSeenBox>{Question(ClosingCaption, "Отменить процесс экспресс обновления?")}))
        << ByCommand;
    EXPECT_FALSE(Run.Window.isVisible()) << ByCommand;
    EXPECT_EQ(Sandbox.ReadProduct(1, "big.dat"), "original") << ByCommand;
    EXPECT_FALSE(std::filesystem::exists(Sandbox.ProductRoot(1) + "later.txt")) << ByCommand;
    EXPECT_TRUE(PlainText(Run.Control(ctlMemStatus)).ends_with("Произвожу процесс восстановления данных."));
  }
}

TEST(TEasySetupWindow, ACancelOnTheShortcutsPageRestoresAndTheLastPageSaysSoWithinTheWindow) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "Docs/readme.txt", "original");
  Sandbox.WritePayload(1, "Docs/readme.txt", "replacement");
  TWindowRun Run;
  Run.Next();
  Run.Next();
  Run.Boxes.Answers = {QMessageBox::Yes};
  Run.Cancel();
  EXPECT_EQ(Run.Boxes.Seen, (std::vector<TSeenBox>{Question(ClosingCaption, "Отменить процесс экспресс обновления?")}));
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "original");
  // Straight on to the closing page: after a cancel there is nothing left to choose.
  EXPECT_EQ(Run.Form().FPageState, psDone);
  QWidget* Finish = Run.Control(ctlLblFinish);
  EXPECT_TRUE(Finish->isVisible());
  EXPECT_EQ(Run.Window.Text(ctlLblFinish),
            "Экспресс установка отменена пользователем. Для завершения нажмите кнопку \"Готово\"");
  // The longest closing text still ends inside the window.
  EXPECT_LE(Finish->geometry().right(), Run.Window.width() - 1);
  EXPECT_GE(Finish->width(), Finish->sizeHint().width());
  Run.Screenshot("6-done-after-cancel");
}

TEST(TEasySetupWindow, MissingProductIsReportedInAPlainBoxAndLeadsToTheConnectionsPage) {
  TWizardSandbox Sandbox(false);
  TWindowRun Run;
  Run.Next();
  EXPECT_EQ(Run.Boxes.Seen, (std::vector<TSeenBox>{OkBox("Ошибка.", "Не удалось обнаружить установленную версию Корвел версии 8.0",
                                                          QMessageBox::NoIcon)}));
  EXPECT_EQ(Run.Form().FPageState, psConnections);
  EXPECT_TRUE(Run.Shown(ctlTvShortCuts));
  EXPECT_FALSE(Run.Shown(ctlMemStatus));
  Run.Next();
  EXPECT_EQ(Run.Window.Text(ctlLblFinish),
            "Экспресс установка прервана из-за ошибки. Для завершения нажмите кнопку \"Готово\"");
  EXPECT_TRUE(Run.Shown(ctlLblFinish));
}

TEST(TEasySetupWindow, WarnsAndNeverAppearsWhileTheProductClientRuns) {
  TWizardSandbox Sandbox;
  Platform::TNamedMutex Client(TVeska8Information32::Instance().MutexName());
  TWindowRun Run;
  EXPECT_FALSE(Run.Created);
  EXPECT_FALSE(Run.Window.isVisible());
  EXPECT_EQ(Run.Boxes.Seen,
            (std::vector<TSeenBox>{OkBox("Внимание !!!",
                                         "Для установки обновления , необходимо завершить работу клиента Корвел.",
                                         QMessageBox::Warning)}));
}

TEST(TEasySetupWindow, AnErrorThatEndsTheCopyIsShownByTheErrorDisplay) {
  TWizardSandbox Sandbox;
  Sandbox.WriteSettings("[CommonSettings.XML]\nExternalFileExts=.pdf\n");
  Sandbox.WriteFile(TVeska8Information32::Instance().CommonSettingFilename(), "<Options");
  TWindowRun Run;
  Run.Next();
  ASSERT_EQ(Run.Boxes.Seen.size(), 1u);
  const TSeenBox& Box = Run.Boxes.Seen[0];
  EXPECT_EQ(Box.Caption, "Quellit Setup");
  EXPECT_EQ(Box.Icon, QMessageBox::Critical);
  EXPECT_EQ(Box.Buttons, QMessageBox::Ok);
  EXPECT_FALSE(Box.Text.empty());
  // The copy's epilogue ran: the page stays, the progress bars are gone.
  EXPECT_FALSE(Run.Form().StartInstall);
  EXPECT_FALSE(Run.Shown(ctlPbStatus));
}

TEST(TEasySetupWindow, ButtonPicturesTakeThePressedLookOnlyWhenTheyMay) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  auto Looks = [&](TEasySetupControl APicture, TEasySetupControl ALook) {
    return Run.Picture(APicture)->pixmap().toImage() == Run.Picture(ALook)->pixmap().toImage();
  };
  ASSERT_FALSE(Looks(ctlImage4, ctlImage5));
  QWidget* Next = Run.Control(ctlImage3);
  QTest::mousePress(Next, Qt::RightButton, {}, Next->rect().center());
  EXPECT_TRUE(Looks(ctlImage3, ctlImage4));
  QTest::mouseRelease(Next, Qt::RightButton, {}, Next->rect().center());
  // The label over the picture presses the picture beneath it.
  QWidget* NextLabel = Run.Control(ctlLblNext);
  QTest::mousePress(NextLabel, Qt::LeftButton, {}, NextLabel->rect().center());
  EXPECT_TRUE(Looks(ctlImage3, ctlImage5));
  // Released outside, the press is no click: the look comes back and the page stays.
  QTest::mouseRelease(NextLabel, Qt::LeftButton, {}, QPoint(-30, -30));
  EXPECT_TRUE(Looks(ctlImage3, ctlImage4));
  EXPECT_EQ(Run.Form().FPageState, psHello);

  Run.Window.SetFontColor(ctlLblCancel, clDisabledLabel);
  QWidget* Cancel = Run.Control(ctlImage2);
  QTest::mousePress(Cancel, Qt::LeftButton, {}, Cancel->rect().center());
  EXPECT_TRUE(Looks(ctlImage2, ctlImage4));
  QTest::mouseRelease(Cancel, Qt::LeftButton, {}, Cancel->rect().center());
  EXPECT_TRUE(Run.Boxes.Seen.empty());
}

TEST(TEasySetupWindow, ADoubleClickOnNextCountsAsTwoClicks) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  Run.Next();
  ASSERT_EQ(Run.Form().FPageState, psCopyData);
  // What the toolkit delivers for a double click: press, release, press, double click, release.
  QWidget* Next = Run.Control(ctlImage3);
  QPoint Middle = Next->rect().center();
  QTest::mouseClick(Next, Qt::LeftButton, {}, Middle);
  QTest::mousePress(Next, Qt::LeftButton, {}, Middle);
  QTest::mouseDClick(Next, Qt::LeftButton, {}, Middle);
  QTest::mouseRelease(Next, Qt::LeftButton, {}, Middle);
  EXPECT_EQ(Run.Form().FPageState, psConnections);
}

TEST(TEasySetupWindow, AClickOnACheckBoxChangesTheClickedNodeOnly) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, "Нормативы/Сборник.dat", "base");
  TWindowRun Run;
  Run.Next();
  Run.Next();
  TKvCheckedTreeView* Tree = Run.Window.Tree();
  QTreeWidgetItem* Folder = Tree->topLevelItem(0);
  Folder->setExpanded(true);
  QStyleOptionViewItem Option;
  Option.initFrom(Tree);
  Option.rect = Tree->visualItemRect(Folder);
  Option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
  QRect Box = Tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &Option, Tree);
  QTest::mouseClick(Tree->viewport(), Qt::LeftButton, {}, Box.center());
  EXPECT_EQ(TreeLines(Run.Window), (std::vector<std::string>{"+Нормативы", "Сборник.dat"}));
}

TEST(TEasySetupWindow, StatusLinesAreShownAsWrittenAndAppendedToTheLogFile) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  std::string LogFile = Sandbox.Scratch() / "setup.log";
  Run.Window.SetLogFile(LogFile);
  Run.Window.AppendStatusLine("Файл \"<b>bold</b> &amp;\" добавлен.");
  Run.Window.AppendStatusLine("");
  Run.Window.AppendStatusLine("end");
  EXPECT_EQ(PlainText(Run.Control(ctlMemStatus)), "Файл \"<b>bold</b> &amp;\" добавлен.\n\nend");
  EXPECT_EQ(Testing::TScratchFolder::Read(LogFile), "Файл \"<b>bold</b> &amp;\" добавлен.\n\nend\n");
}

TEST(TEasySetupWindow, TheLogKeepsItsNewestLineInViewOnlyWhileTheReaderIsAtTheBottom) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  Run.Window.SetVisible(ctlMemStatus, true);
  QScrollBar* Vertical = qobject_cast<QTextEdit*>(Run.Control(ctlMemStatus))->verticalScrollBar();
  for (int I = 0; I < 60; ++I) Run.Window.AppendStatusLine("line " + std::to_string(I));
  ASSERT_GT(Vertical->maximum(), 0);
  EXPECT_EQ(Vertical->value(), Vertical->maximum());
  // Scrolled up to read, the reader is not pulled down by new lines.
  Vertical->setValue(0);
  Run.Window.AppendStatusLine("later");
  EXPECT_EQ(Vertical->value(), 0);
  Run.Window.ScrollStatusToEnd();
  EXPECT_EQ(Vertical->value(), Vertical->maximum());
}

TEST(TEasySetupWindow, TheCurrentFileLosesTheMiddleOfALongPath) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  std::string Path = "/home/user/" + std::string(200, 'a') + "/Сборник 2024.dat";
  Run.Window.SetText(ctlLblStatus, Path);
  QString Shown = qobject_cast<QLabel*>(Run.Control(ctlLblStatus))->text();
  EXPECT_TRUE(Shown.startsWith("/home/user/")) << Shown.toStdString();
  EXPECT_TRUE(Shown.endsWith("Сборник 2024.dat")) << Shown.toStdString();
  EXPECT_TRUE(Shown.contains(QChar(0x2026))) << Shown.toStdString();
  EXPECT_EQ(Run.Window.Text(ctlLblStatus), Path);
}

TEST(TEasySetupWindow, ExecutablesGetAnImageEachOtherFilesShareOnePerType) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  std::string Root = Sandbox.PayloadRoot(1);
  for (const char* Name : {"a.exe", "b.exe", "C.EXE", "d.EXE", "e.txt", "f.txt"}) Sandbox.WritePayload(1, Name, "x");
  std::filesystem::create_directories(Root + "One");
  std::filesystem::create_directories(Root + "Two");
  TEasySetupWindow& Window = Run.Window;
  int First = Window.GetIconIndex(Root + "a.exe");
  EXPECT_NE(Window.GetIconIndex(Root + "b.exe"), First);
  EXPECT_NE(Window.GetIconIndex(Root + "a.exe"), First);  // appended again, as each call does
  EXPECT_EQ(Window.GetIconIndex(Root + "C.EXE"), Window.GetIconIndex(Root + "d.EXE"));
  EXPECT_EQ(Window.GetIconIndex(Root + "e.txt"), Window.GetIconIndex(Root + "f.txt"));
  EXPECT_EQ(Window.GetIconIndex(Root + "One"), Window.GetIconIndex(Root + "Two"));
  EXPECT_NE(Window.GetIconIndex(Root + "One"), Window.GetIconIndex(Root + "e.txt"));
  EXPECT_EQ(Window.TreeNodes().ImageCount(), 6);
}

// A payload's names are untrusted: a name written as markup is shown as the text it is, in the
// current-file label and in its tool tip, while the copy runs.
TEST(TEasySetupWindow, APayloadNameThatLooksLikeMarkupIsShownAsWritten) {
  const std::string Name = "<font color=red size=6>Большой <u>файл.dat";
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, Name, std::string(1 << 20, 'x'));
  TWindowRun Run;
  auto* Status = qobject_cast<QLabel*>(Run.Control(ctlLblStatus));
  std::string Whole, ToolTip;
  Qt::TextFormat Format = Qt::RichText;
  QTimer Watch;
  QObject::connect(&Watch, &QTimer::timeout, [&] {
    if (!Whole.empty() || !Run.Window.Text(ctlLblStatus).ends_with(Name)) return;
    Whole = Run.Window.Text(ctlLblStatus);
    Format = Status->textFormat();
    QTextDocument Shown;
    Shown.setHtml(Status->toolTip());
    ToolTip = Shown.toPlainText().toStdString();
  });
  Watch.start(0);
  Run.Next();
  ASSERT_FALSE(Whole.empty());
  EXPECT_EQ(Whole, Sandbox.PayloadRoot(1) + Name);
  EXPECT_EQ(Format, Qt::PlainText);
  EXPECT_EQ(ToolTip, Whole);
  // A short text shows whole, and every label of the window is plain text.
  Run.Window.SetText(ctlLblStatus, Name);
  EXPECT_EQ(Status->text().toStdString(), Name);
  for (QLabel* Label : Run.Window.findChildren<QLabel*>())
    if (Label->pixmap().isNull()) {
      EXPECT_EQ(Label->textFormat(), Qt::PlainText) << Label->text().toStdString();
    }
}

// A keyboard alone walks a whole update: Enter presses Next on every page, the tree pages take
// the focus so the space bar checks the current node at once, and "Готово" closes.
TEST(TEasySetupWindow, TheKeyboardAloneWalksAWholeUpdate) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "Docs/readme.txt", "old readme");
  Sandbox.WritePayload(1, "Docs/readme.txt", "new readme");
  Sandbox.WritePayload(1, "Нормативы/Сборник.dat", "base");
  TWindowRun Run;
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Run.Window));
  auto Key = [&](Qt::Key AKey) { QTest::keyClick(QApplication::focusWidget(), AKey); };
  TKvCheckedTreeView* Tree = Run.Window.Tree();

  Key(Qt::Key_Return);
  EXPECT_EQ(Run.Form().FPageState, psCopyData);
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "new readme");
  Key(Qt::Key_Enter);  // the keypad's Enter too
  ASSERT_EQ(Run.Form().FPageState, psShortCuts);
  EXPECT_TRUE(Tree->hasFocus());
  ASSERT_EQ(Tree->currentItem(), Tree->topLevelItem(0));
  Key(Qt::Key_Space);
  EXPECT_EQ(TreeLines(Run.Window), (std::vector<std::string>{"+Нормативы", "Сборник.dat", "Docs", "readme.txt"}));
  Key(Qt::Key_Return);
  ASSERT_EQ(Run.Form().FPageState, psConnections);
  EXPECT_TRUE(std::filesystem::exists(Sandbox.Desktop() + "Нормативы.desktop"));
  EXPECT_TRUE(Tree->hasFocus());
  EXPECT_EQ(Tree->currentItem(), Tree->topLevelItem(0));
  Key(Qt::Key_Return);
  ASSERT_EQ(Run.Form().FPageState, psDone);
  // Cancel is disabled here, for the keyboard as for the mouse.
  Key(Qt::Key_Escape);
  EXPECT_TRUE(Run.Window.isVisible());
  EXPECT_TRUE(Run.Boxes.Seen.empty());
  Key(Qt::Key_Return);
  EXPECT_FALSE(Run.Window.isVisible());
}

struct TKeyCase {
  const char* Name;
  std::vector<Qt::Key> Keys;  // pressed in order on the welcome page
  QMessageBox::StandardButton Answer;
  bool Asked, Closed;
  TPageState Page;
};

// Escape is the Cancel button with its question; Tab reaches Next, then Cancel, and Enter or the
// space bar press the button that has the focus.
TEST(TEasySetupWindow, EscapeCancelsAndTabReachesTheButtons) {
  const std::vector<TKeyCase> Cases = {
      {"escape, no", {Qt::Key_Escape}, QMessageBox::No, true, false, psHello},
      {"escape, yes", {Qt::Key_Escape}, QMessageBox::Yes, true, true, psHello},
      {"tab to next, space", {Qt::Key_Tab, Qt::Key_Space}, QMessageBox::No, false, false, psCopyData},
      {"tab to cancel, enter", {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, QMessageBox::No, true, false, psHello},
      {"tab to cancel, space", {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space}, QMessageBox::Yes, true, true, psHello},
  };
  for (const TKeyCase& Case : Cases) {
    TWizardSandbox Sandbox;
    TWindowRun Run;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Run.Window));
    Run.Boxes.Answers = {Case.Answer};
    for (Qt::Key Key : Case.Keys) QTest::keyClick(QApplication::focusWidget(), Key);
    EXPECT_EQ(Run.Boxes.Seen.size(), Case.Asked ? 1u : 0u) << Case.Name;
    if (Case.Asked && !Run.Boxes.Seen.empty()) {
      EXPECT_EQ(Run.Boxes.Seen[0], Question(ClosingCaption, "Закрыть утилиту экспресс обновления?")) << Case.Name;
    }
    EXPECT_EQ(Run.Window.isVisible(), !Case.Closed) << Case.Name;
    EXPECT_EQ(Run.Form().FPageState, Case.Page) << Case.Name;
  }
}

// A button picture reached by Tab shows the focus look; a click never gives it the focus.
TEST(TEasySetupWindow, AButtonPictureReachedByTabShowsTheFocusLook) {
  TWizardSandbox Sandbox;
  TWindowRun Run;
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Run.Window));
  QWidget* Next = Run.Control(ctlImage3);
  QWidget* Cancel = Run.Control(ctlImage2);
  auto Look = [](QWidget* APicture) {
    QCoreApplication::processEvents();
    return APicture->grab().toImage();
  };
  const QImage Plain = Look(Next);
  EXPECT_EQ(Look(Cancel), Plain);
  EXPECT_TRUE(Run.Control(ctlMemInfo)->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(Next->hasFocus());
  EXPECT_NE(Look(Next), Plain);
  Run.Screenshot("focus-on-next");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(Cancel->hasFocus());
  EXPECT_EQ(Look(Next), Plain);
  EXPECT_NE(Look(Cancel), Plain);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(Run.Control(ctlMemInfo)->hasFocus());

  QTest::mousePress(Next, Qt::RightButton, {}, Next->rect().center());
  QTest::mouseRelease(Next, Qt::RightButton, {}, Next->rect().center());
  EXPECT_FALSE(Next->hasFocus());
}

TEST(TEasySetupWindow, TheFrameNotTheClientAreaIsCentred) {
  const QRect Screen(0, 0, 1024, 768);
  struct TCase {
    QRect Available;
    QMargins Frame;
    QPoint TopLeft;
  };
  const std::vector<TCase> Cases = {
      {Screen, {}, {165, 135}},
      {Screen, {4, 24, 4, 4}, {161, 121}},          // the title bar lifts the frame by half its height
      {{0, 30, 1024, 738}, {4, 24, 4, 4}, {161, 136}},  // a panel at the top
      {{0, 0, 640, 480}, {4, 24, 4, 4}, {0, 0}},     // too small: the title bar stays on the screen
  };
  for (const TCase& Case : Cases)
    EXPECT_EQ(CentredFramePosition(Case.Available, QSize(694, 497), Case.Frame), Case.TopLeft)
        << Case.Frame.top() << " " << Case.Available.height();

  TWizardSandbox Sandbox;
  TWindowRun Run;
  QRect Available = Run.Window.screen()->availableGeometry();
  QRect Frame = Run.Window.frameGeometry();
  EXPECT_LE(std::abs(Frame.center().x() - Available.center().x()), 1) << Frame.x();
  EXPECT_LE(std::abs(Frame.center().y() - Available.center().y()), 1) << Frame.y() << " " << Frame.height();
}

}  // namespace
}  // namespace Quellit
