#include "Lib/Common/Common.XMLUtils.h"

#include <exception>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Numbers.h"
#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

const char* const SourceUnit = "Lib/Common/Common.XMLUtils";

const char* const WrongMSXMLMessage =
    "Для работы требуется установленный Microsoft XML 3.0 или выше.\r\n"
    "Детальное описание ошибки можно прочитать по данной ссылке "
    "https://support.microsoft.com/kb/269238";

}  // namespace

// ---- errors ---------------------------------------------------------------------------------------

EInvalidXMLFile EInvalidXMLFile::Create4FileName(const std::string& AFileName) {
  return EInvalidXMLFile(Format("Файл \"%s\" имеет некорректный формат", AFileName));
}

EInvalidXMLFile EInvalidXMLFile::InvalidRootNodeName(const std::string& AFactNodeName, const std::string& AExpectedNodeName) {
  return EInvalidXMLFile(Format("Считано имя корневого узла \"%s\", ожидалось \"%s\"", AFactNodeName, AExpectedNodeName));
}

EInvalidXMLFile EInvalidXMLFile::EmptyData() { return EInvalidXMLFile("Отсутствуют данные в XML-документе"); }

void EInvalidXMLFile::CheckValidXMLRoot(const std::string& AFactNodeName, const std::string& AExpectedNodeName) {
  if (!SameText(AFactNodeName, AExpectedNodeName)) throw InvalidRootNodeName(AFactNodeName, AExpectedNodeName);
}

EXMLNodeNotFound::EXMLNodeNotFound(const std::string& AXPath)
    : EInvalidXMLData(Format("Не найден узел по XPath запросу \"%s\"", AXPath)) {}

std::string EWrongMSXML::ClassNameAndMessage() const { return Quellit::ClassNameAndMessage(*this); }

void EWrongMSXML::IncludeOperationNameAsFirst(const std::string& AOpName) {
  Quellit::IncludeOperationNameAsFirst(*this, AOpName);
}

// ---- loading --------------------------------------------------------------------------------------

void HandleInvalidMSXMLVersionError() {
  Assert(std::current_exception() != nullptr,
         "Функцию HandleInvalidMSXMLVersionError нужно вызывать ТОЛЬКО в except блоке", SourceUnit);
  try {
    throw;
  } catch (const EDOMUnavailable&) {
    throw EWrongMSXML(WrongMSXMLMessage);
  } catch (...) {
  }
}

void HandleLoadXmlFileError(const std::string& AFileName) {
  Assert(std::current_exception() != nullptr,
         "Функцию HandleLoadXmlFileError нужно вызывать ТОЛЬКО в except блоке", SourceUnit);
  try {
    throw;
  } catch (const std::exception& E) {
    throw EInvalidXMLFile(Format("Ошибка при загрузке файла \"%s\"\r\n%s", AFileName, E.what()));
  } catch (...) {
    throw EInvalidXMLFile(Format("Ошибка при загрузке файла \"%s\"", AFileName));
  }
}

TXMLDocument LoadXMLFile(const std::string& AFileName) {
  TXMLDocument Doc;
  try {
    Doc = TXMLDocument::Create();
  } catch (...) {
    HandleInvalidMSXMLVersionError();
    HandleLoadXmlFileError(AFileName);
  }
  LoadXMLFileInto(Doc, AFileName);
  return Doc;
}

void LoadXMLFileInto(TXMLDocument& ADoc, const std::string& AFileName) {
  Assert(!ADoc.IsNull(), "LoadXMLFileInto needs a document", SourceUnit);
  try {
    ADoc.LoadFromFile(AFileName);
  } catch (...) {
    HandleInvalidMSXMLVersionError();
    HandleLoadXmlFileError(AFileName);
  }
}

TXMLDocument LoadXMLStream(TStream& AStream, TXMLEncodingType AEncodingType) {
  static const char* const EncodingNames[] = {"", "UTF-8", "UTF-16LE", "UTF-16BE", "windows-1251"};
  std::string Bytes;
  char Buffer[65536];
  for (std::int64_t Count; (Count = AStream.Read(Buffer, sizeof Buffer)) > 0;) Bytes.append(Buffer, static_cast<std::size_t>(Count));
  TXMLDocument Doc = TXMLDocument::Create();
  Doc.LoadFromBytes(Bytes, {}, EncodingNames[AEncodingType]);
  return Doc;
}

