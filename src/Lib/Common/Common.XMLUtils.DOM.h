// The XML document object model the libraries use: document, node, element and node list as
// cheap handles over the parser's tree, with XPath 1.0. One backend holds the tree: libxml2
// (Common.XMLUtils.DOM.Libxml2.cpp) or, on Windows, MSXML 3.0 (Common.XMLUtils.DOM.Msxml.cpp);
// Common.XMLUtils.DOM.cpp holds what they share. Documents are saved by libxml2's serializer there
// and by our own (Common.XMLUtils.Writer.h) with MSXML; both write the same bytes, so the same
// document is the same file on every system.
//
// Handles are values that share their document: a node keeps its document alive, and a node
// removed from the tree stays valid (detached) until the document goes. Text is UTF-8 in memory.
// Documents are parsed without DTD loading, entity substitution or network access; a document that
// declares entities is refused, so nothing a file declares is ever expanded or fetched.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Lib/Common/Common.Exception.h"

namespace Quellit {

class TXMLDocument;
class TXMLElement;
class TXMLNodeList;

namespace Detail {
class TXMLDocumentData;  // owns the parser's tree; defined in the .cpp only
// Sets the parser up for every user of it (libxml2: no external entities, the system's
// Windows-1251 codec, nothing printed; MSXML: the thread's COM apartment); EDOMUnavailable when
// the XML component cannot serve.
void EnsureXMLLibrary();
// The character of every byte of a one-byte encoding the backend knows by AEncoding's name
// ("KOI8-R", "ISO-8859-5"); Text::InvalidCodePoint for a byte it leaves unassigned. False for an
// unknown name or an encoding of several bytes a character.
bool SingleByteEncodingTable(const std::string& AEncoding, std::array<char32_t, 256>& ATable);

// One UTF-8 sequence at APos, surrogates included; ALength is what it spans. Nothing for a
// malformed sequence, whose ALength then covers its lead byte and the continuation bytes after it.
std::optional<char32_t> DecodeUtf8(std::string_view AText, std::size_t APos, std::size_t& ALength);
// Whether every character of the UTF-8 text may stand in a document as it is.
bool IsCleanText(std::string_view AText);
// Text every XML parser reads back: malformed UTF-8 becomes U+FFFD; a surrogate pair written as
// two three-byte sequences becomes its character; unpaired surrogates, non-characters and the
// control characters XML forbids are dropped.
std::string MakeWritableText(std::string_view AText);
// The prefixes of a "SelectionNamespaces" text ("xmlns:p='uri'" declarations separated by blanks)
// with their namespace names; EDOMError for any other text. A default namespace declaration is
// accepted and left out: XPath 1.0 names without a prefix never have a namespace.
std::vector<std::pair<std::string, std::string>> ParseSelectionNamespaces(const std::string& AText);
// Whether the UTF-8 text is an XML 1.0 name (fifth edition), prefixed names included.
bool IsXMLName(std::string_view AName);
}

// ---- errors of the DOM itself ---------------------------------------------------------------------

// A DOM operation failed: an invalid name, an invalid XPath query or namespace declaration.
class EDOMError : public Exception {
  using Exception::Exception;
};
// The text is not a well-formed (or not an acceptable) XML document. The message is the parser's
// explanation with the line and column.
class EDOMParseError : public EDOMError {
  using EDOMError::EDOMError;
};
// The document holds what its encoding cannot carry as it is: a name, or the text of a comment, a
// CDATA section or a processing instruction (where no character reference can stand for a
// character), or the encoding is unknown. The message is the system's own and names it.
class EDOMEncodingError : public EDOMError {
  using EDOMError::EDOMError;
};
// A file is larger than kMaxXMLFileBytes: it is not read at all.
class EDOMFileTooLarge : public EDOMError {
  using EDOMError::EDOMError;
};
// The XML component cannot serve: libxml2's run-time library is older than the one we were built
// for, or MSXML 3.0 cannot be created.
class EDOMUnavailable : public EDOMError {
  using EDOMError::EDOMError;
};

// The largest XML file LoadFromFile reads. Options and settings files hold sections of a few
// hundred bytes each, so this leaves room for tens of thousands of connections, while a hostile
// file (the tree costs several times its bytes) cannot fill the memory.
inline constexpr std::size_t kMaxXMLFileBytes = 16 * 1024 * 1024;

// ---- DOM ------------------------------------------------------------------------------------------

enum class TXMLNodeType { Element, Attribute, Text, CData, Comment, ProcessingInstruction, Document, Other };

// A node of a document, or null. Copies refer to the same node.
class TXMLNode {
 public:
  TXMLNode() = default;

