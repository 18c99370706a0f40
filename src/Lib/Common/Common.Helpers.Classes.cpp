#include "Lib/Common/Common.Helpers.Classes.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"

namespace Quellit {

namespace {

const char* const SUnit = "Lib/Common/Common.Helpers.Classes";

void WriteLE(TStream& AStream, std::uint64_t AValue, int ABytes) {
  std::uint8_t Bytes[8];
  for (int I = 0; I < ABytes; ++I) Bytes[I] = static_cast<std::uint8_t>(AValue >> (8 * I));
  AStream.WriteBuffer(Bytes, ABytes);
}

std::uint64_t FromLE(const std::uint8_t* ABytes, int ACount) {
  std::uint64_t Result = 0;
  for (int I = ACount - 1; I >= 0; --I) Result = (Result << 8) | ABytes[I];
  return Result;
}

std::uint64_t ReadLE(TStream& AStream, int ABytes) {
  std::uint8_t Bytes[8];
  AStream.ReadBuffer(Bytes, ABytes);
  return FromLE(Bytes, ABytes);
}

void WriteBytes(TStream& AStream, std::string_view ABytes) {
  AStream.WriteBuffer(ABytes.data(), static_cast<std::int64_t>(ABytes.size()));
}

// Windows file times count 100-nanosecond ticks from 1601-01-01, 11644473600 seconds before 1970.
constexpr std::int64_t TicksPerSecond = 10000000;
constexpr std::int64_t EpochDifference = 11644473600;

// Element types whose array elements are stored as one raw block rather than as variants each.
bool IsRawArrayElement(TVarType AType) {
  return (AType >= varSmallint && AType <= varDate) || AType == varBoolean ||
         (AType >= varShortInt && AType <= varInt64);
}

bool IsRefusedVarType(std::uint32_t AType) {
  if (AType > 0xFFFF || (AType & varByRef) != 0) return true;
  if ((AType & varArray) != 0) return false;
  return AType == varDispatch || AType == varVariant || AType == varUnknown || (AType > varInt64 && AType != varString);
}

[[noreturn]] void RaiseUnsupportedVarType(std::uint32_t AType) {
  throw Exception(Format("Unsupported variant type: %s", Format("%.4x", AType)));
}

[[noreturn]] void RaiseInvalidVariantArray() { throw EReadError("Invalid variant array in stream"); }

}  // namespace

// ---- extended precision ------------------------------------------------------------------------

void DoubleToExtended(double AValue, std::uint8_t (&ABytes)[10]) {
  const auto Bits = std::bit_cast<std::uint64_t>(AValue);
  const int Exponent = static_cast<int>((Bits >> 52) & 0x7FF);
  const std::uint64_t Fraction = Bits & ((std::uint64_t{1} << 52) - 1);
  std::uint64_t Mantissa = 0;
  int Biased = 0;
  if (Exponent == 0x7FF) {  // infinities and NaNs keep their payload; the quiet bit lands on bit 62
    Biased = 0x7FFF;
    Mantissa = (std::uint64_t{1} << 63) | (Fraction << 11);
  } else if (Exponent != 0) {
    Biased = Exponent - 1023 + 16383;
    Mantissa = (std::uint64_t{1} << 63) | (Fraction << 11);
  } else if (Fraction != 0) {  // a subnormal double is a normal extended value
    int Top = 63 - std::countl_zero(Fraction);
    Biased = Top - 1074 + 16383;
    Mantissa = Fraction << (63 - Top);
  }
  const std::uint64_t SignAndExponent = ((Bits >> 63) << 15) | static_cast<std::uint64_t>(Biased);
  for (int I = 0; I < 8; ++I) ABytes[I] = static_cast<std::uint8_t>(Mantissa >> (8 * I));
  ABytes[8] = static_cast<std::uint8_t>(SignAndExponent);
  ABytes[9] = static_cast<std::uint8_t>(SignAndExponent >> 8);
}

namespace {

// Rounds AKeep (the bits kept) up when the dropped bits ARest are above half, or exactly half and
// AKeep is odd.
std::uint64_t RoundNearestEven(std::uint64_t AKeep, std::uint64_t ARest, std::uint64_t AHalf) {
  return (ARest > AHalf || (ARest == AHalf && (AKeep & 1))) ? AKeep + 1 : AKeep;
}

std::uint64_t ExtendedNaNOrInfinityBits(std::uint64_t AMantissa) {
  const std::uint64_t Fraction = AMantissa & ~(std::uint64_t{1} << 63);
  const std::uint64_t Infinity = std::uint64_t{0x7FF} << 52;
  if (Fraction == 0) return Infinity;
  std::uint64_t Payload = Fraction >> 11;
  return Infinity | (Payload != 0 ? Payload : std::uint64_t{1} << 51);  // stays a NaN
}

// A finite value AMantissa * 2^(AExponent - 63), AMantissa's top bit set, as double bits.
std::uint64_t FiniteToDoubleBits(std::uint64_t AMantissa, int AExponent) {
  const std::uint64_t Infinity = std::uint64_t{0x7FF} << 52;
  if (AExponent > 1023) return Infinity;
  if (AExponent >= -1022) {
    std::uint64_t Keep = RoundNearestEven(AMantissa >> 11, AMantissa & 0x7FF, 0x400);
    if (Keep >> 53) {
      Keep >>= 1;
      if (++AExponent > 1023) return Infinity;
    }
    return (static_cast<std::uint64_t>(AExponent + 1023) << 52) | (Keep & ((std::uint64_t{1} << 52) - 1));
  }
  // Subnormal: count in units of 2^-1074. A carry into bit 52 yields the smallest normal number.
  const int Shift = -1011 - AExponent;  // more than 11
  if (Shift > 64) return 0;
  if (Shift == 64) return RoundNearestEven(0, AMantissa, std::uint64_t{1} << 63);
  return RoundNearestEven(AMantissa >> Shift, AMantissa & ((std::uint64_t{1} << Shift) - 1),
                          std::uint64_t{1} << (Shift - 1));
}

}  // namespace

double ExtendedToDouble(const std::uint8_t (&ABytes)[10]) {
  std::uint64_t Mantissa = FromLE(ABytes, 8);
  const auto SignAndExponent = static_cast<std::uint32_t>(FromLE(ABytes + 8, 2));
  const std::uint64_t Sign = static_cast<std::uint64_t>(SignAndExponent >> 15) << 63;
  const int Biased = static_cast<int>(SignAndExponent & 0x7FFF);
  std::uint64_t Bits = 0;
  if (Biased == 0x7FFF) {
    Bits = ExtendedNaNOrInfinityBits(Mantissa);
  } else if (Mantissa != 0) {
    // Unnormal and denormal forms (integer bit clear) are normalised; denormals use exponent 1.
    const int Shift = std::countl_zero(Mantissa);
    Bits = FiniteToDoubleBits(Mantissa << Shift, std::max(Biased, 1) - 16383 - Shift);
  }
  return std::bit_cast<double>(Sign | Bits);
}

// ---- TStream: plain values ---------------------------------------------------------------------

void TStream::WriteByte(std::uint8_t AValue) { WriteBuffer(&AValue, 1); }
std::uint8_t TStream::ReadByte() { return static_cast<std::uint8_t>(ReadLE(*this, 1)); }
void TStream::WriteCharA(char AValue) { WriteBuffer(&AValue, 1); }
char TStream::ReadCharA() { return static_cast<char>(ReadLE(*this, 1)); }
void TStream::WriteBoolean(bool AValue) { WriteByte(AValue ? 1 : 0); }
bool TStream::ReadBoolean() { return ReadByte() != 0; }
void TStream::WriteWord(std::uint16_t AValue) { WriteLE(*this, AValue, 2); }
std::uint16_t TStream::ReadWord() { return static_cast<std::uint16_t>(ReadLE(*this, 2)); }
void TStream::WriteInt32(std::int32_t AValue) { WriteLE(*this, static_cast<std::uint32_t>(AValue), 4); }
std::int32_t TStream::ReadInt32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadLE(*this, 4))); }
void TStream::WriteInt64(std::int64_t AValue) { WriteLE(*this, static_cast<std::uint64_t>(AValue), 8); }
std::int64_t TStream::ReadInt64() { return static_cast<std::int64_t>(ReadLE(*this, 8)); }
void TStream::WriteDbl(double AValue) { WriteLE(*this, std::bit_cast<std::uint64_t>(AValue), 8); }
double TStream::ReadDbl() { return std::bit_cast<double>(ReadLE(*this, 8)); }
void TStream::WriteDateTime(TDateTime AValue) { WriteDbl(AValue); }
TDateTime TStream::ReadDateTime() { return ReadDbl(); }

