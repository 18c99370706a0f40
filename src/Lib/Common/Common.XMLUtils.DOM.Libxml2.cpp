#include "Lib/Common/Common.XMLUtils.DOM.h"

#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"

namespace Quellit {

namespace {

const char* const SourceUnit = "Lib/Common/Common.XMLUtils.DOM";

// ---- libxml2 set-up -------------------------------------------------------------------------------

// External entities and DTDs are never loaded, whatever a document asks for: reading them would
// disclose local files or reach the network.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

// Structured errors of one operation land here instead of on standard error.
void IgnoreStructuredError(void*, xmlErrorPtr) {}

// The encoders and the push parser report some failures (a byte the declared encoding does not
// have) on the library's generic channel, which prints to standard error; every such failure also
// fails the operation, whose result is what counts.
void IgnoreGenericError(void*, const char*, ...) {}

using Detail::DecodeUtf8;
using Detail::IsCleanText;
using Detail::MakeWritableText;

constexpr char32_t ReplacementChar = 0xFFFD;

// ---- Windows-1251 ----------------------------------------------------------------------------------

// The parser's converter for the product's code page is the system's own codec, so every byte
// 0x80-0xFF reads and writes back unchanged (0x98, which the code page leaves unassigned, too).
class TWin1251Table {
 public:
  TWin1251Table() {
    for (int Byte = 0x80; Byte <= 0xFF; ++Byte) {
      const std::string Utf8 = Win1251ToUtf8(std::string(1, static_cast<char>(Byte)));
      std::size_t Length = 0;
      const char32_t Code = DecodeUtf8(Utf8, 0, Length).value_or(ReplacementChar);
      Decoded[Byte - 0x80] = Utf8;
      if (Code < Encoded.size()) Encoded[Code] = static_cast<unsigned char>(Byte);
    }
  }
  std::array<std::string, 128> Decoded;
  std::array<unsigned char, 0x10000> Encoded{};  // 0: not in the code page (ASCII aside)
};

const TWin1251Table& Win1251Table() {
  static const TWin1251Table Table;
  return Table;
}

int Win1251ToXml(unsigned char* AOut, int* AOutLength, const unsigned char* AIn, int* AInLength) {
  if (!AIn) {
    *AInLength = 0;
    return *AOutLength = 0;
  }
  const TWin1251Table& Table = Win1251Table();
  int In = 0, Out = 0;
  for (; In < *AInLength; ++In) {
    if (AIn[In] < 0x80) {
      if (Out >= *AOutLength) break;
      AOut[Out++] = AIn[In];
      continue;
    }
    const std::string& Utf8 = Table.Decoded[AIn[In] - 0x80];
    if (Out + static_cast<int>(Utf8.size()) > *AOutLength) break;
    for (char C : Utf8) AOut[Out++] = static_cast<unsigned char>(C);
  }
  *AInLength = In;
  return *AOutLength = Out;
}

// -2 with the lengths at the character the code page cannot hold: the serializer then writes it as
// a character reference. An incomplete sequence at the end of a chunk waits for the next chunk.
int XmlToWin1251(unsigned char* AOut, int* AOutLength, const unsigned char* AIn, int* AInLength) {
  if (!AIn) {
    *AInLength = 0;
    return *AOutLength = 0;
  }
  const TWin1251Table& Table = Win1251Table();
  const std::string_view Input(reinterpret_cast<const char*>(AIn), static_cast<std::size_t>(*AInLength));
  std::size_t In = 0;
  int Out = 0;
  int Result = 0;
  while (In < Input.size() && Out < *AOutLength) {
    std::size_t Length = 0;
    const std::optional<char32_t> Code = DecodeUtf8(Input, In, Length);
    if (!Code && In + Length == Input.size() && (static_cast<unsigned char>(Input[In]) & 0xC0) == 0xC0) break;
    const unsigned char Byte = !Code ? 0 : *Code < 0x80 ? static_cast<unsigned char>(*Code)
                                         : *Code < Table.Encoded.size() ? Table.Encoded[*Code] : 0;
    if (Byte == 0 && (!Code || *Code != 0)) {
      Result = -2;
      break;
    }
    AOut[Out++] = Byte;
    In += Length;
  }
  *AInLength = static_cast<int>(In);
  *AOutLength = Out;
  return Result < 0 ? Result : Out;
}

const char* const Win1251Name = "windows-1251";
const char* const Win1251Aliases[] = {"CP1251", "WINDOWS1251", "WIN-1251", "WIN1251", "X-CP1251", "MS-CYRL"};

void RegisterWin1251() {
  // Registers itself: the parser and the serializer find it by name before any converter of their own.
  xmlNewCharEncodingHandler(Win1251Name, Win1251ToXml, XmlToWin1251);
  for (const char* Alias : Win1251Aliases) xmlAddEncodingAlias(Win1251Name, Alias);
}

struct TLibrary {
  bool Available = true;
  TLibrary() {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternalEntity);
    // This thread's channel and the one threads started later begin with.
    xmlThrDefSetGenericErrorFunc(nullptr, IgnoreGenericError);
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
    RegisterWin1251();
    Available = std::atoi(xmlParserVersion) >= LIBXML_VERSION;
  }
};

}  // namespace

