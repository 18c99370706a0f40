#include "Modules/Korvel/Common/Kv_Storage.Types.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Lib/Common/Common.SysUtils.h"
#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

namespace Quellit {
namespace {

using TOwned = std::unique_ptr<TConnection, TFreeDeleter>;

// Counts disconnects, so the free protocol can be seen; no display name of its own.
class TProbeConnection : public TFileSystemConnection {
 public:
  static std::string ClassID() { return "Test.Probe"; }
  static TStorageKinds SupportedKinds() { return {Veska}; }
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TProbeConnection>(); }
  void Disconnect() override {
    ++Disconnects;
    TFileSystemConnection::Disconnect();
  }
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo Info = TClassInfoBuilder<TProbeConnection>(&TFileSystemConnection::StaticClassInfo()).Build();
    return Info;
  }
  static inline int Disconnects = 0;
};

class TReplacementConnection : public TProbeConnection {
 public:
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TReplacementConnection>(); }
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo Info =
        TClassInfoBuilder<TReplacementConnection>(&TProbeConnection::StaticClassInfo(), Attributes(TDisplayName("Замена")))
            .Build();
    return Info;
  }
};

class ConnectionModel : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFileSystemConnection();
    RegisterKorvelRuConnection();
  }
};

TEST_F(ConnectionModel, ANewConnectionHasAFreshIdentifierAndIsUsedForDocuments) {
  TOwned A(Create<TFileSystemConnection>()), B(Create<TFileSystemConnection>());
  EXPECT_EQ(A->InstanceUID().size(), 32u);
  EXPECT_EQ(A->InstanceUID().find_first_not_of("0123456789ABCDEF"), std::string::npos) << A->InstanceUID();
  EXPECT_NE(A->InstanceUID(), B->InstanceUID());
  EXPECT_EQ(A->Usages(), TStorageKinds({Veska}));
  EXPECT_FALSE(A->UseRecycleBin());
  EXPECT_FALSE(A->Connected());
  EXPECT_TRUE(A->Caption().empty());
  EXPECT_EQ(A->ExceptionClass(), nullptr);
}

TEST_F(ConnectionModel, UsagesWithoutDocumentsTurnTheRecycleBinOff) {
  struct TCase {
    TStorageKinds Written;
    bool RecycleBinAfter;
  };
  for (const TCase& C : {TCase{{NormBase}, false}, TCase{{Veska, NormBase}, true}, TCase{{}, false}}) {
    TOwned Connection(Create<TFileSystemConnection>());
    Connection->SetUseRecycleBin(true);
    Connection->SetUsages(C.Written);
    EXPECT_EQ(Connection->UseRecycleBin(), C.RecycleBinAfter);
  }
}

TEST_F(ConnectionModel, UsagesReadBackWithinWhatTheClassSupports) {
  TOwned Web(Create<TWebDAVConnection>());
  Web->SetUsages({Veska, NormBase});
  EXPECT_EQ(Web->Usages(), TStorageKinds({Veska}));
  TOwned Folder(Create<TFileSystemConnection>());
  const TStorageKinds All = {Veska, NormBase, FormTemplate, DocTemplate};
  Folder->SetUsages(All);
  EXPECT_EQ(Folder->Usages(), All);
}

TEST_F(ConnectionModel, ClassLevelFacts) {
  const TConnectionClass& Folder = ClassOf<TFileSystemConnection>();
  EXPECT_EQ(Folder.ClassID(), "KV.Files");
  EXPECT_EQ(Folder.DisplayName(), "Папка");
  EXPECT_FALSE(Folder.IsInternal());
  EXPECT_FALSE(Folder.LoginDlgRequired());
  EXPECT_TRUE(Folder.SupportsVeska());
  EXPECT_TRUE(Folder.SupportsNormBases());
  // Every object answers with its own class, subclasses included.
  TOwned Site(Create<TKorvelRuVeskaStorage::TConnection>());
  EXPECT_EQ(Site->ConnectionClass().ClassID(), TKorvelRuVeskaStorage::TConnection::ClassID());
  EXPECT_EQ(Site->Location().ConnectionClassId, "KV.Korvel.Ru.VeskaDocs");
}

TEST_F(ConnectionModel, AbstractAndMissingClassFactsAreProgrammingErrors) {
  EXPECT_THROW(TConnection::ClassID(), EAbstractError);
  EXPECT_THROW(TConnection::SupportedKinds(), EAbstractError);
  // A display name is read from the class itself, never from its bases.
  EXPECT_THROW(ClassOf<TProbeConnection>().DisplayName(), EAssertionFailed);
}

TEST_F(ConnectionModel, FreeingAConnectionDisconnectsItFirst) {
  TProbeConnection::Disconnects = 0;
  Free(Create<TProbeConnection>());
  EXPECT_EQ(TProbeConnection::Disconnects, 1);
}

TEST_F(ConnectionModel, ClassesAreFoundByTheirExactIdentifier) {
  EXPECT_EQ(TConnectionsFactory::FindByClassID("KV.Files", false), &ClassOf<TFileSystemConnection>());
  EXPECT_EQ(TConnectionsFactory::FindByClassID("kv.files", false), nullptr);
  EXPECT_EQ(TConnectionsFactory::FindByClassID("KV.Korvel.Ru.VeskaDocs", false),
            &ClassOf<TKorvelRuVeskaStorage::TConnection>());
  // Plain WebDAV connections are registered only with a storage class.
  EXPECT_EQ(TConnectionsFactory::FindByClassID("KV.WebDAV.ReadOnly", false), nullptr);
  try {
    TConnectionsFactory::FindByClassID("kv.files", true);
    FAIL() << "no exception";
  } catch (const TConnectionsFactory::Exception& E) {
    EXPECT_EQ(E.Message(), "Класс источника данных с идентификатором \"kv.files\" не зарегистрирован");
  }
}

