#include "Modules/Korvel/Common/Kv_Storage.Types.h"

#include <map>
#include <memory>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/Guid.h"
#include "Platform/Path.h"

namespace Quellit {
namespace {

const char* const UnitName = "Modules/Korvel/Common/Kv_Storage.Types";

bool IsAddressSeparator(char C) { return C == '\\' || Platform::IsPathSeparator(C); }

// ---- the registry --------------------------------------------------------------------------

struct TRegistry {
  std::map<std::string, const TConnectionClass*> ConnectionRegistry;
  TStringList InternalClassIDs;

  TRegistry() {
    InternalClassIDs.SetSorted(true);
    InternalClassIDs.SetDuplicates(dupIgnore);
    InternalClassIDs.SetCaseSensitive(false);
  }
};

TRegistry& Registry() {
  static TRegistry Instance;
  return Instance;
}

// "{8F0C…-…}" without braces and hyphens.
std::string NewInstanceUID() {
  std::string Result;
  for (char C : Platform::NewGuid().ToString())
    if (C != '{' && C != '}' && C != '-') Result += C;
  return Result;
}

std::string DelimitedLocation(const TStrings& AItems) {
  // A single empty item would read back as a quoted empty text; a location has none.
  return AItems.Count() == 0 ? std::string() : AItems.DelimitedText();
}

}  // namespace

// ---- TConnectionClass ----------------------------------------------------------------------

std::string TConnectionClass::DisplayName() const {
  std::string Result = TDisplayName::GetValue(ClassInfo(), "");
  Assert(!Trim(Result).empty(), Format("Connection class %s has no display name", ClassInfo().Name()), UnitName);
  return Result;
}

bool TConnectionClass::LoginDlgRequired() const { return TLoginDlgRequiredAttribute::GetValue(ClassInfo(), false); }

// ---- TDocumentLocation ---------------------------------------------------------------------

TDocumentLocation TDocumentLocation::Make(const std::string& AConnectionClassId, const std::string& ABaseAddress,
                                          const std::string& ALocalPath) {
  return {AConnectionClassId, ABaseAddress, ALocalPath};
}

std::string TDocumentLocation::ToString() const {
  TStringList Items;
  Items.SetDelimiter(';');
  Items.SetQuoteChar('"');
  if (!ConnectionClassId.empty()) Items.AddNameValue("ConnectionClassId", ConnectionClassId);
  if (!BaseAddress.empty()) Items.AddNameValue("BaseAddress", BaseAddress);
  if (!LocalPath.empty()) Items.AddNameValue("LocalPath", LocalPath);
  return DelimitedLocation(Items);
}

TDocumentLocation TDocumentLocation::FromString(const std::string& S) {
  TStringList Items;
  Items.SetDelimiter(';');
  Items.SetQuoteChar('"');
  Items.SetDelimitedText(S);
  return Make(Items.Values("ConnectionClassId"), Items.Values("BaseAddress"), Items.Values("LocalPath"));
}

bool SameBaseAddress(const std::string& A, const std::string& B) {
  auto Key = [](const std::string& S) {
    return !S.empty() && IsAddressSeparator(S.back()) ? S.substr(0, S.size() - 1) : S;
  };
  return AnsiSameText(Key(A), Key(B));
}

bool TDocumentLocation::IsEqual(const TDocumentLocation& AOther, bool AAsInternal) const {
  return AnsiSameText(ConnectionClassId, AOther.ConnectionClassId) && AnsiSameText(LocalPath, AOther.LocalPath) &&
         (AAsInternal || SameBaseAddress(BaseAddress, AOther.BaseAddress));
}

bool operator==(const TDocumentLocation& A, const TDocumentLocation& B) {
  return A.IsEqual(B, TConnectionsFactory::IsInternalClassID(A.ConnectionClassId));
}

std::string TDocumentLocation::FullPath() const {
  if (BaseAddress.empty()) return LocalPath;
  if (LocalPath.empty()) return BaseAddress;
  if (IsAddressSeparator(BaseAddress.back()) && IsAddressSeparator(LocalPath.front()))
    return BaseAddress + LocalPath.substr(1);
  if (IsAddressSeparator(BaseAddress.back()) || IsAddressSeparator(LocalPath.front())) return BaseAddress + LocalPath;
  return BaseAddress + '\\' + LocalPath;
}

// ---- TConnection ---------------------------------------------------------------------------

TConnection::TConnection() : FInstanceUID(NewInstanceUID()) { SetUsages({Veska}); }

std::string TConnection::ClassID() { throw EAbstractError("Abstract error: TConnection.ClassID"); }

TStorageKinds TConnection::SupportedKinds() { throw EAbstractError("Abstract error: TConnection.SupportedKinds"); }

TDocumentLocation TConnection::Location() const {
  return TDocumentLocation::Make(ConnectionClass().ClassID(), Address(), "");
}

TStorageKinds TConnection::Usages() const { return FUsages * ConnectionClass().SupportedKinds(); }

void TConnection::SetUsages(const TStorageKinds& AValue) {
  FUsages = AValue;
  if (!AValue.Contains(Veska)) FUseRecycleBin = false;
}

void TConnection::BeforeDestruction() {
  Disconnect();
  TObject::BeforeDestruction();
}

const TClassInfo& TConnection::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TConnection>(nullptr)
          .Property("ExceptionClass", mvPublic, &TConnection::FExceptionClass, &TConnection::FExceptionClass,
                    Attributes(TNotSerializeAttribute()))
          .Property("ExceptionMessage", mvPublic, &TConnection::FExceptionMessage, &TConnection::FExceptionMessage,
                    Attributes(TNotSerializeAttribute()))
          .Property("Connected", mvPublic, &TConnection::Connected)
          .Property("InstanceUID", mvPublic, &TConnection::FInstanceUID, &TConnection::FInstanceUID)
          .Property("Address", mvPublic, &TConnection::Address)
          .Property("Caption", mvPublished, &TConnection::FCaption, &TConnection::FCaption,
                    Attributes(TDisplayName("Название")))
          .Property("Description", mvPublished, &TConnection::FDescription, &TConnection::FDescription,
                    Attributes(TDisplayName("Примечание")))
          .Property("Usages", mvPublished, &TConnection::Usages, &TConnection::SetUsages)
          .Property("UseRecycleBin", mvPublished, &TConnection::FUseRecycleBin, &TConnection::FUseRecycleBin)
          .Build();
  return Info;
}

