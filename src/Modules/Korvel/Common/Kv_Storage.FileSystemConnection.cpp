#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"

#include "Platform/Folder.h"
#include "Platform/SystemError.h"

namespace Quellit {

void TCustomFileSystemConnection::Connect(const std::string&, const std::string&) {
  // No folder at all is "not found": creating "" would quietly mean the current folder.
  if (Address().empty()) Platform::RaiseFileNotFound(Address());
  Platform::ForceDirectories(Address());
  FConnected = true;
}

const TClassInfo& TCustomFileSystemConnection::StaticClassInfo() {
  static const TClassInfo Info = TClassInfoBuilder<TCustomFileSystemConnection>(&TConnection::StaticClassInfo()).Build();
  return Info;
}
QUELLIT_REGISTER_CLASS(TCustomFileSystemConnection);

const TClassInfo& TFileSystemConnection::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TFileSystemConnection>(&TCustomFileSystemConnection::StaticClassInfo(),
                                               Attributes(TDisplayName("Папка")))
          .Property("Address", mvPublished, &TFileSystemConnection::FAddress, &TFileSystemConnection::FAddress,
                    Attributes(TDisplayName("Папка")))
          .Build();
  return Info;
}
QUELLIT_REGISTER_CLASS(TFileSystemConnection);

void RegisterFileSystemConnection() { TConnectionsFactory::RegisterConnectionClass(ClassOf<TFileSystemConnection>()); }

}  // namespace Quellit