namespace Detail {

void EnsureXMLLibrary() {
  static const TLibrary Library;
  if (!Library.Available)
    throw EDOMUnavailable(Format("XML library %s is older than the %d it was built for", xmlParserVersion, LIBXML_VERSION));
}

}  // namespace Detail

namespace {

using Detail::EnsureXMLLibrary;

const xmlChar* XmlText(const std::string& AText) { return reinterpret_cast<const xmlChar*>(AText.c_str()); }
std::string FromXml(const xmlChar* AText) { return AText ? reinterpret_cast<const char*>(AText) : ""; }

std::string TakeXmlString(xmlChar* AText) {
  std::string Result = FromXml(AText);
  xmlFree(AText);
  return Result;
}

xmlNodePtr AsXml(void* ANode) { return static_cast<xmlNodePtr>(ANode); }

std::string ErrorText(const xmlError* AError, const char* AFallback) {
  if (!AError || !AError->message) return AFallback;
  std::string Message = Trim(AError->message);
  if (AError->line > 0) Message += Format(" (line %d, column %d)", AError->line, AError->int2);
  return Message;
}

bool IsBlank(const xmlChar* AText) {
  for (; AText && *AText; ++AText)
    if (*AText != ' ' && *AText != '\t' && *AText != '\n' && *AText != '\r') return false;
  return true;
}

// Whitespace-only text between elements carries no meaning in our documents; the parser keeps
// some of it (the only content of an element), so drop the rest here.
void DropBlankText(xmlNodePtr ANode) {
  xmlNodePtr Child = ANode->children;
  while (Child) {
    xmlNodePtr Next = Child->next;
    if (Child->type == XML_TEXT_NODE && IsBlank(Child->content) && xmlNodeGetSpacePreserve(ANode) != 1) {
      xmlUnlinkNode(Child);
      xmlFreeNode(Child);
    } else if (Child->type == XML_ELEMENT_NODE) {
      DropBlankText(Child);
    }
    Child = Next;
  }
}

bool DeclaresEntities(xmlDocPtr ADoc) {
  const xmlDtdPtr Dtd = ADoc->intSubset;
  if (!Dtd) return false;
  auto Count = [](void* ATable) { return ATable ? xmlHashSize(static_cast<xmlHashTablePtr>(ATable)) : 0; };
  return Count(Dtd->entities) > 0 || Count(Dtd->pentities) > 0;
}

xmlDocPtr Parse(std::string_view ABytes, const std::string& AFileName, const std::string& AEncoding) {
  if (ABytes.size() > static_cast<std::size_t>(INT_MAX)) throw EDOMParseError("Document is too large");
  std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> Ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!Ctxt) throw EDOMError("Out of memory");
  const int Options = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  xmlDocPtr Doc = xmlCtxtReadMemory(Ctxt.get(), ABytes.data(), static_cast<int>(ABytes.size()),
                                    AFileName.empty() ? nullptr : AFileName.c_str(),
                                    AEncoding.empty() ? nullptr : AEncoding.c_str(), Options);
  if (!Doc || !Ctxt->wellFormed) {
    if (Doc) xmlFreeDoc(Doc);
    throw EDOMParseError(ErrorText(xmlCtxtGetLastError(Ctxt.get()), "The document is not well-formed"));
  }
  if (DeclaresEntities(Doc)) {
    xmlFreeDoc(Doc);
    throw EDOMParseError("Entity declarations are not allowed");
  }
  DropBlankText(reinterpret_cast<xmlNodePtr>(Doc));
  return Doc;
}

// Multi-byte encodings would need their own line-end units; they keep the parser's LF.
bool IsAsciiCompatible(const std::string& AEncoding) {
  const std::string Upper = UpperCase(AEncoding);
  return Upper.rfind("UTF-16", 0) != 0 && Upper.rfind("UTF-32", 0) != 0 && Upper.rfind("UCS", 0) != 0;
}

// Settings files of the product's platform end their lines with CR LF. Every LF the serializer
// writes raw is markup or text that a parser normalizes anyway; LFs inside values are escaped.
std::string ToCrLf(const std::string& AText) {
  std::string Result;
  Result.reserve(AText.size() + AText.size() / 16);
  for (char C : AText) {
    if (C == '\n') Result += '\r';
    Result += C;
  }
  return Result;
}

// ---- what a save can write ------------------------------------------------------------------------

// Encodings that hold every character: nothing needs checking. A document without an encoding is
// written in UTF-8 too.
bool HoldsEveryCharacter(const std::string& AEncoding) {
  const std::string Upper = UpperCase(AEncoding);
  return Upper.empty() || Upper == "UTF-8" || Upper == "UTF8" || Upper.rfind("UTF-16", 0) == 0 || Upper.rfind("UTF-32", 0) == 0 ||
         Upper == "UCS-4" || Upper == "UCS4" || Upper == "ISO-10646-UCS-4";
}

