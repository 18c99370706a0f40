#include "Lib/Common/Common.SystemUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.StringList.h"
#include "Platform/Path.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

#ifdef _WIN32
#include <shlobj.h>

#include "Platform/Win32/SystemCall.h"
#endif

namespace Quellit {
namespace {

using Testing::TScopedEnvironment;
using Testing::TScratchFolder;

TEST(CreateGUIDString, BracedAndBareForms) {
  const std::string Braced = CreateGUIDString(true);
  ASSERT_EQ(Braced.size(), 38u);
  EXPECT_EQ(Braced.front(), '{');
  EXPECT_EQ(Braced.back(), '}');
  for (std::size_t Dash : {9u, 14u, 19u, 24u}) EXPECT_EQ(Braced[Dash], '-') << Braced;
  const std::string Bare = CreateGUIDString(false);
  ASSERT_EQ(Bare.size(), 32u);
  EXPECT_EQ(Bare.find_first_not_of("0123456789ABCDEF"), std::string::npos) << Bare;
  std::set<std::string> Seen;
  for (int I = 0; I < 100; ++I) Seen.insert(CreateGUIDString(false));
  EXPECT_EQ(Seen.size(), 100u);
}

#ifdef _WIN32
std::string ShellFolder(int ACsidl) {
  wchar_t Path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, ACsidl, nullptr, SHGFP_TYPE_CURRENT, Path))) return "(none)";
  return Platform::Utf8OfWide(Path);
}

// The shell's folders, and the temporary folder from the environment as the system reads it.
TEST(SpecialFolders, AreTheShellsWithoutTrailingDelimiter) {
  TScratchFolder Scratch;
  TScopedEnvironment Env;
  Env.Set("TMP", Scratch / "tmp");
  EXPECT_EQ(GetPersonalFolder(), ShellFolder(CSIDL_PERSONAL));
  EXPECT_EQ(GetAppDataFolder(), ShellFolder(CSIDL_APPDATA));
  EXPECT_EQ(GetCommonAppDataFolder(), ShellFolder(CSIDL_COMMON_APPDATA));
  for (const std::string& Folder : {GetPersonalFolder(), GetAppDataFolder(), GetCommonAppDataFolder()}) {
    ASSERT_FALSE(Folder.empty());
    EXPECT_NE(Folder.back(), '\\') << Folder;
  }
  EXPECT_EQ(GetSpecialFolder(5), GetPersonalFolder());
  EXPECT_EQ(GetTempFolder(), Scratch / "tmp\\");
  EXPECT_THROW(GetSpecialFolder(9999), EOSError);
}
#else
TEST(SpecialFolders, FollowTheEnvironmentWithoutTrailingDelimiter) {
  TScratchFolder Scratch;
  TScopedEnvironment Env;
  Env.Set("XDG_DOCUMENTS_DIR", Scratch / "Docs/");
  Env.Set("XDG_CONFIG_HOME", Scratch / "config");
  Env.Set("QUELLIT_COMMON_APPDATA", Scratch / "common");
  Env.Set("TMPDIR", Scratch / "tmp");
  EXPECT_EQ(GetPersonalFolder(), Scratch / "Docs");
  EXPECT_EQ(GetAppDataFolder(), Scratch / "config");
  EXPECT_EQ(GetCommonAppDataFolder(), Scratch / "common");
  EXPECT_EQ(GetSpecialFolder(5), GetPersonalFolder());
  EXPECT_EQ(GetTempFolder(), Scratch / "tmp/");
  EXPECT_FALSE(std::filesystem::exists(Scratch / "Docs"));  // found, never created
  EXPECT_THROW(GetSpecialFolder(9999), EOSError);
}
#endif

class FindFilesToListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* Name : {"b.txt", "A.TXT", "c.doc", "sub/d.txt", "sub/deeper/e.txt", "sub/f.bin", "Я.txt"})
      FScratch.Write(Name, "x");
  }

  std::vector<std::string> Find(const std::string& AMask, bool ARecursive) {
    std::unique_ptr<TStringList> List(FindFilesToList(FScratch.Path(), AMask, ARecursive));
    std::vector<std::string> Result;
    for (int I = 0; I < List->Count(); ++I) Result.push_back(List->Strings(I).substr(FScratch.Path().size() + 1));
    return Result;
  }

  TScratchFolder FScratch;
};

