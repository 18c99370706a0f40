#include "App/dlgEasySetup.CommandLine.h"

#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

const char* const Usage =
    "Usage: quellit-setup [OPTION]...\n"
    "Updates the installed Корвел 8 client from the payload in QuellitSetupData/ beside the program.\n"
    "Without --unattended the wizard's window leads through the update.\n"
    "\n"
    "Options:\n"
    "  --unattended     run without a window: every page as if settings.ini hid it, the status log\n"
    "                   on standard output, message boxes on standard error answered with their\n"
    "                   default; SIGINT or SIGTERM before the closing page cancels the update\n"
    "  --recover        with --unattended: only undo an update that was interrupted, then exit\n"
    "  --dry-run        with --unattended: print what the update would do, change nothing\n"
    "  --log FILE       append the status log to FILE\n"
    "  --tour DIR       window only: press Next on every page, saving a picture of each into DIR\n"
    "  --setup-dir DIR  take the payload and settings.ini from DIR instead of the program's folder\n"
    "  -portable        the product is a portable installation in the program's folder\n"
    "                   (also /portable, in any letter case)\n"
    "  --help           print this help and exit\n"
    "\n"
    "Exit status (the window: 0 once it closes, 1 when no display can be opened):\n"
    "  0   the update is done (--recover: nothing to undo, or everything restored)\n"
    "  1   a step ended with an error (--recover: something could not be restored)\n"
    "  2   the product is not installed\n"
    "  3   the product's client is running\n"
    "  4   cancelled; the replaced files were put back\n"
    "  5   done, but some entries failed (named on standard error)\n"
    "  6   another update of this product is running\n"
    "  64  a mistake on the command line (this help on standard error)\n";

enum class TOptionKind { Switch, Value };

struct TOption {
  const char* Name;
  TOptionKind Kind;
};

const TOption Options[] = {
    {"--unattended", TOptionKind::Switch}, {"--help", TOptionKind::Switch},
    {"--recover", TOptionKind::Switch},    {"--dry-run", TOptionKind::Switch},
    {"--log", TOptionKind::Value},         {"--tour", TOptionKind::Value},
};

const TOption* FindOption(const std::string& AName) {
  for (const TOption& Option : Options)
    if (AName == Option.Name) return &Option;
  return nullptr;
}

// The product information's own rule for the portable switch.
bool IsPortableSwitch(const std::string& AArgument) {
  return AArgument.size() > 1 && (AArgument[0] == '-' || AArgument[0] == '/') &&
         SameText(AArgument.substr(1), "portable");
}

[[noreturn]] void Mistake(const std::string& AText) { throw ECommandLineError(AText); }

void SetSwitch(TCommandLine& AResult, const std::string& AName) {
  if (AName == "--unattended") AResult.Unattended = true;
  if (AName == "--help") AResult.Help = true;
  if (AName == "--recover") AResult.Recover = true;
  if (AName == "--dry-run") AResult.DryRun = true;
}

void SetValue(TCommandLine& AResult, const std::string& AName, const std::string& AValue) {
  std::optional<std::string>& Field = AName == "--log" ? AResult.LogFile : AResult.TourFolder;
  if (Field) Mistake("option " + AName + " is given twice");
  Field = AValue;
}

// Options that would be silently ignored are refused: a user asking for a dry run in the window
// must not get a real update.
void CheckCombination(const TCommandLine& AResult) {
  if (!AResult.Unattended) {
    if (AResult.Recover) Mistake("option --recover needs --unattended");
    if (AResult.DryRun) Mistake("option --dry-run needs --unattended");
  }
  if (AResult.Unattended && AResult.TourFolder) Mistake("option --tour is for the window, not with --unattended");
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& AArguments) {
  TCommandLine Result;
  for (std::size_t I = 0; I < AArguments.size(); ++I) {
    const std::string& Argument = AArguments[I];
    if (IsPortableSwitch(Argument)) {
      Result.Portable = true;
      continue;
    }
    std::size_t Equals = Argument.find('=');
    std::string Name = Argument.substr(0, Equals);
    const TOption* Option = Argument.starts_with("--") ? FindOption(Name) : nullptr;
    if (!Option) Mistake(Argument.starts_with("-") ? "unknown option " + Argument : "unexpected argument " + Argument);
    if (Option->Kind == TOptionKind::Switch) {
      if (Equals != std::string::npos) Mistake("option " + Name + " takes no value");
      SetSwitch(Result, Name);
      continue;
    }
    std::string Value;
    if (Equals != std::string::npos) {
      Value = Argument.substr(Equals + 1);
    } else if (I + 1 < AArguments.size() && !AArguments[I + 1].starts_with("-")) {
      // A following option is never taken as the value: "--log --unattended" lacks its file.
      Value = AArguments[++I];
    }
    if (Value.empty()) Mistake("option " + Name + " needs a value");
    SetValue(Result, Name, Value);
  }
  CheckCombination(Result);
  return Result;
}

std::string CommandLineUsage() { return Usage; }

}  // namespace Quellit
