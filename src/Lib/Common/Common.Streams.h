// The stream family: the abstract stream with its typed read and write operations, memory, byte,
// string and file streams.
//
// The typed operations (WriteInt32, ReadString, WriteVariant, ...) are members of TStream so every
// stream offers them under the same names; they are implemented in Common.Helpers.Classes.cpp.
// 8-bit text is stored in Windows-1251 and converted to and from UTF-8 at the stream boundary.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Object.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"

namespace Quellit {

class TStrings;
class TVariant;
class IVersionedStreamPersist;

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

using TBytes = std::vector<std::uint8_t>;

class TStream : public TObject {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads or writes up to ACount bytes and answers how many moved.
  virtual std::int64_t Read(void* ABuffer, std::int64_t ACount) = 0;
  virtual std::int64_t Write(const void* ABuffer, std::int64_t ACount) = 0;
  virtual std::int64_t Seek(std::int64_t AOffset, TSeekOrigin AOrigin) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t AValue) { Seek(AValue, soBeginning); }
  // Seeks to the end and back unless a stream knows better.
  virtual std::int64_t Size();
  // Streams that cannot change their size ignore the request, so generic code (LoadFromFile,
  // LoadFromStream) works on them as well.
  virtual void SetSize(std::int64_t /*ANewSize*/) {}

  // Exactly ACount bytes or EReadError / EWriteError.
  void ReadBuffer(void* ABuffer, std::int64_t ACount);
  void WriteBuffer(const void* ABuffer, std::int64_t ACount);
  // Copies ACount bytes of ASource from its position; 0 copies all of ASource from its beginning.
  std::int64_t CopyFrom(TStream& ASource, std::int64_t ACount);

  // ---- typed operations: fixed little-endian layouts --------------------------------------------
  void WriteByte(std::uint8_t AValue);
  std::uint8_t ReadByte();
  void WriteCharA(char AValue);
  char ReadCharA();
  void WriteBoolean(bool AValue);
  bool ReadBoolean();  // any non-zero byte is true
  void WriteWord(std::uint16_t AValue);
  std::uint16_t ReadWord();
  void WriteInt32(std::int32_t AValue);
  std::int32_t ReadInt32();
  void WriteInt64(std::int64_t AValue);
  std::int64_t ReadInt64();
  void WriteDbl(double AValue);
  double ReadDbl();
  void WriteDateTime(TDateTime AValue);
  TDateTime ReadDateTime();
  // Stored as the Windows file time (100-nanosecond ticks since 1601-01-01 UTC), so files move
  // between platforms; nanoseconds below 100 are lost.
  void WriteFileTime(const Platform::TFileTime& AValue);
  Platform::TFileTime ReadFileTime();
  // The 10-byte x87 extended format; every double converts exactly, wider values round to nearest even.
  void WriteExtended(double AValue);
  double ReadExtended();
  void WriteGUID(const TGUID& AValue);
  TGUID ReadGUID();

  // Text (UTF-8 in memory) stored as Windows-1251: 32-bit length, then the bytes.
  void WriteString(std::string_view AValue);
  std::string ReadString();
  void SkipString();
  // A byte string stored verbatim: 32-bit length, then the bytes.
  void WriteStringA(std::string_view AValue);
  std::string ReadStringA();
  // Text stored as Windows-1251 with a 16-bit length.
  void WriteString16(std::string_view AValue);
  std::string ReadString16();
  // Text stored as Windows-1251 with the binary filer's string tag (6, 7 or 8).
  void WriteFilerString(std::string_view AValue);
  std::string ReadFilerString();

  // Lines and their attached integers; objects attached to lines are written as 0.
  void WriteTStrings(const TStrings& AValue);
  void ReadTStrings(TStrings& AValue);  // replaces the list's lines
  void WriteListInteger(const std::vector<std::int32_t>& AValue);
  void ReadListInteger(std::vector<std::int32_t>& AValue);  // replaces the contents

  // 64-bit count, then AValue's bytes from its beginning / that many bytes copied into AValue.
  void WriteStream(TStream& AValue);
  void ReadStream(TStream& AValue);
  // 32-bit count, then this stream's content / replaces this stream's content.
  void SaveToStreamBySize(TStream& ADest);
  void LoadFromStreamBySize(TStream& ASource);

  // A block whose 32-bit length is patched in when it is complete.
  void WriteHeader(std::int64_t& AFixupInfo);
  void FixupHeader(std::int64_t AFixupInfo);
  void ReadHeader(std::int64_t& ALastPosition);