bool IsAscii(const std::string& AText) {
  for (char C : AText)
    if (static_cast<unsigned char>(C) >= 0x80) return false;
  return true;
}

// Whether a text is written in the encoding as itself: the serializer writes any character the
// encoding lacks as a character reference, which is right in attribute values and text but turns
// a name into markup no parser reads and changes what a comment or CDATA section says.
class TEncodingProbe {
 public:
  explicit TEncodingProbe(std::string AEncoding) : FEncoding(std::move(AEncoding)) {}

  bool Holds(const std::string& AText) {
    if (IsAscii(AText)) return true;
    if (auto It = FKnown.find(AText); It != FKnown.end()) return It->second;
    return FKnown[AText] = RoundTrips(AText);
  }

 private:
  using TBuffer = std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)>;

  // A fresh converter each time: a stateful encoding must not carry a shift from one text to the next.
  bool RoundTrips(const std::string& AText) const {
    const xmlCharEncodingHandlerPtr Handler = xmlFindCharEncodingHandler(FEncoding.c_str());
    if (!Handler) return true;  // the serializer refuses an unknown encoding itself
    TBuffer In(xmlBufferCreate(), xmlBufferFree), Out(xmlBufferCreate(), xmlBufferFree), Back(xmlBufferCreate(), xmlBufferFree);
    bool Holds = In && Out && Back && xmlBufferAdd(In.get(), XmlText(AText), static_cast<int>(AText.size())) == 0 &&
                 xmlCharEncOutFunc(Handler, Out.get(), In.get()) >= 0 && xmlCharEncInFunc(Handler, Back.get(), Out.get()) >= 0;
    Holds = Holds && FromXml(xmlBufferContent(Back.get())) == AText;
    xmlCharEncCloseFunc(Handler);
    return Holds;
  }

  std::string FEncoding;
  std::unordered_map<std::string, bool> FKnown;
};

std::string QualifiedXmlName(const xmlNs* ANs, const xmlChar* AName) {
  return ANs && ANs->prefix ? FromXml(ANs->prefix) + ":" + FromXml(AName) : FromXml(AName);
}

// Document order without recursion: a document nests as deep as its file says.
xmlNodePtr NextNode(xmlNodePtr ANode, xmlNodePtr ATop) {
  if (ANode->type == XML_ELEMENT_NODE && ANode->children) return ANode->children;
  while (ANode != ATop && !ANode->next) ANode = ANode->parent;
  return ANode == ATop ? nullptr : ANode->next;
}

// Whether the parser's character references for what AEncoding lacks come out right. Its ICU
// converters (those of names iconv does not know) consume the character they fail on, so the
// reference would name the character after it, and a reference for the closing quote of an
// attribute leaves a file no parser reads.
bool WritesReferencesRightly(const std::string& AEncoding) {
  const xmlCharEncodingHandlerPtr Handler = xmlFindCharEncodingHandler(AEncoding.c_str());
  if (!Handler) return true;
#ifdef LIBXML_ICU_ENABLED
  const bool ViaIcu = Handler->uconv_out != nullptr;
#else
  const bool ViaIcu = false;
#endif
  xmlCharEncCloseFunc(Handler);
  return !ViaIcu;
}

// Refuses, before a byte is written, a document that the encoding cannot carry as it is. Where
// references cannot be written rightly, that includes attribute values and text.
void CheckWritable(xmlDocPtr ADoc, const std::string& AEncoding) {
  if (HoldsEveryCharacter(AEncoding)) return;
  const bool CheckValues = !WritesReferencesRightly(AEncoding);
  TEncodingProbe Probe(AEncoding);
  const auto CheckName = [&](const std::string& AName) {
    if (!Probe.Holds(AName))
      throw EDOMEncodingError(Format("Имя \"%s\" нельзя записать в кодировке \"%s\" XML-документа", AName, AEncoding));
  };
  const auto CheckContent = [&](const char* AKind, const xmlChar* AContent) {
    if (!Probe.Holds(FromXml(AContent)))
      throw EDOMEncodingError(Format("Текст узла \"%s\" нельзя записать в кодировке \"%s\" XML-документа", AKind, AEncoding));
  };
  const auto CheckValue = [&](const std::string& AName, xmlAttrPtr AAttr) {
    for (xmlNodePtr Text = AAttr->children; Text; Text = Text->next)
      if (Text->content && !Probe.Holds(FromXml(Text->content)))
        throw EDOMEncodingError(
            Format("Значение \"%s\" нельзя записать в кодировке \"%s\" XML-документа", AName, AEncoding));
  };
  const xmlNodePtr Top = reinterpret_cast<xmlNodePtr>(ADoc);
  for (xmlNodePtr Node = ADoc->children; Node; Node = NextNode(Node, Top)) {
    switch (Node->type) {
      case XML_ELEMENT_NODE:
        CheckName(QualifiedXmlName(Node->ns, Node->name));
        for (xmlAttrPtr Attr = Node->properties; Attr; Attr = Attr->next) {
          CheckName(QualifiedXmlName(Attr->ns, Attr->name));
          if (CheckValues) CheckValue(QualifiedXmlName(Attr->ns, Attr->name), Attr);
        }
        for (xmlNsPtr Ns = Node->nsDef; Ns; Ns = Ns->next)
          if (Ns->prefix) CheckName(FromXml(Ns->prefix));
        break;
      case XML_TEXT_NODE:
        if (CheckValues) CheckContent("#text", Node->content);
        break;
      case XML_COMMENT_NODE: CheckContent("#comment", Node->content); break;
      case XML_CDATA_SECTION_NODE: CheckContent("#cdata-section", Node->content); break;
      case XML_PI_NODE:
        CheckName(FromXml(Node->name));
        CheckContent(reinterpret_cast<const char*>(Node->name), Node->content);
        break;
      default: break;
    }
  }
}

}  // namespace