void TStream::WriteFileTime(const Platform::TFileTime& AValue) {
  WriteInt64((AValue.Seconds + EpochDifference) * TicksPerSecond + AValue.Nanoseconds / 100);
}

Platform::TFileTime TStream::ReadFileTime() {
  std::int64_t Ticks = ReadInt64();
  std::int64_t Seconds = Ticks / TicksPerSecond, Rest = Ticks % TicksPerSecond;
  if (Rest < 0) {
    Rest += TicksPerSecond;
    --Seconds;
  }
  return {Seconds - EpochDifference, static_cast<std::int32_t>(Rest * 100)};
}

void TStream::WriteExtended(double AValue) {
  std::uint8_t Bytes[10];
  DoubleToExtended(AValue, Bytes);
  WriteBuffer(Bytes, 10);
}

double TStream::ReadExtended() {
  std::uint8_t Bytes[10];
  ReadBuffer(Bytes, 10);
  return ExtendedToDouble(Bytes);
}

void TStream::WriteGUID(const TGUID& AValue) {
  WriteLE(*this, AValue.D1, 4);
  WriteLE(*this, AValue.D2, 2);
  WriteLE(*this, AValue.D3, 2);
  WriteBuffer(AValue.D4, 8);
}

TGUID TStream::ReadGUID() {
  TGUID Result;
  Result.D1 = static_cast<std::uint32_t>(ReadLE(*this, 4));
  Result.D2 = static_cast<std::uint16_t>(ReadLE(*this, 2));
  Result.D3 = static_cast<std::uint16_t>(ReadLE(*this, 2));
  ReadBuffer(Result.D4, 8);
  return Result;
}

