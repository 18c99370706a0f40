// quellit-setup: the update wizard. Its window by default; with --unattended it runs without one.
#include <algorithm>
#include <iostream>

#include "App/AppStartup.h"
#include "App/dlgEasySetup.Unattended.h"
#include "App/dlgEasySetup.WindowProgram.h"
#include "Platform/Process.h"

int main(int AArgc, char** AArgv) {
  using namespace Quellit;
  try {
    std::vector<std::string> Arguments = Platform::TakeCommandLine(AArgc, AArgv);
    bool Unattended = std::find(Arguments.begin(), Arguments.end(), "--unattended") != Arguments.end();
    TStartupScope Startup;
    if (Unattended) return RunUnattended(Arguments, std::cout, std::cerr);
    return RunWindow(AArgc, AArgv, Arguments);
  } catch (const std::exception& E) {
    std::cerr << E.what() << std::endl;
    return ueError;
  }
}
