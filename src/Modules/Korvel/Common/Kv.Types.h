// The document kinds and price levels shared by every document storage and the normative bases.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Quellit {

// Storages exchange kinds as their ordinals: the values keep their order and numbers.
enum TVeskaDocumentType : std::uint8_t {
  sdtVeska = 0,
  sdtObjVeska = 1,
  sdtConsCalc = 2,
  sdtCennik = 3,
  sdtIndexes = 4,
  sdtNBDoc = 5,
  sdtResSummary = 6,
  sdtUserNBDoc = 7,
  sdtNBDocArticle = 8,
  sdtProjectVeska = 9,
  sdtWorksVolumes = 10,
  sdtDocSummary = 11,
};
inline constexpr TVeskaDocumentType LowVeskaDocumentType = sdtVeska;
inline constexpr TVeskaDocumentType HighVeskaDocumentType = sdtDocSummary;

// The declared order is kept: spl1991 was added last, after spl2001.
enum TVeskaPriceLevel : std::uint8_t {
  splNone = 0,
  spl1984 = 1,
  spl2001 = 2,
  spl1991 = 3,
};

// The value's own name ("sdtProjectVeska").
std::string DocTypeToStr(TVeskaDocumentType ADocType);
// The kind whose name equals AText without regard to case; sdtVeska when none does.
TVeskaDocumentType StrToDocType(std::string_view AText);

}  // namespace Quellit
