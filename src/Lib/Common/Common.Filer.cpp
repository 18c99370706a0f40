#include "Lib/Common/Common.Filer.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "Lib/Common/Common.Helpers.Classes.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

const char* const SUnit = "Lib/Common/Common.Filer";

enum : std::uint8_t {
  tagAnsiShort = 6,
  tagAnsiLong = 8,
  tagFalse = 9,
  tagTrue = 10,
  tagWideShort = 11,
  tagWideLong = 13,
};

// The widths of the short, medium and long length forms.
constexpr int LengthBytes[3] = {1, 2, 4};

bool IsAnsiTag(std::uint8_t ATag) { return ATag >= tagAnsiShort && ATag <= tagAnsiLong; }
bool IsWideTag(std::uint8_t ATag) { return ATag >= tagWideShort && ATag <= tagWideLong; }

[[noreturn]] void RaiseInvalidData() { throw EOrvantFilerError(SOrvantFilerInvalidData); }

// A list mark keeps 32-bit positions; a longer stream would have its count patched at the wrong place.
std::int32_t ListPosition(TStream& AStream) {
  std::int64_t Position = AStream.Position();
  Assert(Position >= 0 && Position <= std::numeric_limits<std::int32_t>::max(),
         "Filer lists can be written only within the first 2 GiB of a stream", SUnit);
  return static_cast<std::int32_t>(Position);
}

}  // namespace

TOrvantFiler::TOrvantFiler(TStream* AStream, bool AOwnStream) : FStream(AStream), FOwnStream(AOwnStream) {
  Assert(AStream != nullptr, "The filer needs a stream", SUnit);
}

TOrvantFiler::TOrvantFiler(TWithMemoryStream) : FStream(new TMemoryStream), FOwnStream(true) {}

TOrvantFiler::~TOrvantFiler() {
  if (FOwnStream) Free(FStream);
}

// ---- untagged values ---------------------------------------------------------------------------

std::uint64_t TOrvantFiler::ReadUnsigned(int ABytes) {
  std::uint8_t Bytes[8];
  FStream->ReadBuffer(Bytes, ABytes);
  std::uint64_t Result = 0;
  for (int I = ABytes - 1; I >= 0; --I) Result = (Result << 8) | Bytes[I];
  return Result;
}

void TOrvantFiler::WriteUnsigned(std::uint64_t AValue, int ABytes) {
  std::uint8_t Bytes[8];
  for (int I = 0; I < ABytes; ++I) Bytes[I] = static_cast<std::uint8_t>(AValue >> (8 * I));
  FStream->WriteBuffer(Bytes, ABytes);
}

void TOrvantFiler::WriteInt08(std::int8_t AValue) { WriteUnsigned(static_cast<std::uint8_t>(AValue), 1); }
std::int8_t TOrvantFiler::ReadInt08() { return static_cast<std::int8_t>(ReadUnsigned(1)); }
void TOrvantFiler::Write_Byte(std::uint8_t AValue) { WriteUnsigned(AValue, 1); }
std::uint8_t TOrvantFiler::Read_Byte() { return static_cast<std::uint8_t>(ReadUnsigned(1)); }
void TOrvantFiler::WriteInt16(std::int16_t AValue) { WriteUnsigned(static_cast<std::uint16_t>(AValue), 2); }
std::int16_t TOrvantFiler::ReadInt16() { return static_cast<std::int16_t>(ReadUnsigned(2)); }
void TOrvantFiler::WriteInt32(std::int32_t AValue) { WriteUnsigned(static_cast<std::uint32_t>(AValue), 4); }
std::int32_t TOrvantFiler::ReadInt32() { return static_cast<std::int32_t>(ReadUnsigned(4)); }
void TOrvantFiler::WriteInt64(std::int64_t AValue) { WriteUnsigned(static_cast<std::uint64_t>(AValue), 8); }
std::int64_t TOrvantFiler::ReadInt64() { return static_cast<std::int64_t>(ReadUnsigned(8)); }
void TOrvantFiler::WriteByteBoolean(bool AValue) { Write_Byte(AValue ? 1 : 0); }
bool TOrvantFiler::ReadByteBoolean() { return Read_Byte() != 0; }
void TOrvantFiler::WriteDbl64(double AValue) { WriteUnsigned(std::bit_cast<std::uint64_t>(AValue), 8); }
double TOrvantFiler::ReadDbl64() { return std::bit_cast<double>(ReadUnsigned(8)); }
void TOrvantFiler::WriteCur64(std::int64_t ATenThousandths) { WriteInt64(ATenThousandths); }
std::int64_t TOrvantFiler::ReadCurr64() { return ReadInt64(); }

