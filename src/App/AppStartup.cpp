#include "App/AppStartup.h"

#include <array>

#include "SysInfo/SysInfo.Core.Veska6.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {
namespace {

struct TStartupStep {
  void (*Start)();
  void (*Stop)();
};

// In dependency order. The product descriptors come first: later steps may ask them for folders.
const std::array<TStartupStep, 2> Steps = {{
    {LoadVeska6UserData, ClearVeska6UserData},
    {LoadVeska8UserData, ClearVeska8UserData},
}};

// How many steps have run; shutdown undoes exactly those.
std::size_t StepsRun = 0;
bool Started = false;

}  // namespace

void RunStartupSteps() {
  if (Started) return;
  Started = true;
  try {
    for (const TStartupStep& Step : Steps) {
      Step.Start();
      ++StepsRun;
    }
  } catch (...) {
    // A half-started program is never used: leave it as if nothing had run.
    RunShutdownSteps();
    throw;
  }
}

void RunShutdownSteps() {
  while (StepsRun > 0) Steps[--StepsRun].Stop();
  Started = false;
}

}  // namespace Quellit
