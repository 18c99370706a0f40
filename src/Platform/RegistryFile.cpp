#include "Platform/RegistryFile.h"

#include <algorithm>
#include <cstdint>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Platform/File.h"
#include "Platform/TextCodec.h"

namespace Quellit::Platform {
namespace {

class ERegistryLineError : public Exception {
  using Exception::Exception;
};

constexpr std::string_view Blanks = " \t";
constexpr std::string_view Header5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view Header4 = "REGEDIT4";

std::string_view TrimBlanks(std::string_view S) {
  const auto First = S.find_first_not_of(Blanks);
  if (First == std::string_view::npos) return {};
  return S.substr(First, S.find_last_not_of(Blanks) - First + 1);
}

bool StartsWithAscii(std::string_view S, std::string_view APrefix) {
  return S.size() >= APrefix.size() && SameName(S.substr(0, APrefix.size()), APrefix);
}

// The parts of a key path; stops after AMaxParts parts, so a hostile path costs no more than that.
std::vector<std::string_view> SplitKeyPath(std::string_view APath, std::size_t AMaxParts = SIZE_MAX) {
  std::vector<std::string_view> Parts;
  while (!APath.empty() && Parts.size() < AMaxParts) {
    const auto Delim = APath.find('\\');
    if (Delim != 0) Parts.push_back(APath.substr(0, Delim));
    if (Delim == std::string_view::npos) break;
    APath.remove_prefix(Delim + 1);
  }
  return Parts;
}

// The index key of a name: its case fold. Names are nearly always ASCII, which folds byte by byte
// exactly as the full fold would, at a fraction of its cost.
std::string IndexName(std::string_view AName) {
  std::string Result(AName);
  for (char& C : Result) {
    if (static_cast<unsigned char>(C) >= 0x80) return FoldCase(AName);
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  }
  return Result;
}

std::string Utf16Bytes(std::string_view AText) { return EncodeText(AText, TTextEncoding::Utf16LE); }

std::vector<std::uint8_t> ToBytes(std::string_view AText) { return {AText.begin(), AText.end()}; }

int HexDigitValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// 1 to AMaxDigits hexadecimal digits, nothing else.
std::uint32_t ParseHexNumber(std::string_view ADigits, std::size_t AMaxDigits, const char* AWhat) {
  if (ADigits.empty() || ADigits.size() > AMaxDigits) throw ERegistryLineError(Format("malformed %s", AWhat));
  std::uint32_t Result = 0;
  for (char C : ADigits) {
    const int Digit = HexDigitValue(C);
    if (Digit < 0) throw ERegistryLineError(Format("malformed %s", AWhat));
    Result = (Result << 4) | static_cast<std::uint32_t>(Digit);
  }
  return Result;
}

// ---- reading -----------------------------------------------------------------------------------

struct TLogicalLine {
  int Number = 0;
  std::string Text;
};

// Hands out the logical lines of a text one at a time, so only the line being read is copied:
// lines that a trailing backslash continues (long hexadecimal values) are joined, blanks trimmed.
class TLogicalLines {
 public:
  explicit TLogicalLines(std::string_view AText) : FText(AText) {}

  bool Next(TLogicalLine& ALine) {
    if (FText.empty()) return false;
    ALine.Text.clear();
    ALine.Number = FNumber + 1;
    while (!FText.empty()) {
      const auto End = FText.find('\n');
      std::string_view Physical = FText.substr(0, End);
      FText = End == std::string_view::npos ? std::string_view() : FText.substr(End + 1);
      ++FNumber;
      if (!Physical.empty() && Physical.back() == '\r') Physical.remove_suffix(1);
      ALine.Text += TrimBlanks(Physical);
      const std::string& Text = ALine.Text;
      const bool Continuing =
          !Text.empty() && Text.back() == '\\' && Text.front() != ';' && Text.front() != '[' && !FText.empty();
      if (!Continuing) break;
      ALine.Text.pop_back();
    }
    return true;
  }

