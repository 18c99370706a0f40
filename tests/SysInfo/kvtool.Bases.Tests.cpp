// kvtool base, report and base-item run as a real program on bases in a product sandbox.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lib/Common/Common.XMLUtils.h"
#include "SysInfo/BaseFileBuilder.h"
#include "SysInfo/KvtoolRunner.h"
#include "SysInfo/SysInfo.Core.Veska8.h"
#include "SysInfo/SysInfo.Core.VeskaDBase.h"
#include "Support/RussianLocale.h"

namespace Quellit {
namespace {

using Testing::SampleBaseInfo;
using Testing::TKvtoolRun;

const std::string DataRel = "CommonAppData/Orvant/Korvel 8/Client/Data/";

// The program and the test describe bases in the same (Russian) locale, so their texts compare.
class KvtoolBasesTest : public Testing::TRussianLocaleTest {
 protected:
  TKvtoolRun Run(const std::vector<std::string>& AArguments, const std::string& AOutputPath = {}) {
    return Testing::RunKvtool(Sandbox, AArguments, {{"LC_ALL", "ru_RU.UTF-8"}}, AOutputPath);
  }
  std::string WriteBase(const std::string& ARelative, const std::string& APayload = "payload") {
    return Testing::WriteBaseFile(Sandbox.Scratch(), ARelative, SampleBaseInfo(), APayload);
  }

  Testing::TProductSandbox Sandbox;
};

TEST_F(KvtoolBasesTest, BaseDescribesEachFileInItsOwnBlock) {
  const std::string First = WriteBase("one.kvd8");
  const std::string Second = WriteBase("two.kvd5");
  TKvtoolRun Result = Run({"base", First, Second});
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  EXPECT_EQ(Result.Output, DescribeBase(First) + "\r\n\r\n" + DescribeBase(Second) + "\r\n");
  EXPECT_EQ(Result.Errors, "");
}

TEST_F(KvtoolBasesTest, BaseReportsAFileItCannotReadAndGoesOn) {
  const std::string Good = WriteBase("good.kvd8");
  const std::string Bad = Sandbox.Scratch().Write("bad.kvd8", "SDB");
  TKvtoolRun Result = Run({"base", Bad, Good, Sandbox.Scratch() / "missing.kvd8"});
  EXPECT_EQ(Result.ExitCode, 1);
  EXPECT_EQ(Result.Output, DescribeBase(Good) + "\r\n");
  EXPECT_NE(Result.Errors.find("kvtool: " + Bad + ": "), std::string::npos) << Result.Errors;
  EXPECT_NE(Result.Errors.find("missing.kvd8: "), std::string::npos) << Result.Errors;
}

TEST_F(KvtoolBasesTest, ReportIsTheAutosaveBlockThenTheBaseList) {
  Sandbox.Scratch().Write("AppData/Orvant/Korvel 8/Client/Autosave/doc.tmp", std::string(2048, 'x'));
  WriteBase(DataRel + "a.kvd8");
  WriteBase(DataRel + "regions/b.kvd8");
  std::string Expected;
  TVeska8Information32::Instance().GetAutoSaveFolderInfo(Expected);
  TVeska8Information32::Instance().GetModulesState(Expected);

  TKvtoolRun Result = Run({"report"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  EXPECT_EQ(Result.Output, Expected + "\r\n");
  EXPECT_NE(Result.Output.find("      - файлов: 1\r\n      - размер: 2 Кбайт\r\n    Список доступных баз:\r\n"),
            std::string::npos);
}

TEST_F(KvtoolBasesTest, ReportAsXmlIsTheDBaseElementAlone) {
  const std::string Path = WriteBase(DataRel + "a.kvd8");
  WriteBase(DataRel + "regions/b.kvd8");
  TKvtoolRun Result = Run({"report", "--xml"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  TXMLDocument Doc = TXMLDocument::Create();
  ASSERT_NO_THROW(Doc.LoadFromBytes(Result.Output)) << Result.Output;
  TXMLElement Root = Doc.DocumentElement();
  EXPECT_EQ(Root.NodeName(), "dbase");
  ASSERT_EQ(Root.ChildNodes().Count(), 1);
  EXPECT_EQ(Root.FindChildElement("item").GetAttribute("path"), Path);
  EXPECT_EQ(Root.FindChildElement("item").GetAttribute("region"), "Москва");
}

TEST_F(KvtoolBasesTest, BaseItemWritesTheItemsBytesExactly) {
  std::string Payload;
  for (int I = 0; I < 200000; ++I) Payload += static_cast<char>(I * 7 % 256);  // NULs, CR, LF, 0xFF
  const std::string Path = WriteBase("big.kvd8", Payload);
  TKvtoolRun Result = Run({"base-item", Path, "Data"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  EXPECT_TRUE(Result.Output == Payload) << Result.Output.size();

  Result = Run({"base-item", Path, "Info"});
  EXPECT_EQ(Result.Output, Testing::SaveBaseInfo(SampleBaseInfo()));
}

TEST_F(KvtoolBasesTest, MistakesAndFailures) {
  const std::string Path = WriteBase("one.kvd8");
  struct TCase {
    std::vector<std::string> Arguments;
    int ExitCode;
    const char* Expected;  // in the errors
  };
  const std::vector<TCase> Cases = {
      {{"base"}, 2, "base: no file given"},
      {{"base-item", Path}, 2, "base-item: a file and an item name are needed"},
      {{"base-item", Path, "Data", "extra"}, 2, "base-item: a file and an item name are needed"},
      {{"report", "--html"}, 2, "report: unexpected argument \"--html\""},
      {{"base-item", Path, "Nothing"}, 1, "Nothing"},
      {{"base-item", Sandbox.Scratch() / "missing.kvd8", "Data"}, 1, "missing.kvd8"},
  };
  for (const TCase& Case : Cases) {
    TKvtoolRun Result = Run(Case.Arguments);
    EXPECT_EQ(Result.ExitCode, Case.ExitCode) << testing::PrintToString(Case.Arguments);
    EXPECT_EQ(Result.Output, "") << testing::PrintToString(Case.Arguments);
    EXPECT_NE(Result.Errors.find(Case.Expected), std::string::npos)
        << testing::PrintToString(Case.Arguments) << "\n" << Result.Errors;
  }
}

// Output that could not be written is a failure, not a short success.
TEST_F(KvtoolBasesTest, AFullDiskIsAFailure) {
  const std::string Path = WriteBase(DataRel + "a.kvd8", std::string(100000, 'p'));
  const std::vector<std::vector<std::string>> Commands = {
      {"base", Path}, {"report"}, {"report", "--xml"}, {"base-item", Path, "Data"}};
  for (const std::string& Output : {std::string("/dev/full"), Testing::ClosedOutput})
    for (const auto& Arguments : Commands) {
      TKvtoolRun Result = Run(Arguments, Output);
      EXPECT_EQ(Result.ExitCode, 1) << testing::PrintToString(Arguments) << " " << Output;
      EXPECT_NE(Result.Errors.find("cannot write to standard output"), std::string::npos) << Result.Errors;
    }
}

}  // namespace
}  // namespace Quellit
