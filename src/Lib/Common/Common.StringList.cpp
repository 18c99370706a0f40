#include "Lib/Common/Common.StringList.h"

#include <algorithm>
#include <numeric>

#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"

namespace Quellit {

namespace {

const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SDuplicateString = "String list does not allow duplicates";
const char* const SSortedListError = "Operation not allowed on sorted list";

bool IsBlank(char C, bool AStrict) {
  // A NUL counts as a blank too, so a stray NUL cannot stall the parser.
  return !AStrict && static_cast<unsigned char>(C) <= ' ';
}

// The quoted item starting at APos: doubled quote chars stand for one; without a closing quote
// the item runs to the end. APos ends after the closing quote.
std::string ExtractQuoted(std::string_view AValue, std::size_t& APos, char AQuoteChar) {
  std::string Result;
  ++APos;
  while (APos < AValue.size()) {
    char C = AValue[APos++];
    if (C != AQuoteChar) {
      Result += C;
    } else if (APos < AValue.size() && AValue[APos] == AQuoteChar) {
      Result += C;
      ++APos;
    } else {
      break;
    }
  }
  return Result;
}

std::string Quoted(const std::string& S, char AQuoteChar) {
  std::string Result(1, AQuoteChar);
  for (char C : S) {
    Result += C;
    if (C == AQuoteChar) Result += C;
  }
  return Result + AQuoteChar;
}

std::string DecodeText(const std::string& ABytes) {
  auto Starts = [&](std::string_view ABom) { return ABytes.compare(0, ABom.size(), ABom) == 0; };
  auto Utf16 = [&](bool ABigEndian) {
    std::u16string Units;
    for (std::size_t I = 2; I + 1 < ABytes.size(); I += 2) {
      auto B0 = static_cast<unsigned char>(ABytes[I]), B1 = static_cast<unsigned char>(ABytes[I + 1]);
      Units += static_cast<char16_t>(ABigEndian ? (B0 << 8) | B1 : (B1 << 8) | B0);
    }
    return Utf16ToUtf8(Units);
  };
  if (Starts("\xEF\xBB\xBF")) return ABytes.substr(3);
  if (Starts("\xFF\xFE")) return Utf16(false);
  if (Starts("\xFE\xFF")) return Utf16(true);
  return IsValidUtf8(ABytes) ? ABytes : Win1251ToUtf8(ABytes);
}

std::string EncodeText(const std::string& AText, TStringsEncoding AEncoding) {
  switch (AEncoding) {
    case seWin1251: return Utf8ToWin1251(AText);
    case seUTF16LE: {
      std::string Result = "\xFF\xFE";
      for (char16_t U : Utf8ToUtf16(AText)) {
        Result += static_cast<char>(U & 0xFF);
        Result += static_cast<char>(U >> 8);
      }
      return Result;
    }
    case seUTF8: break;
  }
  return AText;
}

}  // namespace

TStrings::~TStrings() { Clear(); }

void TStrings::CheckIndex(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) throw EStringListError(Format(SListIndexError, AIndex));
}

void TStrings::CheckNotSorted() const {
  if (FSorted) throw EStringListError(SSortedListError);
}

void TStrings::FreeObject(TItem& AItem) {
  if (FOwnsObjects) Free(AItem.FObject);
  AItem.FObject = nullptr;
}

const std::string& TStrings::Strings(int AIndex) const {
  CheckIndex(AIndex);
  return FItems[static_cast<std::size_t>(AIndex)].FString;
}

void TStrings::SetStrings(int AIndex, std::string AValue) {
  CheckNotSorted();
  CheckIndex(AIndex);
  FItems[static_cast<std::size_t>(AIndex)].FString = std::move(AValue);
}

TObject* TStrings::Objects(int AIndex) const {
  CheckIndex(AIndex);
  return FItems[static_cast<std::size_t>(AIndex)].FObject;
}

void TStrings::SetObjects(int AIndex, TObject* AObject) {
  CheckIndex(AIndex);
  TItem& Item = FItems[static_cast<std::size_t>(AIndex)];
  Item.FObject = AObject;
  Item.FInteger = 0;
}

std::int64_t TStrings::Integers(int AIndex) const {
  CheckIndex(AIndex);
  return FItems[static_cast<std::size_t>(AIndex)].FInteger;
}

void TStrings::SetIntegers(int AIndex, std::int64_t AValue) {
  CheckIndex(AIndex);
  TItem& Item = FItems[static_cast<std::size_t>(AIndex)];
  Item.FObject = nullptr;
  Item.FInteger = AValue;
}

int TStrings::AddItem(TItem AItem) {
  int Index = Count();
  if (FSorted && Find(AItem.FString, Index)) {
    if (FDuplicates == dupIgnore) return Index;
    if (FDuplicates == dupError) throw EStringListError(SDuplicateString);
  }
  InsertItem(Index, std::move(AItem));
  return Index;
}

