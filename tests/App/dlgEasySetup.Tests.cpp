#include "App/dlgEasySetup.h"
#include "App/dlgEasySetup.Settings.h"

#include <gtest/gtest.h>

#include "WizardSandbox.h"
#include "Platform/DesktopShortcut.h"
#include "Platform/NamedMutex.h"
#include "Support/PathText.h"

namespace Quellit {
namespace {

using Testing::TShownMessage;
using Testing::TWizard;
using Testing::TWizardSandbox;

const std::string ClosingCaption = "Завершение программы";
const std::string CloseQuestion = "Закрыть утилиту экспресс обновления?";
const std::string CancelQuestion = "Отменить процесс экспресс обновления?";
const std::string CancelledText =
    "Экспресс установка отменена пользователем. Для завершения нажмите кнопку \"Готово\"";

TEST(TfrmEasySetup, RefusesToStartWhileTheClientHoldsItsMutex) {
  TWizardSandbox Sandbox;
  Platform::TNamedMutex Client(TVeska8Information32::Instance().MutexName());
  TWizard Wizard;
  EXPECT_FALSE(Wizard.Created);
  EXPECT_EQ(Wizard.View.Messages,
            (std::vector<TShownMessage>{{"Внимание !!!",
                                         "Для установки обновления , необходимо завершить работу клиента Корвел.",
                                         miWarning}}));
}

TEST(TfrmEasySetup, DoesNotKeepTheClientsMutex) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  ASSERT_TRUE(Wizard.Created);
  Platform::TNamedMutex LaterClient(TVeska8Information32::Instance().MutexName());
  EXPECT_FALSE(LaterClient.AlreadyExists());
}

TEST(TfrmEasySetup, DefaultRunWalksEveryPageAndCloses) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  Testing::TScriptedView& View = Wizard.View;
  Wizard.Next();
  EXPECT_EQ(Wizard.Form.FPageState, psCopyData);
  EXPECT_FALSE(Wizard.Form.StartInstall);
  EXPECT_EQ(View.Log, (std::vector<std::string>{"Все файлы обновлены.", "Количество обновленных файлов: 0", "",
                                                "Для продолжения нажмите \"Далее>\""}));
  EXPECT_EQ(View.Text(ctlLblStatus), "Копирование завершено. Для продолжения нажмите \"Далее>\"");
  EXPECT_FALSE(View.IsVisible(ctlMemInfo));
  EXPECT_FALSE(View.IsVisible(ctlPbStatus));
  EXPECT_FALSE(View.IsVisible(ctlPbCurrentProgress));
  EXPECT_EQ(View.FontColor(ctlLblNext), clWindowText);

  Wizard.Next();
  EXPECT_EQ(Wizard.Form.FPageState, psShortCuts);
  EXPECT_TRUE(View.IsVisible(ctlTvShortCuts));
  EXPECT_TRUE(View.IsVisible(ctlLblShortCuts));
  EXPECT_FALSE(View.IsVisible(ctlMemStatus));

  Wizard.Next();
  EXPECT_EQ(Wizard.Form.FPageState, psConnections);
  EXPECT_EQ(View.Text(ctlLblShortCuts), "Выберите папки которые необходимо подключить к Корвел:");
  EXPECT_EQ(View.TreeLines(), std::vector<std::string>{KorvelSiteHost});

  Wizard.Next();
  EXPECT_EQ(Wizard.Form.FPageState, psDone);
  EXPECT_EQ(View.FontColor(ctlLblCancel), clDisabledLabel);
  EXPECT_EQ(View.Text(ctlLblNext), "Готово");
  EXPECT_TRUE(View.IsVisible(ctlLblFinish));
  EXPECT_FALSE(View.IsVisible(ctlTvShortCuts));
  EXPECT_EQ(View.CloseCalls, 0);

  Wizard.Next();
  EXPECT_TRUE(Wizard.Form.CloseStatus);
  EXPECT_EQ(View.CloseCalls, 1);
  EXPECT_TRUE(View.Errors.empty());
}

