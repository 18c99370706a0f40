// Document storages over WebDAV and their connections: any WebDAV server ("KV.WebDAV.ReadOnly"),
// and the product's own public site ("KV.Korvel.Ru.VeskaDocs").
#pragma once

#include <string>

#include "Modules/Korvel/Common/Kv_Storage.Types.h"

namespace Quellit {

class TConnectionsPool;

// The host of the product's public site: the caption of its built-in connection, and the label
// the wizard shows for it.
inline constexpr const char* KorvelSiteHost = "korvel.ru";

// Connecting only marks the connection: each storage access opens its own network connection.
class TWebDAVConnection : public TServerConnection {
 public:
  static std::string ClassID() { return "KV.WebDAV.ReadOnly"; }
  static TStorageKinds SupportedKinds() { return {Veska}; }
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TWebDAVConnection>(); }

  bool Connected() const override { return FConnected; }
  std::string Address() const override { return FAddress; }
  void SetAddress(const std::string& AValue) override { FAddress = AValue; }
  void Connect(const std::string&, const std::string&) override { FConnected = true; }
  void Disconnect() override { FConnected = false; }

  static const TClassInfo& StaticClassInfo();

 private:
  std::string FAddress;
  bool FConnected = false;
};

class TKorvelRuVeskaStorage : public TObject {
 public:
  // A class of its own, so a pool tells the site apart from user-made WebDAV connections.
  class TConnection : public TWebDAVConnection {
   public:
    static std::string ClassID() { return "KV.Korvel.Ru.VeskaDocs"; }
    const TConnectionClass& ConnectionClass() const override { return ClassOf<TConnection>(); }

    static const TClassInfo& StaticClassInfo();
  };

  // Adds a new site connection (caption KorvelSiteHost, empty address) to APool, which owns it.
  // It does not look for one already there: callers do, with APool.FindConnection(TConnection::ClassID()).
  static TConnection* AddConnectionToPool(TConnectionsPool& APool);
};

// The start-up registration of the site connection class.
void RegisterKorvelRuConnection();

}  // namespace Quellit
