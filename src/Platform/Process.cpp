#include "Platform/Process.h"

#include "Lib/Common/Common.Exception.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"

namespace Quellit::Platform {
namespace {

const std::string SetupDirOption = "--setup-dir";

// The backend's working folder, for a relative "--setup-dir".
std::string CurrentFolder();
// The program's arguments as text, the program name first; the backend knows where the system
// keeps them in their own form.
std::vector<std::string> ArgumentTexts(int AArgc, const char* const* AArgv);

std::optional<std::string>& FolderOverride() {
  static std::optional<std::string> Folder;
  return Folder;
}

std::vector<std::string>& RemainingArguments() {
  static std::vector<std::string> Arguments;
  return Arguments;
}

std::string AbsoluteFolder(const std::string& AFolder) {
  std::string Folder = IsAbsolutePath(AFolder) ? AFolder : CombinePath(CurrentFolder(), AFolder);
  return IncludeTrailingPathDelimiter(Folder);
}

}  // namespace

std::string ExecutableFolder() {
  if (FolderOverride()) return *FolderOverride();
  return ExtractFilePath(ExecutablePath());
}

std::vector<std::string> TakeCommandLine(int AArgc, const char* const* AArgv) {
  std::optional<std::string> Folder;
  std::vector<std::string> Remaining;
  const std::vector<std::string> Texts = ArgumentTexts(AArgc, AArgv);
  const int Count = static_cast<int>(Texts.size());
  for (int I = 1; I < Count; ++I) {
    std::string Argument = Texts[static_cast<std::size_t>(I)];
    if (Argument == SetupDirOption) {
      if (I + 1 >= Count) throw EArgumentException("Option " + SetupDirOption + " needs a folder");
      Folder = Texts[static_cast<std::size_t>(++I)];
    } else if (Argument.starts_with(SetupDirOption + "=")) {
      Folder = Argument.substr(SetupDirOption.size() + 1);
    } else {
      Remaining.push_back(std::move(Argument));
    }
  }
  if (Folder && Folder->empty()) throw EArgumentException("Option " + SetupDirOption + " needs a folder");
  FolderOverride() = Folder ? std::optional<std::string>(AbsoluteFolder(*Folder)) : std::nullopt;
  RemainingArguments() = Remaining;
  return Remaining;
}

const std::vector<std::string>& CommandLineArguments() { return RemainingArguments(); }

}  // namespace Quellit::Platform

// The system calls: ExecutablePath, the standard streams, exiting, child processes.
#include "Process.inc"