TEST_F(ConnectionModel, ASecondRegistrationUnderAnIdentifierReplacesTheFirst) {
  TConnectionsFactory::RegisterConnectionClass(ClassOf<TProbeConnection>());
  EXPECT_EQ(TConnectionsFactory::FindByClassID("Test.Probe", true), &ClassOf<TProbeConnection>());
  TConnectionsFactory::RegisterConnectionClass(ClassOf<TReplacementConnection>());
  EXPECT_EQ(TConnectionsFactory::FindByClassID("Test.Probe", true), &ClassOf<TReplacementConnection>());
  std::set<const TConnectionClass*> Classes;
  for (const TConnectionClass* Class : TConnectionsFactory::ConnectionClasses()) Classes.insert(Class);
  EXPECT_FALSE(Classes.contains(&ClassOf<TProbeConnection>()));
  EXPECT_TRUE(Classes.contains(&ClassOf<TReplacementConnection>()));
  EXPECT_TRUE(Classes.contains(&ClassOf<TFileSystemConnection>()));
}

// ---- document locations --------------------------------------------------------------------

TEST(TDocumentLocation, EqualityIgnoresCaseAndOneTrailingSeparator) {
  SetUserLocale("ru_RU");
  struct TCase {
    TDocumentLocation A, B;
    bool AsInternal, Equal;
  };
  const TCase Cases[] = {
      {{"KV.Files", "C:\\Сметы", "Объект\\Смета.kv"}, {"kv.files", "c:\\сМЕТЫ\\", "объект\\СМЕТА.KV"}, false, true},
      {{"KV.Files", "/home/u/Сметы/", "a"}, {"KV.Files", "/home/u/Сметы", "a"}, false, true},
      {{"KV.Files", "C:\\A\\", "a"}, {"KV.Files", "C:\\B\\", "a"}, false, false},
      {{"KV.Files", "C:\\A\\", "a"}, {"KV.Files", "C:\\B\\", "a"}, true, true},
      {{"KV.Files", "C:\\A\\", "a"}, {"KV.Files", "C:\\A\\", "b"}, true, false},
      {{"KV.Files", "C:\\A\\", "a"}, {"KV.Other", "C:\\A\\", "a"}, false, false},
  };
  for (const TCase& C : Cases) EXPECT_EQ(C.A.IsEqual(C.B, C.AsInternal), C.Equal) << C.A.ToString() << " / " << C.B.ToString();
  // Folder locations are not built in: the base address counts.
  EXPECT_FALSE(Cases[2].A == Cases[2].B);
  EXPECT_TRUE(Cases[0].A == Cases[0].B);
}

TEST(TDocumentLocation, EmptyWithoutAClassOrAPath) {
  EXPECT_FALSE(TDocumentLocation::Make("KV.Files", "", "a.kv").IsEmpty());
  EXPECT_TRUE(TDocumentLocation::Make("", "C:\\", "a.kv").IsEmpty());
  EXPECT_TRUE(TDocumentLocation::Make("KV.Files", "C:\\", "").IsEmpty());
}

TEST(TDocumentLocation, FullPathHasExactlyOneSeparatorAtTheJunction) {
  struct TCase {
    const char *Base, *Local, *Full;
  };
  for (const TCase& C : {TCase{"C:\\A\\", "b.kv", "C:\\A\\b.kv"}, TCase{"C:\\A", "b.kv", "C:\\A\\b.kv"},
                         TCase{"C:\\A\\", "\\b.kv", "C:\\A\\b.kv"}, TCase{"C:\\A", "\\b.kv", "C:\\A\\b.kv"},
                         TCase{"", "b.kv", "b.kv"}, TCase{"C:\\A", "", "C:\\A"}, TCase{"/srv/a/", "b.kv", "/srv/a/b.kv"}})
    EXPECT_EQ(TDocumentLocation::Make("KV.Files", C.Base, C.Local).FullPath(), C.Full) << C.Base << " + " << C.Local;
}

TEST(TDocumentLocation, TextFormQuotesItemsThatNeedItAndReadsBack) {
  struct TCase {
    TDocumentLocation Location;
    const char* Text;
  };
  const TCase Cases[] = {
      {{"KV.Files", "C:\\Сметы\\", "Объект 1\\Смета.kv"},
       "ConnectionClassId=KV.Files;BaseAddress=C:\\Сметы\\;\"LocalPath=Объект 1\\Смета.kv\""},
      {{"KV.Files", "", "a.kv"}, "ConnectionClassId=KV.Files;LocalPath=a.kv"},
      {{"KV.Files", "C:\\A;B\\", "say \"hi\".kv"},
       "ConnectionClassId=KV.Files;\"BaseAddress=C:\\A;B\\\";\"LocalPath=say \"\"hi\"\".kv\""},
      {{"", "", ""}, ""},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(C.Location.ToString(), C.Text);
    TDocumentLocation Back = TDocumentLocation::FromString(C.Text);
    EXPECT_EQ(Back.ConnectionClassId, C.Location.ConnectionClassId) << C.Text;
    EXPECT_EQ(Back.BaseAddress, C.Location.BaseAddress) << C.Text;
    EXPECT_EQ(Back.LocalPath, C.Location.LocalPath) << C.Text;
  }
  // Blanks outside quotes separate items too; unknown names are ignored.
  TDocumentLocation Loose = TDocumentLocation::FromString("Other=1 ConnectionClassId=X; LocalPath=y");
  EXPECT_EQ(Loose.ConnectionClassId, "X");
  EXPECT_EQ(Loose.LocalPath, "y");
  EXPECT_EQ(Loose.BaseAddress, "");
}

}  // namespace
}  // namespace Quellit
