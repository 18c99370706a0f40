// The read-only WebDAV storage against the real Apache WebDAV server on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "Lib/Common/Common.Net.WebDAV.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "Platform/File.h"
#include "Platform/Path.h"
#include "StorageDavServer.h"
#include "Support/OpenerRecorder.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

using TStorage = TWebDAVReadOnlyVeskaStorage;

// A listed entry's name in UTF-8, whatever the platform's narrow encoding is.
std::string NameOf(const std::filesystem::directory_entry& AItem) {
  const std::u8string Name = AItem.path().filename().u8string();
  return std::string(Name.begin(), Name.end());
}

const Testing::TDavTree& Tree() {
  static const Testing::TDavTree Instance = [] {
    Testing::TDavTree Result("storage");
    Result.Folder("Папка с пробелом");
    Result.File("Папка с пробелом/вложенный файл.txt", "inner");
    Result.Folder("Коллекция");
    Result.Kind("Коллекция/", "1");  // a collection stays a folder whatever it declares
    Result.Document("Смета объекта.kvs", "0", "smeta body");
    Result.Document("индексы.kvs", "4", "indexes");
    Result.Document("сводка.kvs", "11", "summary");
    Result.Document("чужой вид.kvs", "12", "not a kind");
    Result.File("readme.txt", "hello");
    return Result;
  }();
  return Instance;
}

class WebDAVStorageOnServer : public Testing::TDavTest {
 protected:
  void SetUp() override {
    Testing::TDavTest::SetUp();
    Tree();
  }
  TStorage& Open(const std::string& AAddress) {
    FStorage.reset();
    FConnection->SetAddress(AAddress);
    FStorage.reset(Create<TStorage>(*FConnection));
    return *FStorage;
  }
  // "kind name" for each child, in the storage's order.
  static std::vector<std::string> Describe(const TVeskaStorageEntries& AEntries) {
    std::vector<std::string> Result;
    for (const TIntf<IVeskaStorageEntry>& Entry : AEntries) {
      std::string Kind = QueryIntf<IVeskaStorageFolder>(Entry) ? "folder" : "file";
      if (auto Doc = QueryIntf<IVeskaStorageDocument>(Entry)) Kind = DocTypeToStr(Doc->GetProperties().DocType);
      Result.push_back(Kind + " " + Entry->GetDescription());
    }
    return Result;
  }
  TIntf<IVeskaStorageEntry> Child(const std::string& AName) {
    for (const TIntf<IVeskaStorageEntry>& Entry : FStorage->LoadChildItems())
      if (Entry->GetDescription() == AName) return Entry;
    return nullptr;
  }

  std::unique_ptr<TWebDAVConnection, TFreeDeleter> FConnection{Create<TWebDAVConnection>()};
  std::unique_ptr<TStorage, TFreeDeleter> FStorage;
};

TEST_F(WebDAVStorageOnServer, ListsExactlyWhatTheServerHoldsInItsOrder) {
  const std::vector<std::string> Expected = {"file readme.txt",          "file чужой вид.kvs",
                                             "folder Коллекция",          "folder Папка с пробелом",
                                             "sdtDocSummary сводка.kvs",  "sdtIndexes индексы.kvs",
                                             "sdtVeska Смета объекта.kvs"};
  // The server names the folder itself with a trailing "/" either way.
  for (const std::string& Address : {Tree().Url(), Tree().Url() + "/"}) {
    std::vector<std::string> Listed = Describe(Open(Address).LoadChildItems());
    std::vector<std::string> Sorted = Listed;
    std::sort(Sorted.begin(), Sorted.end());
    EXPECT_EQ(Sorted, Expected) << Address;
    // The server's order: its own listing without the folder itself.
    std::vector<std::string> ServerOrder;
    TSharedPtr<TPropFind> Answer = ExecutePropFind(Tree().Url() + "/");
    for (const auto& Entry : Answer->Entries())
      if (Entry->EntryName() != "storage") ServerOrder.push_back(Entry->EntryName());
    ASSERT_EQ(ServerOrder.size(), Listed.size());
    for (std::size_t I = 0; I < Listed.size(); ++I) EXPECT_NE(Listed[I].find(ServerOrder[I]), std::string::npos);
  }
}

