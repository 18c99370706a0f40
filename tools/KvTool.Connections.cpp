// kvtool connections: the product's connections pool.
#include "tools/KvTool.Commands.h"

namespace Quellit::KvTool {

int RunConnections(const TArguments&) { throw EUsageError("this command is not built yet"); }

}  // namespace Quellit::KvTool
