#include "Lib/Common/Common.BufferedStream.h"

#include <gtest/gtest.h>

#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

using Testing::TScratchFolder;

// A memory stream that counts the reads that reach it and notices being freed.
class TCountingStream : public TStringStream {
 public:
  TCountingStream(std::string_view AText, bool* AFreed = nullptr) : TStringStream(AText), FFreed(AFreed) {}
  ~TCountingStream() override {
    if (FFreed) *FFreed = true;
  }
  std::int64_t Read(void* ABuffer, std::int64_t ACount) override {
    ++Reads;
    return TStringStream::Read(ABuffer, ACount);
  }
  int Reads = 0;

 private:
  bool* FFreed;
};

std::string ReadText(TStream& AStream, std::int64_t ACount) {
  std::string Result(static_cast<std::size_t>(ACount), '\0');
  Result.resize(static_cast<std::size_t>(AStream.Read(Result.data(), ACount)));
  return Result;
}

TEST(TBufferedStream, SeekingBackInsideTheBufferReadsTheWrappedStreamOnce) {
  TCountingStream Inner("0123456789abcdef");
  TBufferedStream Stream(&Inner, soReference);
  EXPECT_EQ(ReadText(Stream, 10), "0123456789");
  EXPECT_EQ(Stream.Seek(-5, soCurrent), 5);
  EXPECT_EQ(ReadText(Stream, 5), "56789");
  EXPECT_EQ(Inner.Reads, 1);
}

TEST(TBufferedStream, ReadsAcrossRefillsAndStopsAtTheEnd) {
  TCountingStream Inner("0123456789");
  TBufferedStream Stream(&Inner, soReference);
  Stream.SetBufferSize(4);
  EXPECT_EQ(ReadText(Stream, 7), "0123456");
  EXPECT_EQ(Inner.Reads, 2);
  EXPECT_EQ(ReadText(Stream, 7), "789");
  EXPECT_EQ(Stream.Position(), 10);
  EXPECT_EQ(Stream.Size(), 10);
}

TEST(TBufferedStream, SeekingPastTheEndOrBeforeTheStartReadsNothing) {
  TCountingStream Inner("abc");
  TBufferedStream Stream(&Inner, soReference);
  EXPECT_EQ(Stream.Seek(5, soEnd), 8);
  EXPECT_EQ(ReadText(Stream, 4), "");
  EXPECT_EQ(Stream.Seek(-10, soBeginning), -10);
  EXPECT_EQ(ReadText(Stream, 4), "");
  Stream.SetPosition(1);
  EXPECT_EQ(ReadText(Stream, 4), "bc");
}

TEST(TBufferedStream, InvalidatingOrResizingTheBufferRereads) {
  TCountingStream Inner("abcdef");
  TBufferedStream Stream(&Inner, soReference);
  EXPECT_EQ(ReadText(Stream, 2), "ab");
  Inner.SetPosition(0);
  Inner.WriteBuffer("XY", 2);
  Stream.SetPosition(0);
  EXPECT_EQ(ReadText(Stream, 2), "ab") << "the buffer still holds the old bytes";
  Stream.InvalidateBuffer();
  Stream.SetPosition(0);
  EXPECT_EQ(ReadText(Stream, 2), "XY");

  const std::pair<std::int32_t, std::int32_t> Sizes[] = {{-1, 16384}, {0, 16384}, {10240, 10240}};
  for (const auto& [Given, Kept] : Sizes) {
    Stream.SetBufferSize(Given);
    EXPECT_EQ(Stream.BufferSize(), Kept) << Given;
  }
  int Before = Inner.Reads;
  Stream.SetPosition(0);
  EXPECT_EQ(ReadText(Stream, 1), "X");
  EXPECT_EQ(Inner.Reads, Before + 1);
}

TEST(TBufferedStream, IsReadOnly) {
  TCountingStream Inner("abc");
  TBufferedStream Stream(&Inner, soReference);
  try {
    Stream.WriteByte(1);
    FAIL() << "a buffered stream takes no writes";
  } catch (const EStreamError& E) {
    EXPECT_EQ(E.Message(), "Stream is read-only");
  }
}

TEST(TBufferedStream, OwnershipDecidesWhoFreesTheWrappedStream) {
  bool Freed = false;
  auto* Owned = new TCountingStream("x", &Freed);
  { TBufferedStream Stream(Owned, soOwned); }
  EXPECT_TRUE(Freed);

  bool Kept = false;
  TCountingStream Referenced("x", &Kept);
  { TBufferedStream Stream(&Referenced, soReference); }
  EXPECT_FALSE(Kept);
}

TEST(TBufferedStream, OpensAFileWithTheGivenBufferSize) {
  TScratchFolder Folder;
  TMemoryStream Data;
  Data.WriteInt32(7);
  Data.WriteString("Корвел");
  Data.SaveToFile(Folder / "base.bin");

  TBufferedStream Stream(Folder / "base.bin", fmOpenRead | fmShareDenyWrite, 3);
  EXPECT_EQ(Stream.BufferSize(), 3);
  EXPECT_EQ(Stream.ReadInt32(), 7);
  EXPECT_EQ(Stream.ReadString(), "Корвел");
  EXPECT_TRUE(Stream.EOS());
  EXPECT_THROW(TBufferedStream(Folder / "missing.bin", fmOpenRead, 10), EFOpenError);
}

}  // namespace
}  // namespace Quellit
