// The DOM over MSXML 3.0 (DOMDocument30 through COM). MSXML parses, holds the tree and answers
// XPath; the rest is ours, so both backends behave alike and Wine's MSXML, which differs from
// Windows', never decides a byte: the prolog is read and any document type declaration removed
// before MSXML sees the text, the declaration's fields are kept here, and documents are saved by
// our own serializer.
#include "Lib/Common/Common.XMLUtils.DOM.h"

#include "Lib/Common/Common.XMLUtils.Msxml.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Common/Common.XMLUtils.Prolog.h"
#include "Lib/Common/Common.XMLUtils.Writer.h"
#include "Lib/Text/Text.Engine.h"

namespace Quellit {

using namespace XmlCom;

namespace {

const char* const SourceUnit = "Lib/Common/Common.XMLUtils.DOM";

// The SDK's import libraries lack these two.
constexpr CLSID DOMDocument30Class = {0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
constexpr IID DOMDocument2Interface = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// How deep elements may nest in a document: as deep as the other backend's parser allows.
constexpr long MaxElementDepthOfDocuments = 256;

// A new MSXML 3.0 document set up for our documents: synchronous, no validation, nothing
// external resolved, whitespace between elements dropped, XPath selections.
TComPtr<IXMLDOMDocument2> NewMsxmlDocument() {
  EnsureApartment();
  TComPtr<IXMLDOMDocument2> Doc;
  const HRESULT Created = ::CoCreateInstance(DOMDocument30Class, nullptr, CLSCTX_INPROC_SERVER, DOMDocument2Interface,
                                             reinterpret_cast<void**>(Doc.Receive()));
  if (FAILED(Created))
    throw EDOMUnavailable(Format("MSXML 3.0 is not available (0x%.8x)", static_cast<unsigned>(Created)));
  Check(Doc->put_async(VARIANT_FALSE), "IXMLDOMDocument::put_async");
  Check(Doc->put_validateOnParse(VARIANT_FALSE), "IXMLDOMDocument::put_validateOnParse");
  Check(Doc->put_resolveExternals(VARIANT_FALSE), "IXMLDOMDocument::put_resolveExternals");
  Check(Doc->put_preserveWhiteSpace(VARIANT_FALSE), "IXMLDOMDocument::put_preserveWhiteSpace");
  // Older releases of MSXML 3.0 (and Wine's) do not know some of these; nothing depends on them
  // (the document type never reaches MSXML, and the depth is libxml2's, which MSXML 3.0 leaves
  // unbounded), so a refusal is no failure.
  TBstr ProhibitDTD("ProhibitDTD"), AllowDocumentFunction("AllowDocumentFunction"), MaxElementDepth("MaxElementDepth");
  TVariant Yes(true), No(false), Depth;
  Depth.Get().vt = VT_I4;
  Depth.Get().lVal = MaxElementDepthOfDocuments;
  Doc->setProperty(ProhibitDTD.Get(), Yes.Get());
  Doc->setProperty(AllowDocumentFunction.Get(), No.Get());
  Doc->setProperty(MaxElementDepth.Get(), Depth.Get());
  TBstr Language("SelectionLanguage");
  TVariant XPath("XPath");
  Check(Doc->setProperty(Language.Get(), XPath.Get()), "IXMLDOMDocument2::setProperty");
  return Doc;
}

DOMNodeType TypeOf(IXMLDOMNode* ANode) {
  DOMNodeType Type = NODE_INVALID;
  Check(ANode->get_nodeType(&Type), "IXMLDOMNode::get_nodeType");
  return Type;
}

std::string NameOf(IXMLDOMNode* ANode) {
  TBstr Name;
  Check(ANode->get_nodeName(Name.Receive()), "IXMLDOMNode::get_nodeName");
  return Name.Utf8();
}

std::string ValueOf(IXMLDOMNode* ANode) {
  TVariant Value;
  Check(ANode->get_nodeValue(Value.Receive()), "IXMLDOMNode::get_nodeValue");
  return Value.Utf8();
}

TComPtr<IXMLDOMNode> FirstChildOf(IXMLDOMNode* ANode) {
  TComPtr<IXMLDOMNode> Child;
  Check(ANode->get_firstChild(Child.Receive()), "IXMLDOMNode::get_firstChild");
  return Child;
}

TComPtr<IXMLDOMNode> NextSiblingOf(IXMLDOMNode* ANode) {
  TComPtr<IXMLDOMNode> Next;
  Check(ANode->get_nextSibling(Next.Receive()), "IXMLDOMNode::get_nextSibling");
  return Next;
}

// Namespace declarations are attributes to MSXML, not to us.
bool IsNamespaceDeclaration(const std::string& AName) { return AName == "xmlns" || AName.rfind("xmlns:", 0) == 0; }

void CheckName(const std::string& AName) {
  if (!Detail::IsXMLName(AName))
    throw EDOMError(Format("Имя \"%s\" не является допустимым именем XML", Detail::MakeWritableText(AName)));
}

// Whitespace-only text between elements carries no meaning in our documents; MSXML drops it, and
// this makes sure of it whatever MSXML it is. xml:space="preserve" keeps it, as everywhere.
void DropBlankText(IXMLDOMNode* ARoot) {
  struct TLevel {
    TComPtr<IXMLDOMNode> Node;
    bool Preserve;
  };
  std::vector<TLevel> Pending{{Borrowed(ARoot), false}};
  while (!Pending.empty()) {
    TLevel Level = std::move(Pending.back());
    Pending.pop_back();
    for (TComPtr<IXMLDOMNode> Child = FirstChildOf(Level.Node.Get()); Child;) {
      TComPtr<IXMLDOMNode> Next = NextSiblingOf(Child.Get());
      const DOMNodeType Type = TypeOf(Child.Get());
      if (Type == NODE_TEXT && !Level.Preserve && Trim(ValueOf(Child.Get())).empty()) {
        TComPtr<IXMLDOMNode> Removed;
        Check(Level.Node->removeChild(Child.Get(), Removed.Receive()), "IXMLDOMNode::removeChild");
      } else if (Type == NODE_ELEMENT) {
        bool Preserve = Level.Preserve;
        if (auto Element = Child.As<IXMLDOMElement>(IID_IXMLDOMElement)) {
          TBstr Name("xml:space");
          TVariant Space;
          if (Element->getAttribute(Name.Get(), Space.Receive()) == S_OK) Preserve = Space.Utf8() == "preserve";
        }
        Pending.push_back({Child, Preserve});
      }
      Child = std::move(Next);
    }
  }
}

}  // namespace

// ---- the document's storage -----------------------------------------------------------------------

namespace Detail {

void EnsureXMLLibrary() { EnsureApartment(); }

class TXMLDocumentData {
 public:
  explicit TXMLDocumentData(TComPtr<IXMLDOMDocument2> ADoc) : Doc(std::move(ADoc)) {}
  TXMLDocumentData(const TXMLDocumentData&) = delete;
  TXMLDocumentData& operator=(const TXMLDocumentData&) = delete;

