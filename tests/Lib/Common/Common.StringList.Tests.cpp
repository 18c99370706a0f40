#include "Lib/Common/Common.StringList.h"

#include <gtest/gtest.h>

#include <functional>

#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Support/ScratchFolder.h"
#include "Support/RussianLocale.h"

namespace Quellit {
namespace {

using Testing::TScratchFolder;

std::vector<std::string> Lines(const TStrings& AList) {
  std::vector<std::string> Result;
  for (int I = 0; I < AList.Count(); ++I) Result.push_back(AList[I]);
  return Result;
}

class TStringListTest : public Testing::TRussianLocaleTest {};

TEST_F(TStringListTest, SortedListIgnoresDuplicatesApartFromCaseAndKeepsTheFirstSpelling) {
  TStringList List;
  List.SetSorted(true);
  List.SetDuplicates(dupIgnore);
  for (const char* S : {".СМЕТА", ".арх", ".смета", ".Бюджет", ".АРХ", ".ведомость"}) EXPECT_GE(List.Add(S), 0);
  EXPECT_EQ(Lines(List), (std::vector<std::string>{".арх", ".Бюджет", ".ведомость", ".СМЕТА"}));
  EXPECT_EQ(List.Add(".Смета"), 3) << "a dropped duplicate answers the kept line";
  int Index = -1;
  EXPECT_TRUE(List.Find(".АрХ", Index));
  EXPECT_EQ(Index, 0);
  EXPECT_FALSE(List.Find(".дом", Index));
  EXPECT_EQ(Index, 3);
  EXPECT_EQ(List.IndexOf(".бюджет"), 1);
  TStringList Latin;
  Latin.SetSorted(true);
  for (const char* S : {".xml", ".XML", ".Xml"}) Latin.Add(S);
  EXPECT_EQ(Lines(Latin), (std::vector<std::string>{".xml"}));
}

TEST_F(TStringListTest, DuplicatesModes) {
  TStringList Accept;
  Accept.SetSorted(true);
  Accept.SetDuplicates(dupAccept);
  Accept.Add("b");
  Accept.Add("B");
  EXPECT_EQ(Accept.Count(), 2);

  TStringList Strict;
  Strict.SetSorted(true);
  Strict.SetDuplicates(dupError);
  Strict.Add("Юг");
  try {
    Strict.Add("юг");
    FAIL() << "dupError must refuse the duplicate";
  } catch (const EStringListError& E) {
    EXPECT_EQ(E.Message(), "String list does not allow duplicates");
  }

  TStringList Sensitive;
  Sensitive.SetCaseSensitive(true);
  Sensitive.SetSorted(true);
  Sensitive.SetDuplicates(dupError);
  Sensitive.Add("юг");
  EXPECT_NO_THROW(Sensitive.Add("Юг"));
  EXPECT_EQ(Sensitive.IndexOf("ЮГ"), -1);
}

TEST_F(TStringListTest, SortingAndEditingRules) {
  TStringList List;
  for (const char* S : {"а", "в", "Б"}) List.Add(S);
  List.CustomSort([](const TStrings& L, int A, int B) { return -L.CompareStrings(L[A], L[B]); });
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"в", "Б", "а"}));
  List.SetSorted(true);
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"а", "Б", "в"}));
  EXPECT_THROW(List.Insert(0, "x"), EStringListError);
  EXPECT_THROW(List.SetStrings(0, "x"), EStringListError);
  List.SetSorted(false);
  List.Insert(0, "я");
  List.Exchange(0, 3);
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"в", "а", "Б", "я"}));
}

TEST(TStringList, BadIndexesRaiseTheListError) {
  TStringList List;
  List.Add("one");
  const std::pair<const char*, std::function<void()>> Cases[] = {
      {"Strings", [&] { (void)List.Strings(1); }},
      {"Objects", [&] { (void)List.Objects(-1); }},
      {"Delete", [&] { List.Delete(5); }},
      {"Insert", [&] { List.Insert(2, "x"); }},
      {"Names", [&] { (void)List.Names(1); }},
  };
  for (const auto& [Name, Call] : Cases) EXPECT_THROW(Call(), EStringListError) << Name;
  try {
    (void)List.Strings(7);
  } catch (const EStringListError& E) {
    EXPECT_EQ(E.Message(), "List index out of bounds (7)");
  }
}

