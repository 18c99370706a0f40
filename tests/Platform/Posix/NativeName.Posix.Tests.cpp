#include "Platform/NativeName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/FileOperations.h"
#include "Platform/Folder.h"
#include "Platform/KnownFolders.h"
#include "Platform/TextCodec.h"
#include "Support/FolderEntryNames.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

namespace fs = std::filesystem;
using Testing::TScopedEnvironment;
using Testing::TScratchFolder;

// Names are written and read back here by their bytes, past the layer under test.
void WriteRaw(const std::string& APath, const std::string& AContent) {
  fs::create_directories(fs::path(APath).parent_path());
  std::ofstream(APath, std::ios::binary) << AContent;
}

std::vector<std::string> RawNames(const std::string& AFolder) {
  std::vector<std::string> Names;
  for (const auto& Entry : fs::directory_iterator(AFolder)) Names.push_back(Entry.path().filename().string());
  std::sort(Names.begin(), Names.end());
  return Names;
}

std::vector<std::string> TextNames(const std::string& AFolder) { return Testing::Names(ListFolder(AFolder)); }

struct TNameCase {
  const char* Label;
  std::string Bytes;  // the name on disk
  std::string Text;   // the name as the layer reads it
};

// Each name is used by one test only: a name read in Windows-1251 is remembered for the run.
const TNameCase NameCases[] = {
    {"ascii", "plain-name.txt", "plain-name.txt"},
    {"utf-8 cyrillic", "Сметы-юникод", "Сметы-юникод"},
    {"windows-1251 cyrillic", "\xD1\xEC\xE5\xF2\xFB-1251", "Сметы-1251"},
    {"windows-1251 with 0x98", "\xC0\x98\xE1", "А\u0098б"},
    {"windows-1251 with the euro sign", "\x88" "100", "€100"},
    // Part UTF-8, part not: the whole name reads as Windows-1251, so it still has one text and
    // comes back as the same bytes.
    {"utf-8 run before a 1251 byte", "Мои\xF1", "РњРѕРёс"},
};

TEST(NativeName, EveryNameReadsAsTextAndIsFoundAndCopiedByItsBytes) {
  for (const TNameCase& Case : NameCases) {
    SCOPED_TRACE(Case.Label);
    TScratchFolder Scratch;
    WriteRaw(Scratch / "source/" + Case.Bytes + "/inner.txt", Case.Label);
    const std::vector<std::string> Listed = TextNames(Scratch / "source");
    ASSERT_EQ(Listed, std::vector<std::string>{Case.Text});
    EXPECT_TRUE(IsValidUtf8Bytes(Listed[0]));

    const std::string Folder = Scratch / "source/" + Case.Text;
    EXPECT_TRUE(DirectoryExists(Folder));
    EXPECT_TRUE(FileExists(Folder + "/inner.txt"));
    const auto Content = ReadAllBytes(Folder + "/inner.txt");
    EXPECT_EQ(std::string(Content.begin(), Content.end()), Case.Label);

    // A copy made under the name as it was read gets the source's bytes.
    const std::string Copy = Scratch / "copy/" + Case.Text;
    ForceDirectories(Copy);
    WriteAllBytesAtomic(Copy + "/inner.txt", Case.Label, 3);
    EXPECT_EQ(RawNames(Scratch / "copy"), std::vector<std::string>{Case.Bytes});
    EXPECT_TRUE(fs::exists(Scratch / "copy/" + Case.Bytes + "/inner.txt"));

    RemoveFolderTree(Folder);
    EXPECT_FALSE(fs::exists(Scratch / "source/" + Case.Bytes));
  }
}

TEST(NativeName, PathsInBothDirections) {
  const std::string Ansi = "\xC0\xF0\xF5\xE8\xE2";  // "Архив" in Windows-1251
  struct TCase {
    const char* Label;
    std::string Native;
    std::string Text;
  } Cases[] = {
      {"utf-8 path stays", "/tmp/Документы/a.txt", "/tmp/Документы/a.txt"},
      {"1251 component between utf-8 ones", "/tmp/Документы/" + Ansi + "/отчёт.txt", "/tmp/Документы/Архив/отчёт.txt"},
      {"separators kept", "//a//" + Ansi + "/", "//a//Архив/"},
      {"relative", Ansi, "Архив"},
      {"empty", "", ""},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Label);
    EXPECT_EQ(PathFromNative(Case.Native), Case.Text);
  }
  TScratchFolder Scratch;
  WriteRaw(Scratch / "Документы/" + Ansi + "/отчёт.txt", "r");
  EXPECT_EQ(NativePath(Scratch / "Документы/Архив/отчёт.txt"), Scratch / "Документы/" + Ansi + "/отчёт.txt");
  // Below a folder found in Windows-1251, a missing name keeps its UTF-8 bytes unless it was read
  // the other way.
  EXPECT_EQ(NativePath(Scratch / "Документы/Архив/новый/файл"), Scratch / "Документы/" + Ansi + "/новый/файл");
  // Bytes that are no UTF-8 are the system's already: converting twice changes nothing.
  const std::string Native = NativePath(Scratch / "Документы/Архив/отчёт.txt");
  EXPECT_EQ(NativePath(Native), Native);
}

