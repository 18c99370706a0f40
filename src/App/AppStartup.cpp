#include "App/AppStartup.h"

#include <array>

#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "SysInfo/SysInfo.Core.Veska6.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {
namespace {

struct TStartupStep {
  void (*Start)();
  void (*Stop)();
};

// Connection classes stay registered until the program ends: pools may outlive the steps.
void KeepRegistered() {}

// In dependency order. The product descriptors come first: later steps may ask them for folders.
// The connection classes come before any pool is loaded from the connections file.
const std::array<TStartupStep, 4> Steps = {{
    {LoadVeska6UserData, ClearVeska6UserData},
    {LoadVeska8UserData, ClearVeska8UserData},
    {RegisterFileSystemConnection, KeepRegistered},
    {RegisterKorvelRuConnection, KeepRegistered},
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