TEST(TStringList, AttachedValuesAndOwnedObjects) {
  struct TCounted : TObject {
    explicit TCounted(int& ACount) : FCount(ACount) {}
    ~TCounted() override { ++FCount; }
    int& FCount;
  };
  int Freed = 0;
  {
    TStringList List(true);
    List.AddObject("a", new TCounted(Freed));
    List.AddInteger("b", 42);
    List.AddObject("c", new TCounted(Freed));
    EXPECT_EQ(List.Integers(1), 42);
    EXPECT_EQ(List.Objects(1), nullptr) << "an integer never reads as an object";
    EXPECT_EQ(List.Integers(0), 0);
    EXPECT_EQ(List.IndexOfObject(List.Objects(2)), 2);
    List.Delete(0);
    EXPECT_EQ(Freed, 1);
  }
  EXPECT_EQ(Freed, 2) << "an integer is not freed as an object";
}

TEST_F(TStringListTest, NameValueLines) {
  TStringList List;
  List.SetText("Путь=C:\\Корвел\nempty=\nplain\nПУТЬ=second");
  EXPECT_EQ(List.Names(0), "Путь");
  EXPECT_EQ(List.Names(2), "");
  EXPECT_EQ(List.Values("путь"), "C:\\Корвел");
  EXPECT_EQ(List.ValueFromIndex(1), "");
  EXPECT_EQ(List.IndexOfName("EMPTY"), 1);
  List.SetValues("new", "1");
  List.SetValues("Путь", "D:");
  List.SetValues("empty", "");
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"Путь=D:", "plain", "ПУТЬ=second", "new=1"}));
  List.SetNameValueSeparator(':');
  List.Add("a:b=c");
  EXPECT_EQ(List.Values("a"), "b=c");
}