// ---- the document's storage -----------------------------------------------------------------------

namespace Detail {

class TXMLDocumentData {
 public:
  explicit TXMLDocumentData(xmlDocPtr ADoc) : Doc(ADoc) {}
  TXMLDocumentData(const TXMLDocumentData&) = delete;
  TXMLDocumentData& operator=(const TXMLDocumentData&) = delete;

  ~TXMLDocumentData() {
    // Free only the tops of detached trees, found before anything is freed; nodes below them,
    // and nodes put back into a tree, go with their parents.
    std::vector<xmlNodePtr> Tops;
    for (xmlNodePtr Node : Detached)
      if (!Node->parent) Tops.push_back(Node);
    for (xmlNodePtr Node : Tops) {
      if (Node->type == XML_ATTRIBUTE_NODE)
        xmlFreeProp(reinterpret_cast<xmlAttrPtr>(Node));
      else
        xmlFreeNode(Node);
    }
    for (xmlDocPtr Old : Replaced) xmlFreeDoc(Old);
    xmlFreeDoc(Doc);
  }

  // Nodes leave the tree only through here, so handles to them never dangle.
  void Detach(xmlNodePtr ANode) {
    if (ANode->parent && ANode->type != XML_ATTRIBUTE_NODE) ChildIndexes.erase(ANode->parent);
    xmlUnlinkNode(ANode);
    Detached.insert(ANode);
  }

  // Links without the parser's helpers, which would merge adjacent text nodes and free one of them.
  void LinkLast(xmlNodePtr AParent, xmlNodePtr AChild) {
    AChild->parent = AParent;
    AChild->prev = AParent->last;
    AChild->next = nullptr;
    if (AParent->last)
      AParent->last->next = AChild;
    else
      AParent->children = AChild;
    AParent->last = AChild;
    if (auto It = ChildIndexes.find(AParent); It != ChildIndexes.end() && AChild->type == XML_ELEMENT_NODE)
      It->second.emplace(QualifiedName(AChild), AChild);  // an earlier sibling of that name stays first
  }

  // Sections are looked up by name among thousands of siblings; an index per parent keeps that
  // linear in the number of lookups. Small parents are scanned.
  xmlNodePtr FindChildElement(xmlNodePtr AParent, const std::string& AName) {
    auto It = ChildIndexes.find(AParent);
    if (It == ChildIndexes.end()) {
      if (xmlChildElementCount(AParent) < 32) return ScanChildElement(AParent, AName);
      It = ChildIndexes.emplace(AParent, BuildIndex(AParent)).first;
    }
    auto Found = It->second.find(AName);
    return Found == It->second.end() ? nullptr : Found->second;
  }

  void ForgetIndexes() { ChildIndexes.clear(); }

  void DetachChildren(xmlNodePtr ANode) {
    while (ANode->children) Detach(ANode->children);
  }

  // A tree replaced by a reload stays until the end, for the handles into it.
  void Replace(xmlDocPtr ANewDoc) {
    ChildIndexes.clear();
    Replaced.push_back(Doc);
    Doc = ANewDoc;
  }

  static TXMLNode Wrap(const std::shared_ptr<TXMLDocumentData>& AData, void* ANode) {
    return ANode ? TXMLNode(AData, ANode) : TXMLNode();
  }
  static TXMLElement WrapElement(const std::shared_ptr<TXMLDocumentData>& AData, xmlNodePtr ANode) {
    return ANode && ANode->type == XML_ELEMENT_NODE ? TXMLElement(AData, ANode) : TXMLElement();
  }
  static xmlNodePtr Raw(const TXMLNode& ANode) { return AsXml(ANode.Raw()); }
  static const std::shared_ptr<TXMLDocumentData>& Of(const TXMLNode& ANode) { return ANode.Data(); }

  xmlDocPtr Doc;
  std::unordered_set<xmlNodePtr> Detached;
  std::vector<xmlDocPtr> Replaced;
  std::map<std::string, std::string> Properties;
  bool Indented = false;

