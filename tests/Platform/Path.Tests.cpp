#include "Platform/Path.h"

#include <gtest/gtest.h>

namespace Quellit::Platform {
namespace {

// A path written with "/" in the platform's own separator, as the functions that join write it.
std::string Native(std::string APath) {
  for (char& C : APath)
    if (C == '/') C = PathSeparator();
  return APath;
}

struct TPathCase {
  const char* Input;
  const char* FilePath;
  const char* FileName;
  const char* FileExt;
};
void PrintTo(const TPathCase& C, std::ostream* AOut) { *AOut << '"' << C.Input << '"'; }

class PathParts : public testing::TestWithParam<TPathCase> {};

TEST_P(PathParts, SplitsFolderNameAndExtension) {
  const TPathCase& C = GetParam();
  EXPECT_EQ(ExtractFilePath(C.Input), C.FilePath);
  EXPECT_EQ(ExtractFileName(C.Input), C.FileName);
  EXPECT_EQ(ExtractFileExt(C.Input), C.FileExt);
}

INSTANTIATE_TEST_SUITE_P(Table, PathParts,
                         testing::Values(TPathCase{"a/b/c.txt", "a/b/", "c.txt", ".txt"},
                                         TPathCase{"/root.tar.gz", "/", "root.tar.gz", ".gz"},
                                         TPathCase{"noext", "", "noext", ""},
                                         TPathCase{"dir.d/noext", "dir.d/", "noext", ""},
                                         TPathCase{"folder/", "folder/", "", ""},
                                         TPathCase{"Корвел/Шаблон.xlt", "Корвел/", "Шаблон.xlt", ".xlt"},
                                         TPathCase{"", "", "", ""}));

TEST(Path, TrailingDelimiters) {
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("a/b")), Native("a/b/"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("a/b/")), Native("a/b/"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), Native("/"));
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Native("a/b/")), Native("a/b"));
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Native("a/b")), Native("a/b"));
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Native("/")), Native("/"));
}

TEST(Path, NativeSeparatorsReplaceBackslashes) {
  EXPECT_EQ(ToNativeSeparators("QuellitSetupData\\Client\\Templates\\Itog.xlt"),
            Native("QuellitSetupData/Client/Templates/Itog.xlt"));
  EXPECT_EQ(ToNativeSeparators(Native("already/native")), Native("already/native"));
}

TEST(Path, ChangeFileExtTouchesOnlyTheNamePart) {
  EXPECT_EQ(ChangeFileExt("a/b.c", ".d"), "a/b.d");
  EXPECT_EQ(ChangeFileExt("a.d/noext", ".lnk"), "a.d/noext.lnk");
  EXPECT_EQ(ChangeFileExt("x.tar.gz", ""), "x.tar");
}

TEST(Path, CombineUsesExactlyOneSeparator) {
  EXPECT_EQ(CombinePath("a", "b"), Native("a/b"));
  EXPECT_EQ(CombinePath(Native("a/"), "b"), Native("a/b"));
  EXPECT_EQ(CombinePath(Native("a/"), Native("/b")), Native("a/b"));
  EXPECT_EQ(CombinePath("", "b"), "b");
}

TEST(Path, AbsolutePaths) {
  EXPECT_TRUE(IsAbsolutePath("/etc"));
  EXPECT_FALSE(IsAbsolutePath("etc"));
  EXPECT_FALSE(IsAbsolutePath(""));
}

TEST(Path, JoinPutsOneSeparatorBetweenEveryTwoParts) {
  struct TCase {
    std::string Joined, Expected;
  };
  for (const TCase& C : {TCase{JoinPath("a", "b", "c.txt"), "a/b/c.txt"}, TCase{JoinPath(Native("a/"), Native("/b/"), "c"), "a/b/c"},
                         TCase{JoinPath(Native("/"), "etc"), "/etc"}, TCase{JoinPath("", "b", "c"), "b/c"},
                         TCase{JoinPath("a"), "a"}, TCase{JoinPath("Корвел", "Мои Сметы"), "Корвел/Мои Сметы"},
                         TCase{JoinFolderPath(Native("a/"), "Data"), "a/Data/"},
                         TCase{JoinFolderPath("a", "Orvant", "Korvel 8", "Client"), "a/Orvant/Korvel 8/Client/"},
                         TCase{JoinFolderPath(Native("a/"), Native("b/")), "a/b/"}, TCase{JoinFolderPath("", "Data"), "Data/"}})
    EXPECT_EQ(C.Joined, Native(C.Expected));
}

TEST(Path, TheSeparatorIsTheOneThePathFunctionsWrite) {
  EXPECT_TRUE(IsPathSeparator(PathSeparator()));
  EXPECT_FALSE(IsPathSeparator('a'));
  EXPECT_EQ(IncludeTrailingPathDelimiter("a").back(), PathSeparator());
  EXPECT_EQ(ToNativeSeparators("a\\b"), std::string("a") + PathSeparator() + "b");
}

TEST(Path, RootFolders) {
  for (const char* Root : {"/", "//"}) EXPECT_TRUE(IsRootFolder(Root)) << Root;
  for (const char* Other : {"", "/etc", "/etc/", "etc", "."}) EXPECT_FALSE(IsRootFolder(Other)) << Other;
}

}  // namespace
}  // namespace Quellit::Platform
