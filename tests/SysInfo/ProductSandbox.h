// A machine with the product on it, inside a scratch folder: the registry file, the per-user,
// machine-wide and documents roots, the runtime folder for named mutexes and the program's command
// line all point into the folder while the sandbox lives.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Process.h"
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
    WriteRegistry();
    SetCommandLine({});
  }
  TProductSandbox(const TProductSandbox&) = delete;
  TProductSandbox& operator=(const TProductSandbox&) = delete;
  ~TProductSandbox() { Platform::TakeCommandLine(1, std::vector<const char*>{"SysInfoTests"}.data()); }

  const TScratchFolder& Scratch() const { return FScratch; }
  // The roots, with a trailing separator, as the product information forms its folders from them.
  std::string AppData() const { return FScratch / "AppData/"; }
  std::string CommonAppData() const { return FScratch / "CommonAppData/"; }
  std::string Documents() const { return FScratch / "Documents/"; }
  std::string Runtime() const { return FScratch / "Runtime/"; }
  // The folder the program runs from: --setup-dir points here.
  std::string ProgramFolder() const { return FScratch / "Program/"; }

  // An uninstall entry named AKey in the 32-bit view (under WOW6432Node) or the 64-bit one.
  void AddUninstallEntry(const std::string& AKey, bool AView64, const std::string& AInstallLocation) {
    std::string Software = AView64 ? "SOFTWARE\\" : "SOFTWARE\\WOW6432Node\\";
    FRegistry += "[HKEY_LOCAL_MACHINE\\" + Software + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + AKey +
                 "]\n\"InstallLocation\"=\"" + AInstallLocation + "\"\n\n";
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
  void WriteRegistry() { FScratch.Write("registry.reg", "Windows Registry Editor Version 5.00\n\n" + FRegistry); }

  TScratchFolder FScratch;
  TScopedEnvironment FEnvironment;
  std::string FRegistry;
};

}  // namespace Quellit::Testing