void TStrings::InsertItem(int AIndex, TItem AItem) {
  FItems.insert(FItems.begin() + AIndex, std::move(AItem));
}

int TStrings::Add(std::string_view S) { return AddItem({std::string(S), nullptr, 0}); }
int TStrings::AddObject(std::string_view S, TObject* AObject) { return AddItem({std::string(S), AObject, 0}); }
int TStrings::AddInteger(std::string_view S, std::int64_t AValue) { return AddItem({std::string(S), nullptr, AValue}); }

void TStrings::AddStrings(const TStrings& AOther) {
  for (const TItem& Item : AOther.FItems) AddItem(Item);
}

void TStrings::Insert(int AIndex, std::string_view S) { InsertObject(AIndex, S, nullptr); }

void TStrings::InsertObject(int AIndex, std::string_view S, TObject* AObject) {
  CheckNotSorted();
  if (AIndex < 0 || AIndex > Count()) throw EStringListError(Format(SListIndexError, AIndex));
  InsertItem(AIndex, {std::string(S), AObject, 0});
}

void TStrings::Delete(int AIndex) {
  CheckIndex(AIndex);
  FreeObject(FItems[static_cast<std::size_t>(AIndex)]);
  FItems.erase(FItems.begin() + AIndex);
}

void TStrings::Clear() {
  for (TItem& Item : FItems) FreeObject(Item);
  FItems.clear();
}

void TStrings::Exchange(int AIndex1, int AIndex2) {
  CheckIndex(AIndex1);
  CheckIndex(AIndex2);
  std::swap(FItems[static_cast<std::size_t>(AIndex1)], FItems[static_cast<std::size_t>(AIndex2)]);
}

int TStrings::CompareStrings(std::string_view A, std::string_view B) const {
  return FCaseSensitive ? AnsiCompareStr(A, B) : AnsiCompareText(A, B);
}

bool TStrings::Find(std::string_view S, int& AIndex) const {
  auto It = std::lower_bound(FItems.begin(), FItems.end(), S,
                             [this](const TItem& AItem, std::string_view AKey) {
                               return CompareStrings(AItem.FString, AKey) < 0;
                             });
  AIndex = static_cast<int>(It - FItems.begin());
  return It != FItems.end() && CompareStrings(It->FString, S) == 0;
}

int TStrings::IndexOf(std::string_view S) const {
  int Index = -1;
  if (FSorted) return Find(S, Index) ? Index : -1;
  for (int I = 0; I < Count(); ++I)
    if (CompareStrings(FItems[static_cast<std::size_t>(I)].FString, S) == 0) return I;
  return -1;
}

int TStrings::IndexOfName(std::string_view AName) const {
  for (int I = 0; I < Count(); ++I) {
    const std::string& S = FItems[static_cast<std::size_t>(I)].FString;
    std::size_t P = S.find(FNameValueSeparator);
    if (P != std::string::npos && CompareStrings(std::string_view(S).substr(0, P), AName) == 0) return I;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  for (int I = 0; I < Count(); ++I)
    if (FItems[static_cast<std::size_t>(I)].FObject == AObject) return I;
  return -1;
}

std::string TStrings::Names(int AIndex) const {
  const std::string& S = Strings(AIndex);
  std::size_t P = S.find(FNameValueSeparator);
  return P == std::string::npos ? std::string() : S.substr(0, P);
}

std::string TStrings::ValueFromIndex(int AIndex) const {
  const std::string& S = Strings(AIndex);
  std::size_t P = S.find(FNameValueSeparator);
  return P == std::string::npos ? std::string() : S.substr(P + 1);
}

std::string TStrings::Values(std::string_view AName) const {
  int Index = IndexOfName(AName);
  return Index < 0 ? std::string() : ValueFromIndex(Index);
}

void TStrings::SetValues(std::string_view AName, std::string_view AValue) {
  int Index = IndexOfName(AName);
  if (AValue.empty()) {
    if (Index >= 0) Delete(Index);
    return;
  }
  std::string Line = std::string(AName) + FNameValueSeparator + std::string(AValue);
  if (Index < 0) {
    Add(Line);
  } else if (FSorted) {
    // A sorted list keeps its order: the changed line is placed anew.
    TItem Item = FItems[static_cast<std::size_t>(Index)];
    FItems.erase(FItems.begin() + Index);
    Item.FString = std::move(Line);
    AddItem(std::move(Item));
  } else {
    FItems[static_cast<std::size_t>(Index)].FString = std::move(Line);
  }
}

void TStrings::SetSorted(bool AValue) {
  if (AValue == FSorted) return;
  if (AValue) Sort();
  FSorted = AValue;
}

void TStrings::SetCaseSensitive(bool AValue) {
  if (AValue == FCaseSensitive) return;
  FCaseSensitive = AValue;
  if (FSorted) {
    FSorted = false;
    Sort();
    FSorted = true;
  }
}

void TStrings::SortBy(const TCompareFunc& ACompare) {
  // Sorting a permutation lets the comparer look at the list by index while it is unchanged.
  std::vector<int> Order(FItems.size());
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) { return ACompare(*this, A, B) < 0; });
  std::vector<TItem> Sorted;
  Sorted.reserve(FItems.size());
  for (int I : Order) Sorted.push_back(std::move(FItems[static_cast<std::size_t>(I)]));
  FItems = std::move(Sorted);
}

