// A payload folder and a documents folder named in Windows-1251 bytes, as archives made on the
// product's own platform unpack here: the whole run treats them as the names they read as and
// writes them back in their own bytes.
#include <gtest/gtest.h>

#include "App/dlgEasySetup.Unattended.h"
#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"
#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"
#include "Platform/Process.h"
#include "Platform/TextCodec.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::TScopedEnvironment;
using Testing::TScratchFolder;
using Testing::TWizard;
using Testing::TWizardSandbox;

const std::string AnsiDocuments = "\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB";  // "Документы"
const std::string AnsiUser = "\xC8\xE2\xE0\xED\xEE\xE2";                      // "Иванов"
const std::string AnsiRates = "\xD0\xE0\xF1\xF6\xE5\xED\xEA\xE8";         // "Расценки"
const std::string AnsiBase = "\xE1\xE0\xE7\xE0.dat";                       // "база.dat"
const std::string AnsiLinkName = "\xDF\xF0\xEB\xFB\xEA\x20\xF0\xE0\xF1\xF6\xE5\xED\xEE\xEA\r\n";  // "Ярлык расценок"

std::string PercentEncoded(const std::string& ABytes) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string Result;
  for (unsigned char C : ABytes) {
    if (std::isalnum(C) || C == '/' || C == '-' || C == '_' || C == '.' || C == '~') {
      Result += static_cast<char>(C);
    } else {
      Result += '%';
      Result += Hex[C >> 4];
      Result += Hex[C & 15];
    }
  }
  return Result;
}

std::vector<std::string> RawNames(const std::string& AFolder) {
  std::vector<std::string> Names;
  for (const auto& Entry : fs::directory_iterator(AFolder)) Names.push_back(Entry.path().filename().string());
  std::sort(Names.begin(), Names.end());
  return Names;
}

// "address|caption" of every folder connection in the product's connections file.
std::vector<std::string> FolderConnections() {
  TStartupScope Startup;
  TConnectionsPool Pool;
  Pool.LoadFromOptionsStorage(false);
  std::vector<std::string> Lines;
  for (TConnection* Connection : Pool.Connections())
    if (Connection->ConnectionClass().ClassID() == TFileSystemConnection::ClassID())
      Lines.push_back(Connection->Address() + "|" + Connection->Caption());
  return Lines;
}

// Where the user's folders are and how the environment names them.
enum class TLayout {
  DocumentsNamedInAnsi,  // XDG_DOCUMENTS_DIR names a folder "Документы" in Windows-1251
  HomeNamedInAnsi,       // HOME is "Иванов" in Windows-1251; XDG_DOCUMENTS_DIR and XDG_CONFIG_HOME lie below it
  OnlyHomeNamedInAnsi,   // HOME as above, no XDG_* folders set: ~/Documents and ~/.config
};

// The product installed under a documents folder whose name, or whose parent's, is Windows-1251
// bytes, and a payload folder "Расценки" in Windows-1251 holding a file of the same kind, a UTF-8
// subfolder and a linkname.txt in the product's code page.
class TAnsiNamedMachine {
 public:
  explicit TAnsiNamedMachine(TLayout ALayout = TLayout::DocumentsNamedInAnsi) : FLayout(ALayout) {
    const std::string Home = FSandbox.Scratch() / AnsiUser;
    switch (FLayout) {
      case TLayout::DocumentsNamedInAnsi: FEnvironment.Set("XDG_DOCUMENTS_DIR", DocumentsBytes()); break;
      case TLayout::HomeNamedInAnsi:
        FEnvironment.Set("HOME", Home);
        FEnvironment.Set("XDG_DOCUMENTS_DIR", DocumentsBytes());
        FEnvironment.Set("XDG_CONFIG_HOME", Home + "/.config");
        break;
      case TLayout::OnlyHomeNamedInAnsi:
        FEnvironment.Set("HOME", Home);
        FEnvironment.Unset("XDG_DOCUMENTS_DIR");
        FEnvironment.Unset("XDG_CONFIG_HOME");
        break;
    }
    FSandbox.Install();
    FSandbox.WritePayload(1, AnsiRates + "/" + AnsiBase, "base");
    FSandbox.WritePayload(1, AnsiRates + "/Сборники/т.txt", "t");
    FSandbox.WritePayload(1, AnsiRates + "/linkname.txt", AnsiLinkName);
  }

