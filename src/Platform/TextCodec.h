// The platform's own text decoding for the files it reads (registry exports, INI files): byte-order
// marks, UTF-8, UTF-16 and the ANSI code page (Windows-1251), plus the case folding its
// case-insensitive names need. Text in memory is UTF-8.
#pragma once

#include <string>
#include <string_view>

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

// Upper-case fold of every character (Cyrillic included), for comparing names without regard to case.
std::string FoldCase(std::string_view AText);
bool SameName(std::string_view A, std::string_view B);

}  // namespace Quellit::Platform
