#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

#include <gtest/gtest.h>

#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"

namespace Quellit {
namespace {

using TSiteConnection = TKorvelRuVeskaStorage::TConnection;

TEST(WebDAVConnection, ClassFacts) {
  EXPECT_EQ(TWebDAVConnection::ClassID(), "KV.WebDAV.ReadOnly");
  EXPECT_EQ(TSiteConnection::ClassID(), "KV.Korvel.Ru.VeskaDocs");
  for (const TConnectionClass* Class : {&ClassOf<TWebDAVConnection>(), &ClassOf<TSiteConnection>()}) {
    EXPECT_EQ(Class->SupportedKinds(), TStorageKinds({Veska})) << Class->ClassID();
    EXPECT_TRUE(Class->SupportsVeska());
    EXPECT_FALSE(Class->SupportsNormBases());
    EXPECT_FALSE(Class->IsInternal());
    EXPECT_FALSE(Class->DisplayName().empty());
  }
  EXPECT_EQ(ClassOf<TSiteConnection>().DisplayName(), KorvelSiteHost);
}

TEST(WebDAVConnection, ConnectOnlyMarksTheConnection) {
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Connection(Create<TWebDAVConnection>());
  Connection->SetAddress("https://unreachable.invalid:1/dav/");
  for (const char* Login : {"", "user"}) {
    Connection->Connect(Login, "");
    EXPECT_TRUE(Connection->Connected());
    Connection->Disconnect();
    EXPECT_FALSE(Connection->Connected());
  }
  EXPECT_EQ(Connection->Address(), "https://unreachable.invalid:1/dav/");
}

TEST(WebDAVConnection, AddConnectionToPoolAddsTheSiteEveryTimeItIsAsked) {
  TConnectionsPool Pool;
  TSiteConnection* Added = TKorvelRuVeskaStorage::AddConnectionToPool(Pool);
  ASSERT_EQ(Pool.Count(), 1);
  EXPECT_EQ(Pool.Connections()[0], Added);
  EXPECT_EQ(Added->ConnectionClass().ClassID(), "KV.Korvel.Ru.VeskaDocs");
  EXPECT_EQ(Added->Caption(), KorvelSiteHost);
  EXPECT_EQ(Added->Address(), "");
  EXPECT_EQ(Added->Usages(), TStorageKinds({Veska}));
  EXPECT_EQ(Pool.FindConnection(TSiteConnection::ClassID()), Added);
  // Plain WebDAV connections are not the site.
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Plain(Create<TWebDAVConnection>());
  TConnectionsPool Other;
  Other.AddConnection(Plain.release());
  EXPECT_EQ(Other.FindConnection(TSiteConnection::ClassID()), nullptr);
  // Only the caller's look-up keeps the site from being added twice.
  TKorvelRuVeskaStorage::AddConnectionToPool(Pool);
  EXPECT_EQ(Pool.Count(), 2);
}

}  // namespace
}  // namespace Quellit
