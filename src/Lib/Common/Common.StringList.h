// String lists: lines with an attached value each (an object or an integer), optionally sorted
// under the user's locale, name=value access, the delimited-text rule and text files.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Object.h"

namespace Quellit {

class TStream;

class EStringListError : public Exception {
  using Exception::Exception;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The encodings SaveToFile / SaveToStream can write; loading detects the encoding itself.
enum TStringsEncoding {
  seUTF8,     // no byte-order mark
  seWin1251,  // the product's 8-bit code page
  seUTF16LE   // with byte-order mark
};

// One class does the work; TStringList is the name most code creates.
class TStrings : public TObject {
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  ~TStrings() override;

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int AIndex) const;
  const std::string& operator[](int AIndex) const { return Strings(AIndex); }
  void SetStrings(int AIndex, std::string AValue);
  // The attached value is one slot: an object, or an integer. Objects() is null for a line holding
  // an integer; Integers() is 0 for a line holding an object.
  TObject* Objects(int AIndex) const;
  void SetObjects(int AIndex, TObject* AObject);
  std::int64_t Integers(int AIndex) const;
  void SetIntegers(int AIndex, std::int64_t AValue);

  // Add answers the line's index; in a sorted list with dupIgnore, the index of the line kept.
  int Add(std::string_view S);
  int AddObject(std::string_view S, TObject* AObject);
  int AddInteger(std::string_view S, std::int64_t AValue);
  // Attached objects are shared, not copied: at most one of the lists may own them.
  void AddStrings(const TStrings& AOther);
  void Insert(int AIndex, std::string_view S);
  void InsertObject(int AIndex, std::string_view S, TObject* AObject);
  void Delete(int AIndex);
  void Clear();
  void Exchange(int AIndex1, int AIndex2);

  int IndexOf(std::string_view S) const;
  int IndexOfName(std::string_view AName) const;
  int IndexOfObject(const TObject* AObject) const;
  // Binary search of a sorted list: true and the first equal line's index, or false and the
  // index where S would be inserted.
  bool Find(std::string_view S, int& AIndex) const;

  // ---- name=value lines ----------------------------------------------------------------------
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char AValue) { FNameValueSeparator = AValue; }
  std::string Names(int AIndex) const;  // "" for a line without the separator
  std::string ValueFromIndex(int AIndex) const;
  std::string Values(std::string_view AName) const;
  // An empty value deletes the line; a missing name is added at the end.
  void SetValues(std::string_view AName, std::string_view AValue);

  // ---- order and comparison ------------------------------------------------------------------
  bool Sorted() const { return FSorted; }
  void SetSorted(bool AValue);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates AValue) { FDuplicates = AValue; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool AValue);
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool AValue) { FOwnsObjects = AValue; }
  // Locale collation, with or without regard to case.
  int CompareStrings(std::string_view A, std::string_view B) const;
  void Sort();
  using TCompareFunc = std::function<int(const TStrings& AList, int AIndex1, int AIndex2)>;
  void CustomSort(const TCompareFunc& ACompare);

  // ---- text forms ----------------------------------------------------------------------------
  // Every line followed by CR LF; setting splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(std::string_view AValue);
  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char AValue) { FDelimiter = AValue; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char AValue) { FQuoteChar = AValue; }
  bool StrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool AValue) { FStrictDelimiter = AValue; }
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view AValue);
  // The delimited text with ',' and '"', blanks separating too.
  std::string CommaText() const;
  void SetCommaText(std::string_view AValue);

  // ---- files ---------------------------------------------------------------------------------
  // Loading reads from the stream's position to its end: a UTF-8, UTF-16LE or UTF-16BE byte-order
  // mark chooses the encoding; without one, UTF-8 when the bytes are valid UTF-8, else Windows-1251.
  void LoadFromFile(const std::string& AFileName);
  void LoadFromStream(TStream& AStream);
  void SaveToFile(const std::string& AFileName, TStringsEncoding AEncoding = seUTF8) const;
  void SaveToStream(TStream& AStream, TStringsEncoding AEncoding = seUTF8) const;

  // ---- formatting conveniences (Common.Helpers.Classes) ----------------------------------------
  int AddFormatted(std::string_view AFormat, std::initializer_list<TFormatArg> AArgs, TObject* AObject = nullptr);
  // Name, NameValueSeparator and value.
  int AddNameValue(std::string_view AName, std::string_view AValue);

 private:
  struct TItem {
    std::string FString;
    TObject* FObject = nullptr;
    std::int64_t FInteger = 0;
  };

  void CheckIndex(int AIndex) const;
  void CheckNotSorted() const;
  int AddItem(TItem AItem);
  void InsertItem(int AIndex, TItem AItem);
  void FreeObject(TItem& AItem);
  std::string BuildDelimited(char ADelimiter, char AQuoteChar, bool AStrict) const;
  void ParseDelimited(std::string_view AValue, char ADelimiter, char AQuoteChar, bool AStrict);
  void SortBy(const TCompareFunc& ACompare);

  std::vector<TItem> FItems;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
  char FNameValueSeparator = '=';
  char FDelimiter = ',';
  char FQuoteChar = '"';
  bool FStrictDelimiter = false;
};

class TStringList : public TStrings {
 public:
  TStringList() = default;
  explicit TStringList(bool AOwnsObjects) { SetOwnsObjects(AOwnsObjects); }
};

}  // namespace Quellit
