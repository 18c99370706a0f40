#include "SysInfo/SysInfo.Core.VeskaDBase.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "Lib/Common/Common.Filer.h"
#include "Lib/Common/Common.KvSimpleDBase64.h"
#include "Lib/Common/Common.Streams.h"
#include "Support/RussianLocale.h"
#include "Support/ScratchFolder.h"
#include "Support/SimpleDBaseBuilder.h"
#include "SysInfo/BaseFileBuilder.h"

namespace Quellit {
namespace {

using ::testing::HasSubstr;
using Testing::TSdbItem;
using Testing::TSdbLayout;

using Testing::SampleBaseInfo;
using Testing::SaveBaseInfo;

// A real base container in a scratch folder: the descriptor among other items, as bases carry it.
class TVeskaDBaseTest : public Testing::TRussianLocaleTest {
 protected:
  std::string WriteBase(const std::string& AInfoBytes, std::uint8_t AVersion = 5) {
    TSdbLayout Layout;
    Layout.Version = AVersion;
    Layout.Items = {{"Data", "", "payload"}, {"Info", "work", AInfoBytes}, {"Index", "", "xyz"}};
    return FFolder.Write("base.kvd", Testing::BuildSdb(Layout));
  }

  std::string WriteContainer(const TSdbLayout& ALayout) { return FFolder.Write("base.kvd", Testing::BuildSdb(ALayout)); }

  Testing::TScratchFolder FFolder;
};

TEST_F(TVeskaDBaseTest, ReadBaseDescriptorFromEitherContainerVersion) {
  for (std::uint8_t Version : {4, 5}) {
    SCOPED_TRACE(static_cast<int>(Version));
    const std::string Path = WriteBase(SaveBaseInfo(SampleBaseInfo()), Version);
    TNB_InfoStruct Info;
    Info.DistrictSign = "left over";
    ReadBaseDescriptor(Path, Info);
    EXPECT_EQ(Info.RegionName, "Москва");
    EXPECT_EQ(Info.Code.ToInt(), 112034);
    EXPECT_EQ(Info.ReleaseNumber, 70000u);
    EXPECT_EQ(Info.DistrictName, "Центральный");
    EXPECT_EQ(Info.DistrictSign, "");
    EXPECT_TRUE(Info.HasCrc32);
  }
}

TEST_F(TVeskaDBaseTest, DescribeBaseBlock) {
  const std::string Path = WriteBase(SaveBaseInfo(SampleBaseInfo()));
  EXPECT_EQ(DescribeBase(Path),
            "      - Путь: " + Path +
                "\r\n        - Наименование: Москва"
                "\r\n        - Версия базы: 70000"
                "\r\n        - Код базы: 112034"
                "\r\n        - Дата создания: 15.03.2021"
                "\r\n        - Издатель: Территориальный"
                "\r\n        - Тип базы: 2001 года"
                "\r\n        - Округ: Центральный");
}

TEST_F(TVeskaDBaseTest, DescribeBaseOfOlderAndOddDescriptors) {
  struct TCase {
    TNBYear Level;
    int Tails;  // 0: the descriptor ends after its comment, 1: the whole of it
    const char* Lines;
  } Cases[] = {
      {spl1984, 1,
       "\r\n        - Версия базы: 70000\r\n        - Код базы: 412034\r\n        - Дата создания: 15.03.2021"
       "\r\n        - Издатель: Территориальный\r\n        - Тип базы: 1984 года\r\n        - Округ: Центральный"},
      {spl2001, 0,
       "\r\n        - Версия базы: 0\r\n        - Код базы: 112034\r\n        - Дата создания: 15.03.2021"
       "\r\n        - Издатель: Неизвестен\r\n        - Тип базы: 2001 года\r\n        - Округ: "},
      {spl1991, 1,
       "\r\n        - Версия базы: 70000\r\n        - Код базы: 12034\r\n        - Дата создания: 15.03.2021"
       "\r\n        - Издатель: Территориальный\r\n        - Тип базы: Неизвестный тип\r\n        - Округ: Центральный"},
      {splNone, 1,
       "\r\n        - Версия базы: 70000\r\n        - Код базы: -1\r\n        - Дата создания: 15.03.2021"
       "\r\n        - Издатель: Территориальный\r\n        - Тип базы: Неизвестный тип\r\n        - Округ: Центральный"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(static_cast<int>(C.Level));
    TNB_InfoStruct Info = SampleBaseInfo();
    Info.Code.Year = C.Level;
    std::string Bytes = SaveBaseInfo(Info);
    if (C.Tails == 0) {
      // Cut after the comment, as writers before the tails left it. With empty texts the tails
      // take 19 bytes: four empty strings (2 each), the publisher, the year, release and checksum.
      TNB_InfoStruct Empty = Info;
      Empty.DistrictName = Empty.DistrictSign = Empty.OpenMask = Empty.RootName = "";
      const std::string Full = SaveBaseInfo(Empty);
      Bytes = Full.substr(0, Full.size() - 19);
    }
    const std::string Path = WriteBase(Bytes);
    EXPECT_EQ(DescribeBase(Path), "      - Путь: " + Path + "\r\n        - Наименование: Москва" + C.Lines);
  }
}

TEST_F(TVeskaDBaseTest, ErrorsOfReadingReachTheCaller) {
  // No descriptor at all: the empty descriptor fails on its first byte.
  TSdbLayout NoInfo;
  NoInfo.Items = {{"Data", "", "payload"}};
  const std::string NoInfoPath = WriteContainer(NoInfo);
  EXPECT_THAT([&] { DescribeBase(NoInfoPath); }, ::testing::Throws<EReadError>());

  const std::string WrongSignature = WriteBase(std::string("\xF0", 1) + SaveBaseInfo(SampleBaseInfo()).substr(1));
  EXPECT_THAT([&] { DescribeBase(WrongSignature); }, ::testing::Throws<EOrvantFilerInvalidSignature>());

  const std::string Cut = WriteBase(SaveBaseInfo(SampleBaseInfo()).substr(0, 12));
  EXPECT_THAT([&] { DescribeBase(Cut); }, ::testing::Throws<EReadError>());

  const std::string NotAContainer = FFolder.Write("plain.txt", "plain text, not a base");
  EXPECT_THAT([&] { DescribeBase(NotAContainer); }, ::testing::Throws<EKvSimpleDBase64>());
  EXPECT_THAT([&] { DescribeBase(FFolder / "missing.kvd"); }, ::testing::Throws<Exception>());
}

TEST(Fix1251Text, KeepsWhatWindows1251HoldsAndMarksTheRest) {
  struct TCase {
    const char* Text;
    const char* Expected;
  } Cases[] = {
      {"", ""},
      {"Москва, Ёлкино № 5", "Москва, Ёлкино № 5"},
      {"plain ASCII", "plain ASCII"},
      {"a✓b", "a?b"},
      {"日本", "??"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(Fix1251Text(C.Text), C.Expected);
  }
}

}  // namespace
}  // namespace Quellit