TEST_F(WebDAVStorageOnServer, AFolderAddressedInOtherLetterCaseListsItsChildrenNotItself) {
  // Our escapes are upper case, the server's hrefs lower case.
  const std::string Address = Tree().Url("Папка с пробелом");
  ASSERT_NE(Address.find("%D0"), std::string::npos);
  TVeskaStorageEntries Children = Open(Address).LoadChildItems();
  EXPECT_EQ(Describe(Children), std::vector<std::string>{"file вложенный файл.txt"});
  TMemoryStream Data;
  QueryIntf<IVeskaStorageExternalDocument>(Children[0])->ReadData(Data);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Data.Memory()), Data.Size()), "inner");
}

TEST_F(WebDAVStorageOnServer, SubfoldersListTheirOwnChildren) {
  TIntf<IVeskaStorageFolder> Sub = QueryIntf<IVeskaStorageFolder>((Open(Tree().Url()), Child("Папка с пробелом")));
  ASSERT_TRUE(Sub);
  EXPECT_EQ(Describe(Sub->LoadChildItems()), std::vector<std::string>{"file вложенный файл.txt"});
}

TEST_F(WebDAVStorageOnServer, OpeningReadsTheBodyAndAMissingDocumentIsNotFound) {
  Tree().Document("пропадёт.kvs", "2", "soon gone");
  Open(Tree().Url());
  TIntf<IVeskaStorageDocument> Doc = QueryIntf<IVeskaStorageDocument>(Child("пропадёт.kvs"));
  ASSERT_TRUE(Doc);
  TMemoryStream Body;
  TIntf<IVeskaStorageOpenedDocument> Opened = Doc->OpenAndLockData(Body);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Body.Memory()), Body.Size()), "soon gone");
  EXPECT_TRUE(Opened->ReadOnly());
  EXPECT_EQ(Opened->GetDocument(), Doc);
  EXPECT_EQ(Opened->ReadOnlyOpenPromt(), "");

  Tree().Remove("пропадёт.kvs");
  TMemoryStream Again;
  try {
    Doc->OpenAndLockData(Again);
    FAIL() << "opened a missing document";
  } catch (const EVeskaStorageError& E) {
    EXPECT_EQ(E.Message(), "Элемент \"пропадёт.kvs\" не найден");
    auto* Inner = dynamic_cast<const EHttpStatusException*>(E.InnerException());
    ASSERT_NE(Inner, nullptr);
    EXPECT_EQ(Inner->StatusCode, 404);
  }
  try {
    Doc->ReadData(Again);
    FAIL() << "read a missing document";
  } catch (const EHttpStatusException& E) {
    EXPECT_EQ(E.StatusCode, 404);
  }
}

TEST_F(WebDAVStorageOnServer, ListingFailuresNameTheFolder) {
  struct TCase {
    std::string Address;
    std::string Shown;
  } Cases[] = {
      {Tree().Url("нет такой"), Tree().Url() + "/нет такой"},
      {"http://127.0.0.1:1/dav/x/", "http://127.0.0.1:1/dav/x/"},
  };
  for (const TCase& C : Cases) {
    try {
      Open(C.Address).LoadChildItems();
      ADD_FAILURE() << "listed " << C.Address;
    } catch (const Exception& E) {
      EXPECT_TRUE(dynamic_cast<const EHttpStatusException*>(&E) || dynamic_cast<const EWinInetException*>(&E))
          << E.ClassName();
      const std::string Prefix = "Ошибка получении дочерних элементов по ссылке\r\n" + UrlDecode(C.Shown) +
                                 "\r\nТекст ошибки: ";
      EXPECT_EQ(E.Message().substr(0, Prefix.size()), Prefix) << E.Message();
      EXPECT_GT(E.Message().size(), Prefix.size());
    }
  }
}

TEST_F(WebDAVStorageOnServer, EditTwiceReplacesTheReadOnlyCopyAndOpensIt) {
#if defined(_WIN32)
  GTEST_SKIP() << "the opener recorder is a shell script, and the copy's folder is found through TMPDIR";
#endif
  Testing::TScratchFolder Temp;
  Testing::TScopedEnvironment Environment;
  Environment.Set("TMPDIR", Temp.Path());
  Testing::TOpenerRecorder Opener;
  Tree().File("правка.txt", "first");
  Open(Tree().Url());
  TIntf<IVeskaStorageExternalDocument> File = QueryIntf<IVeskaStorageExternalDocument>(Child("правка.txt"));
  ASSERT_TRUE(File);
  const std::string Copy = dynamic_cast<TStorage::TExternalDocument&>(*File).EditFileName();
  ASSERT_EQ(Platform::ExtractFileName(Copy), "правка.txt");
  File->Edit();
  EXPECT_EQ(Testing::TScratchFolder::Read(Copy), "first");
  ASSERT_TRUE(Platform::GetFileInfo(Copy));
  EXPECT_TRUE(Platform::GetFileInfo(Copy)->IsReadOnly);
  EXPECT_EQ(Opener.WaitForOpened(1), Copy + "\n");

  Tree().File("правка.txt", "second");
  File->Edit();
  EXPECT_EQ(Testing::TScratchFolder::Read(Copy), "second");
  ASSERT_TRUE(Platform::GetFileInfo(Copy));
  EXPECT_TRUE(Platform::GetFileInfo(Copy)->IsReadOnly);
  EXPECT_EQ(Opener.WaitForOpened(2), Copy + "\n" + Copy + "\n");
  // Nothing but the copy is left in the private folder.
  std::set<std::string> Names;
  for (const auto& Item : std::filesystem::directory_iterator(Platform::ExtractFilePath(Copy)))
    Names.insert(NameOf(Item));
  EXPECT_EQ(Names, std::set<std::string>{"правка.txt"});
}