 private:
  using TChildIndex = std::unordered_map<std::string, xmlNodePtr>;

  static std::string QualifiedName(xmlNodePtr ANode) {
    std::string Name = FromXml(ANode->name);
    return ANode->ns && ANode->ns->prefix ? FromXml(ANode->ns->prefix) + ":" + Name : Name;
  }
  static xmlNodePtr ScanChildElement(xmlNodePtr AParent, const std::string& AName) {
    for (xmlNodePtr Child = AParent->children; Child; Child = Child->next)
      if (Child->type == XML_ELEMENT_NODE && QualifiedName(Child) == AName) return Child;
    return nullptr;
  }
  static TChildIndex BuildIndex(xmlNodePtr AParent) {
    TChildIndex Index;
    for (xmlNodePtr Child = AParent->children; Child; Child = Child->next)
      if (Child->type == XML_ELEMENT_NODE) Index.emplace(QualifiedName(Child), Child);
    return Index;
  }

  // Node addresses are stable: nothing is freed before the document goes.
  std::unordered_map<xmlNodePtr, TChildIndex> ChildIndexes;
};

}  // namespace Detail

using Detail::TXMLDocumentData;

// ---- TXMLNode -------------------------------------------------------------------------------------

namespace {

xmlNodePtr CheckedRaw(const TXMLNode& ANode) {
  Assert(!ANode.IsNull(), "Operation on a null XML node", SourceUnit);
  return TXMLDocumentData::Raw(ANode);
}

void CheckName(const std::string& AName) {
  // The parser's check reads a malformed byte as a Latin-1 letter; such a name would be written raw.
  if (!IsCleanText(AName) || xmlValidateName(XmlText(AName), 0) != 0)
    throw EDOMError(Format("Имя \"%s\" не является допустимым именем XML", MakeWritableText(AName)));
}

}  // namespace

TXMLNode::TXMLNode(std::shared_ptr<Detail::TXMLDocumentData> ADoc, void* ANode) : FDoc(std::move(ADoc)), FNode(ANode) {}

TXMLNodeType TXMLNode::NodeType() const {
  switch (CheckedRaw(*this)->type) {
    case XML_ELEMENT_NODE: return TXMLNodeType::Element;
    case XML_ATTRIBUTE_NODE: return TXMLNodeType::Attribute;
    case XML_TEXT_NODE: return TXMLNodeType::Text;
    case XML_CDATA_SECTION_NODE: return TXMLNodeType::CData;
    case XML_COMMENT_NODE: return TXMLNodeType::Comment;
    case XML_PI_NODE: return TXMLNodeType::ProcessingInstruction;
    case XML_DOCUMENT_NODE: return TXMLNodeType::Document;
    default: return TXMLNodeType::Other;
  }
}

std::string TXMLNode::NodeName() const {
  const xmlNodePtr Node = CheckedRaw(*this);
  switch (Node->type) {
    case XML_TEXT_NODE: return "#text";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    case XML_COMMENT_NODE: return "#comment";
    case XML_DOCUMENT_NODE: return "#document";
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      if (Node->ns && Node->ns->prefix) return FromXml(Node->ns->prefix) + ":" + FromXml(Node->name);
      [[fallthrough]];
    default: return FromXml(Node->name);
  }
}

std::string TXMLNode::LocalName() const {
  const xmlNodePtr Node = CheckedRaw(*this);
  return Node->type == XML_ELEMENT_NODE || Node->type == XML_ATTRIBUTE_NODE ? FromXml(Node->name) : NodeName();
}

std::string TXMLNode::NamespaceURI() const {
  const xmlNodePtr Node = CheckedRaw(*this);
  return (Node->type == XML_ELEMENT_NODE || Node->type == XML_ATTRIBUTE_NODE) && Node->ns ? FromXml(Node->ns->href) : "";
}

std::string TXMLNode::Text() const { return TakeXmlString(xmlNodeGetContent(CheckedRaw(*this))); }

void TXMLNode::SetText(const std::string& AText) {
  const xmlNodePtr Node = CheckedRaw(*this);
  if (Node->type == XML_ELEMENT_NODE) {
    FDoc->DetachChildren(Node);
    FDoc->LinkLast(Node, xmlNewDocText(FDoc->Doc, XmlText(MakeWritableText(AText))));
  } else if (Node->type == XML_DOCUMENT_NODE) {
    throw EDOMError("A document has no text of its own");
  } else {
    // Attributes and character data: no exposed children.
    xmlNodeSetContent(Node, XmlText(MakeWritableText(AText)));
  }
}

TXMLNode TXMLNode::ParentNode() const {
  const xmlNodePtr Node = CheckedRaw(*this);
  return Node->type == XML_ATTRIBUTE_NODE ? TXMLNode() : TXMLDocumentData::Wrap(FDoc, Node->parent);
}

TXMLNode TXMLNode::FirstChild() const {
  const xmlNodePtr Node = CheckedRaw(*this);
  return Node->type == XML_ATTRIBUTE_NODE ? TXMLNode() : TXMLDocumentData::Wrap(FDoc, Node->children);
}

