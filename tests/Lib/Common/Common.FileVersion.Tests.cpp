// Version information of executables. The images in fixtures/FileVersion are real PE files built
// from the .rc sources beside them; the README there has the commands that rebuild them.
#include "Lib/Common/Common.FileVersion.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "PEFixture.h"
#include "Support/ScratchFolder.h"

#ifdef _WIN32
#include "Platform/Win32/SystemCall.h"
#endif

namespace Quellit {
namespace {

using namespace Quellit::Testing;

std::string WriteImage(const TScratchFolder& AFolder, const std::string& AName, const TBytes& AImage) {
  return AFolder.Write(AName, std::string(AImage.begin(), AImage.end()));
}

// The file's modification time to the millisecond. MinGW's std::filesystem sets whole seconds
// only, so Windows is asked directly.
void SetModificationTime(const std::string& APath, std::int64_t AUnixSeconds, int AMilliseconds) {
#ifdef _WIN32
  const Platform::TScopedKernelHandle File(::CreateFileW(Platform::WideOf(APath).c_str(), FILE_WRITE_ATTRIBUTES,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(File.IsValid()) << APath;
  constexpr std::int64_t SecondsFrom1601 = 11'644'473'600;
  ULARGE_INTEGER Ticks;
  Ticks.QuadPart = static_cast<ULONGLONG>((AUnixSeconds + SecondsFrom1601) * 10'000'000 + AMilliseconds * 10'000);
  const FILETIME Time{Ticks.LowPart, Ticks.HighPart};
  ASSERT_TRUE(::SetFileTime(File.Get(), nullptr, nullptr, &Time)) << APath;
#else
  std::filesystem::last_write_time(
      APath, std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(AUnixSeconds)) +
                                               std::chrono::milliseconds(AMilliseconds)));
#endif
}

void ExpectEmpty(const TFileVersionInfo& AInfo) {
  for (const std::string* Text : {&AInfo.CompanyName, &AInfo.FileDescription, &AInfo.FileVersion, &AInfo.InternalName,
                                  &AInfo.LegalCopyRight, &AInfo.LegalTradeMark, &AInfo.OriginalFileName,
                                  &AInfo.ProductName, &AInfo.ProductVersion, &AInfo.Comments, &AInfo.LanguageInfo})
    EXPECT_EQ(*Text, "");
  EXPECT_EQ(AInfo.DigitalFileVersion, TDigitalFileVersionInfo{});
  EXPECT_EQ(AInfo.FileSize, 0);
  EXPECT_EQ(AInfo.ModifiedDate, 0);
  EXPECT_EQ(AInfo.CRC, 0);
}

// ---- TDigitalFileVersionInfo -------------------------------------------------------------------

TEST(TDigitalFileVersionInfo, TextsAndPackedForm) {
  const auto V = TDigitalFileVersionInfo::Create(8, 1, 2, 3);
  EXPECT_EQ(V.ShortVerAsString(), "8.1.2");
  EXPECT_EQ(V.FullVerAsString(), "8.1.2.3");
  EXPECT_EQ(V.AsCardinal(), 134283266u);
  // Major and Minor keep a byte each and Release 16 bits; Build never counts.
  EXPECT_EQ(TDigitalFileVersionInfo::Create(0x1FF, 0x102, 0x12345, 77).AsCardinal(), 0xFF022345u);
  EXPECT_EQ(TDigitalFileVersionInfo::Create(-1, 0, 0, 0).FullVerAsString(), "-1.0.0.0");
}

TEST(TDigitalFileVersionInfo, CompareTakesTheFirstDifferingField) {
  using V = TDigitalFileVersionInfo;
  constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
  struct TCase {
    V A, B;
    std::int32_t Expected;
  };
  const TCase Cases[] = {
      {V::Create(8, 1, 2, 3), V::Create(8, 1, 2, 10), -7},
      {V::Create(8, 1, 2, 3), V::Create(8, 1, 2, 3), 0},
      {V::Create(8, 2, 0, 0), V::Create(8, 1, 9, 9), 1},
      {V::Create(6, 9, 9, 9), V::Create(8, 0, 0, 0), -2},
      {V::Create(8, 1, 3, 0), V::Create(8, 1, 2, 500), 1},
      // Differences too large for 32 bits keep their sign.
      {V::Create(Min, 0, 0, 0), V::Create(1, 0, 0, 0), Min},
      {V::Create(Max, 0, 0, 0), V::Create(-1, 0, 0, 0), Max},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.A.FullVerAsString() + " vs " + C.B.FullVerAsString());
    EXPECT_EQ(V::Compare(C.A, C.B), C.Expected);
    EXPECT_EQ(C.A < C.B, C.Expected < 0);
    EXPECT_EQ(C.A <= C.B, C.Expected <= 0);
    EXPECT_EQ(C.A > C.B, C.Expected > 0);
    EXPECT_EQ(C.A >= C.B, C.Expected >= 0);
    EXPECT_EQ(C.A == C.B, C.Expected == 0);
  }
}

TEST(TDigitalFileVersionInfo, ReadsTheNumbersOfAFile) {
  EXPECT_EQ(TDigitalFileVersionInfo::CreateFromFile(PEFixturePath("full.exe")).FullVerAsString(), "8.1.2.3");
  EXPECT_EQ(TDigitalFileVersionInfo::CreateFromFile(PEFixturePath("notrans.exe")).FullVerAsString(), "6.3.0.117");
  for (const char* Name : {"noversion.exe", "missing.exe", ""}) {
    SCOPED_TRACE(Name);
    auto V = TDigitalFileVersionInfo::Create(1, 2, 3, 4);
    V.ReadFromFile(PEFixturePath(Name));
    EXPECT_EQ(V, TDigitalFileVersionInfo{});
  }
}

// ---- TFileVersionInfo --------------------------------------------------------------------------

TEST(TFileVersionInfo, ReadsTheTextsUnderTheTranslationsKey) {
  struct TCase {
    const char* File;
    const char* Language;
    const char* Version;
    const char* Company;
    const char* Description;
    const char* Product;
    const char* Copyright;
    const char* Comments;
  };
  const TCase Cases[] = {
      {"full.exe", "041904E3", "8.1.2.3", "ООО Корвел", "Клиент Корвел", "Корвел", "© ООО Корвел", "Проверка"},
      // No translation table: the default key.
      {"notrans.exe", "040904E4", "6.3.0.117", "Korvel", "Client without a translation table", "Корвел 6", "n/a", "n/a"},
      // A text missing under the translation's key is taken from the default key.
      {"fallback.exe", "041904E3", "8.0.0.1", "Korvel Ltd", "n/a", "Корвел", "n/a", "n/a"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.File);
    TFileVersionInfo Info;
    Info.ReadFromFile(PEFixturePath(C.File));
    EXPECT_EQ(Info.LanguageInfo, C.Language);
    EXPECT_EQ(Info.FileVersion, C.Version);
    EXPECT_EQ(Info.DigitalFileVersion.FullVerAsString(), C.Version);
    EXPECT_EQ(Info.CompanyName, C.Company);
    EXPECT_EQ(Info.FileDescription, C.Description);
    EXPECT_EQ(Info.ProductName, C.Product);
    EXPECT_EQ(Info.LegalCopyRight, C.Copyright);
    EXPECT_EQ(Info.Comments, C.Comments);
    EXPECT_EQ(Info.LegalTradeMark, "n/a");
    EXPECT_EQ(Info.CRC, 0);
  }
}

TEST(TFileVersionInfo, FileVersionIsBuiltFromTheNumbersNotTheText) {
  TFileVersionInfo Info;
  Info.ReadFromFile(PEFixturePath("full.exe"));
  EXPECT_EQ(Info.FileVersion, "8.1.2.3");  // the string table says 9.9.9.9
  EXPECT_EQ(Info.ProductVersion, "8.1");
  EXPECT_EQ(Info.InternalName, "client");
  EXPECT_EQ(Info.OriginalFileName, "client.exe");
}

TEST(TFileVersionInfo, SizeAndLocalModificationTimeComeFromTheFileSystem) {
  TScratchFolder Folder;
  const std::string Path = WriteImage(Folder, "client.exe", LoadPEFixture("full.exe"));
  const std::int64_t Seconds = 1700000000;  // 2023-11-14 22:13:20 UTC
  SetModificationTime(Path, Seconds, 250);
  TFileVersionInfo Info;
  Info.ReadFromFile(Path);
  EXPECT_EQ(Info.FileSize, 3072);
  EXPECT_DOUBLE_EQ(Info.ModifiedDate, UnixTimeToLocalDateTime(Seconds) + 250 / 86400000.0);
}

TEST(TFileVersionInfo, NoFileOrNoResourceLeavesEveryFieldEmpty) {
  TScratchFolder Folder;
  const std::string Cases[] = {
      Folder / "missing.exe",
      Folder.Path(),  // a folder is no file
      Folder.Write("empty.exe", ""),
      Folder.Write("text.exe", "MZ but nothing more"),
      PEFixturePath("noversion.exe"),
  };
  for (const std::string& Path : Cases) {
    SCOPED_TRACE(Path);
    TFileVersionInfo Info;
    Info.CompanyName = "stale";
    Info.FileSize = 5;
    Info.ReadFromFile(Path);
    ExpectEmpty(Info);
  }
}

// Every prefix of the image either reads completely or not at all.
TEST(TFileVersionInfo, TruncatedFilesReadWhollyOrNotAtAll) {
  TScratchFolder Folder;
  const TBytes Image = LoadPEFixture("full.exe");
  const std::string Path = WriteImage(Folder, "cut.exe", Image);
  TFileVersionInfo Whole;
  Whole.ReadFromFile(Path);
  std::size_t CompleteReads = 0;
  // Cut the file shorter one byte at a time: cheaper than writing thousands of files.
  for (std::size_t Length = Image.size(); Length-- > 0;) {
    std::filesystem::resize_file(Path, Length);
    TFileVersionInfo Info;
    Info.ReadFromFile(Path);
    if (Info.LanguageInfo.empty()) {
      ASSERT_EQ(Info.CompanyName, "") << Length;
      ASSERT_EQ(Info.DigitalFileVersion, TDigitalFileVersionInfo{}) << Length;
    } else {
      ++CompleteReads;
      ASSERT_EQ(Info.CompanyName, Whole.CompanyName) << Length;
      ASSERT_EQ(Info.Comments, Whole.Comments) << Length;
      ASSERT_EQ(Info.DigitalFileVersion, Whole.DigitalFileVersion) << Length;
      ASSERT_EQ(Info.FileSize, static_cast<std::int32_t>(Length));
    }
  }
  // The padding after the resource is not needed to read it.
  EXPECT_GT(CompleteReads, 0u);
}

TEST(TFileVersionInfo, DamagedTablesReadAsMissingTexts) {
  struct TCase {
    const char* Name;
    void (*Patch)(TBytes&);
    const char* Language;
    const char* Company;
    const char* Product;
  };
  const TCase Cases[] = {
      {"string table key in lower case",
       [](TBytes& B) { B[FindUtf16(B, "041904E3") + 12] = 'e'; }, "041904E3", "ООО Корвел", "Корвел"},
      {"zero-length string", [](TBytes& B) { PutU16(B, VersionNode(B, "ProductName"), 0); }, "041904E3",
       "ООО Корвел", "n/a"},
      {"string reaching past its table", [](TBytes& B) { PutU16(B, VersionNode(B, "CompanyName"), 0xFFFF); },
       "041904E3", "n/a", "n/a"},
      {"translation shorter than one entry", [](TBytes& B) { PutU16(B, VersionNode(B, "Translation") + 2, 2); },
       "040904E4", "n/a", "n/a"},
  };
  TScratchFolder Folder;
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TBytes Image = LoadPEFixture("full.exe");
    C.Patch(Image);
    TFileVersionInfo Info;
    Info.ReadFromFile(WriteImage(Folder, "damaged.exe", Image));
    EXPECT_EQ(Info.LanguageInfo, C.Language);
    EXPECT_EQ(Info.CompanyName, C.Company);
    EXPECT_EQ(Info.ProductName, C.Product);
    EXPECT_EQ(Info.FileVersion, "8.1.2.3");
  }
}

}  // namespace
}  // namespace Quellit
