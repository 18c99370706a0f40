// Reading an XML document in one forward pass as its bytes arrive, without building a tree: the
// reader tells a handler where each element starts and ends and hands it the character data in
// between. What it keeps in memory does not grow with the document, so answers of any size can be
// read while they are still arriving. (On Windows the reader gathers the bytes and walks MSXML's
// tree at Finish instead: the handler then hears everything there, whitespace-only text between
// elements aside, and memory grows with the document.)
//
// The same safety as the DOM loader: no DTD or external entity is ever loaded, nothing comes from
// the network, and a document that declares entities is refused, so nothing it declares is
// expanded. Elements may nest kXMLReaderMaxDepth levels deep at most.
#pragma once

#include <memory>
#include <string_view>

#include "Lib/Common/Common.XMLUtils.DOM.h"

namespace Quellit {

inline constexpr int kXMLReaderMaxDepth = 256;

// The views are valid only during the call. Names are UTF-8 whatever the document's encoding;
// ANamespaceURI is empty for an element in no namespace.
class TXMLReaderHandler {
 public:
  virtual ~TXMLReaderHandler() = default;
  virtual void StartElement(std::string_view ANamespaceURI, std::string_view ALocalName) = 0;
  virtual void EndElement() = 0;
  // One text may arrive in several pieces; markup (an element, a comment) ends it. ACData: the
  // piece comes from a CDATA section.
  virtual void Characters(std::string_view AText, bool ACData) = 0;
};

class TXMLStreamReader {
 public:
  explicit TXMLStreamReader(TXMLReaderHandler& AHandler);
  TXMLStreamReader(const TXMLStreamReader&) = delete;
  TXMLStreamReader& operator=(const TXMLStreamReader&) = delete;
  ~TXMLStreamReader();

  // Reads the next bytes of the document; the handler hears what they complete. A document that
  // is not well-formed, declares entities or nests too deep raises EDOMParseError (the parser's
  // explanation with line and column); an exception of the handler passes unchanged. After
  // either, every further call raises EDOMParseError again.
  void Feed(std::string_view ABytes);
  // The end of the document: EDOMParseError when it is incomplete or empty.
  void Finish();

  // A whole document held in memory.
  static void Parse(std::string_view ABytes, TXMLReaderHandler& AHandler);

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

}  // namespace Quellit
