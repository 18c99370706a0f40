// kvtool connections: the product's connections pool, one line per connection.
#include <iostream>

#include "Lib/Common/Common.RTTIPropList.h"
#include "Lib/Common/Common.StringUtils.h"
#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"
#include "tools/KvTool.Commands.h"

namespace Quellit::KvTool {
namespace {

// The member names joined by ",", as the options file stores them.
std::string UsagesText(const TStorageKinds& AUsages) {
  const TTypeInfo& Kinds = TypeInfoOf<TStorageKind>();
  TStringDynArray Names;
  for (std::size_t I = 0; I < Kinds.EnumNames.size(); ++I)
    if (AUsages.Contains(static_cast<TStorageKind>(I))) Names.push_back(Kinds.EnumNames[I]);
  return TStringUtils::Join(Names, ",");
}

}  // namespace

int RunConnections(const TArguments& AArguments) {
  if (AArguments.size() > 1) throw EUsageError("connections: at most one file");
  const std::string FileName = AArguments.empty() ? TConnectionsPool::OptionsFileName() : AArguments.front();
  TConnectionsPool Pool;
  Pool.LoadFromOptionsStorage(false, FileName);
  for (const TConnection* Connection : Pool.Connections())
    std::cout << Connection->ConnectionClass().ClassID() << '\t' << Connection->Caption() << '\t'
              << Connection->Address() << '\t' << UsagesText(Connection->Usages()) << '\n';
  return 0;
}

}  // namespace Quellit::KvTool