  ~TXMLDocumentData() {
    for (auto& [Identity, Node] : Nodes) {
      Node->Release();
      Identity->Release();
    }
  }

  // Node handles are plain pointers: the document keeps one reference to every node it handed
  // out, found by the node's COM identity, until it goes.
  void* Keep(TComPtr<IXMLDOMNode> ANode) {
    if (!ANode) return nullptr;
    TComPtr<IUnknown> Identity = ANode.As<IUnknown>(IID_IUnknown);
    if (!Identity) Fail(E_NOINTERFACE, "IXMLDOMNode::QueryInterface");
    auto [It, Added] = Nodes.emplace(Identity.Get(), ANode.Get());
    if (Added) {
      Identity.Release();
      ANode.Release();
    }
    return It->second;
  }

  static TXMLNode Wrap(const std::shared_ptr<TXMLDocumentData>& AData, TComPtr<IXMLDOMNode> ANode) {
    void* Node = AData->Keep(std::move(ANode));
    return Node ? TXMLNode(AData, Node) : TXMLNode();
  }
  static TXMLElement WrapElement(const std::shared_ptr<TXMLDocumentData>& AData, TComPtr<IXMLDOMNode> ANode) {
    if (!ANode || TypeOf(ANode.Get()) != NODE_ELEMENT) return TXMLElement();
    return TXMLElement(AData, AData->Keep(std::move(ANode)));
  }
  static IXMLDOMNode* Raw(const TXMLNode& ANode) { return static_cast<IXMLDOMNode*>(ANode.Raw()); }
  static const std::shared_ptr<TXMLDocumentData>& Of(const TXMLNode& ANode) { return ANode.Data(); }