// ---- TStream: strings ----------------------------------------------------------------------------

std::string TStream::ReadBytes(std::int64_t ACount) {
  constexpr std::int64_t Chunk = 1024 * 1024;
  std::string Result;
  while (static_cast<std::int64_t>(Result.size()) < ACount) {
    std::size_t Old = Result.size();
    std::int64_t Part = std::min(Chunk, ACount - static_cast<std::int64_t>(Old));
    Result.resize(Old + static_cast<std::size_t>(Part));
    ReadBuffer(Result.data() + Old, Part);
  }
  return Result;
}

void TStream::WriteString(std::string_view AValue) { WriteStringA(Utf8ToWin1251(AValue)); }
std::string TStream::ReadString() { return Win1251ToUtf8(ReadStringA()); }
void TStream::SkipString() { SkipBuffer(ReadInt32()); }

void TStream::WriteStringA(std::string_view AValue) {
  Assert(AValue.size() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()),
         "String too long for a 32-bit length", SUnit);
  WriteInt32(static_cast<std::int32_t>(AValue.size()));
  WriteBytes(*this, AValue);
}

std::string TStream::ReadStringA() { return ReadBytes(ReadInt32()); }

void TStream::WriteString16(std::string_view AValue) {
  std::string Bytes = Utf8ToWin1251(AValue);
  // A cut length would leave the rest of the text to be read as the next values.
  Assert(Bytes.size() <= 0xFFFF, "String too long for a 16-bit length", SUnit);
  WriteWord(static_cast<std::uint16_t>(Bytes.size()));
  WriteBytes(*this, Bytes);
}

std::string TStream::ReadString16() { return Win1251ToUtf8(ReadBytes(ReadWord())); }

