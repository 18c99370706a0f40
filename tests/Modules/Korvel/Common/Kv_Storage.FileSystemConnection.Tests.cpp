#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

class FileSystemConnection : public ::testing::Test {
 protected:
  Testing::TScratchFolder FFolder;
  std::unique_ptr<TFileSystemConnection, TFreeDeleter> FConnection{Create<TFileSystemConnection>()};
};

TEST_F(FileSystemConnection, ConnectCreatesTheFolderWithItsParentsAndDisconnectKeepsIt) {
  const std::string Folder = FFolder / "Сметы/Объект 1/";
  FConnection->SetAddress(Folder);
  FConnection->Connect("", "");
  EXPECT_TRUE(FConnection->Connected());
  EXPECT_TRUE(std::filesystem::is_directory(Testing::FileSystemPathOf(Folder)));
  FConnection->Disconnect();
  EXPECT_FALSE(FConnection->Connected());
  EXPECT_TRUE(std::filesystem::is_directory(Testing::FileSystemPathOf(Folder)));
  EXPECT_EQ(FConnection->Address(), Folder);  // kept as given
}

TEST_F(FileSystemConnection, ConnectToAnExistingFolderChangesNothing) {
  FFolder.Write("Базы/a.txt", "x");
  FConnection->SetAddress(FFolder / "Базы");
  FConnection->Connect("user", "secret");
  EXPECT_TRUE(FConnection->Connected());
  EXPECT_EQ(Testing::TScratchFolder::Read(FFolder / "Базы/a.txt"), "x");
}

TEST_F(FileSystemConnection, AFolderThatCannotBeCreatedFailsAndCanBeRetried) {
  FFolder.Write("file", "");
  for (const std::string& Address : {FFolder / "file/sub", std::string()}) {
    FConnection->SetAddress(Address);
    EXPECT_THROW(FConnection->Connect("", ""), EOSError) << Address;
    EXPECT_FALSE(FConnection->Connected());
  }
  FConnection->SetAddress(FFolder / "later");
  FConnection->Connect("", "");
  EXPECT_TRUE(FConnection->Connected());
}

TEST_F(FileSystemConnection, TheRecycleBinGoesWithDocuments) {
  FConnection->SetUsages({NormBase});
  EXPECT_FALSE(FConnection->CanUseRecycleBin());
  FConnection->SetUsages({Veska, NormBase});
  EXPECT_TRUE(FConnection->CanUseRecycleBin());
}

}  // namespace
}  // namespace Quellit
