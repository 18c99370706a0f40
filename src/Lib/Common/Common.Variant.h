// A small run-time value with the usual 16-bit variant type codes: what the stream operations
// WriteVariant / ReadVariant exchange. Simple values keep their bytes; arrays keep their bounds
// and elements in order, the last index varying fastest.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Quellit {

using TVarType = std::uint16_t;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varError = 0x000A;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varUnknown = 0x000D;
inline constexpr TVarType varDecimal = 0x000E;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;
inline constexpr TVarType varByRef = 0x4000;

// Bytes a simple value of the type occupies (0 for empty, null, strings and the rest).
int VarTypeDataSize(TVarType AType);

struct TVarArrayBound {
  std::int32_t LowBound = 0;
  std::int32_t HighBound = -1;
  std::int64_t ElementCount() const { return static_cast<std::int64_t>(HighBound) - LowBound + 1; }
  friend bool operator==(const TVarArrayBound&, const TVarArrayBound&) = default;
};

// Elements the bounds describe; -1 when a bound is inverted or the count is beyond memory.
std::int64_t VarArrayElementCount(const std::vector<TVarArrayBound>& ABounds);

class TVariant {
 public:
  TVariant();  // empty
  TVariant(const TVariant& AOther);
  TVariant& operator=(const TVariant& AOther);
  TVariant(TVariant&& AOther) noexcept;
  TVariant& operator=(TVariant&& AOther) noexcept;
  ~TVariant();
  TVariant(bool AValue);
  TVariant(std::int8_t AValue);
  TVariant(std::uint8_t AValue);
  TVariant(std::int16_t AValue);
  TVariant(std::uint16_t AValue);
  TVariant(std::int32_t AValue);
  TVariant(std::uint32_t AValue);
  TVariant(std::int64_t AValue);
  TVariant(float AValue);
  TVariant(double AValue);
  TVariant(std::string_view AValue);  // a wide string
  TVariant(const char* AValue);
  TVariant(const std::string& AValue);

  static TVariant Null();
  static TVariant AnsiString(std::string_view AValue);  // type 256: text kept as UTF-8
  static TVariant Currency(std::int64_t ATenThousandths);
  static TVariant Date(double ADays);
  // Any simple type from its little-endian bytes; also types the value constructors do not make.
  static TVariant FromRaw(TVarType AType, std::uint64_t ABits);
  // An array of the element type (without the array flag), every element empty of that type.
  static TVariant Array(TVarType AElementType, std::vector<TVarArrayBound> ABounds);
  // The same with the elements given, in order; their count must match the bounds.
  static TVariant Array(TVarType AElementType, std::vector<TVarArrayBound> ABounds, std::vector<TVariant> AElements);

  TVarType VarType() const { return FType; }
  bool IsArray() const { return (FType & varArray) != 0; }
  std::uint64_t RawBits() const { return FBits; }

  std::int64_t AsInt64() const;  // integer types, boolean and error
  double AsDouble() const;       // floating types, date and currency; integers widened
  bool AsBoolean() const { return FBits != 0; }
  const std::string& AsString() const { return FText; }

  const std::vector<TVarArrayBound>& Bounds() const;
  std::vector<TVariant>& Elements();
  const std::vector<TVariant>& Elements() const;
  // The element at one index per dimension.
  TVariant& Element(std::initializer_list<std::int32_t> AIndexes);

  friend bool operator==(const TVariant& A, const TVariant& B);

 private:
  struct TArrayData;

  TVariant(TVarType AType, std::uint64_t ABits);
  static std::uint64_t SignExtend(std::uint64_t ABits, int ABytes);

  TVarType FType = varEmpty;
  std::uint64_t FBits = 0;
  std::string FText;
  std::unique_ptr<TArrayData> FArray;  // copied deeply: a variant is a value
};

}  // namespace Quellit
