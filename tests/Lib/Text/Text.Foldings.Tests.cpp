// Each folding answers a pair the same way through every caller that uses it: names of files, INI
// sections and keys through the ordinal one, the Ansi… routines through the linguistic one.
#include <gtest/gtest.h>

#include <string>

#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Text/Text.Engine.h"
#include "Platform/Folder.h"
#include "Platform/IniFile.h"
#include "Platform/Registry.h"
#include "Platform/RegistryFile.h"
#include "Platform/TextCodec.h"
#include "Support/PlatformSandbox.h"
#include "Support/RussianLocale.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

constexpr bool SystemRules = Testing::SystemTextRules;

struct TPair {
  const char* A;
  const char* B;
  bool OrdinalSame;
  bool LinguisticSame;
};

const TPair Pairs[] = {
    {"straße", "STRASSE", false, true},  // only the full mapping makes "ß" "SS"
    {"ﬁle", "FILE", false, true},        // likewise the ligature
    {"Straße", "STRAßE", true, true},
    {"Раздел", "РАЗДЕЛ", true, true},
    {"ёлка", "ЁЛКА", true, true},
    {"ёлка", "елка", false, false},
    {"InstallLocation", "installlocation", true, true},
    {"ǆemal", "Ǆemal", true, true},
    // Outside the 16-bit plane the file system folds nothing; ICU's collation does, the system's does not.
    {"𐐨", "𐐀", false, !SystemRules},
    {"e\xCC\x81", "é", false, true},     // canonically equivalent, different code units
    {"co-op", "coop", false, false},     // the hyphen weighs little, but not nothing
    {"it's", "its", false, false},
    {"abc", "abcd", false, false},
};

class Foldings : public Testing::TRussianLocaleTest {
 protected:
  Testing::TScratchFolder Folder;
};

TEST_F(Foldings, OrdinalCallersAgree) {
  int Index = 0;
  for (const TPair& P : Pairs) {
    SCOPED_TRACE(testing::Message() << P.A << " / " << P.B);
    const std::string FileStem = std::to_string(++Index);  // a file of its own for every pair
    EXPECT_EQ(Platform::SameName(P.A, P.B), P.OrdinalSame);
    EXPECT_EQ(Platform::FoldCase(P.A) == Platform::FoldCase(P.B), P.OrdinalSame);
    EXPECT_EQ(Text::CompareOrdinalIgnoreCase(P.A, P.B) == 0, P.OrdinalSame);
    EXPECT_EQ(Platform::MatchesMask(P.A, P.B), P.OrdinalSame);
    EXPECT_EQ(Platform::MatchesMask(P.B, P.A), P.OrdinalSame);
    // Names equal after folding are listed side by side, told apart only by their bytes.
    EXPECT_EQ(Platform::CompareFolderNames(P.A, P.B), -Platform::CompareFolderNames(P.B, P.A));

    const std::string A = P.A, B = P.B;
    Platform::TIniFile Ini(Folder.Write(FileStem + ".ini", "[" + A + "]\r\n" + A + "=found\r\n"));
    ASSERT_EQ(Ini.ReadString(A, A, "absent"), "found");  // the file is read at all
    EXPECT_EQ(Ini.SectionExists(B), P.OrdinalSame);
    EXPECT_EQ(Ini.ReadString(A, B, "absent"), P.OrdinalSame ? "found" : "absent");
    EXPECT_EQ(Ini.ReadString(B, A, "absent"), P.OrdinalSame ? "found" : "absent");

    // A key of the pair's own, gone again when the pair is done.
    Testing::TRegistrySandbox Registry(Folder);
    const std::string Parent = "SOFTWARE\\" + Testing::OwnKeyName("QuellitFoldings") + "\\";
    Platform::TRegistryNode Root;
    Root.CreateKey("HKEY_LOCAL_MACHINE\\" + Parent + A).SetString(A, "found");
    Registry.Apply(Root);
    const auto LM = Platform::TRegistryRoot::LocalMachine;
    ASSERT_EQ(Platform::ReadRegistryString(LM, Parent + A, A), "found");
    EXPECT_EQ(Platform::RegistryKeyExists(LM, Parent + B), P.OrdinalSame);
    EXPECT_EQ(Platform::ReadRegistryString(LM, Parent + A, B), P.OrdinalSame ? "found" : "");
  }
}

TEST_F(Foldings, LinguisticCallersAgree) {
  for (const TPair& P : Pairs) {
    SCOPED_TRACE(testing::Message() << P.A << " / " << P.B);
    EXPECT_EQ(AnsiSameText(P.A, P.B), P.LinguisticSame);
    EXPECT_EQ(AnsiSameText(P.B, P.A), P.LinguisticSame);
    EXPECT_EQ(AnsiCompareText(P.A, P.B) == 0, P.LinguisticSame);
    EXPECT_EQ(AnsiCompareText(P.A, P.B), -AnsiCompareText(P.B, P.A));
    // Case-sensitive equality is never looser than the case-insensitive one.
    if (AnsiSameStr(P.A, P.B)) {
      EXPECT_TRUE(P.LinguisticSame);
    }
    EXPECT_EQ(AnsiSameStr(P.A, P.B), AnsiCompareStr(P.A, P.B) == 0);
  }
}

}  // namespace
}  // namespace Quellit
