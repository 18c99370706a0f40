#include "Lib/Common/Common.Variant.h"

#include <bit>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"

namespace Quellit {

struct TVariant::TArrayData {
  std::vector<TVarArrayBound> Bounds;
  std::vector<TVariant> Elements;
};

int VarTypeDataSize(TVarType AType) {
  switch (AType) {
    case varShortInt:
    case varByte: return 1;
    case varSmallint:
    case varBoolean:
    case varWord: return 2;
    case varInteger:
    case varSingle:
    case varError:
    case varLongWord: return 4;
    case varDouble:
    case varCurrency:
    case varDate:
    case varInt64: return 8;
    default: return 0;
  }
}

TVariant::TVariant(const TVariant& AOther)
    : FType(AOther.FType),
      FBits(AOther.FBits),
      FText(AOther.FText),
      FArray(AOther.FArray ? std::make_unique<TArrayData>(*AOther.FArray) : nullptr) {}

TVariant& TVariant::operator=(const TVariant& AOther) {
  if (this != &AOther) *this = TVariant(AOther);
  return *this;
}

TVariant::TVariant() = default;
TVariant::TVariant(TVariant&&) noexcept = default;
TVariant& TVariant::operator=(TVariant&&) noexcept = default;
TVariant::~TVariant() = default;

// A boolean variant holds a 16-bit "true" with all bits set, as stored variants have it.
TVariant::TVariant(bool AValue) : TVariant(varBoolean, AValue ? 0xFFFFu : 0u) {}
TVariant::TVariant(std::int8_t AValue) : TVariant(varShortInt, static_cast<std::uint8_t>(AValue)) {}
TVariant::TVariant(std::uint8_t AValue) : TVariant(varByte, AValue) {}
TVariant::TVariant(std::int16_t AValue) : TVariant(varSmallint, static_cast<std::uint16_t>(AValue)) {}
TVariant::TVariant(std::uint16_t AValue) : TVariant(varWord, AValue) {}
TVariant::TVariant(std::int32_t AValue) : TVariant(varInteger, static_cast<std::uint32_t>(AValue)) {}
TVariant::TVariant(std::uint32_t AValue) : TVariant(varLongWord, AValue) {}
TVariant::TVariant(std::int64_t AValue) : TVariant(varInt64, static_cast<std::uint64_t>(AValue)) {}
TVariant::TVariant(float AValue) : TVariant(varSingle, std::bit_cast<std::uint32_t>(AValue)) {}
TVariant::TVariant(double AValue) : TVariant(varDouble, std::bit_cast<std::uint64_t>(AValue)) {}
TVariant::TVariant(std::string_view AValue) : FType(varOleStr), FText(AValue) {}
TVariant::TVariant(const char* AValue) : TVariant(std::string_view(AValue)) {}
TVariant::TVariant(const std::string& AValue) : TVariant(std::string_view(AValue)) {}
TVariant::TVariant(TVarType AType, std::uint64_t ABits) : FType(AType), FBits(ABits) {}

TVariant TVariant::Null() { return TVariant(varNull, 0); }

TVariant TVariant::AnsiString(std::string_view AValue) {
  TVariant Result(AValue);
  Result.FType = varString;
  return Result;
}

TVariant TVariant::Currency(std::int64_t ATenThousandths) {
  return TVariant(varCurrency, static_cast<std::uint64_t>(ATenThousandths));
}

TVariant TVariant::Date(double ADays) { return TVariant(varDate, std::bit_cast<std::uint64_t>(ADays)); }

TVariant TVariant::FromRaw(TVarType AType, std::uint64_t ABits) {
  int Bytes = VarTypeDataSize(AType);
  if (Bytes < 8) ABits &= (std::uint64_t{1} << (Bytes * 8)) - 1;
  return TVariant(AType, ABits);
}

std::int64_t VarArrayElementCount(const std::vector<TVarArrayBound>& ABounds) {
  constexpr std::int64_t Limit = std::int64_t{1} << 40;
  std::int64_t Count = 1;
  for (const TVarArrayBound& B : ABounds) {
    if (B.ElementCount() < 0) return -1;
    Count *= B.ElementCount();
    if (Count > Limit) return -1;  // no array that large fits in memory; also stops overflow
  }
  return Count;
}

TVariant TVariant::Array(TVarType AElementType, std::vector<TVarArrayBound> ABounds) {
  std::int64_t Count = VarArrayElementCount(ABounds);
  if (Count < 0) throw Exception("Invalid variant array bounds");
  TVariant Element = AElementType == varVariant ? TVariant() : FromRaw(AElementType & varTypeMask, 0);
  return Array(AElementType, std::move(ABounds), std::vector<TVariant>(static_cast<std::size_t>(Count), Element));
}

TVariant TVariant::Array(TVarType AElementType, std::vector<TVarArrayBound> ABounds, std::vector<TVariant> AElements) {
  if (VarArrayElementCount(ABounds) != static_cast<std::int64_t>(AElements.size()))
    throw Exception("Invalid variant array bounds");
  TVariant Result(static_cast<TVarType>(varArray | (AElementType & varTypeMask)), 0);
  Result.FArray = std::make_unique<TArrayData>();
  Result.FArray->Bounds = std::move(ABounds);
  Result.FArray->Elements = std::move(AElements);
  return Result;
}

std::uint64_t TVariant::SignExtend(std::uint64_t ABits, int ABytes) {
  if (ABytes <= 0 || ABytes >= 8) return ABits;
  int Shift = 64 - ABytes * 8;
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(ABits << Shift) >> Shift);
}

