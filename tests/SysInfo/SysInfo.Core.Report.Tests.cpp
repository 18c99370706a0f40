// The report fragments of an installed product: the autosave folder and the normative bases, read
// from real files in a product sandbox.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Lib/Common/Common.KvSimpleDBase64.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "SysInfo/BaseFileBuilder.h"
#include "Support/PathText.h"
#include "SysInfo/ProductSandbox.h"
#include "SysInfo/SysInfo.Core.Veska8.h"
#include "SysInfo/SysInfo.Core.VeskaDBase.h"
#include "Support/RussianLocale.h"

namespace Quellit {
namespace {

using Testing::SampleBaseInfo;
using Testing::WriteBaseFile;

const std::string AutoSaveRel = "AppData/Orvant/Korvel 8/Client/Autosave/";
const std::string DataRel = "CommonAppData/Orvant/Korvel 8/Client/Data/";

class TReportTest : public Testing::TRussianLocaleTest {
 protected:
  const TVeska8Information32& Info = TVeska8Information32::Instance();
  Testing::TProductSandbox Sandbox;

  void SetUp() override {
    TRussianLocaleTest::SetUp();
    ASSERT_EQ(Info.AutoSaveFoder(), InSandbox(AutoSaveRel));
    ASSERT_EQ(Info.DBaseFolder(), InSandbox(DataRel));
  }

  // A path in the sandbox, written with "/", as the product spells it.
  std::string InSandbox(const std::string& ARelative) const {
    return Testing::NativePath(Sandbox.Scratch() / ARelative);
  }

  std::string WriteBase(const std::string& AName, const TNB_InfoStruct& AInfo = SampleBaseInfo()) {
    return WriteBaseFile(Sandbox.Scratch(), DataRel + AName, AInfo);
  }

  // A document with a "report" root, given to GetModulesState.
  TXMLElement NewReportRoot() {
    TXMLDocument Doc = TXMLDocument::Create();
    TXMLElement Root = Doc.CreateElement("report");
    Doc.SetDocumentElement(Root);
    return Root;
  }

