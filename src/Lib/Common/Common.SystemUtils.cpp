#include "Lib/Common/Common.SystemUtils.h"

#include <memory>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.ExceptionEx.h"
#include "Lib/Common/Common.StringList.h"
#include "Platform/Folder.h"
#include "Platform/Guid.h"
#include "Platform/Path.h"
#include "Platform/KnownFolders.h"

namespace Quellit {

// ---- GUID ------------------------------------------------------------------------------------
std::string CreateGUIDString(bool AWithBraces) {
  TGUID Guid;
  try {
    Guid = Platform::NewGuid();
  } catch (const EOSError& E) {
    throw EAPICallError(E.Message());
  }
  const std::string Text = Guid.ToString();
  if (AWithBraces) return Text;
  std::string Digits;
  for (char C : Text)
    if (C != '{' && C != '}' && C != '-') Digits += C;
  return Digits;
}

// ---- folders ---------------------------------------------------------------------------------
std::string GetTempFolder() { return Platform::IncludeTrailingPathDelimiter(Platform::TempFolderPath()); }

std::string GetSpecialFolder(int ACsidl) {
  return Platform::ExcludeTrailingPathDelimiter(Platform::SpecialFolderPath(ACsidl));
}

std::string GetPersonalFolder() { return GetSpecialFolder(Platform::CSIDL_PERSONAL); }
std::string GetAppDataFolder() { return GetSpecialFolder(Platform::CSIDL_APPDATA); }
std::string GetCommonAppDataFolder() { return GetSpecialFolder(Platform::CSIDL_COMMON_APPDATA); }

namespace {

void AddMatchingFiles(TStringList& AList, const std::string& AFolder, const std::string& AMask, bool ARecursive) {
  for (const Platform::TFolderEntry& Entry : Platform::ListFolder(AFolder)) {
    const std::string Path = Platform::CombinePath(AFolder, Entry.Name);
    if (Entry.IsFolder) {
      if (ARecursive) AddMatchingFiles(AList, Path, AMask, ARecursive);
    } else if (Platform::MatchesMask(Entry.Name, AMask)) {
      AList.Add(Path);
    }
  }
}

}  // namespace

TStringList* FindFilesToList(const std::string& AFolder, const std::string& AMask, bool ARecursive) {
  auto Result = std::make_unique<TStringList>();
  AddMatchingFiles(*Result, Platform::ExcludeTrailingPathDelimiter(AFolder), AMask, ARecursive);
  return Result.release();
}

// ---- ISO 8601 --------------------------------------------------------------------------------
namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Skips what is not a digit, then takes up to AWidth digits. Fails when fewer than AWidth
// characters remain after the skip; a failed read leaves the position where it was, so that
// what it skipped is still judged as the tail.
bool ReadNumber(std::string_view S, std::size_t& APos, std::size_t AWidth, int& AValue) {
  std::size_t Pos = APos;
  while (Pos < S.size() && !IsDigit(S[Pos])) ++Pos;
  if (S.size() - Pos < AWidth) return false;
  int Value = 0;
  const std::size_t End = Pos + AWidth;
  while (Pos < End && IsDigit(S[Pos])) Value = Value * 10 + (S[Pos++] - '0');
  AValue = Value;
  APos = Pos;
  return true;
}

bool IsZone(std::string_view ATail) {
  if (ATail == "Z") return true;
  return ATail.size() == 6 && (ATail[0] == '+' || ATail[0] == '-') && IsDigit(ATail[1]) && IsDigit(ATail[2]) &&
         ATail[3] == ':' && IsDigit(ATail[4]) && IsDigit(ATail[5]);
}

bool IsValidTail(std::string_view ATail) {
  if (ATail.empty()) return true;
  if (ATail.front() == '.') {
    std::size_t Digits = 1;
    while (Digits < ATail.size() && IsDigit(ATail[Digits])) ++Digits;
    if (Digits == 1) return false;
    ATail.remove_prefix(Digits);
    if (ATail.empty()) return true;
  }
  return IsZone(ATail);
}

}  // namespace

bool TryParseISODateTime(std::string_view S, TDateTime& AValue) {
  if (S.find('P') != std::string_view::npos) throw Exception("Не поддерживаются промежутки времени");
  if (S.empty()) return false;
  int Year = 0;
  int Fields[5] = {1, 1, 0, 0, 0};  // month, day, hour, minute, second
  constexpr std::size_t FieldCount = sizeof Fields / sizeof Fields[0];
  std::size_t Pos = 0;
  if (!ReadNumber(S, Pos, 4, Year)) return false;
  for (std::size_t I = 0; I < FieldCount && Pos < S.size(); ++I)
    if (!ReadNumber(S, Pos, 2, Fields[I])) break;
  if (!IsValidTail(S.substr(Pos))) return false;
  AValue = EncodeDateTime(Year, Fields[0], Fields[1], Fields[2], Fields[3], Fields[4], 0);
  return true;
}

TDateTime ParseISODateTimeDef(std::string_view S, TDateTime ADefault) {
  TDateTime Value = 0;
  return TryParseISODateTime(S, Value) ? Value : ADefault;
}

}  // namespace Quellit