std::int64_t TVariant::AsInt64() const {
  switch (FType) {
    case varShortInt:
    case varSmallint:
    case varInteger:
    case varError:
    case varInt64:
    case varBoolean: return static_cast<std::int64_t>(SignExtend(FBits, VarTypeDataSize(FType)));
    default: return static_cast<std::int64_t>(FBits);
  }
}

double TVariant::AsDouble() const {
  switch (FType) {
    case varSingle: return std::bit_cast<float>(static_cast<std::uint32_t>(FBits));
    case varDouble:
    case varDate: return std::bit_cast<double>(FBits);
    case varCurrency: return static_cast<double>(static_cast<std::int64_t>(FBits)) / 10000.0;
    default: return static_cast<double>(AsInt64());
  }
}

const std::vector<TVarArrayBound>& TVariant::Bounds() const {
  static const std::vector<TVarArrayBound> None;
  return FArray ? FArray->Bounds : None;
}

std::vector<TVariant>& TVariant::Elements() {
  Assert(FArray != nullptr, "Variant is not an array", "Lib/Common/Common.Variant");
  return FArray->Elements;
}

const std::vector<TVariant>& TVariant::Elements() const {
  static const std::vector<TVariant> None;
  return FArray ? FArray->Elements : None;
}

TVariant& TVariant::Element(std::initializer_list<std::int32_t> AIndexes) {
  const std::vector<TVarArrayBound>& B = Bounds();
  Assert(AIndexes.size() == B.size(), "Variant array index count mismatch", "Lib/Common/Common.Variant");
  std::int64_t Offset = 0;
  std::size_t D = 0;
  for (std::int32_t Index : AIndexes) {
    if (Index < B[D].LowBound || Index > B[D].HighBound) throw Exception("Variant or safe array index out of bounds");
    Offset = Offset * B[D].ElementCount() + (Index - B[D].LowBound);
    ++D;
  }
  return Elements()[static_cast<std::size_t>(Offset)];
}

bool operator==(const TVariant& A, const TVariant& B) {
  if (A.FType != B.FType || A.FBits != B.FBits || A.FText != B.FText) return false;
  if (!A.FArray || !B.FArray) return A.FArray == B.FArray;
  return A.FArray->Bounds == B.FArray->Bounds && A.FArray->Elements == B.FArray->Elements;
}

}  // namespace Quellit
