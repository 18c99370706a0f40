#include "Lib/Common/Common.XMLUtils.Writer.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Text/Text.Engine.h"

namespace Quellit {

namespace {

// ---- encodings ------------------------------------------------------------------------------------

enum class TForm { Utf8, Utf16LE, Utf16BE, SingleByte };

// How the characters of the markup become the bytes of one encoding.
class TEncoder {
 public:
  static std::optional<TEncoder> Find(const std::string& AEncoding) {
    const std::string Upper = UpperCase(AEncoding);
    if (Upper.empty() || Upper == "UTF-8" || Upper == "UTF8") return TEncoder(TForm::Utf8);
    if (Upper == "UTF-16" || Upper == "UTF16") return TEncoder(TForm::Utf16LE, "\xFF\xFE");
    if (Upper == "UTF-16LE") return TEncoder(TForm::Utf16LE);
    if (Upper == "UTF-16BE") return TEncoder(TForm::Utf16BE);
    std::array<char32_t, 256> Table{};
    if (IsWin1251Name(Upper)) {
      for (int Byte = 0; Byte < 256; ++Byte) {
        const std::string Utf8 = Text::DecodeCodePage(std::string(1, static_cast<char>(Byte)), Text::TCodePage::Windows1251);
        std::size_t Pos = 0;
        Table[static_cast<std::size_t>(Byte)] = Text::NextCodePoint(Utf8, Pos);
      }
    } else if (!Detail::SingleByteEncodingTable(AEncoding, Table) || !ExtendsAscii(Table)) {
      return std::nullopt;
    }
    TEncoder Encoder(TForm::SingleByte);
    for (int Byte = 255; Byte > 0; --Byte)  // the lowest byte wins where two decode alike
      if (Table[static_cast<std::size_t>(Byte)] != Text::InvalidCodePoint)
        Encoder.FBytes[Table[static_cast<std::size_t>(Byte)]] = static_cast<char>(Byte);
    return Encoder;
  }

  // The encodings every character has a form in: nothing needs checking.
  bool HoldsEveryCharacter() const { return FForm != TForm::SingleByte; }
  bool ExtendsAscii() const { return FForm == TForm::Utf8 || FForm == TForm::SingleByte; }

  bool Holds(const std::string& AText) const {
    if (HoldsEveryCharacter()) return true;
    for (std::size_t Pos = 0; Pos < AText.size();)
      if (!FBytes.contains(Text::NextCodePoint(AText, Pos))) return false;
    return true;
  }

  // The markup's UTF-8 in this encoding; characters it lacks (only text and attribute values can
  // still hold any: everything else was checked) become decimal character references.
  std::string Encode(const std::string& AMarkup) const {
    if (FForm == TForm::Utf8) return AMarkup;
    std::string Out = FBom;
    Out.reserve(AMarkup.size() * (FForm == TForm::SingleByte ? 1 : 2) + FBom.size());
    for (std::size_t Pos = 0; Pos < AMarkup.size();) {
      const char32_t Code = Text::NextCodePoint(AMarkup, Pos);
      if (FForm == TForm::SingleByte) {
        auto It = FBytes.find(Code);
        if (It != FBytes.end()) Out += It->second;
        else Out += Format("&#%u;", static_cast<unsigned>(Code));
      } else if (Code < 0x10000) {
        AppendUnit(Out, Code);
      } else {
        AppendUnit(Out, 0xD800 + ((Code - 0x10000) >> 10));
        AppendUnit(Out, 0xDC00 + ((Code - 0x10000) & 0x3FF));
      }
    }
    return Out;
  }

 private:
  explicit TEncoder(TForm AForm, std::string ABom = {}) : FForm(AForm), FBom(std::move(ABom)) {}