TXMLNode TXMLNode::NextSibling() const {
  const xmlNodePtr Node = CheckedRaw(*this);
  return Node->type == XML_ATTRIBUTE_NODE ? TXMLNode() : TXMLDocumentData::Wrap(FDoc, Node->next);
}

bool TXMLNode::HasChildNodes() const { return !FirstChild().IsNull(); }

TXMLNodeList TXMLNode::ChildNodes() const {
  std::vector<TXMLNode> Items;
  for (TXMLNode Child = FirstChild(); Child; Child = Child.NextSibling()) Items.push_back(Child);
  return TXMLNodeList(std::move(Items));
}

TXMLNode TXMLNode::AppendChild(const TXMLNode& ANewChild) {
  const xmlNodePtr Parent = CheckedRaw(*this);
  const xmlNodePtr Child = CheckedRaw(ANewChild);
  if (ANewChild.FDoc != FDoc || Child->doc != FDoc->Doc) throw EDOMError("The node belongs to another document");
  if (Parent->type != XML_ELEMENT_NODE && Parent->type != XML_DOCUMENT_NODE)
    throw EDOMError("Only elements and documents have children");
  if (Child->type == XML_ATTRIBUTE_NODE || Child->type == XML_DOCUMENT_NODE)
    throw EDOMError("Attributes and documents cannot be children");
  for (xmlNodePtr Up = Parent; Up; Up = Up->parent)
    if (Up == Child) throw EDOMError("A node cannot become its own descendant");
  FDoc->Detach(Child);
  FDoc->LinkLast(Parent, Child);
  return ANewChild;
}

void TXMLNode::RemoveChild(const TXMLNode& AChild) {
  const xmlNodePtr Child = CheckedRaw(AChild);
  if (Child->parent != CheckedRaw(*this) || Child->type == XML_ATTRIBUTE_NODE) throw EDOMError("The node is not a child of this node");
  FDoc->Detach(Child);
}

TXMLDocument TXMLNode::OwnerDocument() const { return FNode ? TXMLDocument(FDoc) : TXMLDocument(); }

TXMLElement TXMLNode::AsElement() const { return FNode ? TXMLDocumentData::WrapElement(FDoc, AsXml(FNode)) : TXMLElement(); }

std::string TXMLNode::XML() const {
  const xmlNodePtr Node = CheckedRaw(*this);
  std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)> Buffer(xmlBufferCreate(), xmlBufferFree);
  xmlNodeDump(Buffer.get(), FDoc->Doc, Node, 0, 0);
  return FromXml(xmlBufferContent(Buffer.get()));
}

// ---- TXMLElement ----------------------------------------------------------------------------------

namespace {

// Attributes are named as AttributeNames lists them, prefix included ("d:a").
xmlAttrPtr FindAttribute(xmlNodePtr AElement, const std::string& AName) {
  if (xmlAttrPtr Attr = xmlHasProp(AElement, XmlText(AName)); Attr && !Attr->ns) return Attr;
  for (xmlAttrPtr Attr = AElement->properties; Attr; Attr = Attr->next)
    if (QualifiedXmlName(Attr->ns, Attr->name) == AName) return Attr;
  return nullptr;
}

}  // namespace

bool TXMLElement::HasAttribute(const std::string& AName) const { return FindAttribute(CheckedRaw(*this), AName) != nullptr; }

std::optional<std::string> TXMLElement::GetAttribute(const std::string& AName) const {
  const xmlAttrPtr Attr = FindAttribute(CheckedRaw(*this), AName);
  if (!Attr) return std::nullopt;
  return TakeXmlString(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(Attr)));
}

void TXMLElement::SetAttribute(const std::string& AName, const std::string& AValue) {
  const xmlNodePtr Node = CheckedRaw(*this);
  const xmlAttrPtr Attr = FindAttribute(Node, AName);
  if (!Attr) CheckName(AName);
  if (Attr && Attr->ns) xmlSetNsProp(Node, Attr->ns, Attr->name, XmlText(MakeWritableText(AValue)));
  else xmlSetProp(Node, XmlText(AName), XmlText(MakeWritableText(AValue)));
}

void TXMLElement::RemoveAttribute(const std::string& AName) {
  if (xmlAttrPtr Attr = FindAttribute(CheckedRaw(*this), AName)) Data()->Detach(reinterpret_cast<xmlNodePtr>(Attr));
}

std::vector<std::string> TXMLElement::AttributeNames() const {
  std::vector<std::string> Names;
  for (xmlAttrPtr Attr = CheckedRaw(*this)->properties; Attr; Attr = Attr->next)
    Names.push_back(TXMLDocumentData::Wrap(Data(), Attr).NodeName());
  return Names;
}

std::vector<std::pair<std::string, std::string>> TXMLElement::NamespaceDeclarations() const {
  std::vector<std::pair<std::string, std::string>> Declarations;
  for (xmlNsPtr Ns = CheckedRaw(*this)->nsDef; Ns; Ns = Ns->next) Declarations.emplace_back(FromXml(Ns->prefix), FromXml(Ns->href));
  return Declarations;
}

