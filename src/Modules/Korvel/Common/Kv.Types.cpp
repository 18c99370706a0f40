#include "Modules/Korvel/Common/Kv.Types.h"

#include <iterator>

#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

constexpr const char* DocTypeNames[] = {
    "sdtVeska",    "sdtObjVeska",   "sdtConsCalc",     "sdtCennik",         "sdtIndexes",      "sdtNBDoc",
    "sdtResSummary", "sdtUserNBDoc", "sdtNBDocArticle", "sdtProjectVeska", "sdtWorksVolumes", "sdtDocSummary",
};
static_assert(std::size(DocTypeNames) == HighVeskaDocumentType + 1);

}  // namespace

std::string DocTypeToStr(TVeskaDocumentType ADocType) {
  // A byte read from a file may hold any value; it must not index past the table.
  if (ADocType > HighVeskaDocumentType) return std::to_string(static_cast<int>(ADocType));
  return DocTypeNames[ADocType];
}

TVeskaDocumentType StrToDocType(std::string_view AText) {
  for (int I = LowVeskaDocumentType; I <= HighVeskaDocumentType; ++I)
    if (AnsiSameText(AText, DocTypeNames[I])) return static_cast<TVeskaDocumentType>(I);
  return sdtVeska;
}

}  // namespace Quellit
