#include "Modules/Korvel/Common/Kv_VeskaStorage.Types.h"

#include <utility>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.StringUtils.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"

namespace Quellit {

namespace {

const char* const SourceUnit = "Modules/Korvel/Common/Kv_VeskaStorage.Types";

// The attributes in the order Save writes them, with the record's field of each.
using TFolderField = std::string TFolderProperties::*;
const std::pair<const char*, TFolderField> FolderAttributes[] = {
    {"ObjName", &TFolderProperties::ObjName}, {"ConName", &TFolderProperties::ConName},
    {"StgName", &TFolderProperties::StgName}, {"Comment", &TFolderProperties::Comment},
    {"LocNum", &TFolderProperties::LocNum},   {"RegNum", &TFolderProperties::RegNum},
};

// The existing file as it is, so attributes and children of others survive a save.
TXMLDocument LoadOrCreateConfig(const std::string& AFileName) {
  TXMLDocument Document = TXMLDocument::Create();
  if (Platform::FileExists(AFileName)) {
    Document.LoadFromFile(AFileName);
  } else {
    Document.SetDocumentElement(Document.CreateElement("KVeskaFolder"));
  }
  return Document;
}

// Each class brings its own constructor (CreateInstance). Registration order decides between
// classes that both accept a connection.
std::vector<const TVeskaStorageClass*>& Registry() {
  static std::vector<const TVeskaStorageClass*> Instance;
  return Instance;
}

}  // namespace

// ---- folder properties ------------------------------------------------------------------------

std::string TFolderProperties::ConfigFileName(const std::string& AFolderPath) {
  return Platform::CombinePath(Platform::CombinePath(AFolderPath, ".kvdata"), "config.xml");
}

TFolderProperties TFolderProperties::Load(const std::string& AFolderPath) {
  TFolderProperties Result;
  const std::string FileName = ConfigFileName(AFolderPath);
  if (!Platform::FileExists(FileName)) return Result;
  TXMLDocument Document = TXMLDocument::Create();
  Document.LoadFromFile(FileName);
  for (const auto& [Name, Field] : FolderAttributes) Result.*Field = ReadAttrStr(Document.DocumentElement(), Name);
  return Result;
}

void TFolderProperties::Save(const std::string& AFolderPath) const {
  const std::string FileName = ConfigFileName(AFolderPath);
  TXMLDocument Document = LoadOrCreateConfig(FileName);
  TXMLElement Root = Document.DocumentElement();
  for (const auto& [Name, Field] : FolderAttributes) {
    // Removed first, so rewritten attributes move to the end in this order.
    Root.RemoveAttribute(Name);
    WriteAttrStr(Root, Name, this->*Field);
  }
  Platform::ForceDirectories(Platform::ExtractFilePath(FileName));
  Document.SaveToFile(FileName);
}

// ---- errors -------------------------------------------------------------------------------------

EVeskaStorageError EVeskaStorageError::ItemNotFound() { return EVeskaStorageError("Элемент не найден"); }

EVeskaStorageError EVeskaStorageError::ItemNotFound(const std::string& AItemTitle) {
  return EVeskaStorageError(Format("Элемент \"%s\" не найден", AItemTitle));
}

EVeskaStorageError EVeskaStorageError::DocumentIsLocked(const std::string& ADocTitle) {
  return EVeskaStorageError(Format("Документ \"%s\" уже открыт другим пользователем", ADocTitle));
}

EVeskaStorageError EVeskaStorageError::ItemIsReadOnly(const std::string& ATitle) {
  return EVeskaStorageError(Format("Документ \"%s\" доступен только для чтения", ATitle));
}

EVeskaStorageFolderPropertiesNotSupported EVeskaStorageError::FolderPropertiesNotSupported() {
  return EVeskaStorageFolderPropertiesNotSupported("Свойства у папок не поддерживаются");
}

// ---- storage classes ------------------------------------------------------------------------------

void TVeskaStorageClass::CheckAccepts(const TConnection& AConnection) const {
  Assert(Accepts(AConnection),
         Format("%s does not work with connections of class %s", StorageClassName(), AConnection.ClassName()),
         SourceUnit);
}

// ---- storage ------------------------------------------------------------------------------------

TVeskaStorage::TVeskaStorage(TConnection& AConnection, const TVeskaStorageClass& AClass)
    : FConnection(&AConnection), FExternalFileExts(std::make_unique<TStringList>()) {
  AClass.CheckAccepts(AConnection);
  FExternalFileExts->SetSorted(true);
  FExternalFileExts->SetDuplicates(dupIgnore);
  FExternalFileExts->SetCaseSensitive(false);
}

// ---- factory ------------------------------------------------------------------------------------

TVeskaStorageFactory::Exception TVeskaStorageFactory::Exception::StorageClassNotFound(const TConnection& AConnection) {
  return Exception(Format("TVeskaStorageClass for \"%s\" (class %s) not registered", AConnection.Caption(),
                          AConnection.ClassName()));
}

void TVeskaStorageFactory::Register(const TVeskaStorageClass& AStorageClass) {
  for (const TVeskaStorageClass* Item : Registry())
    if (Item == &AStorageClass)
      throw EArgumentException(Format("Storage class %s is already registered", AStorageClass.StorageClassName()));
  Registry().push_back(&AStorageClass);
  TConnectionsFactory::RegisterConnectionClass(AStorageClass.ConnectionClass());
}

TVeskaStorage* TVeskaStorageFactory::CreateStorage(TConnection& AConnection) {
  for (const TVeskaStorageClass* Item : Registry())
    if (Item->Accepts(AConnection)) return Item->CreateInstance(AConnection);
  throw Exception::StorageClassNotFound(AConnection);
}

// ---- read-only opened document --------------------------------------------------------------------

TVeskaStorageReadOnlyOpenedDocument::TVeskaStorageReadOnlyOpenedDocument(const TIntf<IVeskaStorageDocument>& ADoc,
                                                                         const std::string& APromt)
    : FDoc(ADoc), FPromt(APromt) {
  Assert(static_cast<bool>(ADoc), "An opened document needs its document", SourceUnit);
}

void TVeskaStorageReadOnlyOpenedDocument::Save(const TKvDocCommonProperties&, TStream&) {
  throw Exception("Попытка сохранить ReadOnly документ");
}

}  // namespace Quellit
