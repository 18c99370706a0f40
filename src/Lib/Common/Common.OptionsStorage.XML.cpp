#include "Lib/Common/Common.OptionsStorage.XML.h"

#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"

namespace Quellit {

namespace {

const char* const SourceUnit = "Lib/Common/Common.OptionsStorage.XML";
const char* const RootName = "Options";
const char* const DefaultEncoding = "windows-1251";

// Strict splitting: empty parts are kept here and skipped by the caller.
std::vector<std::string> SplitSubkey(const std::string& ASubkey) {
  std::vector<std::string> Parts;
  std::size_t Start = 0;
  while (true) {
    const std::size_t Sep = ASubkey.find('\\', Start);
    Parts.push_back(ASubkey.substr(Start, Sep - Start));
    if (Sep == std::string::npos) return Parts;
    Start = Sep + 1;
  }
}

}  // namespace

// ---- TCustomXMLOptionsStorage ---------------------------------------------------------------------

TCustomXMLOptionsStorage::TCustomXMLOptionsStorage(const std::string& AFileName) : FFileName(AFileName) {
  FDoc = NewOptionsDocument();
  if (Platform::FileExists(AFileName)) LoadXMLFileInto(FDoc, AFileName);
  EnsureRoot(FDoc);
  FNode = FDoc.DocumentElement();
}

TCustomXMLOptionsStorage::TCustomXMLOptionsStorage(const TXMLDocument& ADoc, const std::string& ASubkey)
    : FDoc(ADoc), FSubkey(ASubkey) {
  Assert(!ADoc.IsNull(), "An options section needs a document", SourceUnit);
}

TXMLDocument TCustomXMLOptionsStorage::NewOptionsDocument() {
  TXMLDocument Doc = TXMLDocument::Create();
  Doc.SetIndented(true);
  return Doc;
}

void TCustomXMLOptionsStorage::EnsureRoot(TXMLDocument& ADoc) {
  if (ADoc.DocumentElement().IsNull()) ADoc.SetDocumentElement(ADoc.CreateElement(RootName));
}

void TCustomXMLOptionsStorage::NavigateToSubkey() {
  FNode = FBase.IsNull() ? FDoc.DocumentElement() : FBase;
  const std::string& Path = FBase.IsNull() ? FSubkey : FBasePath;
  if (Path.empty()) return;
  for (const std::string& Part : SplitSubkey(Path)) {
    if (Part.empty()) continue;
    TXMLElement Child = FNode.FindChildElement(Part);
    if (Child.IsNull()) {
      if (IsReader()) {
        FNode = {};
        return;
      }
      Child = FNode.AddChild(Part);
    }
    FNode = Child;
  }
}

std::string TCustomXMLOptionsStorage::SubkeyPath(const std::string& AName) const {
  if (FSubkey.empty() || FSubkey.back() == '\\') return FSubkey + AName;
  return FSubkey + '\\' + AName;
}

std::string TCustomXMLOptionsStorage::BasePathOf(const std::string& AName) const {
  if (FBasePath.empty() || FBasePath.back() == '\\') return FBasePath + AName;
  return FBasePath + '\\' + AName;
}

// ---- TXmlOptionsReader ----------------------------------------------------------------------------

TXmlOptionsReader::TXmlOptionsReader(const std::string& AFileName) : TCustomXMLOptionsStorage(AFileName) {}

TXmlOptionsReader::TXmlOptionsReader(const TXMLDocument& ADoc, const std::string& ASubkey)
    : TCustomXMLOptionsStorage(ADoc, ASubkey) {
  NavigateToSubkey();
}

TXmlOptionsReader::TXmlOptionsReader(const TXMLDocument& ADoc, const std::string& ASubkey, const TXMLElement& ABase,
                                     const std::string& ABasePath)
    : TCustomXMLOptionsStorage(ADoc, ASubkey) {
  FBase = ABase;
  FBasePath = ABasePath;
  NavigateToSubkey();
}

int TXmlOptionsReader::ReadInteger(const std::string& AName, int ADefault) { return ReadAttrInt(FNode, AName, ADefault); }

std::string TXmlOptionsReader::ReadString(const std::string& AName, const std::string& ADefault) {
  return ReadAttrStrDef(FNode, AName, ADefault);
}

bool TXmlOptionsReader::ReadBool(const std::string& AName, bool ADefault) { return ReadAttrBool(FNode, AName, ADefault); }

Extended TXmlOptionsReader::ReadFloat(const std::string& AName, Extended ADefault) {
  return ReadAttrFloat(FNode, AName, ADefault);
}

std::vector<std::string> TXmlOptionsReader::ReadSubkeyNames() {
  std::vector<std::string> Names;
  if (FNode.IsNull()) return Names;
  for (TXMLNode Child = FNode.FirstChild(); Child; Child = Child.NextSibling()) Names.push_back(Child.NodeName());
  return Names;
}

std::vector<std::string> TXmlOptionsReader::ReadValueNames() {
  return FNode.IsNull() ? std::vector<std::string>() : FNode.AttributeNames();
}

bool TXmlOptionsReader::ValueExists(const std::string& AName) { return !FNode.IsNull() && FNode.HasAttribute(AName); }

TIntf<IOptionsReader> TXmlOptionsReader::OpenSubReader(const std::string& AName) {
  Assert(!AName.empty(), "OpenSubReader needs a section name", SourceUnit);
  if (FNode.IsNull()) return TIntf<IOptionsReader>(new TFakeOptionsReader());
  if (!FBase.IsNull()) return TIntf<IOptionsReader>(new TXmlOptionsReader(FDoc, SubkeyPath(AName), FBase, BasePathOf(AName)));
  return TIntf<IOptionsReader>(new TXmlOptionsReader(FDoc, SubkeyPath(AName)));
}

bool TXmlOptionsReader::IsEmptySection() { return FNode.IsNull(); }

std::vector<TOptionsSubsection> TXmlOptionsReader::OpenSubsections() {
  std::vector<TOptionsSubsection> Result;
  if (FNode.IsNull()) return Result;
  for (TXMLNode Child = FNode.FirstChild(); Child; Child = Child.NextSibling()) {
    if (!Child.IsElement()) continue;
    const std::string Name = Child.NodeName();
    Result.push_back({Name, TIntf<IOptionsReader>(new TXmlOptionsReader(FDoc, SubkeyPath(Name), Child.AsElement(), ""))});
  }
  return Result;
}

// ---- TXmlOptionsWriter ----------------------------------------------------------------------------

TXmlOptionsWriter::TXmlOptionsWriter(const std::string& AFileName) {
  FFileName = AFileName;
  FDoc = NewOptionsDocument();
  if (Platform::FileExists(AFileName)) {
    try {
      LoadXMLFileInto(FDoc, AFileName);
    } catch (const EInvalidXMLFile& E) {
      // A file too large to read is not damaged: starting over would lose all it holds.
      if (dynamic_cast<const EDOMFileTooLarge*>(E.InnerException())) throw;
      // Start over, but keep the damaged file until the first Save has a copy of it.
      FDoc = NewOptionsDocument();
      FSaveState->BackupPending = true;
    }
  }
  EnsureRoot(FDoc);
  NavigateToSubkey();
}

TXmlOptionsWriter::TXmlOptionsWriter(const TXMLDocument& ADoc, const std::string& ASubkey)
    : TCustomXMLOptionsStorage(ADoc, ASubkey) {
  NavigateToSubkey();
}

TXmlOptionsWriter::TXmlOptionsWriter(const TXMLDocument& ADoc, const std::string& ASubkey, const TXMLElement& ABase,
                                     const std::string& ABasePath)
    : TCustomXMLOptionsStorage(ADoc, ASubkey) {
  FBase = ABase;
  FBasePath = ABasePath;
  NavigateToSubkey();
}

void TXmlOptionsWriter::CheckNode() const {
  Assert(!FNode.IsNull(), "An options writer has no section element", SourceUnit);
}

void TXmlOptionsWriter::WriteInteger(const std::string& AName, int AValue, int ADefault) {
  CheckNode();
  if (AValue != ADefault) WriteAttrInt(FNode, AName, AValue, 0);
}

void TXmlOptionsWriter::WriteString(const std::string& AName, const std::string& AValue, const std::string& ADefault) {
  CheckNode();
  if (AValue != ADefault)
    WriteAttrStr(FNode, AName, AValue);
  else
    FNode.RemoveAttribute(AName);
}

void TXmlOptionsWriter::WriteBool(const std::string& AName, bool AValue) {
  CheckNode();
  WriteAttrBool(FNode, AName, AValue);
}

void TXmlOptionsWriter::WriteFloat(const std::string& AName, Extended AValue, Extended /*ADefault*/) {
  CheckNode();
  WriteAttrFloat(FNode, AName, AValue);
}

TIntf<IOptionsWriter> TXmlOptionsWriter::OpenSubWriter(const std::string& AName) {
  CheckNode();
  auto* Writer = FBase.IsNull() ? new TXmlOptionsWriter(FDoc, SubkeyPath(AName))
                                : new TXmlOptionsWriter(FDoc, SubkeyPath(AName), FBase, BasePathOf(AName));
  TIntf<IOptionsWriter> Result(Writer);
  Writer->FFileName = FFileName;
  Writer->FSaveState = FSaveState;
  return Result;
}

TIntf<IOptionsWriter> TXmlOptionsWriter::AddSubWriter(const std::string& AName) {
  CheckNode();
  Assert(!AName.empty() && AName.find('\\') == std::string::npos, "AddSubWriter needs one section name", SourceUnit);
  auto* Writer = new TXmlOptionsWriter(FDoc, SubkeyPath(AName), FNode.AddChild(AName), "");
  TIntf<IOptionsWriter> Result(Writer);
  Writer->FFileName = FFileName;
  Writer->FSaveState = FSaveState;
  return Result;
}

void TXmlOptionsWriter::Clear() {
  CheckNode();
  FNode.RemoveAllChildren();
  FNode.RemoveAllAttributes();
}

void TXmlOptionsWriter::BackupDamagedFile() const {
  if (!Platform::FileExists(FFileName)) return;
  const std::vector<std::uint8_t> Damaged = Platform::ReadAllBytes(FFileName);
  Platform::WriteAllBytesAtomic(FFileName + ".bak", Damaged.data(), Damaged.size());
}

void TXmlOptionsWriter::Save() {
  CheckNode();
  if (const std::string Folder = Platform::ExtractFilePath(FFileName); !Folder.empty()) Platform::ForceDirectories(Folder);
  if (FDoc.Encoding().empty()) FDoc.SetEncoding(DefaultEncoding);
  if (FSaveState->BackupPending) {
    BackupDamagedFile();
    FSaveState->BackupPending = false;
  }
  FDoc.SaveToFile(FFileName);
}

}  // namespace Quellit
