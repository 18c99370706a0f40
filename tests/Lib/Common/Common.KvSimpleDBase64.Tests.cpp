#include "Lib/Common/Common.KvSimpleDBase64.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "Lib/Common/Common.Format.h"
#include "Support/RussianLocale.h"
#include "Support/ScratchFolder.h"
#include "Support/SimpleDBaseBuilder.h"

namespace Quellit {
namespace {

using Testing::BuildSdb;
using Testing::TSdbItem;
using Testing::TSdbLayout;

std::string Bytes(std::initializer_list<int> AValues) {
  std::string Result;
  for (int V : AValues) Result += static_cast<char>(V);
  return Result;
}

std::string ContentOf(TStream& AStream) {
  TBytes Data = AStream.GetAsBytes();
  return std::string(Data.begin(), Data.end());
}

std::string InitError(const std::string& APath, const std::string& AInner) {
  return "Ошибка инициализации базы \"" + APath + "\"\r\n" + AInner;
}

// Containers written into a scratch folder, and the reader's failures as text.
class ContainerTest : public Testing::TRussianLocaleTest {
 protected:
  Testing::TScratchFolder Folder;

  std::string Write(const std::string& AContent, const std::string& AName = "base.sdb") {
    return Folder.Write(AName, AContent);
  }

  std::string OpenError(const std::string& APath) {
    try {
      TKvSimpleDBaseReader64 Reader(APath, true);
    } catch (const Exception& E) {
      return E.ClassName() + ": " + E.Message();
    }
    return "opened";
  }

