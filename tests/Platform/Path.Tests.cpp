#include "Platform/Path.h"

#include <gtest/gtest.h>

namespace Quellit::Platform {
namespace {

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
  EXPECT_EQ(IncludeTrailingPathDelimiter("a/b"), "a/b/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("a/b/"), "a/b/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("a/b/"), "a/b");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("a/b"), "a/b");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(Path, NativeSeparatorsReplaceBackslashes) {
  EXPECT_EQ(ToNativeSeparators("QuellitSetupData\\Client\\Templates\\Itog.xlt"), "QuellitSetupData/Client/Templates/Itog.xlt");
  EXPECT_EQ(ToNativeSeparators("already/native"), "already/native");
}

TEST(Path, ChangeFileExtTouchesOnlyTheNamePart) {
  EXPECT_EQ(ChangeFileExt("a/b.c", ".d"), "a/b.d");
  EXPECT_EQ(ChangeFileExt("a.d/noext", ".lnk"), "a.d/noext.lnk");
  EXPECT_EQ(ChangeFileExt("x.tar.gz", ""), "x.tar");
}

TEST(Path, CombineUsesExactlyOneSeparator) {
  EXPECT_EQ(CombinePath("a", "b"), "a/b");
  EXPECT_EQ(CombinePath("a/", "b"), "a/b");
  EXPECT_EQ(CombinePath("a/", "/b"), "a/b");
  EXPECT_EQ(CombinePath("", "b"), "b");
}

TEST(Path, AbsolutePaths) {
  EXPECT_TRUE(IsAbsolutePath("/etc"));
  EXPECT_FALSE(IsAbsolutePath("etc"));
  EXPECT_FALSE(IsAbsolutePath(""));
}

}  // namespace
}  // namespace Quellit::Platform
