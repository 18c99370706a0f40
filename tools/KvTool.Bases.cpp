// kvtool base, report, base-item: normative-base files and the product report.
#include "tools/KvTool.Commands.h"

namespace Quellit::KvTool {

int RunBase(const TArguments&) { throw EUsageError("this command is not built yet"); }
int RunReport(const TArguments&) { throw EUsageError("this command is not built yet"); }
int RunBaseItem(const TArguments&) { throw EUsageError("this command is not built yet"); }

}  // namespace Quellit::KvTool
