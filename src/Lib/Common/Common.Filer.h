// The binary filer: compact records of untagged little-endian numbers, tagged strings and
// Booleans, one-byte signatures and counted lists whose count is patched in when the list closes.
// A record has no header, version or padding: the reader must ask for exactly what the writer wrote.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Object.h"
#include "Lib/Common/Common.Streams.h"

namespace Quellit {

class EOrvantFilerError : public Exception { using Exception::Exception; };
class EOrvantFilerInvalidSignature : public EOrvantFilerError { using EOrvantFilerError::EOrvantFilerError; };

// The one message both filer errors carry.
inline constexpr const char* SOrvantFilerInvalidData = "Неверный формат данных в потоке";

class TOrvantFiler : public TObject {
 public:
  struct TWithMemoryStream {};
  // Tag for the constructor that makes its own in-memory stream: TKvFiler F(TKvFiler::CreateWithMemoryStream).
  static constexpr TWithMemoryStream CreateWithMemoryStream{};

  // Works on AStream from its current position; frees it on destruction when AOwnStream is set.
  TOrvantFiler(TStream* AStream, bool AOwnStream);
  explicit TOrvantFiler(TWithMemoryStream);
  TOrvantFiler(const TOrvantFiler&) = delete;
  TOrvantFiler& operator=(const TOrvantFiler&) = delete;
  ~TOrvantFiler() override;

  // ---- untagged values ----------------------------------------------------------------------
  void WriteInt08(std::int8_t AValue);
  std::int8_t ReadInt08();
  void Write_Byte(std::uint8_t AValue);
  std::uint8_t Read_Byte();
  void WriteInt16(std::int16_t AValue);
  std::int16_t ReadInt16();
  void WriteInt32(std::int32_t AValue);
  std::int32_t ReadInt32();
  void WriteInt64(std::int64_t AValue);
  std::int64_t ReadInt64();
  void WriteByteBoolean(bool AValue);
  bool ReadByteBoolean();  // any non-zero byte is true
  void WriteDbl64(double AValue);
  double ReadDbl64();
  // Currency is kept as its count of ten-thousandths, so no amount loses a digit on the way.
  void WriteCur64(std::int64_t ATenThousandths);
  std::int64_t ReadCurr64();
  // Every double is stored exactly; wider stored values round to the nearest double.
  void WriteExtended(double AValue);
  double ReadExtended();
  void Write(const void* ABuffer, std::int64_t ACount);
  void Read(void* ABuffer, std::int64_t ACount);  // exactly ACount bytes or the stream's read error

  // ---- tagged values ------------------------------------------------------------------------
  // 8-bit bytes as they are (already in the ANSI code page).
  void WriteStringA(std::string_view AValue);
  std::string ReadStringA();
  // UTF-8 text stored as UTF-16 code units.
  void WriteStringW(std::string_view AValue);
  std::string ReadStringW();
  // UTF-8 text: Windows-1251 bytes, or UTF-16 when UseUnicodeStrings is set; reads either kind.
  void WriteString(std::string_view AValue);
  std::string ReadString();
  void WriteBoolean(bool AValue);
  bool ReadBoolean();  // true only for the true tag; any other byte reads as false

  // ---- signatures ---------------------------------------------------------------------------
  void CheckSignature(std::uint8_t AValue);
  [[noreturn]] void ReadError();

  // ---- lists --------------------------------------------------------------------------------
  void WriteListBegin();
  void NextListItem();
  void WriteListEnd();
  void ReadListBegin();
  std::int32_t ListCount() const;
  bool EOL() const { return ListCount() < 1; }
  void ReadNextItem();
  void ReadListEnd();  // items not yet read are not skipped

  bool UseUnicodeStrings() const { return FUseUnicodeStrings; }
  void SetUseUnicodeStrings(bool AValue) { FUseUnicodeStrings = AValue; }
  std::int64_t Position() const { return FStream->Position(); }
  void SetPosition(std::int64_t AValue) { FStream->SetPosition(AValue); }
  TStream* Stream() const { return FStream; }
  bool IsEndOfStream() const { return FStream->EOS(); }

 private:
  struct TListMark {
    std::int32_t Position;
    std::int32_t Count;
  };

  std::uint64_t ReadUnsigned(int ABytes);
  void WriteUnsigned(std::uint64_t AValue, int ABytes);
  void WriteLengthTag(std::uint8_t AShortTag, std::size_t ALength);
  std::uint64_t ReadLength(std::uint8_t ATag, std::uint8_t AShortTag);
  std::string ReadAnsiBytes(std::uint8_t ATag);
  std::string ReadUtf16Text(std::uint8_t ATag);
  std::string ReadBytes(std::uint64_t ACount);

  TStream* FStream;
  std::vector<TListMark> FListMarks;     // lists open for writing, innermost last
  std::vector<std::int32_t> FListMarksR;  // items still to read in each list open for reading
  bool FOwnStream;
  bool FUseUnicodeStrings = false;
};

// The filer the normative-base descriptors are written with; the same byte format.
class TKvFiler : public TOrvantFiler {
 public:
  using TOrvantFiler::TOrvantFiler;
};

}  // namespace Quellit
