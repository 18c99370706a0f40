// quellit-setup: the update wizard. Without a window toolkit in this build it runs unattended only.
#include <iostream>

#include "App/AppStartup.h"
#include "App/dlgEasySetup.Unattended.h"
#include "Platform/Process.h"

int main(int AArgc, char** AArgv) {
  using namespace Quellit;
  try {
    std::vector<std::string> Arguments = Platform::TakeCommandLine(AArgc, AArgv);
    bool Unattended = false;
    for (const std::string& Argument : Arguments) Unattended = Unattended || Argument == "--unattended";
    if (!Unattended) {
      std::cerr << "quellit-setup: this build has no window; run it with --unattended" << std::endl;
      return ueError;
    }
    TStartupScope Startup;
    return RunUnattended(Arguments, std::cout, std::cerr);
  } catch (const std::exception& E) {
    std::cerr << E.what() << std::endl;
    return ueError;
  }
}
