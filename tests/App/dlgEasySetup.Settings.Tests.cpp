#include "App/dlgEasySetup.Settings.h"

#include <gtest/gtest.h>

#include "App/dlgEasySetup.h"
#include "Support/PathText.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

using Testing::NativePath;
using Testing::TScratchFolder;

// A program folder with a product payload holding Нормативы/, Docs/ and readme.txt.
struct TProgramFolder {
  TScratchFolder Scratch;
  std::string ExeDir = Scratch.Path() + "/";
  std::string Payload = ExeDir + ProductPayloadFolder;
  TProgramFolder() {
    Scratch.Write(std::string(ProductPayloadFolder) + "Нормативы/base.dat", "x");
    Scratch.Write(std::string(ProductPayloadFolder) + "Docs/Guide/a.txt", "x");
    Scratch.Write(std::string(ProductPayloadFolder) + "readme.txt", "x");
  }
  TEasySetupSettings Read(const std::string& AIni) {
    Scratch.Write("settings.ini", AIni);
    return ReadEasySetupSettings(ExeDir, Payload);
  }
};

TEST(ReadEasySetupSettings, WithoutTheFileEverythingIsDefault) {
  TProgramFolder Folder;
  TEasySetupSettings Settings = ReadEasySetupSettings(Folder.ExeDir, Folder.Payload);
  EXPECT_TRUE(Settings.ShowLinksDialog);
  EXPECT_TRUE(Settings.ShowConnectionsDialog);
  EXPECT_TRUE(Settings.AutoLinks.empty());
  EXPECT_TRUE(Settings.AutoConnections.empty());
  EXPECT_EQ(Settings.ExternalFileExts, "");
}

TEST(ReadEasySetupSettings, LinksKeepTheValuesThatNameSomethingInThePayload) {
  TProgramFolder Folder;
  TEasySetupSettings Settings = Folder.Read(
      "[links]\r\n1=Нормативы\r\n2=readme.txt\r\nx=Docs\\Guide\\\r\n3=missing.txt\r\nshowdialog=0\r\n"
      "4=нормативы\r\n");
  EXPECT_FALSE(Settings.ShowLinksDialog);
  EXPECT_TRUE(Settings.ShowConnectionsDialog);
  // Separators of the product's platform become native; folders get their trailing separator.
  std::vector<std::string> Expected = {NativePath("Нормативы/"), "readme.txt", NativePath("Docs/Guide/")};
#ifdef _WIN32
  // File names ignore case there: "нормативы" names the payload's folder too.
  Expected.push_back(NativePath("нормативы/"));
#endif
  EXPECT_EQ(Settings.AutoLinks, Expected);
}

struct TBoolCase {
  const char* Value;
  bool Expected;
};

TEST(ReadEasySetupSettings, ShowDialogIsAnIntegerWithTrueAsDefault) {
  const std::vector<TBoolCase> Cases = {{"0", false}, {"1", true}, {"7", true}, {"no", true}, {"", true}};
  for (const TBoolCase& Case : Cases) {
    TProgramFolder Folder;
    TEasySetupSettings Settings = Folder.Read(std::string("[connections]\nshowdialog=") + Case.Value + "\n");
    EXPECT_EQ(Settings.ShowConnectionsDialog, Case.Expected) << Case.Value;
    EXPECT_TRUE(Settings.ShowLinksDialog) << Case.Value;
  }
}

TEST(ReadEasySetupSettings, ConnectionsKeepPayloadFoldersAndTheSiteHostInAnyCase) {
  TProgramFolder Folder;
  TEasySetupSettings Settings = Folder.Read(
      "[Connections]\nA=Нормативы\nB=KORVEL.RU\nC=readme.txt\nD=nothing\nE=Docs\\\n"
      "[CommonSettings.XML]\nExternalFileExts= .pdf;.docx \n");
  EXPECT_EQ(Settings.AutoConnections, (std::vector<std::string>{NativePath("Нормативы/"), "KORVEL.RU", NativePath("Docs/")}));
  EXPECT_EQ(Settings.ExternalFileExts, ".pdf;.docx");
}

}  // namespace
}  // namespace Quellit
