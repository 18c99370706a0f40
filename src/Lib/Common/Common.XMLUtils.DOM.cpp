// The parts of the DOM every backend shares: the text a document can hold, node lists, and
// reading and writing whole files.
#include "Lib/Common/Common.XMLUtils.DOM.h"

#include "Lib/Common/Common.Format.h"
#include "Lib/Text/Text.Engine.h"
#include "Platform/File.h"

namespace Quellit {

namespace {

constexpr char32_t ReplacementChar = 0xFFFD;

bool IsSurrogate(char32_t ACode) { return ACode >= 0xD800 && ACode <= 0xDFFF; }
bool IsHighSurrogate(char32_t ACode) { return ACode >= 0xD800 && ACode <= 0xDBFF; }
bool IsLowSurrogate(char32_t ACode) { return ACode >= 0xDC00 && ACode <= 0xDFFF; }
bool IsNonCharacter(char32_t ACode) { return (ACode >= 0xFDD0 && ACode <= 0xFDEF) || (ACode & 0xFFFE) == 0xFFFE; }
// The control characters XML 1.0 forbids everywhere, even as character references.
bool IsForbiddenControl(char32_t ACode) { return ACode <= 8 || ACode == 11 || ACode == 12 || (ACode >= 14 && ACode <= 31); }

}  // namespace

// ---- text the file can hold -------------------------------------------------------------------

namespace Detail {

// One UTF-8 sequence at APos, surrogates included (they are judged by the caller); ALength is what
// it spans. Nothing for a malformed sequence, whose ALength then covers its lead byte and the
// continuation bytes that follow it, so one U+FFFD stands for the whole of it.
std::optional<char32_t> DecodeUtf8(std::string_view AText, std::size_t APos, std::size_t& ALength) {
  const auto Lead = static_cast<unsigned char>(AText[APos]);
  ALength = 1;
  if (Lead < 0x80) return Lead;
  const std::size_t Needed = (Lead >> 5) == 0x6 ? 2 : (Lead >> 4) == 0xE ? 3 : (Lead >> 3) == 0x1E ? 4 : 0;
  if (Needed == 0) return std::nullopt;
  char32_t Code = Lead & (0x7F >> Needed);
  for (; ALength < Needed && APos + ALength < AText.size(); ++ALength) {
    const auto Next = static_cast<unsigned char>(AText[APos + ALength]);
    if ((Next & 0xC0) != 0x80) break;
    Code = (Code << 6) | (Next & 0x3F);
  }
  constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (ALength < Needed || Code < Smallest[Needed] || Code > 0x10FFFF) return std::nullopt;
  return Code;
}

bool IsCleanText(std::string_view AText) {
  for (std::size_t Pos = 0, Length = 0; Pos < AText.size(); Pos += Length) {
    const std::optional<char32_t> Code = DecodeUtf8(AText, Pos, Length);
    if (!Code || IsSurrogate(*Code) || IsNonCharacter(*Code) || IsForbiddenControl(*Code)) return false;
  }
  return true;
}

// Text every XML parser reads back: malformed UTF-8 becomes U+FFFD; a surrogate pair written as
// two three-byte sequences becomes its character; unpaired surrogates, non-characters and the
// forbidden control characters are dropped.
std::string MakeWritableText(std::string_view AText) {
  if (IsCleanText(AText)) return std::string(AText);
  std::string Result;
  Result.reserve(AText.size());
  for (std::size_t Pos = 0, Length = 0; Pos < AText.size(); Pos += Length) {
    const std::optional<char32_t> Code = DecodeUtf8(AText, Pos, Length);
    if (!Code) {
      Text::AppendUtf8(Result, ReplacementChar);
    } else if (IsHighSurrogate(*Code)) {
      std::size_t LowLength = 0;
      const std::optional<char32_t> Low =
          Pos + Length < AText.size() ? DecodeUtf8(AText, Pos + Length, LowLength) : std::nullopt;
      if (Low && IsLowSurrogate(*Low)) {
        Text::AppendUtf8(Result, 0x10000 + ((*Code - 0xD800) << 10) + (*Low - 0xDC00));
        Length += LowLength;
      }
    } else if (!IsSurrogate(*Code) && !IsNonCharacter(*Code) && !IsForbiddenControl(*Code)) {
      Result.append(AText.substr(Pos, Length));
    }
  }
  return Result;
}


std::vector<std::pair<std::string, std::string>> ParseSelectionNamespaces(const std::string& AText) {
  std::vector<std::pair<std::string, std::string>> Result;
  std::size_t Pos = 0;
  auto Fail = [&AText]() { return EDOMError(Format("Invalid namespace declarations: %s", AText)); };
  while (true) {
    Pos = AText.find_first_not_of(" \t\r\n", Pos);
    if (Pos == std::string::npos) return Result;
    if (AText.compare(Pos, 5, "xmlns") != 0) throw Fail();
    Pos += 5;
    std::string Prefix;
    if (Pos < AText.size() && AText[Pos] == ':') {
      const std::size_t Eq = AText.find('=', Pos);
      if (Eq == std::string::npos) throw Fail();
      Prefix = AText.substr(Pos + 1, Eq - Pos - 1);
      if (Prefix.empty()) throw Fail();
      Pos = Eq;
    }
    if (Pos + 1 >= AText.size() || AText[Pos] != '=' || (AText[Pos + 1] != '\'' && AText[Pos + 1] != '"')) throw Fail();
    const std::size_t Close = AText.find(AText[Pos + 1], Pos + 2);
    if (Close == std::string::npos) throw Fail();
    if (!Prefix.empty()) Result.emplace_back(Prefix, AText.substr(Pos + 2, Close - Pos - 2));
    Pos = Close + 1;
  }
}

namespace {

bool IsNameStartChar(char32_t C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == ':' || C == '_' || (C >= 0xC0 && C <= 0xD6) ||
         (C >= 0xD8 && C <= 0xF6) || (C >= 0xF8 && C <= 0x2FF) || (C >= 0x370 && C <= 0x37D) || (C >= 0x37F && C <= 0x1FFF) ||
         (C >= 0x200C && C <= 0x200D) || (C >= 0x2070 && C <= 0x218F) || (C >= 0x2C00 && C <= 0x2FEF) ||
         (C >= 0x3001 && C <= 0xD7FF) || (C >= 0xF900 && C <= 0xFDCF) || (C >= 0xFDF0 && C <= 0xFFFD) ||
         (C >= 0x10000 && C <= 0xEFFFF);
}

bool IsNameChar(char32_t C) {
  return IsNameStartChar(C) || C == '-' || C == '.' || (C >= '0' && C <= '9') || C == 0xB7 || (C >= 0x300 && C <= 0x36F) ||
         (C >= 0x203F && C <= 0x2040);
}

}  // namespace

bool IsXMLName(std::string_view AName) {
  if (AName.empty() || !IsCleanText(AName)) return false;
  bool First = true;
  for (std::size_t Pos = 0, Length = 0; Pos < AName.size(); Pos += Length, First = false) {
    const char32_t Code = DecodeUtf8(AName, Pos, Length).value_or(0);
    if (!(First ? IsNameStartChar(Code) : IsNameChar(Code))) return false;
  }
  return true;
}

}  // namespace Detail

// ---- TXMLNodeList ---------------------------------------------------------------------------------

TXMLNodeList::TXMLNodeList(std::vector<TXMLNode> AItems)
    : FItems(std::make_shared<const std::vector<TXMLNode>>(std::move(AItems))) {}

int TXMLNodeList::Count() const { return FItems ? static_cast<int>(FItems->size()) : 0; }

TXMLNode TXMLNodeList::Item(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) throw EArgumentException(Format("Node list index out of bounds (%d)", AIndex));
  return (*FItems)[static_cast<std::size_t>(AIndex)];
}