void TStrings::Sort() {
  // A sorted list is in order already; re-sorting could only reorder equal lines.
  if (FSorted || Count() < 2) return;
  SortBy([](const TStrings& AList, int A, int B) {
    return AList.CompareStrings(AList.FItems[static_cast<std::size_t>(A)].FString,
                                AList.FItems[static_cast<std::size_t>(B)].FString);
  });
}

void TStrings::CustomSort(const TCompareFunc& ACompare) {
  // Another order would break the binary search of a sorted list.
  if (FSorted || Count() < 2) return;
  SortBy(ACompare);
}

std::string TStrings::Text() const {
  std::string Result;
  for (const TItem& Item : FItems) Result += Item.FString + "\r\n";
  return Result;
}

void TStrings::SetText(std::string_view AValue) {
  Clear();
  std::size_t Pos = 0;
  while (Pos < AValue.size()) {
    std::size_t End = AValue.find_first_of("\r\n", Pos);
    if (End == std::string_view::npos) End = AValue.size();
    Add(AValue.substr(Pos, End - Pos));
    Pos = End;
    if (Pos < AValue.size() && AValue[Pos] == '\r') ++Pos;
    if (Pos < AValue.size() && AValue[Pos] == '\n') ++Pos;
  }
}

std::string TStrings::BuildDelimited(char ADelimiter, char AQuoteChar, bool AStrict) const {
  // A single empty line must still read back as one line.
  if (Count() == 1 && FItems[0].FString.empty()) return std::string(2, AQuoteChar);
  std::string Result;
  for (const TItem& Item : FItems) {
    const std::string& S = Item.FString;
    bool NeedsQuotes = std::any_of(S.begin(), S.end(), [&](char C) {
      return C == AQuoteChar || C == ADelimiter || (!AStrict && static_cast<unsigned char>(C) <= ' ');
    });
    if (&Item != &FItems.front()) Result += ADelimiter;
    Result += NeedsQuotes ? Quoted(S, AQuoteChar) : S;
  }
  return Result;
}

void TStrings::ParseDelimited(std::string_view AValue, char ADelimiter, char AQuoteChar, bool AStrict) {
  Clear();
  std::size_t P = 0, N = AValue.size();
  auto SkipBlanks = [&] {
    while (P < N && IsBlank(AValue[P], AStrict)) ++P;
  };
  SkipBlanks();
  while (P < N) {
    if (AValue[P] == AQuoteChar) {
      Add(ExtractQuoted(AValue, P, AQuoteChar));
    } else {
      std::size_t Start = P;
      while (P < N && !IsBlank(AValue[P], AStrict) && AValue[P] != ADelimiter) ++P;
      Add(AValue.substr(Start, P - Start));
    }
    SkipBlanks();
    if (P < N && AValue[P] == ADelimiter) {
      // A delimiter at the very end stands before one more, empty item.
      if (P + 1 == N) Add("");
      ++P;
      SkipBlanks();
    }
  }
}

std::string TStrings::DelimitedText() const { return BuildDelimited(FDelimiter, FQuoteChar, FStrictDelimiter); }

void TStrings::SetDelimitedText(std::string_view AValue) {
  ParseDelimited(AValue, FDelimiter, FQuoteChar, FStrictDelimiter);
}

std::string TStrings::CommaText() const { return BuildDelimited(',', '"', false); }

void TStrings::SetCommaText(std::string_view AValue) { ParseDelimited(AValue, ',', '"', false); }

void TStrings::LoadFromFile(const std::string& AFileName) {
  TFileStream Stream(AFileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TStrings::LoadFromStream(TStream& AStream) {
  std::int64_t Count = AStream.Size() - AStream.Position();
  std::string Bytes(static_cast<std::size_t>(std::max<std::int64_t>(Count, 0)), '\0');
  AStream.ReadBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  SetText(DecodeText(Bytes));
}

void TStrings::SaveToFile(const std::string& AFileName, TStringsEncoding AEncoding) const {
  // Through a temporary file and one rename, so a failed save never leaves half a file.
  std::string Bytes = EncodeText(Text(), AEncoding);
  Platform::WriteAllBytesAtomic(AFileName, Bytes.data(), Bytes.size());
}

void TStrings::SaveToStream(TStream& AStream, TStringsEncoding AEncoding) const {
  std::string Bytes = EncodeText(Text(), AEncoding);
  AStream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

}  // namespace Quellit