void TOrvantFiler::WriteExtended(double AValue) {
  std::uint8_t Bytes[10];
  DoubleToExtended(AValue, Bytes);
  FStream->WriteBuffer(Bytes, 10);
}

double TOrvantFiler::ReadExtended() {
  std::uint8_t Bytes[10];
  FStream->ReadBuffer(Bytes, 10);
  return ExtendedToDouble(Bytes);
}

void TOrvantFiler::Write(const void* ABuffer, std::int64_t ACount) { FStream->WriteBuffer(ABuffer, ACount); }
void TOrvantFiler::Read(void* ABuffer, std::int64_t ACount) { FStream->ReadBuffer(ABuffer, ACount); }

// ---- tagged values -----------------------------------------------------------------------------

// 65535 itself takes the long form: readers written against that rule expect it.
void TOrvantFiler::WriteLengthTag(std::uint8_t AShortTag, std::size_t ALength) {
  Assert(ALength <= std::numeric_limits<std::uint32_t>::max(), "String too long for the filer", SUnit);
  int Form = ALength <= 255 ? 0 : ALength <= 65534 ? 1 : 2;
  Write_Byte(static_cast<std::uint8_t>(AShortTag + Form));
  WriteUnsigned(ALength, LengthBytes[Form]);
}

std::uint64_t TOrvantFiler::ReadLength(std::uint8_t ATag, std::uint8_t AShortTag) {
  return ReadUnsigned(LengthBytes[ATag - AShortTag]);
}

// Grows the result as data arrives, so a damaged length cannot force an allocation larger than
// what the stream really holds.
std::string TOrvantFiler::ReadBytes(std::uint64_t ACount) {
  constexpr std::uint64_t Chunk = 1024 * 1024;
  std::string Result;
  while (Result.size() < ACount) {
    std::size_t Old = Result.size();
    // A hostile length must not make us allocate more than the stream still holds; at least one
    // byte is asked for, so a stream that has run out fails with its read error.
    const std::int64_t Left = FStream->Size() - FStream->Position();
    const std::uint64_t Available = Left > 0 ? static_cast<std::uint64_t>(Left) : 1;
    std::size_t Part = static_cast<std::size_t>(std::min({Chunk, ACount - Old, Available}));
    Result.resize(Old + Part);
    FStream->ReadBuffer(Result.data() + Old, static_cast<std::int64_t>(Part));
  }
  return Result;
}

std::string TOrvantFiler::ReadAnsiBytes(std::uint8_t ATag) { return ReadBytes(ReadLength(ATag, tagAnsiShort)); }

std::string TOrvantFiler::ReadUtf16Text(std::uint8_t ATag) {
  std::string Bytes = ReadBytes(2 * ReadLength(ATag, tagWideShort));
  std::u16string Units(Bytes.size() / 2, u'\0');
  for (std::size_t I = 0; I < Units.size(); ++I)
    Units[I] = static_cast<char16_t>(static_cast<std::uint8_t>(Bytes[2 * I]) |
                                     (static_cast<std::uint8_t>(Bytes[2 * I + 1]) << 8));
  return Utf16ToUtf8(Units);
}