 private:
  std::string_view FText;
  int FNumber = 0;
};

// A quoted name or text starting at APos (on the quote); "\\" and "\"" are the only escapes.
std::string ParseQuoted(std::string_view ALine, std::size_t& APos) {
  std::string Result;
  for (std::size_t I = APos + 1; I < ALine.size(); ++I) {
    const char C = ALine[I];
    if (C == '"') {
      APos = I + 1;
      return Result;
    }
    if (C == '\\' && I + 1 < ALine.size() && (ALine[I + 1] == '\\' || ALine[I + 1] == '"')) ++I;
    Result.push_back(ALine[I]);
  }
  throw ERegistryLineError("unterminated quoted text");
}

std::vector<std::uint8_t> ParseHexBytes(std::string_view AList) {
  std::vector<std::uint8_t> Bytes;
  AList = TrimBlanks(AList);
  while (!AList.empty()) {
    const auto Comma = AList.find(',');
    const std::string_view Item = TrimBlanks(AList.substr(0, Comma));
    if (Item.empty() && Comma == std::string_view::npos) break;  // a trailing comma
    Bytes.push_back(static_cast<std::uint8_t>(ParseHexNumber(Item, 2, "hexadecimal byte")));
    if (Comma == std::string_view::npos) break;
    AList.remove_prefix(Comma + 1);
  }
  return Bytes;
}

class TRegistryParser {
 public:
  explicit TRegistryParser(TRegistryParseResult& AResult) : FResult(AResult) {}

  void Parse(std::string_view AText) {
    if (AText.substr(0, 3) == "\xEF\xBB\xBF") AText.remove_prefix(3);
    bool HeaderSeen = false;
    TLogicalLines Lines(AText);
    for (TLogicalLine Line; Lines.Next(Line);) {
      if (Line.Text.empty()) continue;
      if (!HeaderSeen) {
        if (!ReadHeader(Line)) return;
        HeaderSeen = true;
        continue;
      }
      try {
        ParseLine(Line.Text);
      } catch (const ERegistryLineError& E) {
        Broken(Line.Number, E.Message());
      }
    }
  }

 private:
  bool ReadHeader(const TLogicalLine& ALine) {
    FAnsi = SameName(ALine.Text, Header4);
    if (FAnsi || SameName(ALine.Text, Header5)) return true;
    Broken(ALine.Number, Format("not a registry export: the first line is not \"%s\"", Header5));
    return false;
  }

  void ParseLine(std::string_view ALine) {
    if (ALine.front() == ';') return;
    if (ALine.front() == '[') return ParseKeyLine(ALine);
    if (ALine.front() == '"' || ALine.front() == '@') return ParseValueLine(ALine);
    throw ERegistryLineError("neither a key, a value nor a comment");
  }

  void ParseKeyLine(std::string_view ALine) {
    FCurrent = nullptr;
    FInDeletedKey = false;
    if (ALine.back() != ']') throw ERegistryLineError("key name without closing bracket");
    std::string_view Path = ALine.substr(1, ALine.size() - 2);
    const bool Delete = !Path.empty() && Path.front() == '-';
    if (Delete) Path.remove_prefix(1);
    const auto Parts = SplitKeyPath(Path, MaxRegistryKeyDepth + 1);
    if (Parts.empty() || !StartsWithAscii(Parts.front(), "HKEY_")) throw ERegistryLineError("unknown root key");
    if (Parts.size() > MaxRegistryKeyDepth)
      throw ERegistryLineError(Format("key nested deeper than %u levels", static_cast<unsigned>(MaxRegistryKeyDepth)));
    if (Delete) {
      FResult.Root.DeleteKey(Path);
      FInDeletedKey = true;
    } else {
      FCurrent = &CreateKey(Parts);
    }
  }

