#include "Platform/Folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Support/FolderEntryNames.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::Names;
using Testing::TScratchFolder;
namespace fs = std::filesystem;

TEST(ListFolder, SortsByUpperCasedUtf16LikeNtfs) {
  TScratchFolder Scratch;
  // "_" (0x5F) sorts after upper-case letters but before lower-case ones, so upper-casing decides
  // ("aa" before "a_b"). Cyrillic follows Latin; "ё" upper-cases to "Ё" (0x401), before "А" (0x410).
  for (const char* Name : {"b.txt", "A.txt", "_x", "Шаблон", "ёлка", "альфа", "Zeta", ".hidden", "a_b", "aa"})
    Scratch.Write(Name, "x");
  fs::create_directory(Scratch / "Client");
  EXPECT_EQ(Names(ListFolder(Scratch.Path())),
            (std::vector<std::string>{".hidden", "A.txt", "aa", "a_b", "b.txt", "Client", "Zeta", "_x", "ёлка", "альфа",
                                      "Шаблон"}));
}

TEST(ListFolder, MissingFolderListsAsEmpty) {
  TScratchFolder Scratch;
  EXPECT_TRUE(ListFolder(Scratch / "missing").empty());
  EXPECT_TRUE(ListFolder(Scratch.Write("file", "x")).empty());
  EXPECT_TRUE(ListFolder(Scratch / "file/below").empty());
  EXPECT_EQ(ListFolder(Scratch.Path()).size(), 1u);
}

struct TMaskCase {
  const char* Name;
  const char* Mask;
  bool Matches;
};
void PrintTo(const TMaskCase& C, std::ostream* AOut) { *AOut << '"' << C.Name << "\" ~ \"" << C.Mask << '"'; }

class MaskMatching : public testing::TestWithParam<TMaskCase> {};

TEST_P(MaskMatching, FollowsThePlatformWildcards) {
  EXPECT_EQ(MatchesMask(GetParam().Name, GetParam().Mask), GetParam().Matches)
      << GetParam().Name << " vs " << GetParam().Mask;
}

INSTANTIATE_TEST_SUITE_P(Table, MaskMatching,
                         testing::Values(TMaskCase{"file.txt", "*.*", true}, TMaskCase{"noext", "*.*", true},
                                         TMaskCase{".hidden", "*.*", true}, TMaskCase{"file.txt", "*", true},
                                         TMaskCase{"FILE.TXT", "*.txt", true}, TMaskCase{"file.txt", "*.xml", false},
                                         TMaskCase{"a.tar.gz", "*.gz", true}, TMaskCase{"abc", "a?c", true},
                                         TMaskCase{"ac", "a?c", false}, TMaskCase{"abbbc", "a*b*c", true},
                                         TMaskCase{"abcd", "a*c", false}, TMaskCase{"ШАБЛОН.xlt", "шаб*.XLT", true},
                                         TMaskCase{"ёж", "Ё?", true}, TMaskCase{"readme", "readme.*", true},
                                         TMaskCase{"readme2", "readme.*", false}, TMaskCase{"", "*", true},
                                         TMaskCase{"", "?", false}, TMaskCase{"x", "", false}));

TEST(Folder, ForceDirectoriesCreatesTheChain) {
  TScratchFolder Scratch;
  ForceDirectories(Scratch / "a/b/Корвел/");
  EXPECT_TRUE(DirectoryExists(Scratch / "a/b/Корвел"));
  EXPECT_NO_THROW(ForceDirectories(Scratch / "a/b"));  // already there
  Scratch.Write("plain", "x");
  try {
    ForceDirectories(Scratch / "plain/sub");
    FAIL() << "created a folder below a file";
  } catch (const EOSError& E) {
    EXPECT_NE(E.Message().find("plain"), std::string::npos) << E.Message();
  }
}

TEST(Folder, CreateAndRemoveSingleFolders) {
  TScratchFolder Scratch;
  EXPECT_TRUE(CreateDir(Scratch / "one"));
  const TOSResult Again = CreateDir(Scratch / "one");
  EXPECT_FALSE(Again);
  EXPECT_TRUE(IsAlreadyExists(Again.ErrorCode())) << Again.ErrorCode();
  Scratch.Write("one/file", "x");
  EXPECT_FALSE(RemoveDir(Scratch / "one"));  // not empty
  EXPECT_TRUE(FileExists(Scratch / "one/file"));
  fs::remove(Scratch / "one/file");
  EXPECT_TRUE(RemoveDir(Scratch / "one"));
  EXPECT_FALSE(DirectoryExists(Scratch / "one"));
}

}  // namespace
}  // namespace Quellit::Platform