  bool IsNull() const { return FNode == nullptr; }
  explicit operator bool() const { return FNode != nullptr; }
  TXMLNodeType NodeType() const;
  bool IsElement() const { return FNode && NodeType() == TXMLNodeType::Element; }

  // The qualified name ("d:href"); "#text", "#cdata-section", "#comment", "#document" for those.
  std::string NodeName() const;
  std::string LocalName() const;   // the name without its prefix
  std::string NamespaceURI() const;
  // The text of the node and all its descendants; an attribute's value.
  std::string Text() const;
  // Replaces the node's content by one text node (an element) or its value (others). Text set on a
  // node (here, by SetAttribute or CreateTextNode) is made writable first: malformed UTF-8 becomes
  // U+FFFD; unpaired surrogates, non-characters and the control characters XML forbids are dropped.
  void SetText(const std::string& AText);

  TXMLNode ParentNode() const;
  TXMLNode FirstChild() const;
  TXMLNode NextSibling() const;
  bool HasChildNodes() const;
  // A snapshot of the children in document order.
  TXMLNodeList ChildNodes() const;
  // Moves ANewChild (a node of the same document) to the end of this node's children.
  TXMLNode AppendChild(const TXMLNode& ANewChild);
  // Detaches AChild; handles to it stay valid until the document goes.
  void RemoveChild(const TXMLNode& AChild);

  TXMLDocument OwnerDocument() const;
  // This element or null.
  TXMLElement AsElement() const;
  // The node serialized as UTF-8 markup, without indentation.
  std::string XML() const;
  // All nodes the XPath 1.0 query selects with this node as context, in document order. Prefixes
  // are those the document's "SelectionNamespaces" property declares.
  TXMLNodeList SelectNodes(const std::string& AXPath) const;

  friend bool operator==(const TXMLNode& A, const TXMLNode& B) { return A.FNode == B.FNode; }

 protected:
  TXMLNode(std::shared_ptr<Detail::TXMLDocumentData> ADoc, void* ANode);
  void* Raw() const { return FNode; }
  const std::shared_ptr<Detail::TXMLDocumentData>& Data() const { return FDoc; }

  friend class Detail::TXMLDocumentData;
  friend class TXMLDocument;

 private:
  std::shared_ptr<Detail::TXMLDocumentData> FDoc;
  void* FNode = nullptr;
};

// An element, or null.
class TXMLElement : public TXMLNode {
 public:
  TXMLElement() = default;

  std::string TagName() const { return NodeName(); }
  bool HasAttribute(const std::string& AName) const;
  // The attribute's text, or nothing when the element does not have it.
  std::optional<std::string> GetAttribute(const std::string& AName) const;
  // Replaces an existing attribute's value in place, or appends a new attribute.
  void SetAttribute(const std::string& AName, const std::string& AValue);
  void RemoveAttribute(const std::string& AName);
  // The names of the element's attributes in their order, namespace declarations aside.
  std::vector<std::string> AttributeNames() const;
  // The namespace declarations the element itself makes, in their order: prefix (empty for the
  // default namespace) and namespace name.
  std::vector<std::pair<std::string, std::string>> NamespaceDeclarations() const;
  void RemoveAllAttributes();
  void RemoveAllChildren();
  // The first child element whose node name (prefix included) is ATagName, or null.
  TXMLElement FindChildElement(const std::string& ATagName) const;
  // Creates an element named ATagName and appends it as the last child.
  TXMLElement AddChild(const std::string& ATagName);