void TXMLElement::RemoveAllAttributes() {
  const xmlNodePtr Node = CheckedRaw(*this);
  while (Node->properties) Data()->Detach(reinterpret_cast<xmlNodePtr>(Node->properties));
}

void TXMLElement::RemoveAllChildren() { Data()->DetachChildren(CheckedRaw(*this)); }

TXMLElement TXMLElement::FindChildElement(const std::string& ATagName) const {
  return TXMLDocumentData::WrapElement(Data(), Data()->FindChildElement(CheckedRaw(*this), ATagName));
}

TXMLElement TXMLElement::AddChild(const std::string& ATagName) {
  TXMLElement Child = OwnerDocument().CreateElement(ATagName);
  AppendChild(Child);
  return Child;
}

// ---- TXMLDocument ---------------------------------------------------------------------------------

TXMLDocument TXMLDocument::Create() {
  EnsureXMLLibrary();
  xmlDocPtr Doc = xmlNewDoc(XmlText("1.0"));
  if (!Doc) throw EDOMError("Out of memory");
  return TXMLDocument(std::make_shared<TXMLDocumentData>(Doc));
}

void TXMLDocument::LoadFromBytes(std::string_view ABytes, const std::string& AFileName, const std::string& AEncoding) {
  Assert(!IsNull(), "Loading into a null XML document", SourceUnit);
  EnsureXMLLibrary();
  FData->Replace(Parse(ABytes, AFileName, AEncoding));
}

TXMLElement TXMLDocument::DocumentElement() const {
  return FData ? TXMLDocumentData::WrapElement(FData, xmlDocGetRootElement(FData->Doc)) : TXMLElement();
}

void TXMLDocument::SetDocumentElement(const TXMLElement& AElement) {
  const xmlNodePtr Root = CheckedRaw(AElement);
  if (TXMLDocumentData::Of(AElement) != FData) throw EDOMError("The element belongs to another document");
  FData->Detach(Root);
  FData->ForgetIndexes();
  if (xmlNodePtr Old = xmlDocSetRootElement(FData->Doc, Root)) FData->Detached.insert(Old);
}

TXMLElement TXMLDocument::CreateElement(const std::string& ATagName) const {
  Assert(!IsNull(), "Creating an element in a null XML document", SourceUnit);
  CheckName(ATagName);
  xmlNodePtr Node = xmlNewDocNode(FData->Doc, nullptr, XmlText(ATagName), nullptr);
  FData->Detached.insert(Node);
  return TXMLDocumentData::WrapElement(FData, Node);
}

TXMLNode TXMLDocument::CreateTextNode(const std::string& AText) const {
  Assert(!IsNull(), "Creating a text node in a null XML document", SourceUnit);
  xmlNodePtr Node = xmlNewDocText(FData->Doc, XmlText(MakeWritableText(AText)));
  FData->Detached.insert(Node);
  return TXMLDocumentData::Wrap(FData, Node);
}

TXMLNode TXMLDocument::AsNode() const { return FData ? TXMLDocumentData::Wrap(FData, FData->Doc) : TXMLNode(); }

std::string TXMLDocument::Version() const { return FData ? FromXml(FData->Doc->version) : ""; }

int TXMLDocument::Standalone() const { return FData ? FData->Doc->standalone : -1; }

std::string TXMLDocument::Encoding() const { return FData ? FromXml(FData->Doc->encoding) : ""; }

void TXMLDocument::SetEncoding(const std::string& AEncoding) {
  Assert(!IsNull(), "Setting the encoding of a null XML document", SourceUnit);
  xmlFree(const_cast<xmlChar*>(FData->Doc->encoding));
  FData->Doc->encoding = AEncoding.empty() ? nullptr : xmlStrdup(XmlText(AEncoding));
}

bool TXMLDocument::Indented() const { return FData && FData->Indented; }

void TXMLDocument::SetIndented(bool AValue) {
  Assert(!IsNull(), "Setting the layout of a null XML document", SourceUnit);
  FData->Indented = AValue;
}

std::string TXMLDocument::GetProperty(const std::string& AName) const {
  if (!FData) return {};
  auto It = FData->Properties.find(AName);
  return It == FData->Properties.end() ? std::string() : It->second;
}

void TXMLDocument::SetProperty(const std::string& AName, const std::string& AValue) {
  Assert(!IsNull(), "Setting a property of a null XML document", SourceUnit);
  FData->Properties[AName] = AValue;
}

