// Region codes of normative bases, their text and integer forms and the captions derived from
// them, and the base descriptor every base container carries as its item "Info".
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>

#include "Lib/Common/Common.Classes.h"
#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Object.h"
#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Modules/Korvel/Common/Kv.Types.h"

namespace Quellit {

class ERegionCodeError : public Exception { using Exception::Exception; };

// Only spl1984 and spl2001 are real base levels; descriptors store the level as a raw byte, so a
// value outside them (or outside the enumeration) can still arrive and must be answered safely.
using TNBYear = TVeskaPriceLevel;
using TNBAreaCode = std::uint8_t;        // 0..99
using TNBRegionAddCode = std::uint8_t;   // 0..9

enum TKVDStreamCodeKind : std::uint8_t { sckGESN = 0, sckTER = 1, sckCompressOnly = 2 };

enum TNBPublisher : std::uint8_t {
  nbpUnknown = 0,
  nbpFederal = 1,
  nbpTerritorial = 2,
  nbpTrade = 3,
  nbpIndividual = 4,
};

// Texts of a price level; a level outside the enumeration reads as splNone.
std::string PriceLevelDigit(TVeskaPriceLevel ALevel);
std::string PriceLevelYearText(TVeskaPriceLevel ALevel);
// The publisher's name; a stored value outside the enumeration reads as nbpUnknown.
std::string PublisherName(TNBPublisher APublisher);

// The five-digit region code (area × 1000 + ID × 10 + additional code) and its price level.
struct TNBRegionCode {
  std::int32_t Code = 0;
  TNBYear Year = splNone;

  void SetCode(std::int32_t ACode);
  void SetCodeFromParts(std::int32_t AAreaCode, std::int32_t AID, std::int32_t ARegionAddCode);
  static std::int32_t MakeIntCode(std::int32_t AArea, std::int32_t AID, std::int32_t AAddcode);

  std::int32_t AreaCode() const { return Code / 1000; }
  std::int32_t ID() const { return Code % 1000 / 10; }
  std::int32_t AddCode() const { return Code % 10; }
  std::int32_t District() const { return Code % 1000; }

  // "NB112034.dat": prefix, level digit and the code in five digits.
  std::string DBCode(std::string_view APrefix, std::string_view AExtention) const;
  void SetDBCode(std::string_view ADBCode);
  static TNBRegionCode FromString(std::string_view ADBCode);

  std::int32_t IntDBCode() const;
  std::int32_t ToInt() const;  // -1 for an unset or negative code
  static TNBRegionCode FromInt(std::int32_t ACode);

  TKVDStreamCodeKind GetKVDCodeKind() const;
  std::uint16_t DefaultYearValue() const;
  bool IsMTSNCode() const;
  std::string DefaultOpenMask() const;
  std::string DefaultTitle() const;
  std::string DefaultComment() const;
  std::string DefaultRootName() const { return DefaultComment(); }
  static std::string PriceLeveledBaseCaption(TNBYear APriceLevel);

  bool IsSame(const TNBRegionCode& AOther) const { return Code == AOther.Code && Year == AOther.Year; }
  // By the integer form, so two unset codes are equal whatever their digits.
  friend bool operator==(const TNBRegionCode& A, const TNBRegionCode& B) { return A.ToInt() == B.ToInt(); }

  class TEqualityComparer;
  class TComparer;
  // Shared comparers, created on first request and kept until the program ends.
  static const TEqualityComparer& EqualityComparer();
  static const TComparer& Comparer();
};

// Equality and hash by the integer form; usable as the hash and equality of unordered containers.
class TNBRegionCode::TEqualityComparer : public TObject {
 public:
  bool Equals(const TNBRegionCode& A, const TNBRegionCode& B) const { return A.ToInt() == B.ToInt(); }
  std::int32_t GetHashCode(const TNBRegionCode& AValue) const { return AValue.ToInt(); }
  std::size_t operator()(const TNBRegionCode& AValue) const { return static_cast<std::size_t>(GetHashCode(AValue)); }
  bool operator()(const TNBRegionCode& A, const TNBRegionCode& B) const { return Equals(A, B); }
};

// Order by the integer form; usable as the ordering of sorted containers.
class TNBRegionCode::TComparer : public TObject {
 public:
  // The difference of the integer forms, kept within int so its sign is always right.
  int Compare(const TNBRegionCode& A, const TNBRegionCode& B) const;
  bool operator()(const TNBRegionCode& A, const TNBRegionCode& B) const { return Compare(A, B) < 0; }
};

// The base descriptor.
struct TNB_InfoStruct {
  std::string FComment;
  std::uint8_t SysVersion = 0;
  TNBRegionCode Code;
  std::string RegionName;
  TDateTime CreationDate = 0;
  std::string Creator;
  TNBPublisher Publidher = nbpUnknown;
  std::string DistrictName;
  std::string DistrictSign;
  std::string OpenMask;
  std::string RootName;
  std::uint16_t Year = 0;
  std::uint32_t ReleaseNumber = 0;
  std::uint32_t CRC32 = 0;  // carried, never computed here
  bool HasCrc32 = false;

  static constexpr std::uint8_t Signature = 241;

  // Reads from the stream's position; descriptors of older releases end early and load with defaults.
  void LoadFromStream(TStream& AStream);
  // Always writes every row, the checksum included.
  void SaveToStream(TStream& AStream) const;
  TSharedPtr<TStringList> GetPropsStrings() const;
};

// The creation date in the user's short date format; empty for a value no calendar date has,
// which a damaged descriptor can carry.
std::string BaseDateToStr(TDateTime AValue);

}  // namespace Quellit
