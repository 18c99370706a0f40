#include "Platform/IniFile.h"

#include <algorithm>
#include <cstdint>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Numbers.h"

namespace Quellit::Platform {
namespace {

constexpr std::string_view Blanks = " \t";

std::string_view TrimBlanks(std::string_view S) {
  const auto First = S.find_first_not_of(Blanks);
  if (First == std::string_view::npos) return {};
  return S.substr(First, S.find_last_not_of(Blanks) - First + 1);
}

bool IsQuote(char C) { return C == '"' || C == '\''; }

bool IsQuoted(std::string_view S) { return S.size() >= 2 && IsQuote(S.front()) && S.front() == S.back(); }

// ---- one line --------------------------------------------------------------------------------

bool IsComment(std::string_view ATrimmed) { return !ATrimmed.empty() && ATrimmed.front() == ';'; }

// A line without the "\r" of its CR LF break.
std::string_view Content(std::string_view ALine) {
  if (ALine.ends_with('\r')) ALine.remove_suffix(1);
  return ALine;
}

std::string KeyIndexName(std::string_view ASection, std::string_view AIdent) {
  return FoldCase(ASection) + '\n' + FoldCase(AIdent);  // no name holds a line break
}

// The name of a "[section]" line; a header without its closing bracket still opens a section.
std::optional<std::string_view> SectionOf(std::string_view ALine) {
  const std::string_view Trimmed = TrimBlanks(Content(ALine));
  if (Trimmed.empty() || Trimmed.front() != '[') return std::nullopt;
  return TrimBlanks(Trimmed.substr(1, Trimmed.find(']') - 1));
}

struct TKeyLine {
  std::string_view Name;
  std::string_view RawValue;  // after "=", as written
};

// A "name=value" line; a line without "=" is a name without a value.
std::optional<TKeyLine> KeyOf(std::string_view ALine) {
  const std::string_view Trimmed = TrimBlanks(Content(ALine));
  if (Trimmed.empty() || IsComment(Trimmed) || Trimmed.front() == '[') return std::nullopt;
  const auto Equals = Trimmed.find('=');
  const std::string_view Name = TrimBlanks(Trimmed.substr(0, Equals));
  if (Name.empty()) return std::nullopt;
  return TKeyLine{Name, Equals == std::string_view::npos ? std::string_view() : Trimmed.substr(Equals + 1)};
}

std::string ValueOf(std::string_view ARawValue) {
  std::string_view Value = TrimBlanks(ARawValue);
  if (IsQuoted(Value)) Value = Value.substr(1, Value.size() - 2);
  return std::string(Value);
}

// The form that reads back as AValue: quoted when blanks or quotes at its ends would be lost.
std::string StoredValue(const std::string& AValue) {
  if (AValue == TrimBlanks(AValue) && !IsQuoted(AValue)) return AValue;
  return "\"" + AValue + "\"";
}


// ---- checks before a change ----------------------------------------------------------------

void CheckNoLineBreak(const std::string& AText, const char* AWhat) {
  if (AText.find_first_of("\r\n") != std::string::npos)
    throw EIniFileException(Format("INI %s contains a line break: %s", AWhat, AText));
}

// Names that would read back as something else are refused rather than written.
void CheckSectionName(const std::string& ASection) {
  CheckNoLineBreak(ASection, "section name");
  if (ASection.find(']') != std::string::npos || ASection != TrimBlanks(ASection))
    throw EIniFileException(Format("Invalid INI section name: \"%s\"", ASection));
}

void CheckKeyName(const std::string& AIdent) {
  CheckNoLineBreak(AIdent, "value name");
  if (AIdent.empty() || AIdent.find('=') != std::string::npos || AIdent != TrimBlanks(AIdent) ||
      AIdent.front() == '[' || AIdent.front() == ';')
    throw EIniFileException(Format("Invalid INI value name: \"%s\"", AIdent));
}

}  // namespace

// ---- the file --------------------------------------------------------------------------------

void TIniFile::Refresh() const {
  if (FSnapshot.Update(FFileName)) Parse(FSnapshot.Bytes());
}

void TIniFile::Parse(const std::string& ABytes) const {
  const TDecodedText Decoded = DecodeText(ABytes);
  FLines.clear();
  FEncoding = Decoded.Encoding;
  FHasBom = Decoded.HasBom;
  std::string_view Text = Decoded.Text;
  const auto FirstBreak = Text.find('\n');
  FLineBreak = FirstBreak != std::string_view::npos && (FirstBreak == 0 || Text[FirstBreak - 1] != '\r') ? "\n" : "\r\n";
  FFinalLineBreak = Text.empty() || Text.back() == '\n';
  while (!Text.empty()) {
    const auto End = Text.find('\n');
    FLines.emplace_back(Text.substr(0, End));
    Text = End == std::string_view::npos ? std::string_view() : Text.substr(End + 1);
  }
  Reindex();
}

void TIniFile::Reindex() const {
  FSectionIndex.clear();
  FKeyIndex.clear();
  std::string Section;
  bool First = false;  // the lines belong to the first section of their name
  for (std::size_t I = 0; I < FLines.size(); ++I) {
    if (const auto Name = SectionOf(FLines[I])) {
      Section = FoldCase(*Name);
      First = FSectionIndex.try_emplace(Section, TSectionRange{I, FLines.size()}).second;
      continue;
    }
    if (!First) continue;
    if (const auto Key = KeyOf(FLines[I])) FKeyIndex.try_emplace(Section + '\n' + FoldCase(Key->Name), I);
  }
  // Each section ends where the next one starts.
  std::vector<std::size_t> Headers;
  for (std::size_t I = 0; I < FLines.size(); ++I)
    if (SectionOf(FLines[I])) Headers.push_back(I);
  for (auto& [Name, Range] : FSectionIndex) {
    const auto Next = std::upper_bound(Headers.begin(), Headers.end(), Range.Header);
    Range.End = Next == Headers.end() ? FLines.size() : *Next;
  }
}

std::string TIniFile::NewLine(std::string AText) const { return FLineBreak == "\r\n" ? AText + "\r" : AText; }

// The last line is about to be followed by another: it gets a break of the file's kind.
void TIniFile::EndLastLine() {
  if (!FFinalLineBreak && !FLines.empty() && FLineBreak == "\r\n" && !FLines.back().ends_with('\r'))
    FLines.back() += '\r';
  FFinalLineBreak = true;
}

void TIniFile::Save() {
  Reindex();
  std::string Text;
  for (std::size_t I = 0; I < FLines.size(); ++I) {
    Text += FLines[I];
    if (I + 1 < FLines.size() || FFinalLineBreak) Text += '\n';
  }
  const std::string Bytes = EncodeText(Text, FEncoding, FHasBom);
  WriteAllBytesAtomic(FFileName, Bytes.data(), Bytes.size());
  FSnapshot.Update(FFileName);  // FLines already hold what was written
}

std::optional<TIniFile::TSectionRange> TIniFile::FindSection(const std::string& ASection, std::size_t AFrom) const {
  if (AFrom == 0) {
    const auto Found = FSectionIndex.find(FoldCase(ASection));
    return Found == FSectionIndex.end() ? std::nullopt : std::optional(Found->second);
  }
  for (std::size_t I = AFrom; I < FLines.size(); ++I) {
    const auto Name = SectionOf(FLines[I]);
    if (!Name || !SameName(*Name, ASection)) continue;
    std::size_t End = I + 1;
    while (End < FLines.size() && !SectionOf(FLines[End])) ++End;
    return TSectionRange{I, End};
  }
  return std::nullopt;
}

std::optional<std::size_t> TIniFile::FindKey(const TSectionRange& ARange, const std::string& AIdent) const {
  for (std::size_t I = ARange.Header + 1; I < ARange.End; ++I)
    if (const auto Key = KeyOf(FLines[I]); Key && SameName(Key->Name, AIdent)) return I;
  return std::nullopt;
}

std::optional<std::size_t> TIniFile::FindKey(const std::string& ASection, const std::string& AIdent) const {
  const auto Found = FKeyIndex.find(KeyIndexName(ASection, AIdent));
  return Found == FKeyIndex.end() ? std::nullopt : std::optional(Found->second);
}

// ---- reading ---------------------------------------------------------------------------------

std::string TIniFile::ReadString(const std::string& ASection, const std::string& AIdent, const std::string& ADefault) const {
  Refresh();
  const auto Line = FindKey(ASection, AIdent);
  return Line ? ValueOf(KeyOf(FLines[*Line])->RawValue) : ADefault;
}

int TIniFile::ReadInteger(const std::string& ASection, const std::string& AIdent, int ADefault) const {
  return StrToIntDef(ReadString(ASection, AIdent, ""), ADefault);
}

bool TIniFile::ReadBool(const std::string& ASection, const std::string& AIdent, bool ADefault) const {
  return ReadInteger(ASection, AIdent, ADefault ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(const std::string& ASection) const {
  Refresh();
  return FindSection(ASection).has_value();
}

bool TIniFile::ValueExists(const std::string& ASection, const std::string& AIdent) const {
  Refresh();
  return FindKey(ASection, AIdent).has_value();
}

std::vector<std::string> TIniFile::ReadSection(const std::string& ASection) const {
  Refresh();
  std::vector<std::string> Names;
  if (const auto Range = FindSection(ASection))
    for (std::size_t I = Range->Header + 1; I < Range->End; ++I)
      if (const auto Key = KeyOf(FLines[I])) Names.emplace_back(Key->Name);
  return Names;
}

std::vector<std::string> TIniFile::ReadSections() const {
  Refresh();
  std::vector<std::string> Names;
  for (std::size_t I = 0; I < FLines.size(); ++I)
    if (const auto Name = SectionOf(FLines[I]); Name && FSectionIndex.at(FoldCase(*Name)).Header == I) Names.emplace_back(*Name);
  return Names;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& ASection) const {
  Refresh();
  std::vector<std::string> Lines;
  if (const auto Range = FindSection(ASection))
    for (std::size_t I = Range->Header + 1; I < Range->End; ++I)
      // A repeated name reads as its first value, as ReadString gives it.
      if (const auto Key = KeyOf(FLines[I]))
        Lines.push_back(std::string(Key->Name) + "=" + ValueOf(KeyOf(FLines[*FindKey(ASection, std::string(Key->Name))])->RawValue));
  return Lines;
}

// ---- writing ---------------------------------------------------------------------------------

void TIniFile::WriteString(const std::string& ASection, const std::string& AIdent, const std::string& AValue) {
  CheckSectionName(ASection);
  CheckKeyName(AIdent);
  CheckNoLineBreak(AValue, "value");
  Refresh();
  // Reads of such a file answer their defaults; a write would replace contents it never saw.
  if (FSnapshot.ReadError())
    throw EIniFileException(Format("INI file cannot be read, so it is not changed: %s\n%s", FFileName, *FSnapshot.ReadError()));
  if (!CanEncode(ASection + AIdent + AValue, FEncoding))
    throw EIniFileException(Format("The encoding of INI file %s cannot hold the text: %s", FFileName, AValue));
  const auto Range = FindSection(ASection);
  if (!Range) {
    if (!FLines.empty() && !TrimBlanks(Content(FLines.back())).empty()) {
      EndLastLine();
      FLines.push_back(NewLine(""));
    }
    EndLastLine();
    FLines.push_back(NewLine("[" + ASection + "]"));
    FLines.push_back(NewLine(AIdent + "=" + StoredValue(AValue)));
  } else if (const auto Line = FindKey(ASection, AIdent)) {
    std::string& Text = FLines[*Line];
    const bool CrLf = Text.ends_with('\r');
    Text = Text.substr(0, Text.find('=')) + "=" + StoredValue(AValue) + (CrLf ? "\r" : "");
  } else {
    // After the section's last value: blank lines and comments before the next section stay there.
    std::size_t After = Range->Header + 1;
    for (std::size_t I = Range->Header + 1; I < Range->End; ++I)
      if (KeyOf(FLines[I])) After = I + 1;
    if (After == FLines.size()) EndLastLine();
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(After), NewLine(AIdent + "=" + StoredValue(AValue)));
  }
  Save();
}

void TIniFile::WriteInteger(const std::string& ASection, const std::string& AIdent, int AValue) {
  WriteString(ASection, AIdent, Format("%d", AValue));
}

void TIniFile::WriteBool(const std::string& ASection, const std::string& AIdent, bool AValue) {
  WriteString(ASection, AIdent, AValue ? "1" : "0");
}

// Every section of the name goes: a later duplicate would otherwise come to light.
void TIniFile::EraseSection(const std::string& ASection) {
  Refresh();
  bool Changed = false;
  while (const auto Range = FindSection(ASection)) {
    FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(Range->Header), FLines.begin() + static_cast<std::ptrdiff_t>(Range->End));
    Reindex();
    Changed = true;
  }
  if (Changed) Save();
}

void TIniFile::DeleteKey(const std::string& ASection, const std::string& AIdent) {
  Refresh();
  bool Changed = false;
  for (auto Range = FindSection(ASection); Range; Range = FindSection(ASection, Range->End)) {
    while (const auto Line = FindKey(*Range, AIdent)) {
      FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(*Line));
      --Range->End;
      Changed = true;
    }
  }
  if (Changed) Save();
}

}  // namespace Quellit::Platform
