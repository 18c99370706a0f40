// A test-only way to stop the program dead at a chosen step, as a kill or a power cut would:
// QUELLIT_TEST_KILL_AFTER=<step>[:<n>] ends the process right after the n-th (default first) time
// the step is reached. Unset, every call is a cheap no-op.
#pragma once

#include <string_view>

namespace Quellit {

void StepReached(std::string_view AStep);

}  // namespace Quellit