  // The markup is ASCII: an encoding that writes it otherwise (UTF-32, EBCDIC) is not one we write.
  static bool ExtendsAscii(const std::array<char32_t, 256>& ATable) {
    for (char32_t Byte = 0x20; Byte < 0x7F; ++Byte)
      if (ATable[Byte] != Byte) return false;
    return ATable['\t'] == '\t' && ATable['\n'] == '\n' && ATable['\r'] == '\r';
  }

  static bool IsWin1251Name(const std::string& AUpper) {
    static const char* const Names[] = {"WINDOWS-1251", "CP1251", "WINDOWS1251", "WIN-1251", "WIN1251", "X-CP1251", "MS-CYRL"};
    return std::find(std::begin(Names), std::end(Names), AUpper) != std::end(Names);
  }

  void AppendUnit(std::string& AOut, char32_t AUnit) const {
    const char Low = static_cast<char>(AUnit & 0xFF), High = static_cast<char>(AUnit >> 8);
    if (FForm == TForm::Utf16LE) {
      AOut += Low;
      AOut += High;
    } else {
      AOut += High;
      AOut += Low;
    }
  }

  TForm FForm;
  std::string FBom;
  std::unordered_map<char32_t, char> FBytes;
};

// ---- escaping -------------------------------------------------------------------------------------

// A document without an encoding is written in UTF-8 with nothing but ASCII in its text and
// values: every other character as a hexadecimal reference, which any reader takes as itself.
void AppendHexReference(std::string& AOut, char32_t ACode) { AOut += Format("&#x%x;", static_cast<unsigned>(ACode)); }

void AppendEscapedText(std::string& AOut, const std::string& AText, bool AAsciiOnly) {
  for (std::size_t Pos = 0; Pos < AText.size();) {
    const char C = AText[Pos];
    if (C == '<') AOut += "&lt;";
    else if (C == '>') AOut += "&gt;";
    else if (C == '&') AOut += "&amp;";
    else if (C == '\r') AOut += AAsciiOnly ? "&#xD;" : "&#13;";
    else if (AAsciiOnly && static_cast<unsigned char>(C) >= 0x80) {
      std::size_t Next = Pos;
      AppendHexReference(AOut, Text::NextCodePoint(AText, Next));
      Pos = Next;
      continue;
    } else {
      AOut += C;
    }
    ++Pos;
  }
}

void AppendEscapedValue(std::string& AOut, const std::string& AValue, bool AAsciiOnly) {
  for (std::size_t Pos = 0; Pos < AValue.size();) {
    const char C = AValue[Pos];
    if (C == '\n') AOut += "&#10;";
    else if (C == '\r') AOut += "&#13;";
    else if (C == '\t') AOut += "&#9;";
    else if (C == '"') AOut += "&quot;";
    else if (C == '<') AOut += "&lt;";
    else if (C == '>') AOut += "&gt;";
    else if (C == '&') AOut += "&amp;";
    else if (AAsciiOnly && static_cast<unsigned char>(C) >= 0x80) {
      std::size_t Next = Pos;
      AppendHexReference(AOut, Text::NextCodePoint(AValue, Next));
      Pos = Next;
      continue;
    } else {
      AOut += C;
    }
    ++Pos;
  }
}

// A namespace name is written as it stands, in the quotes it does not contain.
void AppendQuoted(std::string& AOut, const std::string& AText) {
  const char Quote = AText.find('"') == std::string::npos ? '"' : '\'';
  AOut += Quote;
  AOut += AText;
  AOut += Quote;
}

// ---- the tree -------------------------------------------------------------------------------------

// Indentation stops growing at 30 levels (60 spaces), as on every backend.
constexpr int MaxIndentLevels = 30;

class TTreeWriter {
 public:
  TTreeWriter(const TEncoder& AEncoder, const std::string& AEncoding, bool AIndented, bool AAsciiText, bool AAsciiValues)
      : FEncoder(AEncoder), FEncoding(AEncoding), FIndented(AIndented), FAsciiText(AAsciiText), FAsciiValues(AAsciiValues) {}

