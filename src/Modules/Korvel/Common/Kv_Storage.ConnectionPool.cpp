#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.OptionsStorage.Serializer.h"
#include "Modules/Korvel/Common/Kv_OptionsStorage.h"
#include "Platform/File.h"
#include "SysInfo/SysInfo.Core.VeskaCurrent.h"

namespace Quellit {

// ---- TNBRegionInfo -------------------------------------------------------------------------

void TNBRegionInfo::Assign(const TNBRegionInfo& ASource) {
  FName = ASource.FName;
  FShortCode = ASource.FShortCode;
  FZone2001Name = ASource.FZone2001Name;
  FZone1984Name = ASource.FZone1984Name;
}

const TClassInfo& TNBRegionInfo::StaticClassInfo() {
  static const TClassInfo Info = TClassInfoBuilder<TNBRegionInfo>(nullptr)
                                     .Property("Name", mvPublic, &TNBRegionInfo::FName, &TNBRegionInfo::FName)
                                     .Property("ShortCode", mvPublic, &TNBRegionInfo::FShortCode, &TNBRegionInfo::FShortCode)
                                     .Property("Zone2001Name", mvPublic, &TNBRegionInfo::FZone2001Name,
                                               &TNBRegionInfo::FZone2001Name)
                                     .Property("Zone1984Name", mvPublic, &TNBRegionInfo::FZone1984Name,
                                               &TNBRegionInfo::FZone1984Name)
                                     .Build();
  return Info;
}
QUELLIT_REGISTER_CLASS(TNBRegionInfo);

// ---- exceptions ----------------------------------------------------------------------------

TConnectionsPool::Exception TConnectionsPool::Exception::CannotDeleteInternalConnection(const TConnection& AConnection) {
  return Exception(Format("Источник данных \"%s\" является встроенным, его нельзя удалять",
                          AConnection.ConnectionClass().DisplayName()));
}

TConnectionsPool::Exception TConnectionsPool::Exception::CannotAddInternalConnection(
    const TConnectionClass& AConnectionClass) {
  return Exception(Format("Источник данных \"%s\" является встроенным, его нельзя добавить еше раз",
                          AConnectionClass.DisplayName()));
}

TConnectionsPool::Exception TConnectionsPool::Exception::ConnectionByClassNotFound(
    const TConnectionClass& AConnectionClass) {
  return Exception(Format("Источник данных  класса \"%s\" не найден", AConnectionClass.DisplayName()));
}

// ---- lifetime and the list -----------------------------------------------------------------

TConnectionsPool::TConnectionsPool() : FStoredRegionInfo(std::make_unique<TNBRegionInfo>()) {
  AddInternalConnections(FConnections);
}

TConnectionsPool::~TConnectionsPool() = default;

std::string TConnectionsPool::OptionsFileName() { return VeskaCurrent().ConnectionOptionsFilename(); }

std::vector<TConnection*> TConnectionsPool::Connections() const {
  std::vector<TConnection*> Result;
  for (const TOwnedConnection& Connection : FConnections) Result.push_back(Connection.get());
  return Result;
}

void TConnectionsPool::Clear() {
  FConnections.clear();
  FUnknownConnections.clear();
  AddInternalConnections(FConnections);
}

void TConnectionsPool::AddInternalConnections(TConnectionList& AList) {
  for (const TConnectionClass* Class : TConnectionsFactory::ConnectionClasses()) {
    if (!Class->IsInternal()) continue;
    TOwnedConnection Connection(Class->CreateInstance());
    Connection->SetUsages(Class->SupportedKinds());
    AList.push_back(std::move(Connection));
    EnsureCaption(AList, *AList.back());
  }
}

void TConnectionsPool::EnsureCaption(const TConnectionList& AList, TConnection& AConnection) {
  if (!AConnection.Caption().empty()) return;
  const TConnectionClass& Class = AConnection.ConnectionClass();
  if (Class.IsInternal()) {
    AConnection.SetCaption(Class.DisplayName());
    return;
  }
  // Subclasses do not count: their captions carry their own display names.
  auto SameClass = [&](const TOwnedConnection& C) { return C.get() != &AConnection && &C->ConnectionClass() == &Class; };
  const auto Number = 1 + std::count_if(AList.begin(), AList.end(), SameClass);
  AConnection.SetCaption(Format("%s %d", Class.DisplayName(), Number));
}

void TConnectionsPool::AddConnection(TConnection* AConnection) {
  Assert(AConnection != nullptr, "AddConnection without a connection", "Modules/Korvel/Common/Kv_Storage.ConnectionPool");
  const TConnectionClass& Class = AConnection->ConnectionClass();
  if (Class.IsInternal()) throw Exception::CannotAddInternalConnection(Class);
  EnsureCaption(FConnections, *AConnection);
  FConnections.emplace_back(AConnection);
}

void TConnectionsPool::DeleteConnection(TConnection* AConnection) {
  if (!AConnection) return;
  if (AConnection->ConnectionClass().IsInternal()) throw Exception::CannotDeleteInternalConnection(*AConnection);
  auto Found = std::find_if(FConnections.begin(), FConnections.end(),
                            [&](const TOwnedConnection& C) { return C.get() == AConnection; });
  if (Found == FConnections.end()) return;
  // Unknown connections that followed it now follow the stored connection before it, behind those
  // that already did, just as the file holds them.
  const TConnection* Before = nullptr;
  for (auto It = FConnections.begin(); It != Found; ++It)
    if (!(*It)->ConnectionClass().IsInternal()) Before = It->get();
  auto Moved = std::stable_partition(FUnknownConnections.begin(), FUnknownConnections.end(),
                                     [&](const TUnknownConnection& U) { return U.After != AConnection; });
  for (auto It = Moved; It != FUnknownConnections.end(); ++It) It->After = Before;
  FConnections.erase(Found);
}

void TConnectionsPool::ConnectionExchange(int AIndex1, int AIndex2) {
  auto Valid = [&](int AIndex) { return AIndex >= 0 && AIndex < Count(); };
  if (!Valid(AIndex1) || !Valid(AIndex2))
    throw Exception(Format("Нельзя поменять местами источники данных %d и %d: в списке их %d (номера с 0)",
                           AIndex1, AIndex2, Count()));
  std::swap(FConnections[static_cast<std::size_t>(AIndex1)], FConnections[static_cast<std::size_t>(AIndex2)]);
}

// ---- lookups -------------------------------------------------------------------------------

TConnection* TConnectionsPool::FindConnection(const std::string& AClassID, const std::string& AAddress) const {
  for (const TOwnedConnection& Connection : FConnections) {
    const TConnectionClass& Class = Connection->ConnectionClass();
    if (Class.ClassID() != AClassID) continue;
    // The address does not matter for built-in data sources.
    if (Class.IsInternal() || SameBaseAddress(Connection->Address(), AAddress)) return Connection.get();
  }
  return nullptr;
}

TConnection* TConnectionsPool::FindConnection(const TDocumentLocation& ADocLocation) const {
  return FindConnection(ADocLocation.ConnectionClassId, ADocLocation.BaseAddress);
}

TConnection* TConnectionsPool::FindConnection(const std::string& AClassID) const {
  for (const TOwnedConnection& Connection : FConnections)
    if (Connection->ConnectionClass().ClassID() == AClassID) return Connection.get();
  return nullptr;
}

std::string TConnectionsPool::GetLocationDisplayName(const TDocumentLocation& ALocation) const {
  if (const TConnection* Found = FindConnection(ALocation))
    return Format("%s: %s", Found->Caption(), ALocation.LocalPath);
  return Format("%s: %s", ALocation.ConnectionClassId, ALocation.FullPath());
}

// ---- the connections file ------------------------------------------------------------------

void TConnectionsPool::LoadFromOptionsStorage(bool AOnlyNBTEmplateLocation) {
  LoadFromOptionsStorage(AOnlyNBTEmplateLocation, OptionsFileName());
}

void TConnectionsPool::LoadFromOptionsStorage(bool AOnlyNBTEmplateLocation, const std::string& AFileName) {
  FOptionsFileExists = Platform::FileExists(AFileName);
  if (!FOptionsFileExists && !AOnlyNBTEmplateLocation) {
    Clear();
    return;
  }
  TIntf<IOptionsReader> Reader = TOptionsStorageFactory::CreateReader(AFileName);
  if (!AOnlyNBTEmplateLocation) {
    // Built aside and swapped in whole: a load that fails half-way leaves the pool as it was, so
    // a later save cannot drop the connections that had not been read yet.
    TConnectionList Loaded;
    TUnknownList Unknown;
    AddInternalConnections(Loaded);
    TIntf<IOptionsReader> Sections = Reader->OpenSubReader("Connections");
    // By place, not by name: two sections of one name are two connections.
    for (const TOptionsSubsection& Section : Sections->OpenSubsections()) LoadConnection(*Section.Reader, Loaded, Unknown);
    FConnections.swap(Loaded);
    FUnknownConnections.swap(Unknown);
  }
  LoadNBTemplateLocation(*Reader->OpenSubReader("NBTemplateLocation"));
  TOptionsSerializer::DeserializeObject(*Reader->OpenSubReader("RegionInfo"), *FStoredRegionInfo);
}

void TConnectionsPool::LoadNBTemplateLocation(IOptionsReader& AReader) {
  FNBTemplateLocation = TDocumentLocation::Make(AReader.ReadString("ConnectionClassId", ""),
                                                AReader.ReadString("BaseAddress", ""),
                                                AReader.ReadString("LocalPath", ""));
}

void TConnectionsPool::LoadConnection(IOptionsReader& AReader, TConnectionList& AList, TUnknownList& AUnknown) {
  const std::string ClassID = AReader.ReadString("ClassID", "");
  const TConnectionClass* Class = TConnectionsFactory::FindByClassID(ClassID, false);
  // The product (or a later version of this program) knows classes this one does not: the user's
  // connection is kept as stored, in its place, rather than lost at the next save.
  if (!Class && !ClassID.empty()) {
    const TConnection* After = AList.empty() || AList.back()->ConnectionClass().IsInternal() ? nullptr : AList.back().get();
    AUnknown.push_back({After, ReadRawSection("", AReader)});
  }
  if (!Class || Class->IsInternal()) return;
  TOwnedConnection Connection(Class->CreateInstance());
  TOptionsSerializer::DeserializeObject(AReader, *Connection);
  AList.push_back(std::move(Connection));
  EnsureCaption(AList, *AList.back());
}

void TConnectionsPool::SaveToOptionsStorage() const { SaveToOptionsStorage(OptionsFileName()); }

void TConnectionsPool::SaveToOptionsStorage(const std::string& AFileName) const {
  TIntf<IOptionsWriter> Writer = TOptionsStorageFactory::CreateWriter(AFileName, true);
  TIntf<IOptionsWriter> Sections = Writer->OpenSubWriter("Connections");
  int Number = 0;
  std::vector<bool> Written(FUnknownConnections.size(), false);
  auto WriteUnknownAfter = [&](const TConnection* AAfter) {
    for (std::size_t I = 0; I < FUnknownConnections.size(); ++I) {
      if (Written[I] || (AAfter && FUnknownConnections[I].After != AAfter)) continue;
      WriteRawSection(FUnknownConnections[I].Section, *Sections->OpenSubWriter(Format("Connection_%d", ++Number)));
      Written[I] = true;
    }
  };
  std::unordered_set<const TConnection*> Anchors;
  for (const TUnknownConnection& Unknown : FUnknownConnections)
    if (Unknown.After) Anchors.insert(Unknown.After);
  for (std::size_t I = 0; I < FUnknownConnections.size(); ++I)
    if (!FUnknownConnections[I].After) {
      WriteRawSection(FUnknownConnections[I].Section, *Sections->OpenSubWriter(Format("Connection_%d", ++Number)));
      Written[I] = true;
    }
  for (const TOwnedConnection& Connection : FConnections) {
    if (Connection->ConnectionClass().IsInternal()) continue;
    SaveConnection(*Connection, *Sections->OpenSubWriter(Format("Connection_%d", ++Number)));
    if (Anchors.count(Connection.get())) WriteUnknownAfter(Connection.get());
  }
  WriteUnknownAfter(nullptr);  // whatever lost its anchor still stays in the file
  TIntf<IOptionsWriter> Template = Writer->OpenSubWriter("NBTemplateLocation");
  Template->WriteString("ConnectionClassId", FNBTemplateLocation.ConnectionClassId, "");
  Template->WriteString("BaseAddress", FNBTemplateLocation.BaseAddress, "");
  Template->WriteString("LocalPath", FNBTemplateLocation.LocalPath, "");
  TOptionsSerializer::SerializeObject(*Writer->OpenSubWriter("RegionInfo"), *FStoredRegionInfo);
  Writer->Save();
}

TRawSection TConnectionsPool::ReadRawSection(const std::string& AName, IOptionsReader& AReader) {
  TRawSection Section;
  Section.Name = AName;
  for (const std::string& Name : AReader.ReadValueNames()) Section.Values.emplace_back(Name, AReader.ReadString(Name, ""));
  // Sections only: comments and text between them carry nothing the product reads.
  for (const TOptionsSubsection& Sub : AReader.OpenSubsections()) Section.Sections.push_back(ReadRawSection(Sub.Name, *Sub.Reader));
  return Section;
}

void TConnectionsPool::WriteRawSection(const TRawSection& ASection, IOptionsWriter& AWriter) {
  // Empty values are not stored (as for every value): they read the same as missing ones.
  for (const auto& [Name, Value] : ASection.Values) AWriter.WriteString(Name, Value, "");
  for (const TRawSection& Sub : ASection.Sections) WriteRawSection(Sub, *AWriter.AddSubWriter(Sub.Name));
}

void TConnectionsPool::SaveConnection(const TConnection& AConnection, IOptionsWriter& AWriter) {
  TOptionsSerializer::SerializeObject(AWriter, AConnection);
  AWriter.WriteString("ClassID", AConnection.ConnectionClass().ClassID(), "");
  AWriter.WriteString("Caption", AConnection.Caption(), "");
}

}  // namespace Quellit