void TStream::WriteFilerString(std::string_view AValue) {
  std::string Bytes = Utf8ToWin1251(AValue);
  if (Bytes.size() <= 255) {
    WriteByte(6);
    WriteByte(static_cast<std::uint8_t>(Bytes.size()));
  } else if (Bytes.size() <= 65534) {
    WriteByte(7);
    WriteWord(static_cast<std::uint16_t>(Bytes.size()));
  } else {
    WriteByte(8);
    WriteInt32(static_cast<std::int32_t>(Bytes.size()));
  }
  WriteBytes(*this, Bytes);
}

std::string TStream::ReadFilerString() {
  std::uint8_t Tag = ReadByte();
  std::int64_t Length = 0;
  switch (Tag) {
    case 6: Length = ReadByte(); break;
    case 7: Length = ReadWord(); break;
    case 8: Length = ReadInt32(); break;
    default: Assert(false, Format("Неожиданный тип строки (%d)", Tag), SUnit);
  }
  return Win1251ToUtf8(ReadBytes(Length));
}

void TStream::WriteSignature(std::string_view ASignature) { WriteBytes(*this, Utf8ToWin1251(ASignature)); }

void TStream::CheckSignature(std::string_view ASignature) {
  std::string Expected = Utf8ToWin1251(ASignature);
  if (Expected.empty()) return;
  std::string Found = ReadBytes(static_cast<std::int64_t>(Expected.size()));
  if (Found != Expected)
    throw EStreamError(Format("Expected signature \"%s\", but found \"%s\"", ASignature, Win1251ToUtf8(Found)));
}

// ---- TStream: lists and blocks -----------------------------------------------------------------

void TStream::WriteTStrings(const TStrings& AValue) {
  WriteInt32(AValue.Count());
  for (int I = 0; I < AValue.Count(); ++I) {
    WriteString(AValue[I]);
    WriteInt32(static_cast<std::int32_t>(AValue.Integers(I)));
  }
}

void TStream::ReadTStrings(TStrings& AValue) {
  AValue.Clear();
  std::int32_t Count = ReadInt32();
  for (std::int32_t I = 0; I < Count; ++I) {
    std::string Line = ReadString();
    AValue.AddInteger(Line, ReadInt32());
  }
}

void TStream::WriteListInteger(const std::vector<std::int32_t>& AValue) {
  WriteInt32(static_cast<std::int32_t>(AValue.size()));
  for (std::int32_t V : AValue) WriteInt32(V);
}

void TStream::ReadListInteger(std::vector<std::int32_t>& AValue) {
  AValue.clear();
  std::int32_t Count = ReadInt32();
  for (std::int32_t I = 0; I < Count; ++I) AValue.push_back(ReadInt32());
}

void TStream::WriteStream(TStream& AValue) {
  std::int64_t Count = AValue.Size();
  WriteInt64(Count);
  if (Count > 0) {
    AValue.SetPosition(0);
    CopyFrom(AValue, Count);
  }
}

void TStream::ReadStream(TStream& AValue) {
  std::int64_t Count = ReadInt64();
  if (Count > 0) AValue.CopyFrom(*this, Count);
}

void TStream::SaveToStreamBySize(TStream& ADest) {
  std::int64_t Count = Size();
  Assert(Count <= std::numeric_limits<std::int32_t>::max(), "Stream too large for a 32-bit size", SUnit);
  ADest.WriteInt32(static_cast<std::int32_t>(Count));
  if (Count > 0) {
    SetPosition(0);
    ADest.CopyFrom(*this, Count);
  }
}

void TStream::LoadFromStreamBySize(TStream& ASource) {
  std::int32_t Count = ASource.ReadInt32();
  SetSize(0);
  SetPosition(0);
  if (Count > 0) CopyFrom(ASource, Count);
}

void TStream::WriteHeader(std::int64_t& AFixupInfo) {
  AFixupInfo = Position();
  WriteInt32(0);
}

void TStream::FixupHeader(std::int64_t AFixupInfo) {
  std::int64_t End = Position();
  SetPosition(AFixupInfo);
  WriteInt32(static_cast<std::int32_t>(End - AFixupInfo - 4));
  SetPosition(End);
}