TEST(NativeName, AUtf8NameWinsOverItsWindows1251Twin) {
  TScratchFolder Scratch;
  const std::string Ansi = "\xC1\xEB\xE8\xE7\xED\xE5\xF6";  // "Близнец" in Windows-1251
  WriteRaw(Scratch / "dir/Близнец", "utf-8");
  WriteRaw(Scratch / "dir/" + Ansi, "1251");
  // The twin could only ever open its UTF-8 sibling, so the listing leaves it out.
  EXPECT_EQ(TextNames(Scratch / "dir"), std::vector<std::string>{"Близнец"});
  const auto Content = ReadAllBytes(Scratch / "dir/Близнец");
  EXPECT_EQ(std::string(Content.begin(), Content.end()), "utf-8");
  // Removing the tree removes both.
  RemoveFolderTree(Scratch / "dir");
  EXPECT_FALSE(fs::exists(Scratch / "dir"));
}

// A folder found under its UTF-8 bytes is remembered, so names in it need no look-up. Once the
// layer removed or renamed it (or a folder above it), a twin in Windows-1251 is found again.
TEST(NativeName, AFolderTheLayerRemovedOrRenamedIsLookedUpAgain) {
  struct TCase {
    const char* Label;
    std::string Parent, Folder;  // Folder below Parent, both text
    std::function<void(const std::string& AParent, const std::string& AFolder)> Change;
  };
  const std::vector<TCase> Cases = {
      {"removed", "", "Кэш-а", [](const std::string&, const std::string& F) { ASSERT_TRUE(RemoveDir(F)); }},
      {"renamed", "", "Кэш-б", [](const std::string&, const std::string& F) { ASSERT_TRUE(RenameFile(F, F + "-old")); }},
      {"renamed without replacing", "", "Кэш-в",
       [](const std::string&, const std::string& F) { ASSERT_TRUE(RenameNoReplace(F, F + "-old")); }},
      {"its parent's tree removed", "Верх-г/", "Кэш-г",
       [](const std::string& P, const std::string&) { RemoveFolderTree(P); }},
  };
  for (const TCase& Case : Cases) {
    TScratchFolder Scratch;
    const std::string Parent = Scratch / Case.Parent, Folder = Parent + Case.Folder;
    ForceDirectories(Folder);
    ASSERT_EQ(NativePath(Folder + "/a.txt"), Folder + "/a.txt") << Case.Label;
    Case.Change(Parent, Folder);
    const std::string Twin = Scratch / (EncodeText(Case.Parent, TTextEncoding::Windows1251) +
                                         EncodeText(Case.Folder, TTextEncoding::Windows1251));
    fs::create_directories(Twin);
    EXPECT_EQ(NativePath(Folder + "/a.txt"), Twin + "/a.txt") << Case.Label;
  }
}

TEST(NativeName, Windows1251IsTriedOnlyWhereItIsFaithful) {
  TScratchFolder Scratch;
  // "Рђ" is D0 90 in Windows-1251, which as UTF-8 is "А": that file is another name.
  WriteRaw(Scratch / "А", "a");
  EXPECT_FALSE(FileExists(Scratch / "Рђ"));
  // A name with a character Windows-1251 lacks exists in UTF-8 only.
  EXPECT_TRUE(CreateDir(Scratch / "Ж中"));
  EXPECT_TRUE(CreateDir(Scratch / "中文"));
  // A name never read in Windows-1251 is created in UTF-8, but found in either form.
  EXPECT_TRUE(CreateDir(Scratch / "Новая"));
  WriteRaw(Scratch / "\xCF\xF0\xE8\xEC\xE5\xF0", "p");  // "Пример"
  EXPECT_TRUE(FileExists(Scratch / "Пример"));
  EXPECT_EQ(RawNames(Scratch.Path()),
            (std::vector<std::string>{"\xCF\xF0\xE8\xEC\xE5\xF0", "А", "Ж中", "Новая", "中文"}));
}

TEST(NativeName, ErrorsNameThePathAsText) {
  TScratchFolder Scratch;
  fs::create_directory(Scratch / "\xCD\xEE\xF0\xEC\xFB-err");  // "Нормы-err"
  try {
    ReadAllBytes(Scratch / "Нормы-err/missing.txt");
    FAIL() << "a missing file was read";
  } catch (const EOSError& E) {
    EXPECT_TRUE(IsValidUtf8Bytes(E.Message()));
    EXPECT_NE(E.Message().find("Нормы-err/missing.txt"), std::string::npos) << E.Message();
  }
}

TEST(NativeName, AnEnvironmentRootInWindows1251IsTextAndCreatedInItsOwnBytes) {
  TScratchFolder Scratch;
  TScopedEnvironment Environment;
  const std::string Ansi = "\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB-env";  // "Документы-env"
  Environment.Set("XDG_DOCUMENTS_DIR", Scratch / Ansi);
  const std::string Documents = SpecialFolderPath(CSIDL_PERSONAL);
  EXPECT_EQ(Documents, Scratch / "Документы-env");
  // The folder does not exist yet: it is created as the variable names it, not beside it.
  ForceDirectories(Documents + "/Корвел");
  EXPECT_EQ(RawNames(Scratch.Path()), std::vector<std::string>{Ansi});
  EXPECT_EQ(RawNames(Scratch / Ansi), std::vector<std::string>{"Корвел"});
}

}  // namespace
}  // namespace Quellit::Platform
