// What the bytes of an XML document say before its root element, read without a parser: the
// declaration's version, encoding and standalone, and the place of a document type declaration.
// A DOM that would read a document type declaration (and expand what it declares, or fetch what
// it names) never gets to see one: it is blanked out of the bytes first, line breaks kept so the
// parser's positions stay right, and a document that declares entities is refused outright.
//
// Reads the code units of UTF-8 and every encoding that extends ASCII, and of UTF-16 in either
// byte order with or without its byte-order mark; the prolog's markup is ASCII in all of them.
#pragma once

#include <string>

namespace Quellit {

struct TXMLProlog {
  bool HasDeclaration = false;
  std::string Version;   // as declared; empty without a declaration
  std::string Encoding;  // as declared; empty when the declaration names none
  int Standalone = -1;   // 1 "yes", 0 "no", -1 not said
  bool HadDocumentType = false;
};

// Reads the prolog of ABytes and blanks out a document type declaration in place. Raises
// EDOMParseError "Entity declarations are not allowed" for one that declares entities, and for
// one that does not end before the bytes do.
TXMLProlog ReadXMLProlog(std::string& ABytes);

}  // namespace Quellit