  TWizardSandbox& Sandbox() { return FSandbox; }
  std::string DocumentsBytes() const {
    switch (FLayout) {
      case TLayout::DocumentsNamedInAnsi: return FSandbox.Scratch() / AnsiDocuments;
      case TLayout::HomeNamedInAnsi: return FSandbox.Scratch() / (AnsiUser + "/" + AnsiDocuments);
      case TLayout::OnlyHomeNamedInAnsi: break;
    }
    return FSandbox.Scratch() / (AnsiUser + "/Documents");
  }
  std::string ProductBytes() const { return DocumentsBytes() + "/Корвел/"; }
  std::string ConfigBytes() const {
    return FLayout == TLayout::DocumentsNamedInAnsi ? FSandbox.Scratch() / "AppData" : FSandbox.Scratch() / (AnsiUser + "/.config");
  }

 private:
  TLayout FLayout;
  TWizardSandbox FSandbox{false};
  TScopedEnvironment FEnvironment;
};

TEST(NonUtf8Names, TheWizardCopiesLinksAndConnectsAWindows1251FolderWhicheverEncodingTheSettingsUse) {
  const std::string Settings = "[links]\n1=Расценки\n[connections]\n1=Расценки\n";
  const struct {
    const char* Label;
    std::string Bytes;
  } Cases[] = {
      {"settings.ini in UTF-8", Settings},
      {"settings.ini in Windows-1251", Platform::EncodeText(Settings, Platform::TTextEncoding::Windows1251)},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Label);
    TAnsiNamedMachine Machine;
    TWizardSandbox& Sandbox = Machine.Sandbox();
    Sandbox.WriteSettings(Case.Bytes);
    const std::string App = Sandbox.ProductRoot(1);
    EXPECT_EQ(App, Sandbox.Scratch() / "Документы/Корвел/");
    {
      TWizard Wizard;
      for (int I = 0; I < 4; ++I) Wizard.Next();
      ASSERT_EQ(Wizard.Form.FPageState, psDone);
      ASSERT_TRUE(Wizard.View.Errors.empty()) << Wizard.View.Errors.front();
      ASSERT_FALSE(Wizard.Form.DataList.empty());
      EXPECT_EQ(Wizard.Form.DataList.front().Name, "Расценки");
    }
    // The copy keeps the payload's bytes, and no UTF-8 twin of either folder appears.
    EXPECT_EQ(RawNames(Sandbox.Scratch().Path()),
              (std::vector<std::string>{"AppData", "CommonAppData", "Desktop", "Documents", "Product", "Program",
                                        "Runtime", "registry.reg", AnsiDocuments}));
    // QuellitBackup holds the run's journal even when nothing was backed up.
    EXPECT_EQ(RawNames(Machine.ProductBytes()), (std::vector<std::string>{"QuellitBackup", AnsiRates}));
    EXPECT_EQ(RawNames(Machine.ProductBytes() + AnsiRates), (std::vector<std::string>{"Сборники", AnsiBase}));
    EXPECT_EQ(TScratchFolder::Read(Machine.ProductBytes() + AnsiRates + "/" + AnsiBase), "base");
    EXPECT_EQ(TScratchFolder::Read(Machine.ProductBytes() + AnsiRates + "/Сборники/т.txt"), "t");

    // The shortcut takes its name from linkname.txt and points at the folder's own bytes.
    const std::string Shortcut = TScratchFolder::Read(Sandbox.Desktop() + "Ярлык расценок.desktop");
    EXPECT_NE(Shortcut.find("URL=file://" + PercentEncoded(Machine.ProductBytes() + AnsiRates) + "\n"),
              std::string::npos)
        << Shortcut;
    EXPECT_TRUE(Platform::IsValidUtf8Bytes(Shortcut)) << Shortcut;

    // The connection is saved as text and reads back.
    EXPECT_EQ(FolderConnections(), std::vector<std::string>{App + "Расценки|Расценки"});
  }
}

