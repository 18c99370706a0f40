// The libraries' start-up steps, run once before the program does anything else, and undone in
// reverse order at exit. Every front end (the wizard, kvtool) goes through here, so they all see
// the product the same way.
#pragma once

#include "Lib/Common/Common.Object.h"

namespace Quellit {

// Runs the steps in dependency order; a second call does nothing until RunShutdownSteps. When a
// step fails, the ones before it are undone and the error travels on.
void RunStartupSteps();
// Undoes the steps that ran, last first; nothing when they did not run.
void RunShutdownSteps();

// Runs the start-up steps for the lifetime of one scope, typically main's.
class TStartupScope : public TObject {
 public:
  TStartupScope() { RunStartupSteps(); }
  TStartupScope(const TStartupScope&) = delete;
  TStartupScope& operator=(const TStartupScope&) = delete;
  ~TStartupScope() override { RunShutdownSteps(); }
};

}  // namespace Quellit
