#include "Modules/Korvel/Common/Kv_OptionsStorage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Lib/Common/Common.XMLUtils.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

const char* const SettingsFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Settings Version=\"3\"><Connections><Connection_1 ClassID=\"KV.Files\"/></Connections>"
    "<Window Left=\"10\"/></Settings>\n";

class OptionsStorageFactory : public ::testing::Test {
 protected:
  Testing::TScratchFolder FFolder;
  std::string FFile = FFolder / "Connections.xml";
};

TEST_F(OptionsStorageFactory, AReaderOnAMissingFileSeesAnEmptyRoot) {
  TIntf<IOptionsReader> Reader = TOptionsStorageFactory::CreateReader(FFile);
  EXPECT_FALSE(Reader->IsEmptySection());
  EXPECT_TRUE(Reader->ReadSubkeyNames().empty());
  EXPECT_EQ(Reader->ReadString("Caption", "нет"), "нет");
  EXPECT_TRUE(Reader->OpenSubReader("Connections")->IsEmptySection());
}

TEST_F(OptionsStorageFactory, AReaderRefusesAFileThatIsNotXml) {
  FFolder.Write("Connections.xml", "<Options><Connections>");
  EXPECT_THROW(TOptionsStorageFactory::CreateReader(FFile), EInvalidXMLFile);
}

TEST_F(OptionsStorageFactory, AReaderSeesTheFileAsItWas) {
  FFolder.Write("Connections.xml", SettingsFile);
  TIntf<IOptionsReader> Reader = TOptionsStorageFactory::CreateReader(FFile);
  EXPECT_EQ(Reader->ReadInteger("Version", 0), 3);
  EXPECT_EQ(Reader->OpenSubReader("Connections\\Connection_1")->ReadString("ClassID", ""), "KV.Files");
}

TEST_F(OptionsStorageFactory, RewriteModeDropsEverySectionAndValueButKeepsRootAndDeclaration) {
  struct TCase {
    bool RewriteMode;
    bool KeepsContent;
  } Cases[] = {{true, false}, {false, true}};
  for (const TCase& C : Cases) {
    FFolder.Write("Connections.xml", SettingsFile);
    TIntf<IOptionsWriter> Writer = TOptionsStorageFactory::CreateWriter(FFile, C.RewriteMode);
    Writer->OpenSubWriter("Window")->WriteInteger("Top", 20, 0);
    Writer->Save();

    std::string Text = Testing::TScratchFolder::Read(FFile);
    EXPECT_EQ(Text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << Text;
    TIntf<IOptionsReader> Reader = TOptionsStorageFactory::CreateReader(FFile);
    EXPECT_EQ(Reader->ValueExists("Version"), C.KeepsContent) << Text;
    EXPECT_EQ(Reader->OpenSubReader("Connections")->IsEmptySection(), !C.KeepsContent) << Text;
    EXPECT_EQ(Reader->OpenSubReader("Window")->ReadInteger("Left", 0), C.KeepsContent ? 10 : 0) << Text;
    EXPECT_EQ(Reader->OpenSubReader("Window")->ReadInteger("Top", 0), 20) << Text;
    EXPECT_NE(Text.find("<Settings"), std::string::npos) << Text;
  }
}

TEST_F(OptionsStorageFactory, RewriteModeFollowedBySaveLeavesAnEmptyRoot) {
  FFolder.Write("Connections.xml", SettingsFile);
  TOptionsStorageFactory::CreateWriter(FFile, true)->Save();
  EXPECT_EQ(Testing::TScratchFolder::Read(FFile), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Settings/>\r\n");
}

TEST_F(OptionsStorageFactory, NothingReachesTheDiskBeforeSave) {
  FFolder.Write("Connections.xml", SettingsFile);
  TOptionsStorageFactory::CreateWriter(FFile, true)->OpenSubWriter("Window")->WriteInteger("Top", 20, 0);
  EXPECT_EQ(Testing::TScratchFolder::Read(FFile), SettingsFile);
  TOptionsStorageFactory::CreateWriter(FFolder / "New.xml", false);
  EXPECT_FALSE(std::filesystem::exists(FFolder / "New.xml"));
}

}  // namespace
}  // namespace Quellit
