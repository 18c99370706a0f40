#include "Lib/Common/Common.BufferedStream.h"

#include <algorithm>
#include <cstring>

namespace Quellit {

TBufferedStream::TBufferedStream(TStream* AStream, TStreamOwnership AOwnership)
    : FStream(AStream), FOwnership(AOwnership) {}

TBufferedStream::TBufferedStream(const std::string& AFileName, std::uint16_t AMode, std::int32_t ABuffSize)
    : FStream(new TFileStream(AFileName, AMode)), FOwnership(soOwned) {
  SetBufferSize(ABuffSize);
}

TBufferedStream::~TBufferedStream() {
  if (FOwnership == soOwned) Free(FStream);
}

void TBufferedStream::SetBufferSize(std::int32_t AValue) {
  // A zero size could never refill the buffer: every read would end at once.
  if (AValue < 1) AValue = FallbackBufferSize;
  if (AValue == FBuffSize) return;
  FBuffSize = AValue;
  InvalidateBuffer();
}

void TBufferedStream::InvalidateBuffer() { FBuff.clear(); }

bool TBufferedStream::InBuffer(std::int64_t APosition) const {
  return APosition >= FBuffStartPosition && APosition < FBuffStartPosition + static_cast<std::int64_t>(FBuff.size());
}

std::int64_t TBufferedStream::CopyFromBuffer(std::uint8_t* ADest, std::int64_t ACount) {
  if (!InBuffer(FPosition)) return 0;
  std::int64_t Offset = FPosition - FBuffStartPosition;
  std::int64_t Got = std::min(ACount, static_cast<std::int64_t>(FBuff.size()) - Offset);
  std::memcpy(ADest, FBuff.data() + Offset, static_cast<std::size_t>(Got));
  FPosition += Got;
  return Got;
}

bool TBufferedStream::Refill() {
  FBuff.clear();
  if (FPosition < 0) return false;
  FStream->SetPosition(FPosition);
  FBuffStartPosition = FPosition;
  FBuff.resize(static_cast<std::size_t>(FBuffSize));
  std::int64_t Got = FStream->Read(FBuff.data(), FBuffSize);
  FBuff.resize(static_cast<std::size_t>(std::max<std::int64_t>(Got, 0)));
  return !FBuff.empty();
}

std::int64_t TBufferedStream::Read(void* ABuffer, std::int64_t ACount) {
  auto* Dest = static_cast<std::uint8_t*>(ABuffer);
  std::int64_t Done = 0;
  while (Done < ACount) {
    std::int64_t Got = CopyFromBuffer(Dest + Done, ACount - Done);
    if (Got == 0 && !Refill()) break;
    Done += Got;
  }
  return Done;
}

std::int64_t TBufferedStream::Write(const void*, std::int64_t) { throw EStreamError("Stream is read-only"); }

std::int64_t TBufferedStream::Seek(std::int64_t AOffset, TSeekOrigin AOrigin) {
  switch (AOrigin) {
    case soBeginning: FPosition = AOffset; break;
    case soCurrent: FPosition += AOffset; break;
    case soEnd: FPosition = FStream->Size() + AOffset; break;
  }
  if (!InBuffer(FPosition)) InvalidateBuffer();
  return FPosition;
}

}  // namespace Quellit