  std::string AutoSaveText() {
    std::string Text = "before\r\n";
    Info.GetAutoSaveFolderInfo(Text);
    return Text;
  }
};

// ---- autosave folder ------------------------------------------------------------------------------

TEST_F(TReportTest, AutoSaveCountsTopLevelTmpFilesOfAnyCaseAndVisibility) {
  Sandbox.Scratch().Write(AutoSaveRel + "a.tmp", std::string(1000, 'a'));
  Sandbox.Scratch().Write(AutoSaveRel + "B.TMP", std::string(2000, 'b'));
  Sandbox.Scratch().Write(AutoSaveRel + ".hidden.tmp", std::string(100, 'h'));
  Sandbox.Scratch().Write(AutoSaveRel + "c.txt", std::string(5000, 'c'));
  Sandbox.Scratch().Write(AutoSaveRel + "a.tmp.bak", "x");
  Sandbox.Scratch().Write(AutoSaveRel + "sub/d.tmp", std::string(5000, 'd'));
  Sandbox.Scratch().Write(AutoSaveRel + "folder.tmp/e.txt", "e");
  EXPECT_EQ(AutoSaveText(),
            "before\r\n"
            "    Каталог автосохранения:\r\n"
            "      - путь: " + InSandbox(AutoSaveRel) + "\r\n"
            "      - файлов: 3\r\n"
            "      - размер: 3 Кбайт\r\n");
}

TEST_F(TReportTest, AutoSaveOfAnEmptyOrMissingFolderCountsNothing) {
  const std::string Expected = "before\r\n"
                               "    Каталог автосохранения:\r\n"
                               "      - путь: " + InSandbox(AutoSaveRel) + "\r\n"
                               "      - файлов: 0\r\n"
                               "      - размер: 0 байт\r\n";
  EXPECT_EQ(AutoSaveText(), Expected);
  std::filesystem::create_directories(Sandbox.Scratch() / AutoSaveRel);
  EXPECT_EQ(AutoSaveText(), Expected);
}

// ---- bases as XML ---------------------------------------------------------------------------------

TEST_F(TReportTest, XmlHasOneItemPerTopLevelBaseInListingOrder) {
  TNB_InfoStruct Second = SampleBaseInfo(45);
  Second.RegionName = "Тверь";
  Second.DistrictName = "Северо-Западный";
  Second.Code.Year = spl1984;
  Second.Publidher = nbpFederal;
  Second.ReleaseNumber = 4000000000u;
  Second.CreationDate = EncodeDateTime(2019, 12, 31, 10, 30, 5, 0);
  WriteBase("b.KVD8", Second);
  WriteBase("a.kvd8");
  WriteBase("sub/c.kvd8");
  WriteBase("old.kvd5");
  Sandbox.Scratch().Write(DataRel + "notes.txt", "not a base");
  std::filesystem::create_directories(Sandbox.Scratch() / (DataRel + "folder.kvd8"));

  TXMLElement Root = NewReportRoot();
  Info.GetModulesState(Root);
  TXMLElement DBase = Root.FindChildElement("dbase");
  ASSERT_TRUE(DBase);
  TXMLNodeList Items = DBase.ChildNodes();
  ASSERT_EQ(Items.Count(), 2);
  const std::vector<std::string> Order = {"path", "region", "version", "code", "date", "publisher", "year", "district"};
  const std::vector<std::vector<std::string>> Expected = {
      {InSandbox(DataRel + "a.kvd8"), "Москва", "70000", "112034", "15.03.2021", "Территориальный", "2001",
       "Центральный"},
      {InSandbox(DataRel + "b.KVD8"), "Тверь", "4000000000", "445034", "31.12.2019 10:30:05", "Федеральный",
       "1984", "Северо-Западный"},
  };
  for (int I = 0; I < Items.Count(); ++I) {
    TXMLElement Item = Items.Item(I).AsElement();
    EXPECT_EQ(Item.NodeName(), "item");
    EXPECT_EQ(Item.AttributeNames(), Order);
    for (std::size_t A = 0; A < Order.size(); ++A)
      EXPECT_EQ(Item.GetAttribute(Order[A]).value_or("(missing)"), Expected[I][A]) << I << " " << Order[A];
  }
}

TEST_F(TReportTest, XmlWithoutBasesHasAnEmptyDBaseElement) {
  TXMLElement Root = NewReportRoot();
  Info.GetModulesState(Root);  // no folder at all
  Sandbox.Scratch().Write(DataRel + "sub/c.kvd8", "only in a sub-folder");
  Info.GetModulesState(Root);
  EXPECT_EQ(Root.XML(), "<report><dbase/><dbase/></report>");
}

TEST_F(TReportTest, XmlTextsOfOddDescriptorValues) {
  struct TCase {
    TNBPublisher Publisher;
    TNBYear Year;
    TDateTime Date;
    const char* ExpectedPublisher;
    const char* ExpectedYear;
    const char* ExpectedDate;
  };
  const TCase Cases[] = {
      {nbpUnknown, spl1991, EncodeDate(2000, 1, 2), "Неизвестен", "unknown", "02.01.2000"},
      {nbpTrade, splNone, EncodeDate(2000, 1, 2), "Отраслевой", "unknown", "02.01.2000"},
      {nbpIndividual, spl2001, 1e12, "Индивидуальный", "2001", ""},
      {static_cast<TNBPublisher>(9), spl1984, -1e9, "Неизвестен", "1984", ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.ExpectedPublisher);
    TNB_InfoStruct Base = SampleBaseInfo();
    Base.Publidher = C.Publisher;
    Base.Code.Year = C.Year;
    Base.CreationDate = C.Date;
    WriteBase("a.kvd8", Base);
    TXMLElement Root = NewReportRoot();
    Info.GetModulesState(Root);
    TXMLElement Item = Root.FindChildElement("dbase").FindChildElement("item");
    EXPECT_EQ(Item.GetAttribute("publisher"), C.ExpectedPublisher);
    EXPECT_EQ(Item.GetAttribute("year"), C.ExpectedYear);
    EXPECT_EQ(Item.GetAttribute("date"), C.ExpectedDate);
  }
}

// Texts from a damaged or hostile descriptor must not break the document the report goes into.
TEST_F(TReportTest, XmlStaysWellFormedWithControlCharactersInDescriptorTexts) {
  TNB_InfoStruct Base = SampleBaseInfo();
  Base.RegionName = "Мос\x01ква";
  Base.DistrictName = "Цент\x1Fральный";
  WriteBase("a.kvd8", Base);
  TXMLElement Root = NewReportRoot();
  Info.GetModulesState(Root);

  TXMLDocument Reloaded = TXMLDocument::Create();
  ASSERT_NO_THROW(Reloaded.LoadFromBytes(Root.OwnerDocument().SaveToBytes()));
  TXMLElement Item = Reloaded.DocumentElement().FindChildElement("dbase").FindChildElement("item");
  EXPECT_EQ(Item.GetAttribute("region"), "Москва");
  EXPECT_EQ(Item.GetAttribute("district"), "Центральный");
}

TEST_F(TReportTest, XmlUnreadableBaseRaisesAndAddsNothing) {
  WriteBase("a.kvd8");
  Sandbox.Scratch().Write(DataRel + "b.kvd8", "SDB\x09 not a container");
  TXMLElement Root = NewReportRoot();
  EXPECT_THROW(Info.GetModulesState(Root), EKvSimpleDBase64);
  EXPECT_EQ(Root.XML(), "<report/>");
}

// ---- bases as text --------------------------------------------------------------------------------

TEST_F(TReportTest, TextListsBasesOfTheFolderThenOfItsSubFolders) {
  const std::string Deep = WriteBase("Z/deep/d.kvd8");
  const std::string Sub = WriteBase("A/c.kvd8");
  const std::string Second = WriteBase("b.kvd8", SampleBaseInfo(45));
  const std::string First = WriteBase("a.kvd8");
  WriteBase("old.kvd5");
  std::string Text = "before\r\n";
  Info.GetModulesState(Text);
  EXPECT_EQ(Text, "before\r\n    Список доступных баз:\r\n" + DescribeBase(First) + "\r\n" + DescribeBase(Second) +
                      "\r\n" + DescribeBase(Sub) + "\r\n" + DescribeBase(Deep));
}

TEST_F(TReportTest, TextWithoutBasesSaysSo) {
  const std::string Expected = "    Список доступных баз:\r\n      - Отсутствуют";
  std::string Text;
  Info.GetModulesState(Text);  // no folder at all
  EXPECT_EQ(Text, Expected);
  Sandbox.Scratch().Write(DataRel + "old.kvd5", "another edition's base");
  Text.clear();
  Info.GetModulesState(Text);
  EXPECT_EQ(Text, Expected);
}

TEST_F(TReportTest, TextUnreadableBaseRaises) {
  WriteBase("a.kvd8");
  Sandbox.Scratch().Write(DataRel + "sub/b.kvd8", "");
  std::string Text;
  EXPECT_THROW(Info.GetModulesState(Text), Exception);
}

// The operations belong to the editions' root; each edition lists its own folder and extension.
TEST_F(TReportTest, VersionSixListsItsOwnBases) {
  const std::string Rel = "CommonAppData/Orvant/Korvel 6/Client/Data/";
  ASSERT_EQ(TVeska6Information::Instance().DBaseFolder(), InSandbox(Rel));
  const std::string Path = WriteBaseFile(Sandbox.Scratch(), Rel + "old.kvd5", SampleBaseInfo());
  WriteBaseFile(Sandbox.Scratch(), Rel + "new.kvd8", SampleBaseInfo());
  std::string Text;
  TVeska6Information::Instance().GetModulesState(Text);
  EXPECT_EQ(Text, "    Список доступных баз:\r\n" + DescribeBase(Path));
}

}  // namespace
}  // namespace Quellit
