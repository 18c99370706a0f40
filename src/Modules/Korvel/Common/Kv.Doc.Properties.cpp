#include "Modules/Korvel/Common/Kv.Doc.Properties.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <type_traits>
#include <utility>

#include "Lib/Common/Common.FileVersion.h"
#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.StringUtils.h"
#include "Lib/Common/Common.Streams.h"
#include "Platform/Process.h"
#include "Platform/TextCodec.h"

namespace Quellit {

namespace {

// ---- security options -------------------------------------------------------------------------

struct TSecurityWord {
  bool TSecurityOptions::*Flag;
  const char* Word;
};

constexpr TSecurityWord SecurityWords[] = {
    {&TSecurityOptions::ReadOnly, "Modify"},
    {&TSecurityOptions::CopyDisabled, "Copy"},
    {&TSecurityOptions::ExportDisabled, "Export"},
    {&TSecurityOptions::SaveDisabled, "Save"},
};

// ---- the text fields, in the order they are written ---------------------------------------------

constexpr std::size_t TextFieldCount = 23;

// Key and field of every free-text property, for a const or a mutable record.
template <class TProps>
auto TextFields(TProps& P) {
  using TField = std::conditional_t<std::is_const_v<TProps>, const std::string, std::string>;
  return std::array<std::pair<const char*, TField*>, TextFieldCount>{{
      {"Attribs.LocNum", &P.Attribs.LocNum},
      {"Attribs.RegNum", &P.Attribs.RegNum},
      {"Attribs.ObjName", &P.Attribs.ObjName},
      {"Attribs.ConName", &P.Attribs.ConName},
      {"Attribs.StgName", &P.Attribs.StgName},
      {"Attribs.Comment", &P.Attribs.Comment},
      {"Attribs.Description", &P.Attribs.Description},
      {"Total", &P.Total},
      {"TotalDetails.Pz", &P.TotalDetails.Pz},
      {"TotalDetails.Oz", &P.TotalDetails.Oz},
      {"TotalDetails.Em", &P.TotalDetails.Em},
      {"TotalDetails.Zm", &P.TotalDetails.Zm},
      {"TotalDetails.Mt", &P.TotalDetails.Mt},
      {"TotalDetails.Tz", &P.TotalDetails.Tz},
      {"TotalDetails.Tm", &P.TotalDetails.Tm},
      {"TotalDetails.Nr", &P.TotalDetails.Nr},
      {"TotalDetails.Sp", &P.TotalDetails.Sp},
      {"OsDetails.Sr", &P.OsDetails.Sr},
      {"OsDetails.Mr", &P.OsDetails.Mr},
      {"OsDetails.Ob", &P.OsDetails.Ob},
      {"OsDetails.Pr", &P.OsDetails.Pr},
      {"RegionInfo.RegionName", &P.RegionInfo.RegionName},
      {"RegionInfo.ZoneName", &P.RegionInfo.ZoneName},
  }};
}

// ---- escapes ---------------------------------------------------------------------------------
//
// A line break inside a value would end its line early and let the rest pose as another key (a
// name ending in "\r\nDisabledOptions=" would lift a document's restrictions), so every value is
// written on one line.
//
// The product writes StgName, Comment and Description with CR and LF as "#13" and "#10" and reads
// them back that way; every other field it writes and reads as it is. Files it wrote must read as
// before, so those are the reading rules. Where they cannot carry a value (a line break in another
// field, a literal "#13" or "#10" in one of the three), the value is written with every "#" as
// "#35" as well, and its key is listed on an extra line "EscapedKeys=" (comma-separated keys).
// The product ignores that key; reading decodes exactly the values it lists, so no value the
// product wrote is ever taken for one of these.

constexpr const char* EscapedKeyList = "EscapedKeys";

bool IsProductEscaped(std::string_view AKey) {
  return AKey == "Attribs.StgName" || AKey == "Attribs.Comment" || AKey == "Attribs.Description";
}

std::string EscapeLineBreaks(std::string_view AValue) {
  return FastStringReplace(FastStringReplace(AValue, "\r", "#13", rfReplaceAll), "\n", "#10", rfReplaceAll);
}

std::string UnescapeLineBreaks(std::string_view AValue) {
  return FastStringReplace(FastStringReplace(AValue, "#13", "\r", rfReplaceAll), "#10", "\n", rfReplaceAll);
}

// Every "#" starts a code, so the text decodes in one pass whatever the value held.
std::string EscapeAll(std::string_view AValue) {
  std::string Result;
  Result.reserve(AValue.size() + 8);
  for (char C : AValue) {
    if (C == '#') Result += "#35";
    else if (C == '\r') Result += "#13";
    else if (C == '\n') Result += "#10";
    else Result += C;
  }
  return Result;
}

// A "#" that starts no known code is kept, so a hand-edited value does not lose characters.
std::string UnescapeAll(std::string_view AValue) {
  std::string Result;
  Result.reserve(AValue.size());
  for (std::size_t I = 0; I < AValue.size(); ++I) {
    const std::string_view Code = AValue.substr(I, 3);
    if (Code == "#35") Result += '#';
    else if (Code == "#13") Result += '\r';
    else if (Code == "#10") Result += '\n';
    else {
      Result += AValue[I];
      continue;
    }
    I += 2;
  }
  return Result;
}

// The value as the product would write it, or nothing when the product's reading would not give
// the value back.
std::optional<std::string> ProductForm(std::string_view AKey, std::string_view AValue) {
  if (IsProductEscaped(AKey)) {
    std::string Escaped = EscapeLineBreaks(AValue);
    if (UnescapeLineBreaks(Escaped) == AValue) return Escaped;
    return std::nullopt;
  }
  if (AValue.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
  return std::string(AValue);
}

// The running program's version; it cannot change while the program runs.
const std::string& OwnVersion() {
  static const std::string Version =
      TDigitalFileVersionInfo::CreateFromFile(Platform::ExecutablePath()).FullVerAsString();
  return Version;
}

// ---- writing ---------------------------------------------------------------------------------

void AppendLine(std::string& AText, std::string_view AKey, const std::string& AValue) {
  if (AValue.empty()) return;
  AText.append(AKey).append("=").append(AValue).append("\r\n");
}

std::string PropertiesText(const TKvDocCommonProperties& P) {
  std::string Text;
  std::string EscapedKeys;
  AppendLine(Text, "DocType", DocTypeToStr(P.DocType));
  for (const auto& [Key, Field] : TextFields(P)) {
    if (std::optional<std::string> Plain = ProductForm(Key, *Field)) {
      AppendLine(Text, Key, *Plain);
    } else {
      AppendLine(Text, Key, EscapeAll(*Field));
      EscapedKeys += (EscapedKeys.empty() ? "" : ",") + std::string(Key);
    }
  }
  const TKVFXData& FX = P.KVFXData;
  AppendLine(Text, "Revision", IntToStr(FX.Revision));
  AppendLine(Text, "Crypted", FX.Crypted ? "True" : "False");
  AppendLine(Text, "DisabledOptions", FX.SecurityOptions.ToString());
  AppendLine(Text, "SignType", IntToStr(FX.SignType));
  AppendLine(Text, "KVeskaVersion", OwnVersion());
  AppendLine(Text, "ModifyDate", DateTimeToStr(FX.ModifyDate));
  AppendLine(Text, EscapedKeyList, EscapedKeys);
  return Text;
}

// ---- reading ---------------------------------------------------------------------------------

std::string ReadRemaining(TStream& AStream) {
  std::int64_t Count = AStream.Size() - AStream.Position();
  std::string Bytes(static_cast<std::size_t>(std::max<std::int64_t>(Count, 0)), '\0');
  AStream.ReadBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  return Bytes;
}

// Only a byte-order mark selects UTF-8 or UTF-16: Windows-1251 text can form valid UTF-8 by chance.
std::string DecodePropertiesText(const std::string& ABytes) {
  Platform::TDecodedText Decoded = Platform::DecodeText(ABytes);
  return Decoded.HasBom ? Decoded.Text : Platform::DecodeAs(ABytes, Platform::TTextEncoding::Windows1251);
}

// Values by case-folded key; the first line with a key wins, lines without "=" are ignored.
class TKeyValues {
 public:
  explicit TKeyValues(std::string_view AText) {
    TStringList Lines;
    Lines.SetText(AText);
    for (int I = 0; I < Lines.Count(); ++I) {
      const std::string& Line = Lines[I];
      std::size_t Equals = Line.find('=');
      if (Equals != std::string::npos) FValues.emplace(Platform::FoldCase(Line.substr(0, Equals)), Line.substr(Equals + 1));
    }
  }

  std::string Value(std::string_view AKey) const {
    auto It = FValues.find(Platform::FoldCase(AKey));
    return It == FValues.end() ? std::string() : It->second;
  }

 private:
  std::map<std::string, std::string> FValues;
};

// "True"/"False" in any case, or an integer (non-zero is true).
bool StrToBoolDef(std::string_view AText, bool ADefault) {
  if (SameText(AText, "True")) return true;
  if (SameText(AText, "False")) return false;
  int Number = 0;
  return TryStrToInt(AText, Number) ? Number != 0 : ADefault;
}

TDateTime StrToDateTimeOrNow(std::string_view AText) {
  TDateTime Result = 0;
  return TryStrToDateTime(AText, Result) ? Result : Now();
}

// The keys the "EscapedKeys" line lists, case-folded.
std::set<std::string> EscapedKeys(const TKeyValues& AValues) {
  std::set<std::string> Keys;
  const std::string List = AValues.Value(EscapedKeyList);
  for (std::size_t Start = 0; Start <= List.size();) {
    std::size_t End = std::min(List.find(',', Start), List.size());
    Keys.insert(Platform::FoldCase(Trim(List.substr(Start, End - Start))));
    Start = End + 1;
  }
  return Keys;
}

void AssignFrom(TKvDocCommonProperties& P, const TKeyValues& AValues) {
  P.DocType = StrToDocType(AValues.Value("DocType"));
  const std::set<std::string> Escaped = EscapedKeys(AValues);
  for (const auto& [Key, Field] : TextFields(P)) {
    const std::string Value = AValues.Value(Key);
    if (Escaped.count(Platform::FoldCase(Key)))
      *Field = UnescapeAll(Value);
    else
      *Field = IsProductEscaped(Key) ? UnescapeLineBreaks(Value) : Value;
  }
  TKVFXData& FX = P.KVFXData;
  FX.Revision = StrToIntDef(AValues.Value("Revision"), 1);
  FX.Crypted = StrToBoolDef(AValues.Value("Crypted"), false);
  // The code is kept in one byte, as the document stores it.
  FX.SignType = static_cast<std::uint8_t>(StrToIntDef(AValues.Value("SignType"), 0));
  FX.ModifyDate = StrToDateTimeOrNow(AValues.Value("ModifyDate"));
  FX.SecurityOptions.FromString(AValues.Value("DisabledOptions"));
}

}  // namespace

// ---- TSecurityOptions --------------------------------------------------------------------------

std::string TSecurityOptions::ToString() const {
  std::string Result;
  for (const TSecurityWord& W : SecurityWords)
    if (this->*W.Flag) Result += (Result.empty() ? "" : ",") + std::string(W.Word);
  return Result;
}

void TSecurityOptions::FromString(std::string_view Value) {
  TStringList Words;
  Words.SetCommaText(Value);
  for (const TSecurityWord& W : SecurityWords) {
    this->*W.Flag = false;
    for (int I = 0; I < Words.Count(); ++I)
      if (AnsiSameText(Words[I], W.Word)) this->*W.Flag = true;
  }
}

// ---- TKvDocCommonProperties --------------------------------------------------------------------

TKvDocCommonProperties TKvDocCommonProperties::Create(TVeskaDocumentType ADocType) {
  TKvDocCommonProperties Result;
  Result.Clear();
  Result.DocType = ADocType;
  return Result;
}

void TKvDocCommonProperties::Clear() { *this = TKvDocCommonProperties(); }

void TKvDocCommonProperties::SaveToStream(TStream& AStream) const {
  const std::string Bytes = Utf8ToWin1251(PropertiesText(*this));
  AStream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

void TKvDocCommonProperties::LoadFromStream(TStream& AStream) {
  Clear();
  AssignFrom(*this, TKeyValues(DecodePropertiesText(ReadRemaining(AStream))));
}

}  // namespace Quellit
