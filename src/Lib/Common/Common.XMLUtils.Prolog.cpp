#include "Lib/Common/Common.XMLUtils.Prolog.h"

#include <string_view>

#include "Lib/Common/Common.XMLUtils.DOM.h"

namespace Quellit {

namespace {

constexpr std::size_t NotFound = static_cast<std::size_t>(-1);

// The document's code units after its byte-order mark: bytes, or UTF-16 units of either order.
class TUnits {
 public:
  explicit TUnits(std::string& ABytes) : FBytes(ABytes) {
    const auto Byte = [&](std::size_t I) { return I < ABytes.size() ? static_cast<unsigned char>(ABytes[I]) : 0x100u; };
    if (Byte(0) == 0xEF && Byte(1) == 0xBB && Byte(2) == 0xBF) {
      FStart = 3;
    } else if ((Byte(0) == 0xFF && Byte(1) == 0xFE) || (Byte(0) == 0xFE && Byte(1) == 0xFF)) {
      FStart = 2;
      FWidth = 2;
      FBigEndian = Byte(0) == 0xFE;
    } else if (ABytes.size() >= 2 && (Byte(0) == 0) != (Byte(1) == 0)) {
      // No mark: "<" as one unit of two bytes tells UTF-16 and its order.
      FWidth = 2;
      FBigEndian = Byte(0) == 0;
    }
  }

  std::size_t Count() const { return (FBytes.size() - FStart) / FWidth; }

  char32_t At(std::size_t AIndex) const {
    const std::size_t Pos = FStart + AIndex * FWidth;
    const auto Byte = [&](std::size_t I) { return static_cast<char32_t>(static_cast<unsigned char>(FBytes[I])); };
    if (FWidth == 1) return Byte(Pos);
    return FBigEndian ? (Byte(Pos) << 8) | Byte(Pos + 1) : Byte(Pos) | (Byte(Pos + 1) << 8);
  }

  bool Matches(std::size_t AIndex, std::string_view AText) const {
    if (AIndex + AText.size() > Count()) return false;
    for (std::size_t I = 0; I < AText.size(); ++I)
      if (At(AIndex + I) != static_cast<unsigned char>(AText[I])) return false;
    return true;
  }

  std::size_t Find(std::size_t AFrom, std::string_view AText) const {
    for (std::size_t I = AFrom; I + AText.size() <= Count(); ++I)
      if (Matches(I, AText)) return I;
    return NotFound;
  }

  // A blank in place of every unit but line breaks.
  void Blank(std::size_t AFrom, std::size_t ATo) {
    for (std::size_t I = AFrom; I < ATo; ++I) {
      if (At(I) == '\r' || At(I) == '\n') continue;
      const std::size_t Pos = FStart + I * FWidth;
      FBytes[Pos] = FWidth == 2 && FBigEndian ? '\0' : ' ';
      if (FWidth == 2) FBytes[Pos + 1] = FBigEndian ? ' ' : '\0';
    }
  }