void TStream::ReadHeader(std::int64_t& ALastPosition) {
  std::int32_t Length = ReadInt32();
  ALastPosition = Position() + Length;
}

void TStream::SaveVersionedObject(IVersionedStreamPersist& AObject) {
  WriteInt32(AObject.StreamVersion());
  std::int64_t SizePosition = Position();
  WriteInt32(0);
  AObject.WriteToStream(*this);
  std::int64_t End = Position();
  SetPosition(SizePosition);
  WriteInt32(static_cast<std::int32_t>(End - SizePosition));
  SetPosition(End);
}

void TStream::LoadVersionedObject(IVersionedStreamPersist& AObject) {
  std::int32_t Version = ReadInt32();
  std::int64_t SizePosition = Position();
  std::int64_t End = SizePosition + ReadInt32();
  AObject.ReadFromStream(*this, Version);
  if (Position() > End) throw Exception("");
  SetPosition(End);
}

// ---- TStream: variants -------------------------------------------------------------------------

void TStream::WriteVariant(const TVariant& AValue) {
  const TVarType Type = AValue.VarType();
  if (IsRefusedVarType(Type)) RaiseUnsupportedVarType(Type);
  WriteInt32(Type);
  if (AValue.IsArray()) return WriteVariantArray(AValue);
  if (Type == varOleStr) {
    std::u16string Units = Utf8ToUtf16(AValue.AsString());
    WriteInt32(static_cast<std::int32_t>(Units.size()));
    for (char16_t U : Units) WriteLE(*this, U, 2);
  } else if (Type == varString) {
    WriteString(AValue.AsString());
  } else {
    WriteLE(*this, AValue.RawBits(), VarTypeDataSize(Type));
  }
}

void TStream::WriteVariantArray(const TVariant& AValue) {
  const TVarType ElementType = AValue.VarType() & varTypeMask;
  const std::vector<TVarArrayBound>& Bounds = AValue.Bounds();
  WriteInt32(static_cast<std::int32_t>(Bounds.size()));
  for (const TVarArrayBound& B : Bounds) WriteInt32(B.LowBound);
  for (const TVarArrayBound& B : Bounds) WriteInt32(B.HighBound);
  const std::vector<TVariant>& Elements = AValue.Elements();
  if (!IsRawArrayElement(ElementType)) {
    for (const TVariant& Element : Elements) WriteVariant(Element);
    return;
  }
  const int ElementSize = VarTypeDataSize(ElementType);
  WriteInt32(static_cast<std::int32_t>(Elements.size() * static_cast<std::size_t>(ElementSize)));
  for (const TVariant& Element : Elements) WriteLE(*this, Element.RawBits(), ElementSize);
}

TVariant TStream::ReadVariant() {
  const auto Type = static_cast<std::uint32_t>(ReadInt32());
  if (IsRefusedVarType(Type)) RaiseUnsupportedVarType(Type);
  TVariant Result = TVariant::FromRaw(static_cast<TVarType>(Type), 0);
  if ((Type & varArray) != 0) {
    ReadVariantArray(Result);
  } else if (Type == varOleStr) {
    std::int64_t Length = ReadInt32();
    std::string Bytes = ReadBytes(Length * 2);
    std::u16string Units;
    for (std::size_t I = 0; I + 1 < Bytes.size(); I += 2)
      Units += static_cast<char16_t>(FromLE(reinterpret_cast<const std::uint8_t*>(Bytes.data() + I), 2));
    Result = TVariant(Utf16ToUtf8(Units));
  } else if (Type == varString) {
    Result = TVariant(ReadString());  // comes back as a Unicode string
  } else {
    Result = TVariant::FromRaw(static_cast<TVarType>(Type), ReadLE(*this, VarTypeDataSize(static_cast<TVarType>(Type))));
  }
  return Result;
}

