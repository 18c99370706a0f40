// A machine with the product on it, inside a scratch folder: the registry file, the per-user,
// machine-wide and documents roots, the runtime folder for named mutexes and the program's command
// line all point into the folder while the sandbox lives.
//
// Windows moves no root by the environment: there the sandbox writes its registry text into the
// registry and names its folders in the shell-folder values the shell reads them from, all undone
// when it ends. Those keys are the machine's, so the cases that use a sandbox run one at a time
// there (CTest's resource lock "product-sandbox").
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Path.h"
#include "Platform/Process.h"
#include "Platform/RegistryFile.h"
#include "Support/PlatformSandbox.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Testing {

// The PE images with known version resources: full.exe is 8.1.2.3, notrans.exe 6.3.0.117,
// noversion.exe has no version resource.
inline std::string PEFixture(const std::string& AName) { return std::string(QUELLIT_PE_FIXTURES) + "/" + AName; }

class TProductSandbox {
 public:
  TProductSandbox() {
    for (const char* Folder : {"AppData", "CommonAppData", "Documents", "Runtime", "Program"})
      std::filesystem::create_directory(FScratch / Folder);
    FEnvironment.Set("XDG_CONFIG_HOME", FScratch / "AppData");
    FEnvironment.Set("QUELLIT_COMMON_APPDATA", FScratch / "CommonAppData");
    FEnvironment.Set("XDG_DOCUMENTS_DIR", FScratch / "Documents");
    FEnvironment.Set("XDG_RUNTIME_DIR", FScratch / "Runtime");
    FEnvironment.Set("QUELLIT_REGISTRY", FScratch / "registry.reg");
#ifdef _WIN32
    FRegistry = ShellFoldersText();
#endif
    WriteRegistry();
    SetCommandLine({});
  }
  TProductSandbox(const TProductSandbox&) = delete;
  TProductSandbox& operator=(const TProductSandbox&) = delete;
  ~TProductSandbox() { Platform::TakeCommandLine(1, std::vector<const char*>{"SysInfoTests"}.data()); }

  const TScratchFolder& Scratch() const { return FScratch; }
  // The roots, with a trailing separator, as the product information forms its folders from them.
  std::string AppData() const { return Platform::ToNativeSeparators(FScratch / "AppData/"); }
  std::string CommonAppData() const { return Platform::ToNativeSeparators(FScratch / "CommonAppData/"); }
  std::string Documents() const { return Platform::ToNativeSeparators(FScratch / "Documents/"); }
  std::string Runtime() const { return Platform::ToNativeSeparators(FScratch / "Runtime/"); }
  // The folder the program runs from: --setup-dir points here.
  std::string ProgramFolder() const { return Platform::ToNativeSeparators(FScratch / "Program/"); }

  // An uninstall entry named AKey in the 32-bit view (under WOW6432Node) or the 64-bit one.
  void AddUninstallEntry(const std::string& AKey, bool AView64, const std::string& AInstallLocation) {
    std::string Software = AView64 ? "SOFTWARE\\" : "SOFTWARE\\WOW6432Node\\";
    FRegistry += "[HKEY_LOCAL_MACHINE\\" + Software + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + AKey +
                 "]\n\"InstallLocation\"=\"" + RegistryString(AInstallLocation) + "\"\n\n";
    WriteRegistry();
  }
  void AddRegistryText(const std::string& AText) {
    FRegistry += AText;
    WriteRegistry();
  }

  // Copies a PE fixture to the path inside the sandbox; returns the full path.
  std::string PlaceFile(const std::string& ARelative, const std::string& AFixture = "full.exe") {
    return FScratch.Write(ARelative, TScratchFolder::Read(PEFixture(AFixture)));
  }

  // The program's arguments after its name; the program always runs from ProgramFolder.
  void SetCommandLine(std::vector<std::string> AArguments) {
    AArguments.insert(AArguments.begin(), {"SysInfoTests", "--setup-dir", ProgramFolder()});
    std::vector<const char*> Argv;
    for (const std::string& Argument : AArguments) Argv.push_back(Argument.c_str());
    Platform::TakeCommandLine(static_cast<int>(Argv.size()), Argv.data());
  }

 private:
  std::string RegistryText() const { return "Windows Registry Editor Version 5.00\n\n" + FRegistry; }
#ifdef _WIN32
  // Applied again whole after each addition: the sandbox restores what it found first.
  void WriteRegistry() { FRegistrySandbox.Apply(Platform::ParseRegistryText(RegistryText()).Root); }

  // The values SHGetFolderPathW reads (the per-user and the machine-wide "User Shell Folders"),
  // and the desktop where the product's shortcuts go.
  std::string ShellFoldersText() const {
    const std::string Explorer = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    return "[HKEY_CURRENT_USER" + Explorer + "User Shell Folders]\n\"AppData\"=\"" + Escaped(FScratch / "AppData") +
           "\"\n\"Personal\"=\"" + Escaped(FScratch / "Documents") + "\"\n\n[HKEY_CURRENT_USER" + Explorer +
           "Shell Folders]\n\"Desktop\"=\"" + Escaped(FScratch / "Desktop") + "\"\n\n[HKEY_LOCAL_MACHINE" + Explorer +
           "User Shell Folders]\n\"Common AppData\"=\"" + Escaped(FScratch / "CommonAppData") + "\"\n\n";
  }
#else
  void WriteRegistry() { FScratch.Write("registry.reg", RegistryText()); }
#endif
  // A path as a string of the export text. POSIX paths carry no backslash; the tests of the
  // registry file's own escapes give theirs as they are.
  static std::string Escaped(const std::string& AText) {
    std::string Result;
    for (char C : AText) Result += C == '\\' ? std::string("\\\\") : std::string(1, C);
    return Result;
  }
#ifdef _WIN32
  static std::string RegistryString(const std::string& AText) { return Escaped(AText); }
#else
  static std::string RegistryString(const std::string& AText) { return AText; }
#endif

  TScratchFolder FScratch;
  TScopedEnvironment FEnvironment;
#ifdef _WIN32
  TRegistrySandbox FRegistrySandbox{FScratch};
#endif
  std::string FRegistry;
};

}  // namespace Quellit::Testing
