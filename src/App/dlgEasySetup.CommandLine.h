// The program's command line, checked whole before anything runs: a mistyped option must never
// start an update on the real profile.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Lib/Common/Common.Exception.h"

namespace Quellit {

struct TCommandLine {
  bool Unattended = false;
  bool Help = false;
  bool Recover = false;
  bool DryRun = false;
  // "-portable" or "/portable" in any letter case; the product information reads it itself.
  bool Portable = false;
  std::optional<std::string> LogFile;
  // The window walks itself through its pages and saves a picture of each here.
  std::optional<std::string> TourFolder;
};

// A mistake on the command line; the message names it.
class ECommandLineError : public Exception {
  using Exception::Exception;
};

// AArguments are the program's arguments after "--setup-dir" was taken out. Raises
// ECommandLineError for an unknown option, a missing or empty value, a value given to a switch, an
// option given twice, or options that cannot go together; "--help" among them does not hide the
// mistake.
TCommandLine ParseCommandLine(const std::vector<std::string>& AArguments);

// Every option and every exit status, as "--help" prints it.
std::string CommandLineUsage();

}  // namespace Quellit
