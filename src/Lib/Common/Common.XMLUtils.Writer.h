// The system's own XML serializer, written over the DOM types alone so that every backend saves
// the same bytes for the same document: the declaration, the tree in the document's encoding
// (UTF-8 when it has none), elements that hold only elements on their own lines, indented two
// spaces a level, when the document is indented, and lines ending with CR LF in the encodings
// that extend ASCII. A character the encoding lacks is written as a character reference in text
// and attribute values; in a name, a comment, a CDATA section or a processing instruction it
// refuses the document (EDOMEncodingError naming it), as it could only be written as other text.
#pragma once

#include <string>

#include "Lib/Common/Common.XMLUtils.DOM.h"

namespace Quellit {

std::string WriteXMLBytes(const TXMLDocument& ADoc);
// One node and what it holds as UTF-8 markup, on one line and without a declaration; the values'
// characters beyond ASCII as references when the document has no encoding.
std::string WriteXMLNode(const TXMLNode& ANode);

}  // namespace Quellit
