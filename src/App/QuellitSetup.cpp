// quellit-setup: the update wizard. Its window by default; with --unattended it runs without one.
#include <iostream>

#include "App/AppStartup.h"
#include "App/dlgEasySetup.CommandLine.h"
#include "App/dlgEasySetup.Unattended.h"
#include "App/dlgEasySetup.WindowProgram.h"
#include "Platform/Process.h"

int main(int AArgc, char** AArgv) {
  using namespace Quellit;
  // The whole command line is checked before the libraries start: a mistake, and --help, touch
  // nothing.
  Platform::ReserveStandardStreams();
  TCommandLine CommandLine;
  try {
    CommandLine = ParseCommandLine(Platform::TakeCommandLine(AArgc, AArgv));
  } catch (const Exception& E) {
    std::cerr << "quellit-setup: " << E.what() << "\n\n" << CommandLineUsage() << std::flush;
    return ueUsage;
  }
  if (CommandLine.Help) {
    std::cout << CommandLineUsage() << std::flush;
    return ueDone;
  }
  try {
    TStartupScope Startup;
    if (CommandLine.Unattended) return RunUnattended(CommandLine, std::cout, std::cerr);
    return RunWindow(AArgc, AArgv, CommandLine);
  } catch (const std::exception& E) {
    std::cerr << E.what() << std::endl;
    return ueError;
  }
}
