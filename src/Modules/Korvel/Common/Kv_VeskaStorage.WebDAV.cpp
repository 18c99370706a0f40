#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"

namespace Quellit {

const TClassInfo& TWebDAVConnection::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TWebDAVConnection>(&TServerConnection::StaticClassInfo(), Attributes(TDisplayName("Сервер WebDAV")))
          .Build();
  return Info;
}
QUELLIT_REGISTER_CLASS(TWebDAVConnection);

// A display name of its own: the pool names a loaded site connection without a caption by it.
const TClassInfo& TKorvelRuVeskaStorage::TConnection::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TConnection>(&TWebDAVConnection::StaticClassInfo(), Attributes(TDisplayName(KorvelSiteHost)))
          .Build();
  return Info;
}
QUELLIT_REGISTER_CLASS(TKorvelRuVeskaStorage::TConnection);

TKorvelRuVeskaStorage::TConnection* TKorvelRuVeskaStorage::AddConnectionToPool(TConnectionsPool& APool) {
  std::unique_ptr<TConnection, TFreeDeleter> Result(Create<TConnection>());
  Result->SetCaption(KorvelSiteHost);
  APool.AddConnection(Result.get());
  return Result.release();
}

void RegisterKorvelRuConnection() {
  TConnectionsFactory::RegisterConnectionClass(ClassOf<TKorvelRuVeskaStorage::TConnection>());
}

}  // namespace Quellit