TEST(TStringList, TextJoinsWithCrLfAndSplitsAtEveryLineBreak) {
  TStringList List;
  List.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(List.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  TStringList Again;
  Again.SetText(List.Text());
  EXPECT_EQ(Lines(Again), Lines(List));
  Again.SetText("");
  EXPECT_EQ(Again.Count(), 0);
}

struct TDelimitedCase {
  std::string Input;
  char Delimiter;
  bool Strict;
  std::vector<std::string> Items;
};

TEST(TStringList, DelimitedTextReading) {
  const TDelimitedCase Cases[] = {
      {"a,b,c", ',', false, {"a", "b", "c"}},
      {"  a b ,c", ',', false, {"a", "b", "c"}},
      {"a,,b", ',', false, {"a", "", "b"}},
      {"a,", ',', false, {"a", ""}},
      {",a", ',', false, {"", "a"}},
      {"\"x, y\",z", ',', false, {"x, y", "z"}},
      {"\"say \"\"hi\"\"\"", ',', false, {"say \"hi\""}},
      {"\"open", ',', false, {"open"}},
      {"\"ab\"cd,e", ',', false, {"ab", "cd", "e"}},
      {"", ',', false, {}},
      {".doc; .xls ;;\"a;b\"", ';', true, {".doc", " .xls ", "", "a;b"}},
      {" a b ;c", ';', true, {" a b ", "c"}},
      {std::string("a\0b,c", 5), ',', false, {"a", "b", "c"}},
  };
  for (const TDelimitedCase& C : Cases) {
    TStringList List;
    List.SetDelimiter(C.Delimiter);
    List.SetStrictDelimiter(C.Strict);
    List.SetDelimitedText(C.Input);
    EXPECT_EQ(Lines(List), C.Items) << C.Input;
  }
}

TEST(TStringList, DelimitedTextWritingQuotesWhatReadingWouldSplit) {
  struct TCase {
    std::vector<std::string> Items;
    bool Strict;
    const char* Expected;
  };
  const TCase Cases[] = {
      {{"a", "b"}, false, "a,b"},
      {{"a b", "c"}, false, "\"a b\",c"},
      {{"a b", "c"}, true, "a b,c"},
      {{"x,y"}, true, "\"x,y\""},
      {{"say \"hi\""}, false, "\"say \"\"hi\"\"\""},
      {{""}, false, "\"\""},
      {{"a", "", "b"}, false, "a,,b"},
      {{}, false, ""},
  };
  for (const TCase& C : Cases) {
    TStringList List;
    List.SetStrictDelimiter(C.Strict);
    for (const std::string& S : C.Items) List.Add(S);
    EXPECT_EQ(List.DelimitedText(), C.Expected);
    TStringList Back;
    Back.SetStrictDelimiter(C.Strict);
    Back.SetDelimitedText(List.DelimitedText());
    EXPECT_EQ(Lines(Back), C.Items) << C.Expected;
  }
  TStringList Comma;
  Comma.SetDelimiter(';');
  Comma.SetStrictDelimiter(true);
  Comma.SetCommaText("a b,\"c,d\"");
  EXPECT_EQ(Lines(Comma), (std::vector<std::string>{"a", "b", "c,d"}));
  EXPECT_EQ(Comma.CommaText(), "a,b,\"c,d\"");
  EXPECT_EQ(Comma.DelimitedText(), "a;b;c,d");
}

TEST(TStringList, LoadFromFileDetectsTheEncoding) {
  TScratchFolder Folder;
  struct TCase {
    const char* Name;
    std::string Bytes;
  };
  const TCase Cases[] = {
      {"utf8.txt", "Нормативные базы\r\nвторая"},
      {"utf8bom.txt", "\xEF\xBB\xBFНормативные базы\r\nвторая"},
      {"cp1251.txt", Utf8ToWin1251("Нормативные базы\r\nвторая")},
      {"utf16le.txt", std::string("\xFF\xFE\x1D\x04\x3E\x04\x40\x04\x3C\x04\x30\x04\x42\x04\x38\x04\x32\x04"
                                  "\x3D\x04\x4B\x04\x35\x04\x20\x00\x31\x04\x30\x04\x37\x04\x4B\x04\x0A\x00"
                                  "\x32\x04\x42\x04\x3E\x04\x40\x04\x30\x04\x4F\x04",
                                  2 + 2 * 23)},
      {"utf16be.txt", std::string("\xFE\xFF\x04\x1D\x04\x3E\x04\x40\x04\x3C\x04\x30\x04\x42\x04\x38\x04\x32"
                                  "\x04\x3D\x04\x4B\x04\x35\x00\x20\x04\x31\x04\x30\x04\x37\x04\x4B\x00\x0A"
                                  "\x04\x32\x04\x42\x04\x3E\x04\x40\x04\x30\x04\x4F",
                                  2 + 2 * 23)},
  };
  for (const TCase& C : Cases) {
    TStringList List;
    List.LoadFromFile(Folder.Write(C.Name, C.Bytes));
    EXPECT_EQ(Lines(List), (std::vector<std::string>{"Нормативные базы", "вторая"})) << C.Name;
  }
  TStringList List;
  EXPECT_THROW(List.LoadFromFile(Folder / "missing.txt"), EFOpenError);
}

TEST(TStringList, SaveWritesTheChosenEncoding) {
  TScratchFolder Folder;
  TStringList List;
  List.Add("Ж");
  List.SaveToFile(Folder / "utf8.txt");
  List.SaveToFile(Folder / "cp1251.txt", seWin1251);
  List.SaveToFile(Folder / "utf16.txt", seUTF16LE);
  EXPECT_EQ(TScratchFolder::Read(Folder / "utf8.txt"), "Ж\r\n");
  EXPECT_EQ(TScratchFolder::Read(Folder / "cp1251.txt"), "\xC6\r\n");
  EXPECT_EQ(TScratchFolder::Read(Folder / "utf16.txt"), std::string("\xFF\xFE\x16\x04\r\0\n\0", 8));

  TMemoryStream Stream;
  Stream.WriteByte(0xAA);
  List.SaveToStream(Stream);
  Stream.SetPosition(1);
  TStringList Back;
  Back.LoadFromStream(Stream);
  EXPECT_EQ(Lines(Back), Lines(List));
}

}  // namespace
}  // namespace Quellit
