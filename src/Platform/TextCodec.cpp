#include "Platform/TextCodec.h"

namespace Quellit::Platform {
namespace {

bool StartsWith(std::string_view ABytes, std::string_view APrefix) { return ABytes.substr(0, APrefix.size()) == APrefix; }

// UTF-16 in either byte order; a lone surrogate or a trailing odd byte becomes U+FFFD.
std::string DecodeUtf16(std::string_view ABytes, bool ABigEndian) {
  std::u16string Units;
  Units.reserve(ABytes.size() / 2 + 1);
  for (std::size_t I = 0; I + 1 < ABytes.size(); I += 2) {
    const auto First = static_cast<unsigned char>(ABytes[I]), Second = static_cast<unsigned char>(ABytes[I + 1]);
    Units.push_back(static_cast<char16_t>(ABigEndian ? (First << 8) | Second : (Second << 8) | First));
  }
  std::string Result = Text::Utf16ToUtf8(Units);
  if (ABytes.size() % 2 != 0) Text::AppendUtf8(Result, Text::ReplacementCharacter);
  return Result;
}

std::string EncodeUtf16(std::string_view AText, bool ABigEndian) {
  std::string Result;
  for (char16_t Unit : Text::Utf8ToUtf16(AText)) {
    const auto High = static_cast<char>(Unit >> 8), Low = static_cast<char>(Unit & 0xFF);
    Result.push_back(ABigEndian ? High : Low);
    Result.push_back(ABigEndian ? Low : High);
  }
  return Result;
}

}  // namespace

bool IsValidUtf8Bytes(std::string_view ABytes) { return Text::IsValidUtf8(ABytes); }

std::string DecodeAs(std::string_view ABytes, TTextEncoding AEncoding) {
  switch (AEncoding) {
    case TTextEncoding::Utf8: return Text::SanitizeUtf8(ABytes);
    case TTextEncoding::Utf16LE: return DecodeUtf16(ABytes, false);
    case TTextEncoding::Utf16BE: return DecodeUtf16(ABytes, true);
    case TTextEncoding::Windows1251: return Text::DecodeCodePage(ABytes, Text::TCodePage::Windows1251);
  }
  return Text::SanitizeUtf8(ABytes);
}

TDecodedText DecodeText(std::string_view ABytes) {
  static constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF", Utf16LEBom = "\xFF\xFE", Utf16BEBom = "\xFE\xFF";
  if (StartsWith(ABytes, Utf8Bom)) return {Text::SanitizeUtf8(ABytes.substr(3)), TTextEncoding::Utf8, true};
  if (StartsWith(ABytes, Utf16LEBom))
    return {DecodeAs(ABytes.substr(2), TTextEncoding::Utf16LE), TTextEncoding::Utf16LE, true};
  if (StartsWith(ABytes, Utf16BEBom))
    return {DecodeAs(ABytes.substr(2), TTextEncoding::Utf16BE), TTextEncoding::Utf16BE, true};
  if (Text::IsValidUtf8(ABytes)) return {std::string(ABytes), TTextEncoding::Utf8, false};
  return {DecodeAs(ABytes, TTextEncoding::Windows1251), TTextEncoding::Windows1251, false};
}

std::string EncodeText(std::string_view AText, TTextEncoding AEncoding, bool ABom) {
  switch (AEncoding) {
    case TTextEncoding::Utf8: return (ABom ? "\xEF\xBB\xBF" : "") + Text::SanitizeUtf8(AText);
    case TTextEncoding::Utf16LE: return (ABom ? "\xFF\xFE" : "") + EncodeUtf16(AText, false);
    case TTextEncoding::Utf16BE: return (ABom ? "\xFE\xFF" : "") + EncodeUtf16(AText, true);
    case TTextEncoding::Windows1251: return Text::EncodeCodePage(AText, Text::TCodePage::Windows1251);
  }
  return Text::SanitizeUtf8(AText);
}

bool CanEncode(std::string_view AText, TTextEncoding AEncoding) {
  if (AEncoding != TTextEncoding::Windows1251) return Text::IsValidUtf8(AText);
  return Text::IsValidUtf8(AText) && Text::CanEncodeCodePage(AText, Text::TCodePage::Windows1251);
}

}  // namespace Quellit::Platform