TEST(TfrmEasySetup, MissingProductIsReportedAndTheWizardMovesToTheConnectionsPage) {
  TWizardSandbox Sandbox(false);
  Sandbox.WritePayload(1, "Docs/readme.txt", "new");
  TWizard Wizard;
  Wizard.Next();
  EXPECT_EQ(Wizard.View.Messages, (std::vector<TShownMessage>{
                                      {"Ошибка.", "Не удалось обнаружить установленную версию Корвел версии 8.0", miNone}}));
  EXPECT_EQ(Wizard.Form.FPageState, psConnections);
  EXPECT_FALSE(Wizard.Form.StartInstall);
  EXPECT_TRUE(Wizard.View.Log.empty());
  EXPECT_EQ(Wizard.View.TreeLines(), std::vector<std::string>{KorvelSiteHost});
  EXPECT_EQ(Wizard.View.Text(ctlLblFinish),
            "Экспресс установка прервана из-за ошибки. Для завершения нажмите кнопку \"Готово\"");
  Wizard.Next();
  EXPECT_EQ(Wizard.Form.FPageState, psDone);
}

struct TCancelCase {
  const char* Name;
  int NextPresses;       // pages passed before Cancel: 0 psHello, 2 psShortCuts, 3 psConnections
  bool Answer;
  std::string Question;
  TPageState PageAfter;
  bool Closed;
};

TEST(TfrmEasySetup, CancelAsksAndActsByPage) {
  const std::vector<TCancelCase> Cases = {
      {"hello, yes", 0, true, CloseQuestion, psHello, true},
      {"hello, no", 0, false, CloseQuestion, psHello, false},
      {"shortcuts, yes", 2, true, CancelQuestion, psDone, false},
      {"shortcuts, no", 2, false, CancelQuestion, psShortCuts, false},
      {"connections, yes", 3, true, CloseQuestion, psConnections, true},
      {"connections, no", 3, false, CloseQuestion, psConnections, false},
  };
  for (const TCancelCase& Case : Cases) {
    TWizardSandbox Sandbox;
    TWizard Wizard;
    for (int I = 0; I < Case.NextPresses; ++I) Wizard.Next();
    Wizard.View.Messages.clear();
    Wizard.View.Answers = {Case.Answer};
    Wizard.Cancel();
    EXPECT_EQ(Wizard.View.Messages, (std::vector<TShownMessage>{{ClosingCaption, Case.Question, miNone}}))
        << Case.Name;
    EXPECT_EQ(Wizard.Form.FPageState, Case.PageAfter) << Case.Name;
    EXPECT_EQ(Wizard.View.CloseCalls, Case.Closed ? 1 : 0) << Case.Name;
    EXPECT_EQ(Wizard.Form.CloseStatus, Case.Closed) << Case.Name;
  }
}

TEST(TfrmEasySetup, CancelOnTheShortcutsPageRestoresTheBackupsAndShowsTheCancelOnTheLastPage) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "Docs/readme.txt", "original");
  Sandbox.WritePayload(1, "Docs/readme.txt", "replacement");
  TWizard Wizard;
  Wizard.Next();
  Wizard.Next();
  ASSERT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "replacement");
  Wizard.View.Answers = {true};
  Wizard.Cancel();
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "original");
  EXPECT_TRUE(Wizard.Form.BreakInstall);
  EXPECT_EQ(Wizard.View.Text(ctlLblFinish), CancelledText);
  // Straight on to the closing page: its cancel text shows and "Готово" closes.
  EXPECT_EQ(Wizard.Form.FPageState, psDone);
  EXPECT_TRUE(Wizard.View.IsVisible(ctlLblFinish));
  EXPECT_EQ(Wizard.View.Text(ctlLblNext), "Готово");
  Wizard.Next();
  EXPECT_EQ(Wizard.View.CloseCalls, 1);
  EXPECT_TRUE(Wizard.View.Errors.empty());
}

struct TCancelEveryPageCase {
  const char* Name;
  int NextPresses;      // pages passed before Cancel: 0 psHello, 1 the copy done, 2 psShortCuts, ...
  bool DuringTheCopy;   // Cancel pressed while the copy runs instead
  bool Asked;           // false: Cancel is disabled on that page
  bool RollsBack;       // the replaced file is the original again
  bool Shortcut;        // the pre-checked shortcut exists at the end
  bool Connection;      // the pre-checked folder connection was added
  bool ClosedAtOnce;
};