TEST_F(FindFilesToListTest, MatchesInListingOrder) {
  EXPECT_EQ(Find("*.txt", false), (std::vector<std::string>{"A.TXT", "b.txt", "Я.txt"}));
  using Platform::ToNativeSeparators;
  EXPECT_EQ(Find("*.txt", true), (std::vector<std::string>{"A.TXT", "b.txt", ToNativeSeparators("sub/d.txt"),
                                                           ToNativeSeparators("sub/deeper/e.txt"), "Я.txt"}));
  EXPECT_EQ(Find("*", true).size(), 7u);
  EXPECT_TRUE(Find("*.none", true).empty());
}

TEST_F(FindFilesToListTest, FullPathsAndMissingFolder) {
  std::unique_ptr<TStringList> List(FindFilesToList(FScratch.Path() + "/", "c.*", false));
  ASSERT_EQ(List->Count(), 1);
  EXPECT_EQ(List->Strings(0), FScratch / "c.doc");
  std::unique_ptr<TStringList> None(FindFilesToList(FScratch / "absent", "*", true));
  EXPECT_EQ(None->Count(), 0);
}

TEST(TryParseISODateTime, Table) {
  struct TCase {
    const char* Text;
    bool Ok;
    int Y = 0, M = 0, D = 0, H = 0, N = 0, S = 0;
  };
  const TCase Cases[] = {
      {"2012-05-06T10:20:30Z", true, 2012, 5, 6, 10, 20, 30},
      {"2012-05-06T10:20:30.123+03:00", true, 2012, 5, 6, 10, 20, 30},
      {"2012-05-06T10:20:30-11:30", true, 2012, 5, 6, 10, 20, 30},
      {"2012-05-06T10:20:30.5", true, 2012, 5, 6, 10, 20, 30},
      {"2012-05-06", true, 2012, 5, 6, 0, 0, 0},
      {"2012-05-06T10:20", true, 2012, 5, 6, 10, 20, 0},
      {"20120506T102030Z", true, 2012, 5, 6, 10, 20, 30},
      {"2012", true, 2012, 1, 1, 0, 0, 0},
      {"2012-05-06T10:20:30+0300", false},
      {"2012-05-06T10:20:30+03:0x", false},
      {"2012-05-06T10:20:30.", false},
      {"2012-05-06T10:20:30.Z", false},
      {"2012-05-06T10:20:30ZZ", false},
      {"2012-05-06x", false},
      {"2012-05-06T1", false},
      {"", false},
      {"12", false},
      {"abc", false},
  };
  for (const TCase& C : Cases) {
    TDateTime Value = -1;
    ASSERT_EQ(TryParseISODateTime(C.Text, Value), C.Ok) << C.Text;
    if (!C.Ok) continue;
    EXPECT_DOUBLE_EQ(Value, EncodeDateTime(C.Y, C.M, C.D, C.H, C.N, C.S, 0)) << C.Text;
  }
}

TEST(TryParseISODateTime, DurationsAndBadFieldsRaise) {
  TDateTime Value = 0;
  try {
    TryParseISODateTime("P1D", Value);
    FAIL() << "a duration was accepted";
  } catch (const Exception& E) {
    EXPECT_EQ(E.ClassName(), "Exception");
    EXPECT_EQ(E.Message(), "Не поддерживаются промежутки времени");
  }
  EXPECT_THROW(TryParseISODateTime("2012-13-01", Value), EConvertError);
  EXPECT_THROW(TryParseISODateTime("2012-02-30T10:00:00Z", Value), EConvertError);
  EXPECT_THROW(TryParseISODateTime("2012-05-06T25:00:00Z", Value), EConvertError);
}

TEST(ParseISODateTimeDef, DefaultOnlyWhenTheTextIsMalformed) {
  EXPECT_DOUBLE_EQ(ParseISODateTimeDef("garbage", 7.5), 7.5);
  EXPECT_DOUBLE_EQ(ParseISODateTimeDef("", 7.5), 7.5);
  EXPECT_DOUBLE_EQ(ParseISODateTimeDef("2012-05-06", 7.5), EncodeDate(2012, 5, 6));
  EXPECT_THROW(ParseISODateTimeDef("PT5M", 7.5), Exception);
}

}  // namespace
}  // namespace Quellit
