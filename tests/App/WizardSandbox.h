// A machine with the product installed and the wizard's payload beside the program, all inside
// one scratch folder, plus the wizard itself driven through the scripted view.
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "App/AppStartup.h"
#include "App/dlgEasySetup.h"
#include "ScriptedView.h"
#include "SysInfo/ProductSandbox.h"
#include "SysInfo/SysInfo.Core.Veska8.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Support/ScopedEnvironment.h"

namespace Quellit::Testing {

class TWizardSandbox {
 public:
  explicit TWizardSandbox(bool AInstalled = true) {
    SetDesktop(FProduct.Scratch() / "Desktop");
    std::filesystem::create_directories(FileSystemPathOf(FProduct.Scratch() / "Desktop"));
    std::filesystem::create_directories(FProduct.ProgramFolder() + ClientPayloadFolder);
    std::filesystem::create_directories(FProduct.ProgramFolder() + ProductPayloadFolder);
    if (AInstalled) Install();
  }

  void Install() {
    const TVeska8Information32& Info = TVeska8Information32::Instance();
    FProduct.AddUninstallEntry(Info.RegistryKey(), false, FProduct.Scratch() / "Product");
    // A registry the product information does not read would put the client at "\Client\", the
    // root of the current drive: under Wine that is the Linux machine's own root.
    if (!Info.ApplicationPath().starts_with(FProduct.Scratch().Path()))
      throw std::runtime_error("the sandbox's product is outside it: " + Info.ApplicationPath());
    WriteFile(Info.ApplicationPath(), TScratchFolder::Read(PEFixture("full.exe")));
    // Through the platform, so a root named in Windows-1251 is created in its own bytes.
    Platform::ForceDirectories(Info.CommonDataFolder());
    Platform::ForceDirectories(Info.MyFolderRoot());
  }

  // Where the user's desktop is.
  void SetDesktop(const std::string& APath) {
#ifdef _WIN32
    // The shell rewrites "Shell Folders" from "User Shell Folders" once it starts (the first
    // shortcut written): both name the sandbox's desktop, or later shortcuts leave it.
    std::string Escaped;
    for (char C : APath) Escaped += C == '\\' ? std::string("\\\\") : std::string(1, C);
    const std::string Explorer = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    FProduct.AddRegistryText(Explorer + "Shell Folders]\n\"Desktop\"=\"" + Escaped + "\"\n\n" + Explorer +
                             "User Shell Folders]\n\"Desktop\"=\"" + Escaped + "\"\n\n");
#else
    FEnvironment.Set("XDG_DESKTOP_DIR", APath);
#endif
  }

  TProductSandbox& Product() { return FProduct; }
  const TScratchFolder& Scratch() const { return FProduct.Scratch(); }
  std::string Desktop() const { return Platform::ToNativeSeparators(FProduct.Scratch() / "Desktop/"); }
  // Kind 0: the client payload and the product's common-data folder; kind 1: the product payload
  // and the user's product folder.
  std::string PayloadRoot(int AKind) const {
    return FProduct.ProgramFolder() + (AKind == 0 ? ClientPayloadFolder : ProductPayloadFolder);
  }
  std::string ProductRoot(int AKind) const {
    const TVeska8Information32& Info = TVeska8Information32::Instance();
    return AKind == 0 ? Info.CommonDataFolder() : Info.MyFolderRoot();
  }
  std::string WritePayload(int AKind, const std::string& ARelative, const std::string& AContent) const {
    return WriteFile(PayloadRoot(AKind) + ARelative, AContent);
  }
  std::string WriteProduct(int AKind, const std::string& ARelative, const std::string& AContent) const {
    return WriteFile(ProductRoot(AKind) + ARelative, AContent);
  }
  std::string ReadProduct(int AKind, const std::string& ARelative) const {
    return TScratchFolder::Read(ProductRoot(AKind) + ARelative);
  }
  void WriteSettings(const std::string& AText) const { WriteFile(FProduct.ProgramFolder() + "settings.ini", AText); }

  static std::string WriteFile(const std::string& APath, const std::string& AContent) {
    // Through the UTF-8 form: a path made from a narrow string is in the ANSI code page on Windows.
    const std::filesystem::path Full = FileSystemPathOf(APath);
    std::filesystem::create_directories(Full.parent_path());
    std::ofstream Out(Full, std::ios::binary);
    Out << AContent;
    return APath;
  }

 private:
  // Backup stamps follow the user's locale; the tests read them in Russian forms.
  struct TLocale {
    TLocale() { SetUserLocale("ru_RU"); }
    ~TLocale() { ResetUserLocale(); }
  } FLocale;
  TProductSandbox FProduct;
  TScopedEnvironment FEnvironment;
};

// The wizard over a scripted view, created as the program creates it.
struct TWizard {
  // The program runs the libraries' start-up steps before it creates the window.
  TStartupScope Startup;
  TScriptedView View;
  TfrmEasySetup Form{View};
  bool Created = false;
  TWizard() { Created = Form.FormCreate(); }
  void Next() { Form.Image3Click(); }
  void Cancel() { Form.Image2Click(); }
};

}  // namespace Quellit::Testing