// A confirmed cancel ends what the run changes: whatever page it comes on, no later step makes a
// shortcut or adds a connection, however the user goes on afterwards.
TEST(TfrmEasySetup, AfterAConfirmedCancelNoLaterStepChangesAnything) {
  const std::vector<TCancelEveryPageCase> Cases = {
      {"welcome page", 0, false, true, false, false, false, true},
      {"during the copy", 0, true, true, true, false, false, true},
      {"copy finished", 1, false, true, true, false, false, false},
      {"shortcuts page", 2, false, true, true, false, false, false},
      // Cancel there closes without rollback: the shortcuts were made on the way in.
      {"connections page", 3, false, true, false, true, false, true},
      {"closing page", 4, false, false, false, true, true, false},
  };
  for (const TCancelEveryPageCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TWizardSandbox Sandbox;
    Sandbox.WriteProduct(1, "Docs/readme.txt", "original");
    Sandbox.WritePayload(1, "Docs/readme.txt", "replacement");
    Sandbox.WritePayload(1, "Нормативы/base.dat", "b");
    Sandbox.WriteSettings("[links]\n1=Нормативы\n[connections]\n1=Нормативы\n");
    TWizard Wizard;
    for (int I = 0; I < Case.NextPresses; ++I) Wizard.Next();
    Wizard.View.Messages.clear();
    if (Case.DuringTheCopy) {
      Wizard.View.EveryProcessMessages = [&] {
        if (!Wizard.Form.StartInstall || !Wizard.View.Messages.empty()) return;
        Wizard.View.Answers = {true};
        Wizard.Cancel();
      };
      Wizard.Next();
    } else {
      Wizard.View.Answers = {true};
      Wizard.Cancel();
    }
    EXPECT_EQ(Wizard.View.Messages.size(), Case.Asked ? 1u : 0u);
    EXPECT_EQ(Wizard.View.CloseCalls, Case.ClosedAtOnce ? 1 : 0);
    // A user who goes on pressing Next until the window closes.
    for (int I = 0; I < 6 && Wizard.View.CloseCalls == 0; ++I) Wizard.Next();
    EXPECT_EQ(Wizard.View.CloseCalls, 1);
    if (Case.RollsBack) {
      EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "original");
      EXPECT_EQ(Wizard.View.Text(ctlLblFinish), CancelledText);
    }
    EXPECT_EQ(std::filesystem::exists(Testing::FileSystemPathOf(Platform::DesktopShortcutPath("Нормативы"))), Case.Shortcut);
    std::string Connections = TVeska8Information32::Instance().ConnectionOptionsFilename();
    bool Added = std::filesystem::exists(Connections) &&
                 Testing::TScratchFolder::Read(Connections).find("KV.Files") != std::string::npos;
    EXPECT_EQ(Added, Case.Connection);
    EXPECT_TRUE(Wizard.View.Errors.empty());
  }
}

TEST(TfrmEasySetup, CancelConfirmedDuringTheCopyEndsItRestoresAndClosesOnce) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "a.txt", "original a");
  Sandbox.WritePayload(1, "a.txt", "new a");
  Sandbox.WritePayload(1, "b.txt", "new b");
  TWizard Wizard;
  // The copy's first event processing is right after the backup of a.txt.
  bool Asked = false;
  Wizard.View.EveryProcessMessages = [&] {
    if (!Wizard.Form.StartInstall || Asked) return;
    Asked = true;
    Wizard.View.Answers = {true};
    Wizard.Cancel();
  };
  Wizard.Next();
  // A copy that never processed events asked nothing: no last message to read then.
  ASSERT_TRUE(Asked);
  ASSERT_FALSE(Wizard.View.Messages.empty());
  EXPECT_EQ(Wizard.View.Messages.back(), (TShownMessage{ClosingCaption, CancelQuestion, miNone}));
  EXPECT_EQ(Sandbox.ReadProduct(1, "a.txt"), "original a");
  EXPECT_FALSE(std::filesystem::exists(Testing::FileSystemPathOf(Sandbox.ProductRoot(1) + "b.txt")));
  EXPECT_EQ(Wizard.View.CloseCalls, 1);
  EXPECT_TRUE(Wizard.Form.CloseStatus);
  EXPECT_FALSE(Wizard.Form.StartInstall);
  ASSERT_FALSE(Wizard.View.Log.empty());
  EXPECT_EQ(Wizard.View.Log.back(), "Произвожу процесс восстановления данных.");
  EXPECT_TRUE(Wizard.View.Errors.empty());
}

