// kvtool's subcommands: each lives in its own file and is dispatched by kvtool.cpp.
#pragma once

#include <string>
#include <vector>

#include "Lib/Common/Common.Exception.h"

namespace Quellit::KvTool {

using TArguments = std::vector<std::string>;

// A mistake on the command line: the usage goes with it.
class EUsageError : public Exception {
  using Exception::Exception;
};

// Each returns the process's exit status; failures are exceptions.
int RunLayout(const TArguments& AArguments);
int RunBase(const TArguments& AArguments);
int RunReport(const TArguments& AArguments);
int RunBaseItem(const TArguments& AArguments);
int RunConnections(const TArguments& AArguments);
int RunDavLs(const TArguments& AArguments);
int RunDavGet(const TArguments& AArguments);
int RunDavProps(const TArguments& AArguments);
int RunDavOpen(const TArguments& AArguments);

}  // namespace Quellit::KvTool