std::string TXMLDocument::SaveToBytes() const {
  Assert(!IsNull(), "Saving a null XML document", SourceUnit);
  const std::string Encoding = this->Encoding();
  // Asked first: the serializer would also complain on standard error.
  if (!Encoding.empty()) {
    const xmlCharEncodingHandlerPtr Handler = xmlFindCharEncodingHandler(Encoding.c_str());
    if (!Handler) throw EDOMEncodingError(Format("Кодировка \"%s\" XML-документа неизвестна, документ не записан", Encoding));
    xmlCharEncCloseFunc(Handler);
  }
  CheckWritable(FData->Doc, Encoding);
  std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)> Buffer(xmlBufferCreate(), xmlBufferFree);
  if (!Buffer) throw EDOMError("Out of memory");
  xmlSaveCtxtPtr Save = xmlSaveToBuffer(Buffer.get(), Encoding.empty() ? nullptr : Encoding.c_str(),
                                        FData->Indented ? XML_SAVE_FORMAT : 0);
  if (!Save) throw EDOMEncodingError(Format("Кодировка \"%s\" XML-документа неизвестна, документ не записан", Encoding));
  // Both results count: the converter's errors show only when the buffer is flushed at the close.
  const long Written = xmlSaveDoc(Save, FData->Doc);
  const int Closed = xmlSaveClose(Save);
  if (Written < 0 || Closed < 0)
    throw EDOMError(Format("Не удалось записать XML-документ в кодировке \"%s\"", Encoding.empty() ? "UTF-8" : Encoding));
  std::string Bytes(reinterpret_cast<const char*>(xmlBufferContent(Buffer.get())), static_cast<std::size_t>(xmlBufferLength(Buffer.get())));
  return IsAsciiCompatible(Encoding) ? ToCrLf(Bytes) : Bytes;
}

// ---- XPath --------------------------------------------------------------------------------------

namespace {

using TXPathContext = std::unique_ptr<xmlXPathContext, void (*)(xmlXPathContextPtr)>;
using TXPathObject = std::unique_ptr<xmlXPathObject, void (*)(xmlXPathObjectPtr)>;

std::vector<TXMLNode> Evaluate(const TXMLNode& ANode, const std::string& AXPath) {
  const xmlNodePtr Node = CheckedRaw(ANode);
  const TXMLDocument Doc = ANode.OwnerDocument();
  TXPathContext Context(xmlXPathNewContext(Node->doc), xmlXPathFreeContext);
  if (!Context) throw EDOMError("Out of memory");
  Context->node = Node;
  Context->error = IgnoreStructuredError;
  for (const auto& [Prefix, Uri] : Detail::ParseSelectionNamespaces(Doc.GetProperty("SelectionNamespaces")))
    xmlXPathRegisterNs(Context.get(), XmlText(Prefix), XmlText(Uri));
  TXPathObject Result(xmlXPathEvalExpression(XmlText(AXPath), Context.get()), xmlXPathFreeObject);
  if (!Result) throw EDOMError(Format("Invalid XPath query \"%s\": %s", AXPath, ErrorText(&Context->lastError, "unknown error")));
  if (Result->type != XPATH_NODESET) throw EDOMError(Format("The XPath query \"%s\" does not select nodes", AXPath));
  std::vector<TXMLNode> Nodes;
  if (xmlNodeSetPtr Set = Result->nodesetval) {
    xmlXPathNodeSetSort(Set);
    for (int I = 0; I < Set->nodeNr; ++I)
      if (Set->nodeTab[I]->type != XML_NAMESPACE_DECL)  // namespace nodes are copies owned by the result
        Nodes.push_back(TXMLDocumentData::Wrap(TXMLDocumentData::Of(ANode), Set->nodeTab[I]));
  }
  return Nodes;
}

}  // namespace

TXMLNodeList TXMLNode::SelectNodes(const std::string& AXPath) const { return TXMLNodeList(Evaluate(*this, AXPath)); }

namespace Detail {

bool SingleByteEncodingTable(const std::string& AEncoding, std::array<char32_t, 256>& ATable) {
  EnsureXMLLibrary();
  const xmlCharEncodingHandlerPtr Handler = xmlFindCharEncodingHandler(AEncoding.c_str());
  if (!Handler) return false;
  using TBuffer = std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)>;
  for (int Byte = 0; Byte < 256; ++Byte) {
    const xmlChar In = static_cast<xmlChar>(Byte);
    TBuffer Input(xmlBufferCreate(), xmlBufferFree), Output(xmlBufferCreate(), xmlBufferFree);
    if (!Input || !Output || xmlBufferAdd(Input.get(), &In, 1) != 0) throw EDOMError("Out of memory");
    const int Result = xmlCharEncInFunc(Handler, Output.get(), Input.get());
    const std::string Utf8 = FromXml(xmlBufferContent(Output.get()));
    std::size_t Length = 0;
    const std::optional<char32_t> Code = Utf8.empty() ? std::nullopt : DecodeUtf8(Utf8, 0, Length);
    // A byte left unread alone (one the code page lacks, or the start of a longer sequence) has
    // no character of its own: what needs it is written as a reference.
    ATable[static_cast<std::size_t>(Byte)] = Result >= 0 && Code && Length == Utf8.size() ? *Code : 0xFFFFFFFF;
  }
  xmlCharEncCloseFunc(Handler);
  return true;
}

}  // namespace Detail

}  // namespace Quellit