  // Like TRegistryNode::CreateKey, counting the keys made against the bound.
  TRegistryNode& CreateKey(const std::vector<std::string_view>& AParts) {
    TRegistryNode* Node = &FResult.Root;
    for (std::string_view Part : AParts) {
      if (FKeys >= MaxRegistryKeys && !Node->FindSubKey(Part))
        throw ERegistryLineError(Format("more than %u keys", static_cast<unsigned>(MaxRegistryKeys)));
      bool Created = false;
      Node = &Node->AddSubKey(Part, Created);
      if (Created) ++FKeys;
    }
    return *Node;
  }

  void ParseValueLine(std::string_view ALine) {
    std::size_t Pos = 0;
    std::string Name;
    if (ALine.front() == '@')
      Pos = 1;
    else
      Name = ParseQuoted(ALine, Pos);
    const std::string_view Rest = TrimBlanks(ALine.substr(Pos));
    if (Rest.empty() || Rest.front() != '=') throw ERegistryLineError("value without \"=\"");
    const std::string_view Data = TrimBlanks(Rest.substr(1));
    if (FInDeletedKey) return;  // values under a deleted key are dropped with it
    if (!FCurrent) throw ERegistryLineError("value before the first key");
    if (Data == "-")
      FCurrent->DeleteValue(Name);
    else
      FCurrent->SetValue(ParseData(std::move(Name), Data));
  }

  TRegValue ParseData(std::string AName, std::string_view AData) const {
    if (!AData.empty() && AData.front() == '"') {
      std::size_t Pos = 0;
      std::string Text = ParseQuoted(AData, Pos);
      if (!TrimBlanks(AData.substr(Pos)).empty()) throw ERegistryLineError("text after the closing quote");
      return TRegValue::String(std::move(AName), Text);
    }
    if (StartsWithAscii(AData, "dword:"))
      return TRegValue::Integer(std::move(AName), ParseHexNumber(TrimBlanks(AData.substr(6)), 8, "dword value"));
    if (StartsWithAscii(AData, "hex")) return ParseHexValue(std::move(AName), AData.substr(3));
    throw ERegistryLineError("unknown value type");
  }

  // "hex:" (binary) or "hex(N):" with the type number N in hexadecimal.
  TRegValue ParseHexValue(std::string AName, std::string_view ARest) const {
    TRegValue Value{std::move(AName), TRegDataType::rdBinary, {}};
    if (!ARest.empty() && ARest.front() == '(') {
      const auto Close = ARest.find(')');
      if (Close == std::string_view::npos) throw ERegistryLineError("malformed value type");
      Value.DataType = static_cast<TRegDataType>(ParseHexNumber(ARest.substr(1, Close - 1), 8, "value type"));
      ARest.remove_prefix(Close + 1);
    }
    if (ARest.empty() || ARest.front() != ':') throw ERegistryLineError("malformed hexadecimal value");
    Value.Data = ParseHexBytes(ARest.substr(1));
    const bool Textual = Value.DataType == TRegDataType::rdExpandString || Value.DataType == TRegDataType::rdMultiString;
    if (FAnsi && Textual) {
      // The old format stores these texts in the ANSI code page.
      const std::string_view Ansi(reinterpret_cast<const char*>(Value.Data.data()), Value.Data.size());
      Value.Data = ToBytes(Utf16Bytes(DecodeAs(Ansi, TTextEncoding::Windows1251)));
    }
    return Value;
  }

  void Broken(int ALineNumber, const std::string& AProblem) {
    if (FResult.BrokenLines++ > 0) return;
    FResult.FirstBrokenLine = ALineNumber;
    FResult.FirstProblem = AProblem;
  }