  static TSdbLayout Sample(std::uint8_t AVersion, bool ASorted = false) {
    TSdbLayout Layout;
    Layout.Version = AVersion;
    Layout.Sorted = ASorted;
    Layout.Items = {{"alpha", "w1", "AAAA"}, {"bravo", "", ""}, {"charlie", "", "CC"},
                    {"delta", "", "DDD"}, {"echo", "wörk", "E"}};
    return Layout;
  }
};

// Two items written by hand: the 32-bit offsets and sizes of version 4, widened on reading.
TEST_F(ContainerTest, ReadsAHandWrittenVersion4Directory) {
  const std::string File = Bytes({'S', 'D', 'B', 4, 2, 0, 0, 0,
                                  1, 2, 'i', '1', 1, 1, 'w',        // "i1", work data "w"
                                  1, 1, 0xC1, 0,                    // "Б", no work data
                                  35, 0, 0, 0, 3, 0, 0, 0,          // item 0 at 35, 3 bytes
                                  38, 0, 0, 0, 0, 0, 0, 0})         // item 1 at 38, empty
                           + "xyz";
  TKvSimpleDBaseReader64 Reader(Write(File), true);
  EXPECT_EQ(Reader.RecordCount(), 2u);
  EXPECT_EQ(Reader.Header().Version, 4);
  EXPECT_FALSE(Reader.Header().Sorted);
  EXPECT_EQ(Reader.GetItemName(0), "i1");
  EXPECT_EQ(Reader.GetItemName(1), "Б");
  EXPECT_EQ(Reader.GetItemDataOffset(0), 35);
  EXPECT_EQ(Reader.GetItemDataSize(0), 3u);
  EXPECT_EQ(Reader.GetItemWorkDataSize(0), 1u);
  EXPECT_EQ(Reader.GetItemWorkDataSize(1), 0u);
  TMemoryStream Data;
  Reader.GetItemData("i1", Data);
  EXPECT_EQ(ContentOf(Data), "xyz");
  EXPECT_EQ(Reader.GetIndexFromName("Б", true), 1u);
}

TEST_F(ContainerTest, Version5HeaderSkipsOnlyTheBytesBeyondItsFixedTwelve) {
  for (std::int32_t HeaderSize : {8, 12, 20}) {
    SCOPED_TRACE(HeaderSize);
    TSdbLayout Layout = Sample(5);
    Layout.AdvancesHeaderSize = HeaderSize;
    TKvSimpleDBaseReader64 Reader(Write(BuildSdb(Layout)), true);
    EXPECT_EQ(Reader.Header().AdvancesHeaderSize, HeaderSize);
    ASSERT_EQ(Reader.RecordCount(), 5u);
    EXPECT_EQ(Reader.GetItemName(0), "alpha");
    EXPECT_EQ(Reader.GetItemName(4), "echo");
    TMemoryStream Work;
    Reader.GetItemWorkData("echo", Work);
    EXPECT_EQ(ContentOf(Work), "wörk");  // the stored bytes, not converted
  }
}

TEST_F(ContainerTest, ItemDataIsAppendedAtThePositionAndRewoundBothWithAndWithoutReadAhead) {
  const std::string Path = Write(BuildSdb(Sample(5)));
  for (bool Buffered : {true, false}) {
    SCOPED_TRACE(Buffered);
    TKvSimpleDBaseReader64 Reader(Path, Buffered);
    TStringStream Target("head:");
    Target.Seek(0, soEnd);
    Reader.GetItemData(3, Target);
    EXPECT_EQ(Target.Position(), 0);
    EXPECT_EQ(Target.DataString(), "head:DDD");

    TMemoryStream Empty;
    Reader.GetItemData("bravo", Empty);
    EXPECT_EQ(Empty.Size(), 0);
    EXPECT_EQ(Empty.Position(), 0);
  }
}

struct TLookupCase {
  const char* Name;
  std::uint32_t Expected;
};

TEST_F(ContainerTest, SortedAndLinearLookupsFindTheSameNames) {
  const TLookupCase Cases[] = {{"alpha", 0}, {"echo", 4}, {"charlie", 2}, {"bravo", 1}, {"delta", 3},
                               {"beta", TKvSimpleDBaseReader64::NotFound},   // between two names
                               {"aaa", TKvSimpleDBaseReader64::NotFound},    // before the first
                               {"zulu", TKvSimpleDBaseReader64::NotFound},   // after the last
                               {"Alpha", TKvSimpleDBaseReader64::NotFound}}; // case counts
  for (bool Sorted : {true, false}) {
    TKvSimpleDBaseReader64 Reader(Write(BuildSdb(Sample(5, Sorted))), true);
    for (const TLookupCase& C : Cases) {
      SCOPED_TRACE(testing::Message() << C.Name << (Sorted ? " sorted" : " linear"));
      EXPECT_EQ(Reader.GetIndexFromName(C.Name, false), C.Expected);
    }
  }
}

TEST_F(ContainerTest, SortedLookupWorksForEveryDirectorySize) {
  for (int Count = 1; Count <= 33; ++Count) {
    TSdbLayout Layout;
    Layout.Sorted = true;
    for (int I = 0; I < Count; ++I) Layout.Items.push_back({Format("n%.3d", 2 * I), "", ""});
    TKvSimpleDBaseReader64 Reader(Write(BuildSdb(Layout)), true);
    for (int I = 0; I < Count; ++I) {
      EXPECT_EQ(Reader.GetIndexFromName(Format("n%.3d", 2 * I), false), static_cast<std::uint32_t>(I)) << Count;
      EXPECT_EQ(Reader.GetIndexFromName(Format("n%.3d", 2 * I + 1), false), TKvSimpleDBaseReader64::NotFound);
    }
  }
}

// A container sorted on a platform whose collation puts Cyrillic before Latin and counts hyphens
// (ICU's Russian order): ours disagrees about several pairs, and still every item is found.
TEST_F(ContainerTest, SortedLookupFindsEveryItemOfAContainerSortedInAnotherOrder) {
  const char* const OtherOrder[] = {"абв", "еж", "ёж", "жук", "co-op", "coop", "cop", "it's", "its", "zebra"};
  TSdbLayout Layout;
  Layout.Sorted = true;
  for (const char* Name : OtherOrder) Layout.Items.push_back({Name, "", Name});
  TKvSimpleDBaseReader64 Reader(Write(BuildSdb(Layout)), true);
  for (std::uint32_t I = 0; I < std::size(OtherOrder); ++I) {
    EXPECT_EQ(Reader.GetIndexFromName(OtherOrder[I], false), I) << OtherOrder[I];
    TMemoryStream Data;
    Reader.GetItemData(OtherOrder[I], Data);
    EXPECT_EQ(ContentOf(Data), OtherOrder[I]);
  }
  EXPECT_EQ(Reader.GetIndexFromName("co_op", false), TKvSimpleDBaseReader64::NotFound);
  EXPECT_THROW(Reader.GetIndexFromName("ёлка", true), EKvSimpleDBase64);
}

TEST_F(ContainerTest, LinearLookupAnswersTheFirstOfEqualNames) {
  TSdbLayout Layout;
  Layout.Items = {{"a", "", "1"}, {"same", "", "2"}, {"same", "", "3"}};
  TKvSimpleDBaseReader64 Reader(Write(BuildSdb(Layout)), true);
  EXPECT_EQ(Reader.GetIndexFromName("same", true), 1u);
}

TEST_F(ContainerTest, WrongNamesAndIndexesRaiseTheirMessages) {
  const std::string Path = Write(BuildSdb(Sample(4)));
  TKvSimpleDBaseReader64 Reader(Path, true);
  TMemoryStream Target;
  try {
    Reader.GetItemData("нет", Target);
    FAIL() << "an absent name must be refused";
  } catch (const EKvSimpleDBase64& E) {
    EXPECT_EQ(E.Message(), "Запись с наименованием \"нет\" в базе отсутствует.\r\n\"" + Path + "\"");
  }
  for (const std::function<void()>& Call : std::initializer_list<std::function<void()>>{
           [&] { Reader.GetItemName(5); }, [&] { Reader.GetItemData(5, Target); },
           [&] { Reader.GetItemDataSize(5); }, [&] { Reader.GetItemDataOffset(5); },
           [&] { Reader.GetItemWorkData(5, Target); }, [&] { Reader.GetItemWorkDataSize(5); },
           [&] { Reader.CreateItemStream(5); }}) {
    try {
      Call();
      ADD_FAILURE() << "an index past the end must be refused";
    } catch (const EKvSimpleDBase64& E) {
      EXPECT_EQ(E.Message(), "Out of bounds");
    }
  }
}

struct TBrokenCase {
  const char* Name;
  std::string Content;
  std::string Inner;  // the wrapped class and message; "%s" stands for the path
};

TEST_F(ContainerTest, DamagedFilesRaiseTheInitialisationErrorNamingTheCause) {
  const std::string Count4G = Bytes({'S', 'D', 'B', 4, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
  const std::string LongName = Bytes({'S', 'D', 'B', 4, 1, 0, 0, 0, 4, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0});
  const TBrokenCase Cases[] = {
      {"short", "SD", "EReadError: Stream read error, position: 2, size: 2, count: 4"},
      {"signature", "SDC\x05" + std::string(20, '\0'), "EKvSimpleDBase64: Файл базы данных \"%s\" поврежден."},
      {"version 3", Bytes({'S', 'D', 'B', 3, 0, 0, 0, 0}),
       "EKvSimpleDBase64: Не поддерживаемая версия базы данных (3)"},
      {"version 0", Bytes({'S', 'D', 'B', 0}), "EKvSimpleDBase64: Не поддерживаемая версия базы данных (0)"},
      {"version 6", Bytes({'S', 'D', 'B', 6}),
       "EKvSimpleDBase64: Формат базы данных имеет более новую версию, чем тот,\r\nс которым может работать "
       "приложение.\r\nТекущая версия приложения может работать с версиями баз от 5 и ниже,\r\nбаза данных имеет "
       "версию 6."},
      {"header cut", Bytes({'S', 'D', 'B', 5, 12, 0, 0, 0, 1, 0}),
       "EReadError: Stream read error, position: 10, size: 10, count: 4"},
      {"billions of items", Count4G, "EReadError: Stream read error, position: 12, size: 12, count: 42949672950"},
      {"name longer than the file", LongName, "EReadError: Stream read error, position: 21, size: 21, count: 2147483647"},
      {"five length bytes", Bytes({'S', 'D', 'B', 4, 1, 0, 0, 0, 5, 1, 0, 0, 0, 0, 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0}),
       "EKvSimpleDBase64: Файл базы данных \"%s\" поврежден."},
      {"table cut", BuildSdb(Sample(5)).substr(0, 100),
       "EReadError: Stream read error, position: 100, size: 100, count: 8"},
  };
  for (const TBrokenCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Path = Write(C.Content);
    std::string Inner = C.Inner;
    if (auto At = Inner.find("%s"); At != std::string::npos) Inner.replace(At, 2, Path);
    EXPECT_EQ(OpenError(Path), "EKvSimpleDBase64: " + InitError(Path, Inner));
    TMemoryStream Target;
    try {
      TKvSimpleDBaseReader64::FastGetItemData(Path, "alpha", Target);
      ADD_FAILURE() << "a damaged file must be refused";
    } catch (const EKvSimpleDBase64& E) {
      EXPECT_EQ(E.Message().substr(0, InitError(Path, "").size()), InitError(Path, ""));
    }
  }
}

TEST_F(ContainerTest, AMissingFileIsNamedAndAPercentInThePathStaysLiteral) {
  EXPECT_EQ(OpenError(Folder / "none.sdb"),
            "EKvSimpleDBase64: Файл базы данных \"" + (Folder / "none.sdb") + "\" отсутствует.");
  const std::string Odd = Write("SDB\x07", "100%d %s.sdb");
  EXPECT_EQ(OpenError(Odd), "EKvSimpleDBase64: " + InitError(Odd, "EKvSimpleDBase64: Формат базы данных имеет "
                                                                  "более новую версию, чем тот,\r\nс которым может "
                                                                  "работать приложение.\r\nТекущая версия приложения "
                                                                  "может работать с версиями баз от 5 и ниже,\r\nбаза "
                                                                  "данных имеет версию 7."));
}

TEST_F(ContainerTest, ItemsOutsideTheFileAreRefusedWhenRead) {
  TSdbLayout Layout = Sample(5);
  std::string File = BuildSdb(Layout);
  // The last table entry (echo) points 1 byte past the end; the entry before it far before the start.
  const std::size_t Table = File.size() - 10 - 5 * 12;
  File[Table + 4 * 12] = static_cast<char>(File.size());
  for (int I = 0; I < 8; ++I) File[Table + 3 * 12 + static_cast<std::size_t>(I)] = '\xFF';
  const std::string Path = Write(File);
  TKvSimpleDBaseReader64 Reader(Path, true);
  TMemoryStream Target;
  EXPECT_THROW(Reader.GetItemData("echo", Target), EReadError);
  EXPECT_THROW(Reader.GetItemData("delta", Target), EReadError);
  EXPECT_EQ(Target.Size(), 0);
  auto Stream = Reader.CreateItemStream("delta");
  char Buffer[4];
  EXPECT_EQ(Stream->Read(Buffer, 3), 0);
  EXPECT_THROW(TKvSimpleDBaseReader64::FastGetItemData(Path, "echo", Target), EKvSimpleDBase64);
}

// Version 4 offsets are unsigned: one above 2 GiB must not turn into a position before the file.
TEST_F(ContainerTest, Version4OffsetsWidenWithoutSign) {
  const std::string Path = Write(Bytes({'S', 'D', 'B', 4, 1, 0, 0, 0, 1, 1, 'a', 0,
                                        0xF0, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0}));
  TKvSimpleDBaseReader64 Reader(Path, true);
  EXPECT_EQ(Reader.GetItemDataOffset(0), 4294967280);
  TMemoryStream Target;
  try {
    Reader.GetItemData(0, Target);
    FAIL() << "an item past the end must be refused";
  } catch (const EReadError& E) {
    EXPECT_EQ(E.Message(), "Stream read error, position: 4294967280, size: 20, count: 2");
  }
}

// ---- item streams ------------------------------------------------------------------------------

TEST_F(ContainerTest, ItemStreamsReadTheirWindowOnly) {
  TKvSimpleDBaseReader64 Reader(Write(BuildSdb(Sample(5))), true);
  auto Stream = Reader.CreateItemStream("alpha");
  EXPECT_EQ(Stream->Size(), 4);
  char Buffer[16] = {};
  EXPECT_EQ(Stream->Read(Buffer, 16), 4);
  EXPECT_EQ(std::string(Buffer, 4), "AAAA");
  EXPECT_EQ(Stream->Read(Buffer, 1), 0);       // at the end
  EXPECT_EQ(Stream->Seek(10, soBeginning), 10);  // not clamped
  EXPECT_EQ(Stream->Read(Buffer, 1), 0);
  EXPECT_EQ(Stream->Seek(-2, soEnd), 2);
  EXPECT_EQ(Stream->Read(Buffer, 16), 2);
  EXPECT_EQ(Stream->Seek(-5, soCurrent), -1);
  EXPECT_EQ(Stream->Read(Buffer, 16), 0);  // never the bytes in front of the item

  auto Charlie = Reader.CreateItemStream(2);
  Charlie->SetPosition(1);
  EXPECT_EQ(Charlie->Read(Buffer, 16), 1);
  EXPECT_EQ(Buffer[0], 'C');
}

TEST_F(ContainerTest, ItemStreamsAreReadOnlyAndComeOnlyFromTheirReader) {
  TKvSimpleDBaseReader64 Reader(Write(BuildSdb(Sample(5))), true);
  auto Stream = Reader.CreateItemStream("alpha");
  const std::string ReadOnly = "TSimpleDBaseItemStream64 работает в режме только чтение.";
  try {
    Stream->Write("x", 1);
    ADD_FAILURE();
  } catch (const ESimpleDBaseItemStream64& E) {
    EXPECT_EQ(E.Message(), ReadOnly);
  }
  try {
    Stream->SetSize(0);
    ADD_FAILURE();
  } catch (const ESimpleDBaseItemStream64& E) {
    EXPECT_EQ(E.Message(), ReadOnly);
  }
  try {
    TSimpleDBaseItemStream64 Orphan;
    ADD_FAILURE();
  } catch (const ESimpleDBaseItemStream64& E) {
    EXPECT_EQ(E.Message(), "TSimpleDBaseItemStream64 не предназначен для самостоятельного использования.");
  }
}

TEST_F(ContainerTest, ItemStreamsOutliveTheirReaderAndThenRefuseToRead) {
  const std::string Path = Write(BuildSdb(Sample(5)));
  auto Reader = std::make_unique<TKvSimpleDBaseReader64>(Path, false);
  auto Kept = Reader->CreateItemStream("alpha");
  auto Dropped = Reader->CreateItemStream("alpha");
  Dropped.reset();  // leaves the reader's list before the reader goes
  Reader.reset();
  char Buffer[4];
  try {
    Kept->Read(Buffer, 4);
    FAIL() << "reading after the reader is gone must fail";
  } catch (const ESimpleDBaseItemStream64& E) {
    EXPECT_EQ(E.Message(), "Невозможно выполнить операцию при закрытом соединении с базой.\r\n\"" + Path + "\"");
  }
  EXPECT_NO_THROW(Kept.reset());
}

TEST_F(ContainerTest, SeveralThreadsReadDifferentItemsThroughOneReader) {
  TSdbLayout Layout;
  for (int I = 0; I < 8; ++I) Layout.Items.push_back({Format("item%d", I), "", std::string(50000, static_cast<char>('a' + I))});
  TKvSimpleDBaseReader64 Reader(Write(BuildSdb(Layout)), true);
  std::vector<std::unique_ptr<TSimpleDBaseItemStream64>> Streams;
  for (std::uint32_t I = 0; I < 8; ++I) Streams.push_back(Reader.CreateItemStream(I));
  std::vector<int> Wrong(8, 0);
  std::vector<std::thread> Threads;
  for (std::size_t I = 0; I < 8; ++I)
    Threads.emplace_back([&, I] {
      char Buffer[1000];
      for (std::int64_t Got; (Got = Streams[I]->Read(Buffer, sizeof Buffer)) > 0;)
        for (std::int64_t J = 0; J < Got; ++J) Wrong[I] += Buffer[J] != static_cast<char>('a' + I);
      TMemoryStream Whole;
      Reader.GetItemData(static_cast<std::uint32_t>(I), Whole);
      Wrong[I] += Whole.Size() != 50000;
    });
  for (std::thread& T : Threads) T.join();
  EXPECT_EQ(Wrong, std::vector<int>(8, 0));
}

// ---- lookups straight from the file ------------------------------------------------------------

TEST_F(ContainerTest, FastGetItemDataCopiesOneItemOfEitherVersion) {
  for (std::uint8_t Version : {4, 5}) {
    SCOPED_TRACE(static_cast<int>(Version));
    TSdbLayout Layout = Sample(Version);
    Layout.Items.push_back({"Сведения", "", "инфо"});
    const std::string Path = Write(BuildSdb(Layout));
    TStringStream Target("<");
    Target.Seek(0, soEnd);
    EXPECT_TRUE(TKvSimpleDBaseReader64::FastGetItemData(Path, "delta", Target));
    EXPECT_EQ(Target.Position(), 4);  // after the copied bytes
    EXPECT_TRUE(TKvSimpleDBaseReader64::FastGetItemData(Path, "bravo", Target));  // empty item
    EXPECT_TRUE(TKvSimpleDBaseReader64::FastGetItemData(Path, "Сведения", Target));
    EXPECT_EQ(Target.DataString(), "<DDDинфо");
    EXPECT_FALSE(TKvSimpleDBaseReader64::FastGetItemData(Path, "foxtrot", Target));
    EXPECT_FALSE(TKvSimpleDBaseReader64::FastGetItemData(Path, "日本", Target));  // not in Windows-1251
    EXPECT_EQ(Target.Size(), 4 + static_cast<std::int64_t>(std::string("инфо").size()));
  }
}

TEST_F(ContainerTest, FastGetItemDataWrapsEvenAFailureToOpen) {
  const std::string Path = Folder / "none.sdb";
  TMemoryStream Target;
  try {
    TKvSimpleDBaseReader64::FastGetItemData(Path, "x", Target);
    FAIL() << "a missing file must be refused";
  } catch (const EKvSimpleDBase64& E) {
    EXPECT_EQ(E.Message().rfind(InitError(Path, "EFOpenError: "), 0), 0u) << E.Message();
  }
}

}  // namespace
}  // namespace Quellit