std::vector<TXMLNode>::const_iterator TXMLNodeList::begin() const {
  static const std::vector<TXMLNode> Empty;
  return FItems ? FItems->begin() : Empty.begin();
}

std::vector<TXMLNode>::const_iterator TXMLNodeList::end() const {
  static const std::vector<TXMLNode> Empty;
  return FItems ? FItems->end() : Empty.end();
}

// ---- whole files ----------------------------------------------------------------------------------

void TXMLDocument::LoadFromFile(const std::string& AFileName) {
  const std::optional<std::vector<std::uint8_t>> Bytes = Platform::ReadAllBytesAtMost(AFileName, kMaxXMLFileBytes);
  if (!Bytes)
    throw EDOMFileTooLarge(Format("Файл больше допустимых %u байт (%u МиБ) и не прочитан", kMaxXMLFileBytes,
                                  kMaxXMLFileBytes / (1024 * 1024)));
  LoadFromBytes(std::string_view(reinterpret_cast<const char*>(Bytes->data()), Bytes->size()), AFileName);
}

void TXMLDocument::SaveToFile(const std::string& AFileName) const {
  const std::string Bytes = SaveToBytes();
  Platform::WriteAllBytesAtomic(AFileName, Bytes.data(), Bytes.size());
}

}  // namespace Quellit