  TRegistryParseResult& FResult;
  TRegistryNode* FCurrent = nullptr;
  std::size_t FKeys = 0;  // made so far; deleted ones still count, which keeps the bound simple
  bool FInDeletedKey = false;
  bool FAnsi = false;
};

// ---- writing -----------------------------------------------------------------------------------

std::string Quoted(std::string_view AText) {
  std::string Result = "\"";
  for (char C : AText) {
    if (C == '\\' || C == '"') Result.push_back('\\');
    Result.push_back(C);
  }
  return Result + "\"";
}

std::string LowerHex(std::uint32_t AValue, int AWidth) {
  static constexpr char Digits[] = "0123456789abcdef";
  std::string Result;
  do {
    Result.insert(Result.begin(), Digits[AValue & 0xF]);
    AValue >>= 4;
  } while (AValue != 0);
  if (static_cast<int>(Result.size()) < AWidth) Result.insert(0, static_cast<std::size_t>(AWidth) - Result.size(), '0');
  return Result;
}

// Long lists wrap after about 76 characters with a trailing backslash, as regedit does.
std::string HexData(const TRegValue& AValue, std::size_t APrefixLength) {
  std::string Result = AValue.DataType == TRegDataType::rdBinary
                           ? std::string("hex:")
                           : "hex(" + LowerHex(static_cast<std::uint32_t>(AValue.DataType), 1) + "):";
  std::size_t Column = APrefixLength + Result.size();
  for (std::size_t I = 0; I < AValue.Data.size(); ++I) {
    Result += LowerHex(AValue.Data[I], 2);
    Column += 2;
    if (I + 1 == AValue.Data.size()) break;
    Result += ',';
    if (++Column > 76) {
      Result += "\\\r\n  ";
      Column = 2;
    }
  }
  return Result;
}

std::string ValueLine(const TRegValue& AValue) {
  std::string Line = AValue.Name.empty() ? std::string("@") : Quoted(AValue.Name);
  Line += '=';
  if (AValue.DataType == TRegDataType::rdInteger && AValue.AsInteger()) return Line + "dword:" + LowerHex(*AValue.AsInteger(), 8);
  // A text goes in quotes only when it reads back byte for byte and stays on one line.
  const auto Text = AValue.AsString();
  if (AValue.DataType == TRegDataType::rdString && Text && Text->find_first_of("\r\n") == std::string::npos &&
      TRegValue::String("", *Text).Data == AValue.Data)
    return Line + Quoted(*Text);
  return Line + HexData(AValue, Line.size());
}

// Depth first, with a stack of its own: the tree may be deeper than the call stack allows.
void FormatHive(const TRegistryNode& AHive, std::string& AOut) {
  struct TFrame {
    TRegistryNode::TSubKeyList::const_iterator Next, End;
    std::size_t PathLength;
  };
  std::string Path = AHive.Name();
  const auto WriteKey = [&](const TRegistryNode& ANode) {
    AOut += "[" + Path + "]\r\n";
    for (const TRegValue& Value : ANode.Values()) AOut += ValueLine(Value) + "\r\n";
    AOut += "\r\n";
  };
  WriteKey(AHive);
  std::vector<TFrame> Stack{{AHive.SubKeys().begin(), AHive.SubKeys().end(), Path.size()}};
  while (!Stack.empty()) {
    TFrame& Top = Stack.back();
    if (Top.Next == Top.End) {
      Stack.pop_back();
      continue;
    }
    const TRegistryNode& Key = *Top.Next++;
    Path.resize(Top.PathLength);
    Path += "\\" + Key.Name();
    WriteKey(Key);
    Stack.push_back({Key.SubKeys().begin(), Key.SubKeys().end(), Path.size()});
  }
}

}  // namespace

// ---- TRegistryNode -----------------------------------------------------------------------------

TRegistryNode::~TRegistryNode() {
  // Every key below is moved into one flat list before it dies, so each destructor that runs
  // finds no subkeys of its own: the depth of the tree never reaches the call stack.
  TSubKeyList Pending;
  Pending.splice(Pending.end(), FSubKeys);
  while (!Pending.empty()) {
    Pending.splice(Pending.end(), Pending.front().FSubKeys);
    Pending.pop_front();
  }
}

const TRegistryNode* TRegistryNode::FindSubKey(std::string_view AName) const {
  const auto Found = FSubKeyIndex.find(IndexName(AName));
  return Found == FSubKeyIndex.end() ? nullptr : &*Found->second;
}

TRegistryNode* TRegistryNode::SubKeyToChange(std::string_view AName) {
  const auto Found = FSubKeyIndex.find(IndexName(AName));
  return Found == FSubKeyIndex.end() ? nullptr : &*Found->second;
}

TRegistryNode& TRegistryNode::AddSubKey(std::string_view AName, bool& ACreated) {
  std::string Folded = IndexName(AName);
  if (const auto Found = FSubKeyIndex.find(Folded); Found != FSubKeyIndex.end()) {
    ACreated = false;
    return *Found->second;
  }
  const auto Item = FSubKeys.emplace(FSubKeys.end(), std::string(AName));
  try {
    FSubKeyIndex.emplace(std::move(Folded), Item);
  } catch (...) {
    FSubKeys.erase(Item);
    throw;
  }
  ACreated = true;
  return *Item;
}

void TRegistryNode::DeleteSubKey(std::string_view AName) {
  const auto Found = FSubKeyIndex.find(IndexName(AName));
  if (Found == FSubKeyIndex.end()) return;
  FSubKeys.erase(Found->second);
  FSubKeyIndex.erase(Found);
}

const TRegistryNode* TRegistryNode::FindKey(std::string_view APath) const {
  const TRegistryNode* Node = this;
  for (std::string_view Part : SplitKeyPath(APath))
    if (!(Node = Node->FindSubKey(Part))) return nullptr;
  return Node;
}

TRegistryNode& TRegistryNode::CreateKey(std::string_view APath) {
  TRegistryNode* Node = this;
  bool Created = false;
  for (std::string_view Part : SplitKeyPath(APath)) Node = &Node->AddSubKey(Part, Created);
  return *Node;
}

void TRegistryNode::DeleteKey(std::string_view APath) {
  auto Parts = SplitKeyPath(APath);
  if (Parts.empty()) return;
  const std::string_view Last = Parts.back();
  Parts.pop_back();
  TRegistryNode* Parent = this;
  for (std::string_view Part : Parts)
    if (!(Parent = Parent->SubKeyToChange(Part))) return;
  Parent->DeleteSubKey(Last);
}

const TRegValue* TRegistryNode::FindValue(std::string_view AName) const {
  const auto Found = FValueIndex.find(IndexName(AName));
  return Found == FValueIndex.end() ? nullptr : &*Found->second;
}

TRegistryNode& TRegistryNode::SetValue(TRegValue AValue) {
  std::string Folded = IndexName(AValue.Name);
  if (const auto Found = FValueIndex.find(Folded); Found != FValueIndex.end()) {
    *Found->second = std::move(AValue);
    return *this;
  }
  const auto Item = FValues.insert(FValues.end(), std::move(AValue));
  try {
    FValueIndex.emplace(std::move(Folded), Item);
  } catch (...) {
    FValues.erase(Item);
    throw;
  }
  return *this;
}

void TRegistryNode::DeleteValue(std::string_view AName) {
  const auto Found = FValueIndex.find(IndexName(AName));
  if (Found == FValueIndex.end()) return;
  FValues.erase(Found->second);
  FValueIndex.erase(Found);
}

// ---- files -------------------------------------------------------------------------------------

TRegistryParseResult ParseRegistryText(std::string_view AText) {
  TRegistryParseResult Result;
  TRegistryParser(Result).Parse(AText);
  return Result;
}

std::string FormatRegistryText(const TRegistryNode& ARoot) {
  std::string Text = std::string(Header5) + "\r\n\r\n";
  for (const TRegistryNode& Hive : ARoot.SubKeys()) FormatHive(Hive, Text);
  return Text;
}

void SaveRegistryFile(const std::string& APath, const TRegistryNode& ARoot) {
  const std::string Bytes = EncodeText(FormatRegistryText(ARoot), TTextEncoding::Utf16LE, true);
  WriteAllBytesAtomic(APath, Bytes.data(), Bytes.size());
}

}  // namespace Quellit::Platform
