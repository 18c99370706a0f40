#include "App/dlgEasySetup.Connections.h"

#include <gtest/gtest.h>

#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"
#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "Support/PathText.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::TWizard;
using Testing::TWizardSandbox;

// "class|address|caption" of every connection of the product's file that is not built in.
std::vector<std::string> SavedConnections() {
  TStartupScope Startup;
  TConnectionsPool Pool;
  Pool.LoadFromOptionsStorage(false);
  std::vector<std::string> Lines;
  for (TConnection* Connection : Pool.Connections()) {
    std::string ClassID = Connection->ConnectionClass().ClassID();
    if (ClassID != TFileSystemConnection::ClassID() && ClassID != TKorvelRuVeskaStorage::TConnection::ClassID())
      continue;
    std::string Usages = Connection->Usages() == TStorageKinds{Veska} ? "" : " (usages differ)";
    Lines.push_back(ClassID + "|" + Connection->Address() + "|" + Connection->Caption() + Usages);
  }
  return Lines;
}

void RunWholeWizard(const TWizardSandbox&) {
  TWizard Wizard;
  for (int I = 0; I < 4; ++I) Wizard.Next();
  ASSERT_EQ(Wizard.Form.FPageState, psDone);
  ASSERT_TRUE(Wizard.View.Errors.empty()) << Wizard.View.Errors.front();
}

TEST(AddConnections, AddsTheCheckedFoldersAndTheSiteOnceAcrossRuns) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, "Docs/Guide/g.txt", "g");
  Sandbox.WritePayload(1, "Нормативы/base.dat", "b");
  Sandbox.WritePayload(1, "Пусто/x.txt", "x");
  Sandbox.WriteSettings("[connections]\n1=Docs\\Guide\n2=korvel.ru\n3=Нормативы\n");
  RunWholeWizard(Sandbox);
  std::string App = Sandbox.ProductRoot(1);
  const std::vector<std::string> Expected = {
      "KV.Files|" + App + "Нормативы|Нормативы",
      "KV.Files|" + App + Testing::NativePath("Docs/Guide") + "|Guide",
      "KV.Korvel.Ru.VeskaDocs||korvel.ru",
  };
  EXPECT_EQ(SavedConnections(), Expected);
  RunWholeWizard(Sandbox);
  EXPECT_EQ(SavedConnections(), Expected);
}

TEST(AddConnections, NothingCheckedStillWritesTheFileAndAMissingFolderIsSkipped) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, "Docs/readme.txt", "r");
  TWizard Wizard;
  for (int I = 0; I < 3; ++I) Wizard.Next();
  // The folder vanished from the product after the copy: its node is checked but skipped.
  fs::remove_all(Testing::FileSystemPathOf(Sandbox.ProductRoot(1) + "Docs"));
  Wizard.View.Tree.SetChecked(Wizard.View.Tree.NodeByIndex(0), true, false);
  Wizard.Next();
  EXPECT_TRUE(Wizard.View.Errors.empty());
  EXPECT_TRUE(fs::exists(Testing::FileSystemPathOf(TVeska8Information32::Instance().ConnectionOptionsFilename())));
  EXPECT_TRUE(SavedConnections().empty());
}

}  // namespace
}  // namespace Quellit