  // One child of the document, without recursion: a document nests as deep as its file says.
  void Write(const TXMLNode& ATop) {
    FFormat = FIndented;
    FUnformattedDepth = -1;
    std::vector<TXMLNode> Open;  // the elements entered below ATop, innermost last
    TXMLNode Cur = ATop;
    while (true) {
      if (StartNode(Cur, Open.size())) {
        Open.push_back(Cur);
        Cur = Cur.FirstChild();
        continue;
      }
      while (true) {
        if (Open.empty()) return;
        if (FFormat) FOut += '\n';
        if (TXMLNode Next = Cur.NextSibling()) {
          Cur = Next;
          break;
        }
        Cur = Open.back();
        Open.pop_back();
        EndElement(Cur, Open.size());
      }
    }
  }

  std::string& Out() { return FOut; }

 private:
  void Indent(std::size_t ALevel) {
    FOut.append(2 * std::min<std::size_t>(ALevel, MaxIndentLevels), ' ');
  }

  void CheckName(const std::string& AName) const {
    if (!FEncoder.Holds(AName))
      throw EDOMEncodingError(Format("Имя \"%s\" нельзя записать в кодировке \"%s\" XML-документа", AName, FEncoding));
  }
  void CheckContent(const std::string& AKind, const std::string& AContent) const {
    if (!FEncoder.Holds(AContent))
      throw EDOMEncodingError(Format("Текст узла \"%s\" нельзя записать в кодировке \"%s\" XML-документа", AKind, FEncoding));
  }

  // Writes the node, or the start of an element that has children: then true.
  bool StartNode(const TXMLNode& ANode, std::size_t ADepth) {
    switch (ANode.NodeType()) {
      case TXMLNodeType::Element: return StartElement(ANode.AsElement(), ADepth);
      case TXMLNodeType::Text: AppendEscapedText(FOut, ANode.Text(), FAsciiText); break;
      case TXMLNodeType::CData: WriteCData(ANode.Text()); break;
      case TXMLNodeType::Comment: {
        const std::string Content = ANode.Text();
        CheckContent("#comment", Content);
        if (ADepth > 0 && FFormat) Indent(ADepth);
        FOut += "<!--" + Content + "-->";
        break;
      }
      case TXMLNodeType::ProcessingInstruction: {
        const std::string Target = ANode.NodeName(), Content = ANode.Text();
        CheckName(Target);
        CheckContent(Target, Content);
        if (ADepth > 0 && FFormat) Indent(ADepth);
        FOut += "<?" + Target + (Content.empty() ? "" : " " + Content) + "?>";
        break;
      }
      default: break;  // nothing else is ever in a tree of ours
    }
    return false;
  }

  bool StartElement(const TXMLElement& AElement, std::size_t ADepth) {
    const std::string Name = AElement.NodeName();
    const std::vector<std::string> Attributes = AElement.AttributeNames();
    const auto Declarations = AElement.NamespaceDeclarations();
    CheckName(Name);
    for (const std::string& Attribute : Attributes) CheckName(Attribute);
    for (const auto& Declaration : Declarations) CheckName(Declaration.first);

    if (ADepth > 0 && FFormat) Indent(ADepth);
    FOut += '<';
    FOut += Name;
    for (const auto& [Prefix, Uri] : Declarations) {
      FOut += Prefix.empty() ? " xmlns=" : " xmlns:" + Prefix + "=";
      AppendQuoted(FOut, Uri);
    }
    for (const std::string& Attribute : Attributes) {
      FOut += ' ' + Attribute + "=\"";
      AppendEscapedValue(FOut, AElement.GetAttribute(Attribute).value_or(std::string()), FAsciiValues);
      FOut += '"';
    }
    TXMLNode Child = AElement.FirstChild();
    if (!Child) {
      FOut += "/>";
      return false;
    }
    // Text inside an element means its whitespace is content: nothing is added within it.
    if (FFormat) {
      for (; Child; Child = Child.NextSibling()) {
        const TXMLNodeType Type = Child.NodeType();
        if (Type == TXMLNodeType::Text || Type == TXMLNodeType::CData) {
          FFormat = false;
          FUnformattedDepth = static_cast<int>(ADepth);
          break;
        }
      }
    }
    FOut += '>';
    if (FFormat) FOut += '\n';
    return true;
  }