void TOrvantFiler::WriteStringA(std::string_view AValue) {
  WriteLengthTag(tagAnsiShort, AValue.size());
  FStream->WriteBuffer(AValue.data(), static_cast<std::int64_t>(AValue.size()));
}

std::string TOrvantFiler::ReadStringA() {
  std::uint8_t Tag = Read_Byte();
  if (!IsAnsiTag(Tag)) RaiseInvalidData();
  return ReadAnsiBytes(Tag);
}

void TOrvantFiler::WriteStringW(std::string_view AValue) {
  std::u16string Units = Utf8ToUtf16(AValue);
  WriteLengthTag(tagWideShort, Units.size());
  std::string Bytes(2 * Units.size(), '\0');
  for (std::size_t I = 0; I < Units.size(); ++I) {
    Bytes[2 * I] = static_cast<char>(Units[I] & 0xFF);
    Bytes[2 * I + 1] = static_cast<char>(Units[I] >> 8);
  }
  FStream->WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

std::string TOrvantFiler::ReadStringW() {
  std::uint8_t Tag = Read_Byte();
  if (!IsWideTag(Tag)) RaiseInvalidData();
  return ReadUtf16Text(Tag);
}

void TOrvantFiler::WriteString(std::string_view AValue) {
  if (FUseUnicodeStrings)
    WriteStringW(AValue);
  else
    WriteStringA(Utf8ToWin1251(AValue));
}

std::string TOrvantFiler::ReadString() {
  std::uint8_t Tag = Read_Byte();
  if (IsAnsiTag(Tag)) return Win1251ToUtf8(ReadAnsiBytes(Tag));
  if (IsWideTag(Tag)) return ReadUtf16Text(Tag);
  RaiseInvalidData();
}

void TOrvantFiler::WriteBoolean(bool AValue) { Write_Byte(AValue ? tagTrue : tagFalse); }
bool TOrvantFiler::ReadBoolean() { return Read_Byte() == tagTrue; }

// ---- signatures --------------------------------------------------------------------------------

void TOrvantFiler::CheckSignature(std::uint8_t AValue) {
  if (Read_Byte() != AValue) throw EOrvantFilerInvalidSignature(SOrvantFilerInvalidData);
}

void TOrvantFiler::ReadError() { RaiseInvalidData(); }

// ---- lists -------------------------------------------------------------------------------------

void TOrvantFiler::WriteListBegin() {
  FListMarks.push_back({ListPosition(*FStream), 0});
  WriteInt32(0);
}

void TOrvantFiler::NextListItem() {
  Assert(!FListMarks.empty(), "NextListItem outside a list", SUnit);
  ++FListMarks.back().Count;
}

void TOrvantFiler::WriteListEnd() {
  Assert(!FListMarks.empty(), "WriteListEnd without WriteListBegin", SUnit);
  std::int32_t Here = ListPosition(*FStream);
  FStream->SetPosition(FListMarks.back().Position);
  WriteInt32(FListMarks.back().Count);
  FStream->SetPosition(Here);
  FListMarks.pop_back();
}

void TOrvantFiler::ReadListBegin() { FListMarksR.push_back(ReadInt32()); }

std::int32_t TOrvantFiler::ListCount() const { return FListMarksR.empty() ? 0 : FListMarksR.back(); }

void TOrvantFiler::ReadNextItem() {
  Assert(!FListMarksR.empty(), "ReadNextItem outside a list", SUnit);
  // A damaged count may already be the lowest integer; it stays at the end of the list.
  if (FListMarksR.back() > std::numeric_limits<std::int32_t>::min()) --FListMarksR.back();
}

void TOrvantFiler::ReadListEnd() {
  Assert(!FListMarksR.empty(), "ReadListEnd without ReadListBegin", SUnit);
  FListMarksR.pop_back();
}

}  // namespace Quellit