const TClassInfo& TServerConnection::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TServerConnection>(&TConnection::StaticClassInfo())
          .Property("Address", mvPublished, &TServerConnection::Address, &TServerConnection::SetAddress)
          .Build();
  return Info;
}

// ---- TConnectionsFactory -------------------------------------------------------------------

TConnectionsFactory::Exception TConnectionsFactory::Exception::ClassIDNotFound(const std::string& AClassID) {
  return Exception(Format("Класс источника данных с идентификатором \"%s\" не зарегистрирован", AClassID));
}

void TConnectionsFactory::RegisterConnectionClass(const TConnectionClass& AItem) {
  const std::string ID = AItem.ClassID();
  Registry().ConnectionRegistry[ID] = &AItem;
  if (AItem.IsInternal()) Registry().InternalClassIDs.Add(ID);
}

std::vector<const TConnectionClass*> TConnectionsFactory::ConnectionClasses() {
  std::vector<const TConnectionClass*> Result;
  for (const auto& [ID, Class] : Registry().ConnectionRegistry) Result.push_back(Class);
  return Result;
}

const TConnectionClass* TConnectionsFactory::FindByClassID(const std::string& AClassID, bool ARaiseIfNotFound) {
  auto Found = Registry().ConnectionRegistry.find(AClassID);
  if (Found != Registry().ConnectionRegistry.end()) return Found->second;
  if (ARaiseIfNotFound) throw Exception::ClassIDNotFound(AClassID);
  return nullptr;
}

bool TConnectionsFactory::IsInternalClassID(const std::string& AClassID) {
  return Registry().InternalClassIDs.IndexOf(AClassID) >= 0;
}

}  // namespace Quellit