 private:
  using TXMLNode::TXMLNode;
  friend class TXMLNode;
  friend class TXMLDocument;
};

// A list of nodes of one document, or null (CreateEmpty enumerables hold null lists).
class TXMLNodeList {
 public:
  TXMLNodeList() = default;
  explicit TXMLNodeList(std::vector<TXMLNode> AItems);

  bool IsNull() const { return !FItems; }
  int Count() const;
  TXMLNode Item(int AIndex) const;  // EArgumentException outside 0..Count-1
  std::vector<TXMLNode>::const_iterator begin() const;
  std::vector<TXMLNode>::const_iterator end() const;

 private:
  std::shared_ptr<const std::vector<TXMLNode>> FItems;
};

// A document, or null. Copies share one document; it goes with its last handle (node handles count).
class TXMLDocument {
 public:
  TXMLDocument() = default;
  // A new empty document: version "1.0", no encoding, no root, not indented.
  static TXMLDocument Create();

  bool IsNull() const { return !FData; }
  explicit operator bool() const { return static_cast<bool>(FData); }

  // Replace the content by the parsed text. Failures: EOSError (file), EDOMFileTooLarge (a file
  // over kMaxXMLFileBytes), EDOMParseError (text); a failed load leaves the previous content.
  void LoadFromFile(const std::string& AFileName);
  // AEncoding, when not empty, overrides what the text declares ("UTF-8", "windows-1251").
  void LoadFromBytes(std::string_view ABytes, const std::string& AFileName = {}, const std::string& AEncoding = {});

  TXMLElement DocumentElement() const;
  // Makes AElement (created by this document) the root, replacing any previous root.
  void SetDocumentElement(const TXMLElement& AElement);
  TXMLElement CreateElement(const std::string& ATagName) const;
  TXMLNode CreateTextNode(const std::string& AText) const;
  TXMLNode AsNode() const;

  std::string Version() const;
  // What the declaration says of standalone: 1 "yes", 0 "no", -1 nothing.
  int Standalone() const;
  // The encoding the declaration names ("windows-1251", "UTF-8"); empty when none.
  std::string Encoding() const;
  void SetEncoding(const std::string& AEncoding);
  // When set, saving puts every element that holds only elements on its own lines, indented two
  // spaces per level. Whitespace between elements is never kept when loading, so without this a
  // loaded document saves on one line.
  bool Indented() const;
  void SetIndented(bool AValue);

  // Named properties of the document; SelectNode and friends use "SelectionLanguage" and
  // "SelectionNamespaces" ("xmlns:d='DAV:'" declarations). Unknown names read as empty.
  std::string GetProperty(const std::string& AName) const;
  void SetProperty(const std::string& AName, const std::string& AValue);

  // The document's bytes in its encoding (UTF-8 when it has none): the declaration, then the tree;
  // lines end with CR LF. Characters the encoding cannot hold are written as character references
  // in attribute values and text; anywhere else (a name, a comment) they raise EDOMEncodingError.
  // Any failure of the serializer raises EDOMError: what is returned always reads back.
  std::string SaveToBytes() const;
  // Writes SaveToBytes through a temporary file and one rename; a failure leaves the file as it was.
  void SaveToFile(const std::string& AFileName) const;

  friend bool operator==(const TXMLDocument& A, const TXMLDocument& B) { return A.FData == B.FData; }

 private:
  explicit TXMLDocument(std::shared_ptr<Detail::TXMLDocumentData> AData) : FData(std::move(AData)) {}
  friend class TXMLNode;
  std::shared_ptr<Detail::TXMLDocumentData> FData;
};

}  // namespace Quellit
