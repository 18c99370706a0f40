#include "App/dlgEasySetup.FaultInjection.h"

#include <cstdlib>
#include <string>

#include "Platform/Environment.h"
#include "Platform/FileOperations.h"

namespace Quellit {

namespace {

struct TKillPoint {
  std::string Step;
  long Remaining = 0;
};

TKillPoint ReadKillPoint() {
  TKillPoint Point;
  std::string Value = Platform::GetEnvOr("QUELLIT_TEST_KILL_AFTER", "");
  if (Value.empty()) return Point;
  std::size_t Colon = Value.find(':');
  Point.Step = Value.substr(0, Colon);
  Point.Remaining = Colon == std::string::npos ? 1 : std::strtol(Value.c_str() + Colon + 1, nullptr, 10);
  return Point;
}

}  // namespace

void StepReached(std::string_view AStep) {
  static TKillPoint Point = ReadKillPoint();
  if (Point.Step.empty() || Point.Step != AStep) return;
  if (--Point.Remaining == 0) Platform::KillProcessNow();
}

}  // namespace Quellit
