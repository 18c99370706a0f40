#include "Lib/Common/Common.Streams.h"

#include <algorithm>
#include <cstring>

#include "Lib/Common/Common.Format.h"
#include "Platform/File.h"
#include "Platform/SystemError.h"

namespace Quellit {

// ---- TStream -------------------------------------------------------------------------------------

std::int64_t TStream::Size() {
  std::int64_t Pos = Seek(0, soCurrent);
  std::int64_t Result = Seek(0, soEnd);
  Seek(Pos, soBeginning);
  return Result;
}

void TStream::ReadBuffer(void* ABuffer, std::int64_t ACount) {
  auto* Dest = static_cast<std::uint8_t*>(ABuffer);
  std::int64_t Done = 0;
  while (Done < ACount) {
    std::int64_t Got = Read(Dest + Done, ACount - Done);
    if (Got <= 0)
      throw EReadError(Format("Stream read error, position: %d, size: %d, count: %d", Position(), Size(), ACount));
    Done += Got;
  }
}

void TStream::WriteBuffer(const void* ABuffer, std::int64_t ACount) {
  if (ACount <= 0) return;
  if (Write(ABuffer, ACount) != ACount) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& ASource, std::int64_t ACount) {
  if (ACount == 0) {
    ASource.SetPosition(0);
    ACount = ASource.Size();
  }
  constexpr std::int64_t MaxChunk = 1024 * 1024;
  std::vector<std::uint8_t> Chunk(static_cast<std::size_t>(std::clamp<std::int64_t>(ACount, 1, MaxChunk)));
  std::int64_t Left = ACount;
  while (Left > 0) {
    std::int64_t Part = std::min<std::int64_t>(Left, MaxChunk);
    ASource.ReadBuffer(Chunk.data(), Part);
    WriteBuffer(Chunk.data(), Part);
    Left -= Part;
  }
  return ACount;
}

// ---- TCustomMemoryStream -------------------------------------------------------------------------

void TCustomMemoryStream::SetPointer(std::uint8_t* APointer, std::int64_t ASize) {
  FMemory = APointer;
  FSize = ASize;
}

std::int64_t TCustomMemoryStream::Read(void* ABuffer, std::int64_t ACount) {
  // Positions are not clamped by Seek, so a read before the start or past the end gets nothing.
  if (FPosition < 0 || ACount <= 0 || FPosition >= FSize) return 0;
  std::int64_t Got = std::min(ACount, FSize - FPosition);
  std::memcpy(ABuffer, FMemory + FPosition, static_cast<std::size_t>(Got));
  FPosition += Got;
  return Got;
}

std::int64_t TCustomMemoryStream::Write(const void*, std::int64_t) { return 0; }

std::int64_t TCustomMemoryStream::Seek(std::int64_t AOffset, TSeekOrigin AOrigin) {
  switch (AOrigin) {
    case soBeginning: FPosition = AOffset; break;
    case soCurrent: FPosition += AOffset; break;
    case soEnd: FPosition = FSize + AOffset; break;
  }
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream& AStream) { AStream.WriteBuffer(FMemory, FSize); }

void TCustomMemoryStream::SaveToFile(const std::string& AFileName) {
  // Through a temporary file and one rename: a failure never leaves half a file behind.
  Platform::WriteAllBytesAtomic(AFileName, FMemory, static_cast<std::size_t>(FSize));
}

// ---- TMemoryStream -------------------------------------------------------------------------------

TMemoryStream::TMemoryStream(TBytes AData) : FData(std::move(AData)) {
  SetPointer(FData.data(), static_cast<std::int64_t>(FData.size()));
}

void TMemoryStream::SetCapacity(std::int64_t ANewCapacity) {
  FData.resize(static_cast<std::size_t>(ANewCapacity));
  SetPointer(FData.data(), std::min(Size(), ANewCapacity));
}

void TMemoryStream::SetSize(std::int64_t ANewSize) {
  if (ANewSize < 0) ANewSize = 0;
  std::int64_t OldSize = Size();
  if (ANewSize > Capacity()) SetCapacity(ANewSize);
  // Bytes between the old and the new end read as zeros, also when the capacity was kept.
  if (ANewSize > OldSize)
    std::fill(FData.begin() + OldSize, FData.begin() + ANewSize, std::uint8_t{0});
  SetPointer(FData.data(), ANewSize);
  if (FPosition > ANewSize) FPosition = ANewSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  SetPointer(nullptr, 0);
  FPosition = 0;
}

std::int64_t TMemoryStream::Write(const void* ABuffer, std::int64_t ACount) {
  if (FPosition < 0 || ACount <= 0) return 0;
  std::int64_t End = FPosition + ACount;
  if (End > Size()) {
    if (End > Capacity()) SetCapacity(std::max(End, Capacity() + Capacity() / 2));
    SetSize(End);
  }
  std::memcpy(FData.data() + FPosition, ABuffer, static_cast<std::size_t>(ACount));
  FPosition = End;
  return ACount;
}

// ---- TStringStream -------------------------------------------------------------------------------

TStringStream::TStringStream(std::string_view AText) : TBytesStream(TBytes(AText.begin(), AText.end())) {}

std::string TStringStream::DataString() const {
  return std::string(reinterpret_cast<const char*>(FData.data()), static_cast<std::size_t>(MemorySize()));
}

// ---- THandleStream, TFileStream ------------------------------------------------------------------

std::int64_t THandleStream::Read(void* ABuffer, std::int64_t ACount) {
  if (ACount <= 0) return 0;
  return FHandle->Read(ABuffer, ACount);
}

std::int64_t THandleStream::Write(const void* ABuffer, std::int64_t ACount) {
  if (ACount <= 0) return 0;
  return FHandle->Write(ABuffer, ACount);
}

std::int64_t THandleStream::Seek(std::int64_t AOffset, TSeekOrigin AOrigin) {
  static constexpr Platform::TSeekOrigin Origins[] = {Platform::TSeekOrigin::Begin, Platform::TSeekOrigin::Current,
                                                      Platform::TSeekOrigin::End};
  return FHandle->Seek(AOffset, Origins[AOrigin]);
}

std::int64_t THandleStream::Size() { return static_cast<std::int64_t>(FHandle->Size()); }

void THandleStream::SetSize(std::int64_t ANewSize) {
  FHandle->SetSize(static_cast<std::uint64_t>(std::max<std::int64_t>(ANewSize, 0)));
}

TFileStream::TFileStream(const std::string& AFileName, std::uint16_t AMode) : FFileName(AFileName) {
  bool Creating = (AMode & fmCreate) == fmCreate;
  Platform::TFileAccess Access = Platform::TFileAccess::ReadWrite;
  if (!Creating) {
    switch (AMode & 3) {
      case fmOpenRead: Access = Platform::TFileAccess::Read; break;
      case fmOpenWrite: Access = Platform::TFileAccess::Write; break;
      default: Access = Platform::TFileAccess::ReadWrite; break;
    }
  }
  try {
    FOwnedHandle = std::make_unique<Platform::TFileHandle>(
        AFileName, Access,
        Creating ? Platform::TFileDisposition::CreateAlways : Platform::TFileDisposition::OpenExisting);
  } catch (const EOSError& E) {
    std::string SystemText = Platform::SystemErrorText(E.ErrorCode());
    if (Creating) throw EFCreateError(Format("Cannot create file \"%s\". %s", AFileName, SystemText));
    throw EFOpenError(Format("Cannot open file \"%s\". %s", AFileName, SystemText));
  }
  FHandle = FOwnedHandle.get();
}

TFileStream::~TFileStream() = default;

}  // namespace Quellit
