#include "Common.Exception.h"

#include "Common.Format.h"

namespace Quellit {

std::string OSErrorMessage(int AErrorCode, const std::string& ASystemText) {
  return Format("System Error.  Code: %d.\n%s", AErrorCode, ASystemText);
}

void Assert(bool ACondition, const std::string& AMessage, const char* ASourceUnit,
            std::source_location ALocation) {
  if (ACondition) return;
  throw EAssertionFailed(Format("%s (%s, line %d)", AMessage.empty() ? "Assertion failure" : AMessage,
                                ASourceUnit, static_cast<int>(ALocation.line())));
}

std::string CurrentExceptionMessage() {
  std::exception_ptr Current = std::current_exception();
  if (!Current) return {};
  try {
    std::rethrow_exception(Current);
  } catch (const std::exception& E) {
    return E.what();
  } catch (...) {
    return "Unknown exception";
  }
}

}  // namespace Quellit