// ---- attributes -----------------------------------------------------------------------------------

namespace {

// Reads treat anything that is not an element as having no attributes.
std::optional<std::string> Attribute(const TXMLNode& ANode, const std::string& AName) {
  const TXMLElement Element = ANode.AsElement();
  return Element ? Element.GetAttribute(AName) : std::nullopt;
}

TXMLElement WritableElement(const TXMLNode& ANode) {
  TXMLElement Element = ANode.AsElement();
  Assert(!Element.IsNull(), "Attributes can be written only to an element", SourceUnit);
  return Element;
}

// Decodes one UTF-8 sequence; malformed bytes count as themselves (none of them is forbidden).
char32_t NextCodePoint(const std::string& AText, std::size_t& APos) {
  const auto Lead = static_cast<unsigned char>(AText[APos]);
  const std::size_t Length = Lead < 0x80 ? 1 : Lead < 0xE0 ? 2 : Lead < 0xF0 ? 3 : 4;
  APos += std::min(Length, AText.size() - APos);
  return Lead < 0x80 ? Lead : 0x80;  // only code points below 32 matter to the caller
}

}  // namespace

bool IsInvalidXMLChar(char32_t AChar) { return AChar <= 8 || AChar == 11 || AChar == 12 || (AChar >= 14 && AChar <= 31); }

std::string RemoveInvalidXMLChars(const std::string& AText) {
  std::size_t Pos = 0;
  bool Found = false;
  while (Pos < AText.size() && !Found) Found = IsInvalidXMLChar(NextCodePoint(AText, Pos));
  if (!Found) return AText;
  std::string Result;
  Result.reserve(AText.size());
  for (char C : AText)
    if (!IsInvalidXMLChar(static_cast<unsigned char>(C))) Result += C;
  return Result;
}

std::string ReadAttrStr(const TXMLNode& ANode, const std::string& AName, bool ARequired) {
  std::string Result = Attribute(ANode, AName).value_or(std::string());
  if (ARequired && Result.empty())
    throw EInvalidXMLData(Format("Обязательный параметр \"%s\" отсутствует в узле \"%s\"", AName,
                                 ANode.IsNull() ? std::string() : ANode.NodeName()));
  return Result;
}

std::string ReadAttrStrDef(const TXMLNode& ANode, const std::string& AName, const std::string& ADefault) {
  return Attribute(ANode, AName).value_or(ADefault);
}

int ReadAttrInt(const TXMLNode& ANode, const std::string& AName, int ADefault) {
  const std::optional<std::string> Text = Attribute(ANode, AName);
  return Text ? StrToIntDef(*Text, ADefault) : ADefault;
}

bool ReadAttrBool(const TXMLNode& ANode, const std::string& AName, bool ADefault) {
  const std::optional<std::string> Text = Attribute(ANode, AName);
  if (!Text) return ADefault;
  if (SameText(*Text, "true")) return true;
  if (SameText(*Text, "false")) return false;
  double Number = 0;
  if (int Integer = 0; TryStrToInt(*Text, Integer)) return Integer != 0;
  if (TryStrToFloat(*Text, Number)) return Number != 0;
  throw EConvertError(Format("'%s' is not a valid boolean value", *Text));
}

long double ReadAttrFloat(const TXMLNode& ANode, const std::string& AName, long double ADefault) {
  const std::optional<std::string> Text = Attribute(ANode, AName);
  double Value = 0;
  return Text && TryStrToFloat(*Text, Value) ? Value : ADefault;
}

void WriteAttrStr(const TXMLNode& ANode, const std::string& AName, const std::string& AValue) {
  if (AValue.empty()) return;
  WritableElement(ANode).SetAttribute(AName, RemoveInvalidXMLChars(AValue));
}

void WriteAttrInt(const TXMLNode& ANode, const std::string& AName, int AValue, int ADefault) {
  if (AValue == ADefault) return;
  WritableElement(ANode).SetAttribute(AName, IntToStr(AValue));
}

void WriteAttrBool(const TXMLNode& ANode, const std::string& AName, bool AValue) {
  WritableElement(ANode).SetAttribute(AName, AValue ? "true" : "false");
}

void WriteAttrFloat(const TXMLNode& ANode, const std::string& AName, long double AValue) {
  WritableElement(ANode).SetAttribute(AName, FloatToStr(static_cast<double>(AValue)));
}