 private:
  std::string& FBytes;
  std::size_t FStart = 0;
  std::size_t FWidth = 1;
  bool FBigEndian = false;
};

bool IsBlank(char32_t AUnit) { return AUnit == ' ' || AUnit == '\t' || AUnit == '\r' || AUnit == '\n'; }

std::size_t SkipBlanks(const TUnits& AUnits, std::size_t APos) {
  while (APos < AUnits.Count() && IsBlank(AUnits.At(APos))) ++APos;
  return APos;
}

// The declaration's pseudo-attributes; a malformed one is left for the parser to report.
std::size_t ReadDeclaration(const TUnits& AUnits, TXMLProlog& AProlog) {
  if (!AUnits.Matches(0, "<?xml") || AUnits.Count() < 6 || !IsBlank(AUnits.At(5))) return 0;
  const std::size_t End = AUnits.Find(5, "?>");
  if (End == NotFound) return 0;
  AProlog.HasDeclaration = true;
  std::size_t Pos = 5;
  while ((Pos = SkipBlanks(AUnits, Pos)) < End) {
    std::string Name, Value;
    while (Pos < End && AUnits.At(Pos) != '=' && !IsBlank(AUnits.At(Pos))) Name += static_cast<char>(AUnits.At(Pos++));
    Pos = SkipBlanks(AUnits, Pos);
    if (Pos >= End || AUnits.At(Pos) != '=') break;
    Pos = SkipBlanks(AUnits, Pos + 1);
    if (Pos >= End || (AUnits.At(Pos) != '"' && AUnits.At(Pos) != '\'')) break;
    const char32_t Quote = AUnits.At(Pos++);
    while (Pos < End && AUnits.At(Pos) != Quote) Value += static_cast<char>(AUnits.At(Pos++) & 0x7F);
    ++Pos;
    if (Name == "version") AProlog.Version = Value;
    else if (Name == "encoding") AProlog.Encoding = Value;
    else if (Name == "standalone") AProlog.Standalone = Value == "yes" ? 1 : Value == "no" ? 0 : -1;
  }
  return End + 2;
}

// The end of the document type declaration at APos (the index after its ">"); whether it
// declares entities. Literals, comments and processing instructions are skipped whole, so a ">"
// or "<!ENTITY" inside them counts for nothing.
std::size_t DocumentTypeEnd(const TUnits& AUnits, std::size_t APos, bool& ADeclaresEntities) {
  bool InSubset = false;
  for (std::size_t Pos = APos + 9; Pos < AUnits.Count();) {
    const char32_t Unit = AUnits.At(Pos);
    std::size_t Skip = 0;
    if (Unit == '"' || Unit == '\'') {
      const std::size_t Close = AUnits.Find(Pos + 1, std::string_view(Unit == '"' ? "\"" : "'"));
      Skip = Close == NotFound ? NotFound : Close + 1 - Pos;
    } else if (InSubset && AUnits.Matches(Pos, "<!--")) {
      const std::size_t Close = AUnits.Find(Pos + 4, "-->");
      Skip = Close == NotFound ? NotFound : Close + 3 - Pos;
    } else if (InSubset && AUnits.Matches(Pos, "<?")) {
      const std::size_t Close = AUnits.Find(Pos + 2, "?>");
      Skip = Close == NotFound ? NotFound : Close + 2 - Pos;
    } else if (InSubset && AUnits.Matches(Pos, "<!ENTITY")) {
      ADeclaresEntities = true;
    } else if (Unit == '[' && !InSubset) {
      InSubset = true;
    } else if (Unit == ']' && InSubset) {
      InSubset = false;
    } else if (Unit == '>' && !InSubset) {
      return Pos + 1;
    }
    if (Skip == NotFound) break;
    Pos += Skip ? Skip : 1;
  }
  return NotFound;
}

}  // namespace

TXMLProlog ReadXMLProlog(std::string& ABytes) {
  TXMLProlog Prolog;
  TUnits Units(ABytes);
  std::size_t Pos = ReadDeclaration(Units, Prolog);
  while ((Pos = SkipBlanks(Units, Pos)) < Units.Count()) {
    std::size_t Next = NotFound;
    if (Units.Matches(Pos, "<!--")) {
      if (const std::size_t Close = Units.Find(Pos + 4, "-->"); Close != NotFound) Next = Close + 3;
    } else if (Units.Matches(Pos, "<?")) {
      if (const std::size_t Close = Units.Find(Pos + 2, "?>"); Close != NotFound) Next = Close + 2;
    } else if (Units.Matches(Pos, "<!DOCTYPE")) {
      bool DeclaresEntities = false;
      Next = DocumentTypeEnd(Units, Pos, DeclaresEntities);
      if (DeclaresEntities) throw EDOMParseError("Entity declarations are not allowed");
      if (Next == NotFound) throw EDOMParseError("The document type declaration does not end");
      Units.Blank(Pos, Next);
      Prolog.HadDocumentType = true;
    }
    if (Next == NotFound) break;  // the root element, or what the parser will refuse
    Pos = Next;
  }
  return Prolog;
}

}  // namespace Quellit