TEST(NonUtf8Names, ASecondRunBacksUpInTheSameBytesAndAddsNoSecondConnection) {
  TAnsiNamedMachine Machine;
  TWizardSandbox& Sandbox = Machine.Sandbox();
  Sandbox.WriteSettings("[connections]\n1=Расценки\n");
  for (int Run = 0; Run < 2; ++Run) {
    TWizard Wizard;
    for (int I = 0; I < 4; ++I) Wizard.Next();
    ASSERT_TRUE(Wizard.View.Errors.empty()) << Wizard.View.Errors.front();
  }
  // Beside the runs' journals, only the second run made a backup folder: the first added files only.
  fs::path Backup;
  for (const auto& Item : fs::directory_iterator(Machine.ProductBytes() + "QuellitBackup"))
    if (Item.is_directory()) Backup = Item.path();
  EXPECT_EQ(TScratchFolder::Read(Backup.string() + "/" + AnsiRates + "/" + AnsiBase), "base");
  EXPECT_EQ(RawNames(Machine.ProductBytes()), (std::vector<std::string>{"QuellitBackup", AnsiRates}));
  EXPECT_EQ(FolderConnections(), std::vector<std::string>{Sandbox.ProductRoot(1) + "Расценки|Расценки"});
}

TEST(NonUtf8Names, TheProgramRunUnattendedEndsWellAndLogsText) {
  const struct {
    const char* Label;
    TLayout Layout;
    std::string Documents;  // the documents folder as text
  } Cases[] = {
      {"documents folder named in Windows-1251", TLayout::DocumentsNamedInAnsi, "Документы"},
      {"home named in Windows-1251, XDG folders below it", TLayout::HomeNamedInAnsi, "Иванов/Документы"},
      {"home named in Windows-1251, no XDG folders", TLayout::OnlyHomeNamedInAnsi, "Иванов/Documents"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Label);
    TAnsiNamedMachine Machine(Case.Layout);
    TWizardSandbox& Sandbox = Machine.Sandbox();
    EXPECT_EQ(Sandbox.ProductRoot(1), Sandbox.Scratch() / (Case.Documents + "/Корвел/"));
    Sandbox.WriteSettings("[connections]\n1=Расценки\n");
    const std::string Out = Sandbox.Scratch() / "out.txt", Err = Sandbox.Scratch() / "err.txt";
    const std::string Command = std::string("LC_ALL=ru_RU.UTF-8 '") + QUELLIT_SETUP + "' --unattended --setup-dir '" +
                                Sandbox.Scratch() / "Program" + "' >'" + Out + "' 2>'" + Err + "'";
    EXPECT_EQ(Platform::TChildProcess("/bin/sh", {"-c", Command}).Wait(), ueDone) << TScratchFolder::Read(Err);
    const std::string Log = TScratchFolder::Read(Out);
    EXPECT_TRUE(Platform::IsValidUtf8Bytes(Log)) << Log;
    EXPECT_NE(Log.find("Файл \"Расценки/база.dat\" добавлен.\n"), std::string::npos) << Log;
    EXPECT_EQ(TScratchFolder::Read(Machine.ProductBytes() + AnsiRates + "/" + AnsiBase), "base");
    // The connections file is below the configuration folder's own bytes; no UTF-8 twin of a
    // folder the environment named appears.
    EXPECT_TRUE(fs::is_regular_file(Machine.ConfigBytes() + "/Orvant/Korvel 8/Client/Settings/Connections.xml"));
    EXPECT_FALSE(fs::exists(Sandbox.Scratch() / "Иванов"));
    EXPECT_FALSE(fs::exists(Sandbox.Scratch() / "Документы"));
    EXPECT_EQ(FolderConnections(), std::vector<std::string>{Sandbox.ProductRoot(1) + "Расценки|Расценки"});
  }
}

}  // namespace
}  // namespace Quellit