  // 32-bit version, 32-bit size (counting itself), payload; a reader skips fields it does not know.
  void SaveVersionedObject(IVersionedStreamPersist& AObject);
  void LoadVersionedObject(IVersionedStreamPersist& AObject);

  void WriteSignature(std::string_view ASignature);
  void CheckSignature(std::string_view ASignature);

  void WriteVariant(const TVariant& AValue);
  TVariant ReadVariant();

  // ---- whole-content operations ----------------------------------------------------------------
  void LoadFromFile(const std::string& AFileName);
  void LoadFromStream(TStream& ASource);
  TBytes GetAsBytes();
  void SetAsBytes(const TBytes& AValue);
  bool EOS() { return Position() == Size(); }
  void WriteEmptyBuffer(std::int64_t ABufSize);
  void SkipBuffer(std::int64_t ABufSize);

 private:
  // Reads ACount bytes, growing the result as data arrives so a corrupt length cannot force a
  // huge allocation before the read fails.
  std::string ReadBytes(std::int64_t ACount);
  void WriteVariantArray(const TVariant& AValue);
  void ReadVariantArray(TVariant& AValue);
};

// A stream over a block of memory it does not own; writing is not possible.
class TCustomMemoryStream : public TStream {
 public:
  std::int64_t Read(void* ABuffer, std::int64_t ACount) override;
  std::int64_t Write(const void* ABuffer, std::int64_t ACount) override;
  std::int64_t Seek(std::int64_t AOffset, TSeekOrigin AOrigin) override;
  std::int64_t Size() override { return FSize; }

  std::uint8_t* Memory() const { return FMemory; }
  std::int64_t MemorySize() const { return FSize; }
  void SaveToStream(TStream& AStream);
  void SaveToFile(const std::string& AFileName);

 protected:
  void SetPointer(std::uint8_t* APointer, std::int64_t ASize);
  std::int64_t FPosition = 0;

 private:
  std::uint8_t* FMemory = nullptr;
  std::int64_t FSize = 0;
};

// A growing stream in memory.
class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  std::int64_t Write(const void* ABuffer, std::int64_t ACount) override;
  void SetSize(std::int64_t ANewSize) override;
  void Clear();
  std::int64_t Capacity() const { return static_cast<std::int64_t>(FData.size()); }

 protected:
  explicit TMemoryStream(TBytes AData);
  void SetCapacity(std::int64_t ANewCapacity);
  // The storage; its length is the capacity, Size() bytes of it are the content.
  TBytes FData;
};

// A memory stream whose storage is a byte array.
class TBytesStream : public TMemoryStream {
 public:
  explicit TBytesStream(TBytes AData = {}) : TMemoryStream(std::move(AData)) {}
  // May be longer than Size(): the tail is spare capacity.
  const TBytes& Bytes() const { return FData; }

 private:
  friend TBytes ExtractBytes(TBytesStream* AStream);
};

// A byte stream holding the bytes of a UTF-8 string.
class TStringStream : public TBytesStream {
 public:
  explicit TStringStream(std::string_view AText = {});
  std::string DataString() const;
};

// File modes: the low bits choose the access, fmCreate creates or truncates. The share
// flags are accepted and mean nothing where the platform has no mandatory sharing.
inline constexpr std::uint16_t fmCreate = 0xFF00;
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareCompat = 0x0000;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyRead = 0x0030;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;

// A stream over an open file handle it does not close.
class THandleStream : public TStream {
 public:
  explicit THandleStream(Platform::TFileHandle& AHandle) : FHandle(&AHandle) {}
  std::int64_t Read(void* ABuffer, std::int64_t ACount) override;
  std::int64_t Write(const void* ABuffer, std::int64_t ACount) override;
  std::int64_t Seek(std::int64_t AOffset, TSeekOrigin AOrigin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t ANewSize) override;
  Platform::TFileHandle& Handle() const { return *FHandle; }

 protected:
  THandleStream() = default;
  Platform::TFileHandle* FHandle = nullptr;
};

// A stream over a file it opens and closes. Failing to open raises EFOpenError, failing to
// create EFCreateError, both with the system's text.
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& AFileName, std::uint16_t AMode);
  ~TFileStream() override;
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  std::unique_ptr<Platform::TFileHandle> FOwnedHandle;
};

}  // namespace Quellit
