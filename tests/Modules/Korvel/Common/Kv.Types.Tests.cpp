#include "Modules/Korvel/Common/Kv.Types.h"

#include <gtest/gtest.h>

#include "Support/RussianLocale.h"

namespace Quellit {
namespace {

class KvTypes : public Testing::TRussianLocaleTest {};

struct TDocTypeCase {
  TVeskaDocumentType Value;
  int Ordinal;
  const char* Name;
};

const TDocTypeCase DocTypes[] = {
    {sdtVeska, 0, "sdtVeska"},           {sdtObjVeska, 1, "sdtObjVeska"},
    {sdtConsCalc, 2, "sdtConsCalc"},     {sdtCennik, 3, "sdtCennik"},
    {sdtIndexes, 4, "sdtIndexes"},       {sdtNBDoc, 5, "sdtNBDoc"},
    {sdtResSummary, 6, "sdtResSummary"}, {sdtUserNBDoc, 7, "sdtUserNBDoc"},
    {sdtNBDocArticle, 8, "sdtNBDocArticle"}, {sdtProjectVeska, 9, "sdtProjectVeska"},
    {sdtWorksVolumes, 10, "sdtWorksVolumes"}, {sdtDocSummary, 11, "sdtDocSummary"},
};

TEST_F(KvTypes, EveryDocumentTypeHasItsOrdinalAndName) {
  static_assert(sizeof(TVeskaDocumentType) == 1);
  for (const TDocTypeCase& C : DocTypes) {
    EXPECT_EQ(static_cast<int>(C.Value), C.Ordinal);
    EXPECT_EQ(DocTypeToStr(C.Value), C.Name);
    EXPECT_EQ(StrToDocType(C.Name), C.Value) << C.Name;
  }
  EXPECT_EQ(HighVeskaDocumentType, sdtDocSummary);
}

TEST_F(KvTypes, StrToDocTypeIgnoresCaseAndFallsBackToVeska) {
  EXPECT_EQ(StrToDocType("SDTCENNIK"), sdtCennik);
  EXPECT_EQ(StrToDocType("sdtprojectveska"), sdtProjectVeska);
  for (const char* Other : {"", "sdt", "Cennik", " sdtCennik", "sdtCennik ", "3", "сдтЦенник"})
    EXPECT_EQ(StrToDocType(Other), sdtVeska) << Other;
}

TEST_F(KvTypes, AnOrdinalOutsideTheKindsStillHasAText) {
  EXPECT_EQ(DocTypeToStr(static_cast<TVeskaDocumentType>(200)), "200");
}

TEST(TVeskaPriceLevel, KeepsTheDeclaredOrder) {
  static_assert(sizeof(TVeskaPriceLevel) == 1);
  EXPECT_EQ(static_cast<int>(splNone), 0);
  EXPECT_EQ(static_cast<int>(spl1984), 1);
  EXPECT_EQ(static_cast<int>(spl2001), 2);
  EXPECT_EQ(static_cast<int>(spl1991), 3);
  EXPECT_LT(spl2001, spl1991);
}

}  // namespace
}  // namespace Quellit