// Another local user plants, in the shared temporary folder, a link under the name the copy would
// have there, pointing at a read-only file of the victim: neither the link nor its target is used.
TEST_F(WebDAVStorageOnServer, ALinkPlantedInTheTemporaryFolderIsNeverFollowed) {
#if defined(_WIN32)
  GTEST_SKIP() << "the opener recorder is a shell script, and the copy's folder is found through TMPDIR";
#endif
  Testing::TScratchFolder Temp;
  Testing::TScopedEnvironment Environment;
  Environment.Set("TMPDIR", Temp.Path());
  Testing::TOpenerRecorder Opener;
  const std::string Victim = Temp.Write("victim/settings.ini", "victim's own");
  std::filesystem::permissions(Victim, std::filesystem::perms::owner_read);
  std::filesystem::create_symlink(Victim, Temp / "подмена.txt");
  Tree().File("подмена.txt", "server bytes");
  Open(Tree().Url());
  TIntf<IVeskaStorageExternalDocument> File = QueryIntf<IVeskaStorageExternalDocument>(Child("подмена.txt"));
  ASSERT_TRUE(File);
  File->Edit();
  const std::string Copy = dynamic_cast<TStorage::TExternalDocument&>(*File).EditFileName();
  EXPECT_NE(Copy, Temp / "подмена.txt");
  EXPECT_EQ(Testing::TScratchFolder::Read(Copy), "server bytes");
  EXPECT_EQ(Testing::TScratchFolder::Read(Victim), "victim's own");
  EXPECT_EQ(std::filesystem::status(Victim).permissions(), std::filesystem::perms::owner_read);
  EXPECT_TRUE(std::filesystem::is_symlink(Temp / "подмена.txt"));
  EXPECT_EQ(Opener.WaitForOpened(1), Copy + "\n");
}

TEST_F(WebDAVStorageOnServer, EditKeepsAHostileServerNameInsideTheTemporaryFolder) {
#if defined(_WIN32)
  GTEST_SKIP() << "the opener recorder is a shell script, and the copy's folder is found through TMPDIR";
#endif
  Testing::TScratchFolder Temp;
  Testing::TScopedEnvironment Environment;
  Environment.Set("TMPDIR", Temp.Path() + "/tmp");
  std::filesystem::create_directory(Temp / "tmp");
  Testing::TOpenerRecorder Opener;
  Tree().File("..\\..\\escape.txt", "payload");
  Open(Tree().Url());
  TIntf<IVeskaStorageExternalDocument> File = QueryIntf<IVeskaStorageExternalDocument>(Child("..\\..\\escape.txt"));
  ASSERT_TRUE(File);
  File->Edit();
  const std::string Copy = dynamic_cast<TStorage::TExternalDocument&>(*File).EditFileName();
  EXPECT_EQ(Platform::ExtractFileName(Copy), "_.._escape.txt");
  EXPECT_EQ(Testing::TScratchFolder::Read(Copy), "payload");
  EXPECT_EQ(Opener.WaitForOpened(1), Copy + "\n");
  // Nothing beside or above the temporary folder; the copy is in a private folder right in it.
  std::set<std::string> Names;
  for (const auto& Item : std::filesystem::directory_iterator(Temp.Path())) Names.insert(NameOf(Item));
  EXPECT_EQ(Names, std::set<std::string>{"tmp"});
  EXPECT_EQ(Platform::ExtractFilePath(Platform::ExcludeTrailingPathDelimiter(Platform::ExtractFilePath(Copy))),
            Temp / "tmp/");
}

}  // namespace
}  // namespace Quellit