std::string NodeTextDef(const TXMLNode& ANode, const std::string& ADefault) {
  return ANode.IsNull() ? ADefault : ANode.Text();
}

// ---- XPath ----------------------------------------------------------------------------------------

namespace {

// The document's selection properties set for one query and put back afterwards, also on failure.
class TSelectionScope {
 public:
  TSelectionScope(const TXMLDocument& ADoc, const std::string& ANamespaces) : FDoc(ADoc), FActive(!ANamespaces.empty()) {
    if (!FActive) return;
    FLanguage = FDoc.GetProperty("SelectionLanguage");
    FNamespaces = FDoc.GetProperty("SelectionNamespaces");
    FDoc.SetProperty("SelectionLanguage", "XPath");
    FDoc.SetProperty("SelectionNamespaces", ANamespaces);
  }
  TSelectionScope(const TSelectionScope&) = delete;
  TSelectionScope& operator=(const TSelectionScope&) = delete;
  ~TSelectionScope() {
    if (!FActive) return;
    FDoc.SetProperty("SelectionLanguage", FLanguage);
    FDoc.SetProperty("SelectionNamespaces", FNamespaces);
  }

 private:
  TXMLDocument FDoc;
  bool FActive;
  std::string FLanguage;
  std::string FNamespaces;
};

std::vector<TXMLNode> Select(const TXMLNode& ANode, const std::string& AXPath, const std::string& ANamespaces) {
  Assert(!ANode.IsNull(), "XPath selection needs a context node", SourceUnit);
  TSelectionScope Scope(ANode.OwnerDocument(), ANamespaces);
  const TXMLNodeList Nodes = ANode.SelectNodes(AXPath);
  return std::vector<TXMLNode>(Nodes.begin(), Nodes.end());
}

}  // namespace

TXMLNode SelectNode(const TXMLNode& ANode, const std::string& AXPath, const std::string& ANamespaces) {
  std::vector<TXMLNode> Nodes = Select(ANode, AXPath, ANamespaces);
  return Nodes.empty() ? TXMLNode() : Nodes.front();
}

TXMLNode SelectRequiredNode(const TXMLNode& ANode, const std::string& AXPath, const std::string& ANamespaces) {
  TXMLNode Result = SelectNode(ANode, AXPath, ANamespaces);
  if (Result.IsNull()) throw EXMLNodeNotFound(AXPath);
  return Result;
}

TXMLNodeList SelectNodes(const TXMLNode& ANode, const std::string& AXPath, const std::string& ANamespaces) {
  Assert(!ANode.IsNull(), "XPath selection needs a context node", SourceUnit);
  TSelectionScope Scope(ANode.OwnerDocument(), ANamespaces);
  return ANode.SelectNodes(AXPath);
}

// ---- node-list enumeration ------------------------------------------------------------------------

TXMLNodeListEnumerable::TEnumerator TXMLNodeListEnumerable::TEnumerator::Create(const TXMLNodeList& AList,
                                                                                const std::string& ALocalName) {
  return TEnumerator{AList, -1, ALocalName};
}

bool TXMLNodeListEnumerable::TEnumerator::MoveNext() {
  if (FList.IsNull()) return false;
  ++FIndex;
  while (!FLocalName.empty() && FIndex < FList.Count() && FList.Item(FIndex).LocalName() != FLocalName) ++FIndex;
  return FIndex < FList.Count();
}

TXMLNode TXMLNodeListEnumerable::TEnumerator::Current() const { return FList.Item(FIndex); }

TXMLNodeListEnumerable TXMLNodeListEnumerable::Create(const TXMLNodeList& AList, const std::string& ALocalName) {
  return TXMLNodeListEnumerable{AList, ALocalName};
}

TXMLNodeListEnumerable TXMLNodeListEnumerable::CreateEmpty() { return TXMLNodeListEnumerable{}; }

TXMLNodeListEnumerable::TEnumerator TXMLNodeListEnumerable::GetEnumerator() const {
  return TEnumerator::Create(FList, FLocalName);
}

TXMLNodeListEnumerable::TIterator::TIterator(TEnumerator AEnumerator) : FEnumerator(std::move(AEnumerator)) {
  FAtEnd = !FEnumerator.MoveNext();
}

TXMLNodeListEnumerable::TIterator& TXMLNodeListEnumerable::TIterator::operator++() {
  FAtEnd = !FEnumerator.MoveNext();
  return *this;
}

}  // namespace Quellit