  void EndElement(const TXMLNode& AElement, std::size_t ADepth) {
    if (FFormat) Indent(ADepth);
    FOut += "</" + AElement.NodeName() + ">";
    if (FUnformattedDepth == static_cast<int>(ADepth)) {
      FFormat = FIndented;
      FUnformattedDepth = -1;
    }
  }

  // A CDATA section cannot hold "]]>": it is split after "]]", so the text reads back whole.
  void WriteCData(const std::string& AContent) {
    CheckContent("#cdata-section", AContent);
    if (AContent.empty()) {
      FOut += "<![CDATA[]]>";
      return;
    }
    std::size_t Start = 0;
    for (std::size_t End; (End = AContent.find("]]>", Start)) != std::string::npos; Start = End + 2)
      FOut += "<![CDATA[" + AContent.substr(Start, End + 2 - Start) + "]]>";
    if (Start < AContent.size()) FOut += "<![CDATA[" + AContent.substr(Start) + "]]>";
  }

  const TEncoder& FEncoder;
  const std::string& FEncoding;
  bool FIndented;
  bool FAsciiText;
  bool FAsciiValues;
  bool FFormat = false;
  int FUnformattedDepth = -1;
  std::string FOut;
};

// Settings files of the product's platform end their lines with CR LF. Every LF written raw is
// markup or text that a parser normalizes anyway; LFs inside values are references.
std::string ToCrLf(const std::string& AText) {
  std::string Result;
  Result.reserve(AText.size() + AText.size() / 16);
  for (char C : AText) {
    if (C == '\n') Result += '\r';
    Result += C;
  }
  return Result;
}

}  // namespace

std::string WriteXMLBytes(const TXMLDocument& ADoc) {
  Assert(!ADoc.IsNull(), "Saving a null XML document", "Lib/Common/Common.XMLUtils.Writer");
  const std::string Encoding = ADoc.Encoding();
  const std::optional<TEncoder> Encoder = TEncoder::Find(Encoding);
  if (!Encoder) throw EDOMEncodingError(Format("Кодировка \"%s\" XML-документа неизвестна, документ не записан", Encoding));

  TTreeWriter Writer(*Encoder, Encoding, ADoc.Indented(), Encoding.empty(), Encoding.empty());
  std::string& Out = Writer.Out();
  const std::string Version = ADoc.Version();
  Out += "<?xml version=";
  AppendQuoted(Out, Version.empty() ? "1.0" : Version);
  if (!Encoding.empty()) {
    Out += " encoding=";
    AppendQuoted(Out, Encoding);
  }
  if (ADoc.Standalone() == 0) Out += " standalone=\"no\"";
  if (ADoc.Standalone() == 1) Out += " standalone=\"yes\"";
  Out += "?>\n";
  for (TXMLNode Child = ADoc.AsNode().FirstChild(); Child; Child = Child.NextSibling()) {
    Writer.Write(Child);
    Out += '\n';
  }
  const std::string Bytes = Encoder->Encode(Out);
  return Encoder->ExtendsAscii() ? ToCrLf(Bytes) : Bytes;
}

std::string WriteXMLNode(const TXMLNode& ANode) {
  Assert(!ANode.IsNull(), "Serializing a null XML node", "Lib/Common/Common.XMLUtils.Writer");
  const TEncoder Encoder = *TEncoder::Find("UTF-8");
  const std::string Encoding = ANode.OwnerDocument().Encoding();
  TTreeWriter Writer(Encoder, "UTF-8", false, false, Encoding.empty());
  Writer.Write(ANode);
  return Writer.Out();
}

}  // namespace Quellit
