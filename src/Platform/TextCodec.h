// The platform's own text decoding for the files it reads (registry exports, INI files): byte-order
// marks, UTF-8, UTF-16 and the ANSI code page (Windows-1251), plus the case folding its
// case-insensitive names need. Text in memory is UTF-8; the conversions and the folding are the
// text engine's.
#pragma once

#include <string>
#include <string_view>

#include "Lib/Text/Text.Engine.h"

namespace Quellit::Platform {

enum class TTextEncoding { Utf8, Utf16LE, Utf16BE, Windows1251 };

struct TDecodedText {
  std::string Text;  // UTF-8, without the byte-order mark
  TTextEncoding Encoding = TTextEncoding::Utf8;
  bool HasBom = false;
};

// Detects the encoding: a UTF-8 or UTF-16 byte-order mark; else UTF-8 when the bytes are valid
// UTF-8; else Windows-1251. Never fails: undecodable units become U+FFFD.
TDecodedText DecodeText(std::string_view ABytes);
// Decodes bytes known to be in AEncoding (no byte-order mark expected).
std::string DecodeAs(std::string_view ABytes, TTextEncoding AEncoding);
// Encodes UTF-8 text, with the encoding's byte-order mark first when ABom is set (Windows-1251 has
// none). Characters Windows-1251 cannot hold become "?"; check with CanEncode first when that matters.
std::string EncodeText(std::string_view AText, TTextEncoding AEncoding, bool ABom = false);
bool CanEncode(std::string_view AText, TTextEncoding AEncoding);

bool IsValidUtf8Bytes(std::string_view ABytes);

// Names (files, INI sections and keys, registry keys and values) compare as the product's platform
// compares them: the text engine's ordinal folding, each UTF-16 code unit upper-cased by its simple
// mapping (Cyrillic included; "ß" stays "ß"). Bytes that are not UTF-8 stay as they are.
inline std::string FoldCase(std::string_view AText) { return Text::OrdinalUpperCase(AText); }
inline bool SameName(std::string_view A, std::string_view B) { return Text::SameOrdinalIgnoreCase(A, B); }

}  // namespace Quellit::Platform