void TStream::ReadVariantArray(TVariant& AValue) {
  const TVarType ElementType = AValue.VarType() & varTypeMask;
  const std::int32_t Dimensions = ReadInt32();
  if (Dimensions < 1 || Dimensions > 64) RaiseInvalidVariantArray();
  std::vector<TVarArrayBound> Bounds(static_cast<std::size_t>(Dimensions));
  for (TVarArrayBound& B : Bounds) B.LowBound = ReadInt32();
  for (TVarArrayBound& B : Bounds) B.HighBound = ReadInt32();
  const std::int64_t Count = VarArrayElementCount(Bounds);
  if (Count < 0) RaiseInvalidVariantArray();
  // Elements are collected as they arrive, so bounds from a damaged stream cannot reserve memory
  // the stream does not back.
  std::vector<TVariant> Elements;
  if (!IsRawArrayElement(ElementType)) {
    for (std::int64_t I = 0; I < Count; ++I) Elements.push_back(ReadVariant());
  } else {
    const int ElementSize = VarTypeDataSize(ElementType);
    if (ReadInt32() != Count * ElementSize) RaiseInvalidVariantArray();
    std::string Bytes = ReadBytes(Count * ElementSize);
    const auto* Data = reinterpret_cast<const std::uint8_t*>(Bytes.data());
    for (std::int64_t I = 0; I < Count; ++I)
      Elements.push_back(TVariant::FromRaw(ElementType, FromLE(Data + I * ElementSize, ElementSize)));
  }
  AValue = TVariant::Array(ElementType, std::move(Bounds), std::move(Elements));
}

// ---- TStream: whole content --------------------------------------------------------------------

void TStream::LoadFromFile(const std::string& AFileName) {
  TFileStream File(AFileName, fmOpenRead | fmShareDenyNone);
  SetPosition(0);
  CopyFrom(File, 0);
  SetSize(Position());
}

void TStream::LoadFromStream(TStream& ASource) {
  ASource.SetPosition(0);
  std::int64_t Count = ASource.Size();
  if (auto* Memory = dynamic_cast<TMemoryStream*>(this)) {
    Memory->SetSize(Count);
    ASource.ReadBuffer(Memory->Memory(), Count);
    return;
  }
  SetPosition(0);
  if (Count > 0) CopyFrom(ASource, Count);
  SetSize(Position());
}

TBytes TStream::GetAsBytes() {
  std::int64_t Saved = Position();
  SetPosition(0);
  TBytes Result(static_cast<std::size_t>(std::max<std::int64_t>(Size(), 0)));
  ReadBuffer(Result.data(), static_cast<std::int64_t>(Result.size()));
  SetPosition(Saved);
  return Result;
}

void TStream::SetAsBytes(const TBytes& AValue) {
  SetPosition(0);
  WriteBuffer(AValue.data(), static_cast<std::int64_t>(AValue.size()));
  SetSize(static_cast<std::int64_t>(AValue.size()));
}

void TStream::WriteEmptyBuffer(std::int64_t ABufSize) {
  constexpr std::int64_t Chunk = 65536;
  const std::vector<std::uint8_t> Zeros(static_cast<std::size_t>(std::clamp<std::int64_t>(ABufSize, 0, Chunk)));
  for (std::int64_t Left = ABufSize; Left > 0; Left -= Chunk) WriteBuffer(Zeros.data(), std::min(Left, Chunk));
}

void TStream::SkipBuffer(std::int64_t ABufSize) { Seek(ABufSize, soCurrent); }

// ---- byte streams and string lists -------------------------------------------------------------

TBytes ExtractBytes(TBytesStream* AStream) {
  if (!AStream) return {};
  std::int64_t Size = AStream->MemorySize();
  TBytes Result = std::move(AStream->FData);
  Result.resize(static_cast<std::size_t>(Size));
  Free(AStream);
  return Result;
}

int TStrings::AddFormatted(std::string_view AFormat, std::initializer_list<TFormatArg> AArgs, TObject* AObject) {
  return AddObject(FormatArgs(AFormat, AArgs), AObject);
}

int TStrings::AddNameValue(std::string_view AName, std::string_view AValue) {
  return Add(Format("%s%s%s", AName, NameValueSeparator(), AValue));
}

}  // namespace Quellit