TEST(TfrmEasySetup, NextPressedDuringTheCopyChangesNothing) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(0, "one.txt", "1");
  Sandbox.WritePayload(0, "two.txt", "2");
  TWizard Wizard;
  Wizard.View.EveryProcessMessages = [&] {
    if (!Wizard.Form.StartInstall) return;
    Wizard.Form.Image3MouseDown(ctlImage3, mbLeft);
    Wizard.Next();
    EXPECT_EQ(Wizard.Form.FPageState, psCopyData);
  };
  Wizard.Next();
  Wizard.View.EveryProcessMessages = nullptr;
  EXPECT_EQ(Wizard.Form.FPageState, psCopyData);
  // The pressed look never showed while the copy ran.
  EXPECT_EQ(Wizard.View.Pictures[ctlImage3], ctlImage4);
  EXPECT_EQ(Sandbox.ReadProduct(0, "two.txt"), "2");
}

TEST(TfrmEasySetup, TheCloseCommandIsRefusedOnTheLastPageAndAskedElsewhere) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  bool CanClose = true;
  Wizard.View.Answers = {false};
  Wizard.Form.FormCloseQuery(CanClose);
  EXPECT_FALSE(CanClose);
  for (int I = 0; I < 4; ++I) Wizard.Next();
  ASSERT_EQ(Wizard.Form.FPageState, psDone);
  Wizard.View.Messages.clear();
  Wizard.Form.FormCloseQuery(CanClose);
  EXPECT_FALSE(CanClose);
  EXPECT_TRUE(Wizard.View.Messages.empty());
  Wizard.Next();
  Wizard.Form.FormCloseQuery(CanClose);
  EXPECT_TRUE(CanClose);
}

TEST(TfrmEasySetup, ButtonLooksFollowTheButtonsState) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  Wizard.Form.Image3MouseDown(ctlImage2, mbRight);
  EXPECT_FALSE(Wizard.View.Pictures.contains(ctlImage2));
  Wizard.Form.Image3MouseDown(ctlImage2, mbLeft);
  EXPECT_EQ(Wizard.View.Pictures[ctlImage2], ctlImage5);
  Wizard.Form.Image3MouseUp(ctlImage2, mbLeft);
  EXPECT_EQ(Wizard.View.Pictures[ctlImage2], ctlImage4);
  Wizard.View.SetFontColor(ctlLblCancel, clDisabledLabel);
  Wizard.Form.Image3MouseDown(ctlImage2, mbLeft);
  EXPECT_EQ(Wizard.View.Pictures[ctlImage2], ctlImage4);
}

TEST(TfrmEasySetup, ATreeClickChangesOnlyTheClickedNode) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  TCheckedTreeModel& Tree = Wizard.View.Tree;
  TTreeNodeId Folder = Tree.AddChildLast(NoTreeNode, "Folder");
  TTreeNodeId Child = Tree.AddChildLast(Folder, "child");
  Tree.OnCheck = [&](TTreeNodeId ANode, bool& ANewState, bool& AApply) {
    Wizard.Form.tvShortCutsCheck(ANode, ANewState, AApply);
  };
  Tree.ClickCheckBox(Folder);
  EXPECT_TRUE(Tree.GetChecked(Folder));
  EXPECT_FALSE(Tree.GetChecked(Child));
}

TEST(TfrmEasySetup, ErrorsOfAStepGoToTheErrorDisplayAfterTheEpilogue) {
  TWizardSandbox Sandbox;
  Sandbox.WriteSettings("[CommonSettings.XML]\nExternalFileExts=.pdf\n");
  // A malformed common settings file ends the copy step before any file is copied.
  Sandbox.WriteFile(TVeska8Information32::Instance().CommonSettingFilename(), "<Options");
  Sandbox.WritePayload(0, "new.txt", "x");
  TWizard Wizard;
  Wizard.Next();
  ASSERT_EQ(Wizard.View.Errors.size(), 1u);
  EXPECT_FALSE(Wizard.Form.StartInstall);
  EXPECT_EQ(Wizard.View.Text(ctlLblStatus), "Копирование завершено. Для продолжения нажмите \"Далее>\"");
  EXPECT_FALSE(std::filesystem::exists(Testing::FileSystemPathOf(Sandbox.ProductRoot(0) + "new.txt")));
  EXPECT_EQ(Wizard.Form.FPageState, psCopyData);
}

}  // namespace
}  // namespace Quellit
