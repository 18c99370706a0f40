#include "Platform/Locale.h"

#include "Platform/Environment.h"

namespace Quellit::Platform {
namespace {

const char* CategoryVariable(TLocaleCategory ACategory) {
  switch (ACategory) {
    case TLocaleCategory::Ctype: return "LC_CTYPE";
    case TLocaleCategory::Collate: return "LC_COLLATE";
    case TLocaleCategory::Time: return "LC_TIME";
    case TLocaleCategory::Numeric: return "LC_NUMERIC";
  }
  return "LC_ALL";
}

}  // namespace

// LC_ALL wins over the category's variable, which wins over LANG.
std::string UserLocaleName(TLocaleCategory ACategory) {
  for (const char* Name : {"LC_ALL", CategoryVariable(ACategory), "LANG"}) {
    std::string Value = GetEnvOr(Name, "");
    if (!Value.empty()) return Value;
  }
  return {};
}

}  // namespace Quellit::Platform
