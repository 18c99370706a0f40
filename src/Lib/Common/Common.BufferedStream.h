// A read-only stream that reads another stream through one large buffer, so code that parses a
// file value by value touches the disk in big blocks.
#pragma once

#include <cstdint>
#include <string>

#include "Lib/Common/Common.Streams.h"

namespace Quellit {

enum TStreamOwnership { soReference, soOwned };

class TBufferedStream : public TStream {
 public:
  static constexpr std::int32_t DefaultBufferSize = 1048576;
  static constexpr std::int32_t FallbackBufferSize = 16384;

  TBufferedStream(TStream* AStream, TStreamOwnership AOwnership);
  // Opens the file as an owned file stream.
  TBufferedStream(const std::string& AFileName, std::uint16_t AMode, std::int32_t ABuffSize);
  ~TBufferedStream() override;

  std::int64_t Read(void* ABuffer, std::int64_t ACount) override;
  std::int64_t Write(const void* ABuffer, std::int64_t ACount) override;  // raises: read-only
  std::int64_t Seek(std::int64_t AOffset, TSeekOrigin AOrigin) override;

  std::int32_t BufferSize() const { return FBuffSize; }
  // Values below 1 become FallbackBufferSize; a new size discards the buffer.
  void SetBufferSize(std::int32_t AValue);
  // Drops the buffered bytes, so the next read sees the wrapped stream's current content.
  void InvalidateBuffer();

 private:
  bool InBuffer(std::int64_t APosition) const;
  std::int64_t CopyFromBuffer(std::uint8_t* ADest, std::int64_t ACount);
  bool Refill();

  TStream* FStream;
  TStreamOwnership FOwnership;
  std::int64_t FPosition = 0;
  TBytes FBuff;
  std::int64_t FBuffStartPosition = 0;
  std::int32_t FBuffSize = DefaultBufferSize;
};

}  // namespace Quellit