  TComPtr<IXMLDOMNode> DocumentNode() const { return Doc.As<IXMLDOMNode>(IID_IXMLDOMNode); }

  TComPtr<IXMLDOMDocument2> Doc;
  // Documents a reload replaced, for the handles into them.
  std::vector<TComPtr<IXMLDOMDocument2>> Replaced;
  std::map<std::string, std::string> Properties;
  bool Indented = false;
  std::string Version = "1.0";
  std::string Encoding;
  int Standalone = -1;

 private:
  std::unordered_map<IUnknown*, IXMLDOMNode*> Nodes;
};

}  // namespace Detail

using Detail::TXMLDocumentData;

// ---- TXMLNode -------------------------------------------------------------------------------------

namespace {

IXMLDOMNode* CheckedRaw(const TXMLNode& ANode) {
  Assert(!ANode.IsNull(), "Operation on a null XML node", SourceUnit);
  return TXMLDocumentData::Raw(ANode);
}

TComPtr<IXMLDOMElement> ElementOf(const TXMLNode& ANode) {
  return Borrowed(CheckedRaw(ANode)).As<IXMLDOMElement>(IID_IXMLDOMElement);
}

// The text of the node and its descendants, as the other backend gives it: every text and CDATA
// section below, nothing trimmed or normalized.
std::string DescendantText(IXMLDOMNode* ANode) {
  std::string Result;
  std::vector<TComPtr<IXMLDOMNode>> Pending;
  for (TComPtr<IXMLDOMNode> Child = FirstChildOf(ANode); Child; Child = NextSiblingOf(Child.Get())) Pending.push_back(Child);
  std::reverse(Pending.begin(), Pending.end());
  while (!Pending.empty()) {
    TComPtr<IXMLDOMNode> Node = std::move(Pending.back());
    Pending.pop_back();
    const DOMNodeType Type = TypeOf(Node.Get());
    if (Type == NODE_TEXT || Type == NODE_CDATA_SECTION) {
      Result += ValueOf(Node.Get());
    } else if (Type == NODE_ELEMENT) {
      const std::size_t Mark = Pending.size();
      for (TComPtr<IXMLDOMNode> Child = FirstChildOf(Node.Get()); Child; Child = NextSiblingOf(Child.Get()))
        Pending.push_back(Child);
      std::reverse(Pending.begin() + static_cast<std::ptrdiff_t>(Mark), Pending.end());
    }
  }
  return Result;
}

}  // namespace

TXMLNode::TXMLNode(std::shared_ptr<Detail::TXMLDocumentData> ADoc, void* ANode) : FDoc(std::move(ADoc)), FNode(ANode) {}

TXMLNodeType TXMLNode::NodeType() const {
  switch (TypeOf(CheckedRaw(*this))) {
    case NODE_ELEMENT: return TXMLNodeType::Element;
    case NODE_ATTRIBUTE: return TXMLNodeType::Attribute;
    case NODE_TEXT: return TXMLNodeType::Text;
    case NODE_CDATA_SECTION: return TXMLNodeType::CData;
    case NODE_COMMENT: return TXMLNodeType::Comment;
    case NODE_PROCESSING_INSTRUCTION: return TXMLNodeType::ProcessingInstruction;
    case NODE_DOCUMENT: return TXMLNodeType::Document;
    default: return TXMLNodeType::Other;
  }
}

std::string TXMLNode::NodeName() const { return NameOf(CheckedRaw(*this)); }

std::string TXMLNode::LocalName() const {
  IXMLDOMNode* Node = CheckedRaw(*this);
  const DOMNodeType Type = TypeOf(Node);
  if (Type != NODE_ELEMENT && Type != NODE_ATTRIBUTE) return NameOf(Node);
  TBstr Name;
  Check(Node->get_baseName(Name.Receive()), "IXMLDOMNode::get_baseName");
  return Name.Utf8();
}

std::string TXMLNode::NamespaceURI() const {
  IXMLDOMNode* Node = CheckedRaw(*this);
  const DOMNodeType Type = TypeOf(Node);
  if (Type != NODE_ELEMENT && Type != NODE_ATTRIBUTE) return {};
  TBstr Uri;
  Check(Node->get_namespaceURI(Uri.Receive()), "IXMLDOMNode::get_namespaceURI");
  return Uri.Utf8();
}

std::string TXMLNode::Text() const {
  IXMLDOMNode* Node = CheckedRaw(*this);
  const DOMNodeType Type = TypeOf(Node);
  return Type == NODE_ELEMENT || Type == NODE_DOCUMENT ? DescendantText(Node) : ValueOf(Node);
}

void TXMLNode::SetText(const std::string& AText) {
  IXMLDOMNode* Node = CheckedRaw(*this);
  const DOMNodeType Type = TypeOf(Node);
  if (Type == NODE_DOCUMENT) throw EDOMError("A document has no text of its own");
  if (Type == NODE_ELEMENT) {
    // One text node, also for an empty text, as the element's only child.
    AsElement().RemoveAllChildren();
    TBstr Text(Detail::MakeWritableText(AText));
    TComPtr<IXMLDOMText> TextNode;
    Check(FDoc->Doc->createTextNode(Text.Get(), TextNode.Receive()), "IXMLDOMDocument::createTextNode");
    TComPtr<IXMLDOMNode> Added;
    Check(Node->appendChild(TextNode.Get(), Added.Receive()), "IXMLDOMNode::appendChild");
    return;
  }
  TVariant Value(Detail::MakeWritableText(AText));
  Check(Node->put_nodeValue(Value.Get()), "IXMLDOMNode::put_nodeValue");
}

TXMLNode TXMLNode::ParentNode() const {
  IXMLDOMNode* Node = CheckedRaw(*this);
  if (TypeOf(Node) == NODE_ATTRIBUTE) return TXMLNode();
  TComPtr<IXMLDOMNode> Parent;
  Check(Node->get_parentNode(Parent.Receive()), "IXMLDOMNode::get_parentNode");
  return TXMLDocumentData::Wrap(FDoc, std::move(Parent));
}

TXMLNode TXMLNode::FirstChild() const {
  IXMLDOMNode* Node = CheckedRaw(*this);
  if (TypeOf(Node) == NODE_ATTRIBUTE) return TXMLNode();
  return TXMLDocumentData::Wrap(FDoc, FirstChildOf(Node));
}

TXMLNode TXMLNode::NextSibling() const {
  IXMLDOMNode* Node = CheckedRaw(*this);
  if (TypeOf(Node) == NODE_ATTRIBUTE) return TXMLNode();
  return TXMLDocumentData::Wrap(FDoc, NextSiblingOf(Node));
}

bool TXMLNode::HasChildNodes() const { return !FirstChild().IsNull(); }

TXMLNodeList TXMLNode::ChildNodes() const {
  std::vector<TXMLNode> Items;
  for (TXMLNode Child = FirstChild(); Child; Child = Child.NextSibling()) Items.push_back(Child);
  return TXMLNodeList(std::move(Items));
}

TXMLNode TXMLNode::AppendChild(const TXMLNode& ANewChild) {
  IXMLDOMNode* Parent = CheckedRaw(*this);
  IXMLDOMNode* Child = CheckedRaw(ANewChild);
  if (ANewChild.FDoc != FDoc) throw EDOMError("The node belongs to another document");
  const DOMNodeType ParentType = TypeOf(Parent), ChildType = TypeOf(Child);
  if (ParentType != NODE_ELEMENT && ParentType != NODE_DOCUMENT) throw EDOMError("Only elements and documents have children");
  if (ChildType == NODE_ATTRIBUTE || ChildType == NODE_DOCUMENT) throw EDOMError("Attributes and documents cannot be children");
  TComPtr<IXMLDOMNode> Added;
  // MSXML refuses a node that is this node or one of its ancestors.
  if (FAILED(Parent->appendChild(Child, Added.Receive()))) throw EDOMError("A node cannot become its own descendant");
  return ANewChild;
}

void TXMLNode::RemoveChild(const TXMLNode& AChild) {
  IXMLDOMNode* Child = CheckedRaw(AChild);
  TComPtr<IXMLDOMNode> Removed;
  if (TypeOf(Child) == NODE_ATTRIBUTE || CheckedRaw(*this)->removeChild(Child, Removed.Receive()) != S_OK)
    throw EDOMError("The node is not a child of this node");
}

TXMLDocument TXMLNode::OwnerDocument() const { return FNode ? TXMLDocument(FDoc) : TXMLDocument(); }

TXMLElement TXMLNode::AsElement() const {
  if (!FNode || TypeOf(CheckedRaw(*this)) != NODE_ELEMENT) return TXMLElement();
  return TXMLElement(FDoc, FNode);
}

std::string TXMLNode::XML() const { return WriteXMLNode(*this); }

// ---- TXMLElement ----------------------------------------------------------------------------------

namespace {

TComPtr<IXMLDOMAttribute> AttributeNode(const TXMLNode& AElement, const std::string& AName) {
  TComPtr<IXMLDOMAttribute> Attribute;
  if (IsNamespaceDeclaration(AName)) return Attribute;
  TBstr Name(AName);
  if (ElementOf(AElement)->getAttributeNode(Name.Get(), Attribute.Receive()) != S_OK) Attribute = {};
  return Attribute;
}

// The attribute nodes in their order, namespace declarations included, and whether MSXML failed
// to hand one out (Wine's does so for the default namespace declaration it lists).
struct TAttributeNodes {
  std::vector<TComPtr<IXMLDOMNode>> Nodes;
  bool Missing = false;
};

TAttributeNodes AttributeNodes(const TXMLNode& AElement) {
  TComPtr<IXMLDOMNamedNodeMap> Map;
  Check(CheckedRaw(AElement)->get_attributes(Map.Receive()), "IXMLDOMNode::get_attributes");
  TAttributeNodes Result;
  long Count = 0;
  if (!Map || FAILED(Map->get_length(&Count))) return Result;
  for (long I = 0; I < Count; ++I) {
    TComPtr<IXMLDOMNode> Item;
    if (Map->get_item(I, Item.Receive()) == S_OK && Item) Result.Nodes.push_back(std::move(Item));
    else Result.Missing = true;
  }
  return Result;
}

// The character and entity references MSXML writes in attribute values.
std::string Unescaped(std::string_view AValue) {
  std::string Result;
  for (std::size_t Pos = 0; Pos < AValue.size(); ++Pos) {
    const std::size_t End = AValue[Pos] == '&' ? AValue.find(';', Pos) : std::string_view::npos;
    if (End == std::string_view::npos) {
      Result += AValue[Pos];
      continue;
    }
    const std::string_view Name = AValue.substr(Pos + 1, End - Pos - 1);
    if (Name == "quot") Result += '"';
    else if (Name == "apos") Result += '\'';
    else if (Name == "lt") Result += '<';
    else if (Name == "gt") Result += '>';
    else if (Name == "amp") Result += '&';
    else if (Name.starts_with("#x")) Text::AppendUtf8(Result, static_cast<char32_t>(std::strtoul(std::string(Name.substr(2)).c_str(), nullptr, 16)));
    else if (Name.starts_with("#")) Text::AppendUtf8(Result, static_cast<char32_t>(std::strtoul(std::string(Name.substr(1)).c_str(), nullptr, 10)));
    else Result += std::string(AValue.substr(Pos, End - Pos + 1));
    Pos = End;
  }
  return Result;
}

// The namespace declarations of an element's start tag, in their order.
std::vector<std::pair<std::string, std::string>> DeclarationsOfStartTag(std::string_view AMarkup) {
  std::vector<std::pair<std::string, std::string>> Declarations;
  std::size_t Pos = AMarkup.find_first_of(" \t\r\n/>");
  while (Pos < AMarkup.size()) {
    Pos = AMarkup.find_first_not_of(" \t\r\n", Pos);
    if (Pos == std::string_view::npos || AMarkup[Pos] == '>' || AMarkup[Pos] == '/') break;
    const std::size_t Equals = AMarkup.find('=', Pos);
    if (Equals == std::string_view::npos) break;
    const std::string Name = Trim(std::string(AMarkup.substr(Pos, Equals - Pos)));
    const std::size_t Open = AMarkup.find_first_of("\"'", Equals);
    if (Open == std::string_view::npos) break;
    const std::size_t Close = AMarkup.find(AMarkup[Open], Open + 1);
    if (Close == std::string_view::npos) break;
    if (IsNamespaceDeclaration(Name))
      Declarations.emplace_back(Name.size() > 6 ? Name.substr(6) : std::string(), Unescaped(AMarkup.substr(Open + 1, Close - Open - 1)));
    Pos = Close + 1;
  }
  return Declarations;
}

}  // namespace

bool TXMLElement::HasAttribute(const std::string& AName) const { return static_cast<bool>(AttributeNode(*this, AName)); }

std::optional<std::string> TXMLElement::GetAttribute(const std::string& AName) const {
  const TComPtr<IXMLDOMAttribute> Attribute = AttributeNode(*this, AName);
  if (!Attribute) return std::nullopt;
  return ValueOf(Attribute.Get());
}

void TXMLElement::SetAttribute(const std::string& AName, const std::string& AValue) {
  if (!HasAttribute(AName)) CheckName(AName);
  if (IsNamespaceDeclaration(AName)) throw EDOMError(Format("Имя \"%s\" объявляет пространство имён", AName));
  TBstr Name(AName);
  TVariant Value(Detail::MakeWritableText(AValue));
  Check(ElementOf(*this)->setAttribute(Name.Get(), Value.Get()), "IXMLDOMElement::setAttribute");
}

void TXMLElement::RemoveAttribute(const std::string& AName) {
  if (!HasAttribute(AName)) return;
  TBstr Name(AName);
  Check(ElementOf(*this)->removeAttribute(Name.Get()), "IXMLDOMElement::removeAttribute");
}

std::vector<std::string> TXMLElement::AttributeNames() const {
  std::vector<std::string> Names;
  for (const TComPtr<IXMLDOMNode>& Attribute : AttributeNodes(*this).Nodes)
    if (std::string Name = NameOf(Attribute.Get()); !IsNamespaceDeclaration(Name)) Names.push_back(std::move(Name));
  return Names;
}

std::vector<std::pair<std::string, std::string>> TXMLElement::NamespaceDeclarations() const {
  std::vector<std::pair<std::string, std::string>> Declarations;
  const TAttributeNodes Attributes = AttributeNodes(*this);
  bool HasDefault = false;
  for (const TComPtr<IXMLDOMNode>& Attribute : Attributes.Nodes) {
    if (const std::string Name = NameOf(Attribute.Get()); IsNamespaceDeclaration(Name)) {
      HasDefault = HasDefault || Name == "xmlns";
      Declarations.emplace_back(Name.size() > 6 ? Name.substr(6) : std::string(), ValueOf(Attribute.Get()));
    }
  }
  // What MSXML did not hand out is read from the element's own markup, so no namespace is lost.
  if (Attributes.Missing && !HasDefault) {
    TBstr Markup;
    Check(CheckedRaw(*this)->get_xml(Markup.Receive()), "IXMLDOMNode::get_xml");
    return DeclarationsOfStartTag(Markup.Utf8());
  }
  return Declarations;
}

void TXMLElement::RemoveAllAttributes() {
  for (const std::string& Name : AttributeNames()) RemoveAttribute(Name);
}

void TXMLElement::RemoveAllChildren() {
  IXMLDOMNode* Node = CheckedRaw(*this);
  for (TComPtr<IXMLDOMNode> Child = FirstChildOf(Node); Child; Child = FirstChildOf(Node)) {
    TComPtr<IXMLDOMNode> Removed;
    Check(Node->removeChild(Child.Get(), Removed.Receive()), "IXMLDOMNode::removeChild");
  }
}

TXMLElement TXMLElement::FindChildElement(const std::string& ATagName) const {
  for (TComPtr<IXMLDOMNode> Child = FirstChildOf(CheckedRaw(*this)); Child; Child = NextSiblingOf(Child.Get()))
    if (TypeOf(Child.Get()) == NODE_ELEMENT && NameOf(Child.Get()) == ATagName)
      return TXMLDocumentData::WrapElement(Data(), std::move(Child));
  return TXMLElement();
}

TXMLElement TXMLElement::AddChild(const std::string& ATagName) {
  TXMLElement Child = OwnerDocument().CreateElement(ATagName);
  AppendChild(Child);
  return Child;
}

// ---- TXMLDocument ---------------------------------------------------------------------------------

TXMLDocument TXMLDocument::Create() { return TXMLDocument(std::make_shared<TXMLDocumentData>(NewMsxmlDocument())); }

namespace {

// MSXML's own account of a failed load: its reason with the line and column where it gives them
// (Wine's gives neither).
[[noreturn]] void RaiseParseError(IXMLDOMDocument2* ADoc) {
  TComPtr<IXMLDOMParseError> Error;
  std::string Reason;
  long Line = 0, Column = 0;
  if (SUCCEEDED(ADoc->get_parseError(Error.Receive())) && Error) {
    TBstr Text;
    if (SUCCEEDED(Error->get_reason(Text.Receive()))) Reason = Trim(Text.Utf8());
    if (FAILED(Error->get_line(&Line))) Line = 0;
    if (FAILED(Error->get_linepos(&Column))) Column = 0;
  }
  if (Reason.empty()) Reason = "The document is not well-formed";
  if (Line > 0) Reason += Format(" (line %d, column %d)", static_cast<int>(Line), static_cast<int>(Column));
  throw EDOMParseError(Reason);
}

void LoadInto(IXMLDOMDocument2* ADoc, const std::string& ABytes) {
  if (ABytes.size() > static_cast<std::size_t>(LONG_MAX)) throw EDOMParseError("Document is too large");
  SAFEARRAY* Array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(ABytes.size()));
  if (!Array) throw EDOMError("Out of memory");
  TVariant Source;
  Source.Get().vt = VT_ARRAY | VT_UI1;
  Source.Get().parray = Array;  // the variant owns it now
  void* Data = nullptr;
  Check(::SafeArrayAccessData(Array, &Data), "SafeArrayAccessData");
  std::copy(ABytes.begin(), ABytes.end(), static_cast<char*>(Data));
  ::SafeArrayUnaccessData(Array);
  VARIANT_BOOL Loaded = VARIANT_FALSE;
  const HRESULT Result = ADoc->load(Source.Get(), &Loaded);
  if (FAILED(Result) && Result != S_FALSE) {
    TComPtr<IXMLDOMParseError> Error;
    if (FAILED(ADoc->get_parseError(Error.Receive())) || !Error) Fail(Result, "IXMLDOMDocument::load");
  }
  if (Loaded != VARIANT_TRUE) RaiseParseError(ADoc);
}

// The declaration is ours to keep: MSXML's node for it goes, so the tree holds what the file's
// tree holds and nothing but our serializer writes a declaration.
void DropDeclarationNode(IXMLDOMDocument2* ADoc) {
  TComPtr<IXMLDOMNode> Document = Borrowed(ADoc).As<IXMLDOMNode>(IID_IXMLDOMNode);
  TComPtr<IXMLDOMNode> First = FirstChildOf(Document.Get());
  if (First && TypeOf(First.Get()) == NODE_PROCESSING_INSTRUCTION && NameOf(First.Get()) == "xml") {
    TComPtr<IXMLDOMNode> Removed;
    Check(Document->removeChild(First.Get(), Removed.Receive()), "IXMLDOMNode::removeChild");
  }
}

}  // namespace

void TXMLDocument::LoadFromBytes(std::string_view ABytes, const std::string& AFileName, const std::string& AEncoding) {
  Assert(!IsNull(), "Loading into a null XML document", SourceUnit);
  (void)AFileName;
  std::string Bytes(ABytes);
  const TXMLProlog Prolog = ReadXMLProlog(Bytes);
  if (std::optional<std::string> Text = TextForMsxml(Bytes, AEncoding.empty() ? Prolog.Encoding : AEncoding, !AEncoding.empty()))
    Bytes = std::move(*Text);
  // A fresh document, so that a failed load leaves the previous content as it was.
  TComPtr<IXMLDOMDocument2> Doc = NewMsxmlDocument();
  LoadInto(Doc.Get(), Bytes);
  DropDeclarationNode(Doc.Get());
  TComPtr<IXMLDOMNode> Root = Doc.As<IXMLDOMNode>(IID_IXMLDOMNode);
  DropBlankText(Root.Get());
  FData->Replaced.push_back(std::move(FData->Doc));
  FData->Doc = std::move(Doc);
  FData->Version = Prolog.HasDeclaration ? Prolog.Version : "1.0";
  FData->Encoding = Prolog.Encoding;
  FData->Standalone = Prolog.Standalone;
}

TXMLElement TXMLDocument::DocumentElement() const {
  if (!FData) return TXMLElement();
  TComPtr<IXMLDOMElement> Root;
  Check(FData->Doc->get_documentElement(Root.Receive()), "IXMLDOMDocument::get_documentElement");
  return TXMLDocumentData::WrapElement(FData, Root.As<IXMLDOMNode>(IID_IXMLDOMNode));
}

void TXMLDocument::SetDocumentElement(const TXMLElement& AElement) {
  Assert(!AElement.IsNull(), "Operation on a null XML node", SourceUnit);
  if (TXMLDocumentData::Of(AElement) != FData) throw EDOMError("The element belongs to another document");
  const TComPtr<IXMLDOMElement> Element = ElementOf(AElement);
  Check(FData->Doc->putref_documentElement(Element.Get()), "IXMLDOMDocument::putref_documentElement");
}

TXMLElement TXMLDocument::CreateElement(const std::string& ATagName) const {
  Assert(!IsNull(), "Creating an element in a null XML document", SourceUnit);
  CheckName(ATagName);
  TBstr Name(ATagName);
  TComPtr<IXMLDOMElement> Element;
  Check(FData->Doc->createElement(Name.Get(), Element.Receive()), "IXMLDOMDocument::createElement");
  return TXMLDocumentData::WrapElement(FData, Element.As<IXMLDOMNode>(IID_IXMLDOMNode));
}

TXMLNode TXMLDocument::CreateTextNode(const std::string& AText) const {
  Assert(!IsNull(), "Creating a text node in a null XML document", SourceUnit);
  TBstr Text(Detail::MakeWritableText(AText));
  TComPtr<IXMLDOMText> Node;
  Check(FData->Doc->createTextNode(Text.Get(), Node.Receive()), "IXMLDOMDocument::createTextNode");
  return TXMLDocumentData::Wrap(FData, Node.As<IXMLDOMNode>(IID_IXMLDOMNode));
}

TXMLNode TXMLDocument::AsNode() const { return FData ? TXMLDocumentData::Wrap(FData, FData->DocumentNode()) : TXMLNode(); }

std::string TXMLDocument::Version() const { return FData ? FData->Version : ""; }

int TXMLDocument::Standalone() const { return FData ? FData->Standalone : -1; }

std::string TXMLDocument::Encoding() const { return FData ? FData->Encoding : ""; }

void TXMLDocument::SetEncoding(const std::string& AEncoding) {
  Assert(!IsNull(), "Setting the encoding of a null XML document", SourceUnit);
  FData->Encoding = AEncoding;
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

std::string TXMLDocument::SaveToBytes() const { return WriteXMLBytes(*this); }

// ---- XPath --------------------------------------------------------------------------------------

namespace {

// The declarations as MSXML is given them: only prefixed ones, each in quotes it can read.
std::string MsxmlNamespaces(const std::string& AText) {
  std::string Result;
  for (const auto& [Prefix, Uri] : Detail::ParseSelectionNamespaces(AText)) {
    if (!Result.empty()) Result += ' ';
    const char Quote = Uri.find('\'') == std::string::npos ? '\'' : '"';
    Result += "xmlns:" + Prefix + "=" + Quote + Uri + Quote;
  }
  return Result;
}

std::vector<TXMLNode> Evaluate(const TXMLNode& ANode, const std::string& AXPath) {
  IXMLDOMNode* Node = CheckedRaw(ANode);
  const std::shared_ptr<TXMLDocumentData>& Data = TXMLDocumentData::Of(ANode);
  TBstr Property("SelectionNamespaces");
  TVariant Namespaces(MsxmlNamespaces(ANode.OwnerDocument().GetProperty("SelectionNamespaces")));
  if (FAILED(Data->Doc->setProperty(Property.Get(), Namespaces.Get())))
    throw EDOMError(Format("Invalid namespace declarations: %s", ANode.OwnerDocument().GetProperty("SelectionNamespaces")));
  TBstr Query(AXPath);
  TComPtr<IXMLDOMNodeList> List;
  if (Node->selectNodes(Query.Get(), List.Receive()) != S_OK || !List) {
    const std::string Reason = LastErrorDescription();
    throw EDOMError(Format("Invalid XPath query \"%s\": %s", AXPath, Reason.empty() ? "unknown error" : Reason));
  }
  long Count = 0;
  Check(List->get_length(&Count), "IXMLDOMNodeList::get_length");
  std::vector<TXMLNode> Nodes;
  Nodes.reserve(static_cast<std::size_t>(Count));
  for (long I = 0; I < Count; ++I) {
    TComPtr<IXMLDOMNode> Item;
    Check(List->get_item(I, Item.Receive()), "IXMLDOMNodeList::get_item");
    if (Item) Nodes.push_back(TXMLDocumentData::Wrap(Data, std::move(Item)));
  }
  return Nodes;
}

}  // namespace

TXMLNodeList TXMLNode::SelectNodes(const std::string& AXPath) const { return TXMLNodeList(Evaluate(*this, AXPath)); }

}  // namespace Quellit
