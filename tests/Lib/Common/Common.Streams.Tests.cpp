#include "Lib/Common/Common.Streams.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

using Testing::TScratchFolder;

TEST(TMemoryStream, GrowsOnWriteAndReadsBackWhatWasWritten) {
  TMemoryStream Stream;
  Stream.WriteBuffer("hello", 5);
  EXPECT_EQ(Stream.Size(), 5);
  EXPECT_EQ(Stream.Position(), 5);
  Stream.SetPosition(1);
  char Buffer[8] = {};
  EXPECT_EQ(Stream.Read(Buffer, 8), 4);
  EXPECT_EQ(std::string(Buffer), "ello");
  EXPECT_EQ(Stream.Read(Buffer, 8), 0);
}

TEST(TMemoryStream, PositionsAreNotClampedAndGapsReadAsZeros) {
  TMemoryStream Stream;
  Stream.WriteByte(1);
  EXPECT_EQ(Stream.Seek(3, soEnd), 4);
  EXPECT_EQ(Stream.Read(nullptr, 1), 0);
  Stream.WriteByte(9);
  EXPECT_EQ(Stream.GetAsBytes(), (TBytes{1, 0, 0, 0, 9}));
  Stream.SetPosition(-2);
  std::uint8_t B = 0;
  EXPECT_EQ(Stream.Read(&B, 1), 0);
  EXPECT_EQ(Stream.Write(&B, 1), 0);
}

TEST(TMemoryStream, ShrinkingAndRegrowingDoesNotRevealOldBytes) {
  TMemoryStream Stream;
  Stream.SetAsBytes({7, 7, 7, 7});
  Stream.SetSize(1);
  EXPECT_EQ(Stream.Position(), 1);
  Stream.SetSize(3);
  EXPECT_EQ(Stream.GetAsBytes(), (TBytes{7, 0, 0}));
  Stream.Clear();
  EXPECT_EQ(Stream.Size(), 0);
  EXPECT_EQ(Stream.Position(), 0);
}

TEST(TStream, CopyFromWithZeroCopiesTheWholeSource) {
  TStringStream Source("abcdef");
  Source.SetPosition(4);
  TStringStream Target;
  EXPECT_EQ(Target.CopyFrom(Source, 0), 6);
  EXPECT_EQ(Target.DataString(), "abcdef");
  Source.SetPosition(1);
  TStringStream Part;
  EXPECT_EQ(Part.CopyFrom(Source, 2), 2);
  EXPECT_EQ(Part.DataString(), "bc");
  EXPECT_THROW(Part.CopyFrom(Source, 10), EReadError);
}

TEST(TStream, WriteBufferOnAStreamThatTakesNothingRaisesTheWriteError) {
  TBytes Data{1, 2};
  class TFixed : public TCustomMemoryStream {
   public:
    explicit TFixed(TBytes& AData) { SetPointer(AData.data(), static_cast<std::int64_t>(AData.size())); }
  } Fixed(Data);
  EXPECT_EQ(Fixed.ReadByte(), 1);
  try {
    Fixed.WriteByte(3);
    FAIL() << "a fixed memory stream takes no writes";
  } catch (const EWriteError& E) {
    EXPECT_EQ(E.Message(), "Stream write error");
  }
}

TEST(TStringStream, HoldsTheBytesOfItsText) {
  TStringStream Stream("Смета");
  EXPECT_EQ(Stream.Size(), 10);
  EXPECT_EQ(Stream.DataString(), "Смета");
  Stream.Seek(0, soEnd);
  Stream.WriteBuffer("!", 1);
  EXPECT_EQ(Stream.DataString(), "Смета!");
}

TEST(TFileStream, CreatesWritesAndReadsAFile) {
  TScratchFolder Folder;
  std::string Path = Folder / "data.bin";
  {
    TFileStream Stream(Path, fmCreate);
    Stream.WriteInt32(0x01020304);
    Stream.WriteString("Корвел");
    EXPECT_EQ(Stream.Size(), 14);
    Stream.SetSize(10);
  }
  EXPECT_EQ(std::filesystem::file_size(Path), 10u);
  TFileStream Stream(Path, fmOpenRead | fmShareDenyNone);
  EXPECT_EQ(Stream.FileName(), Path);
  EXPECT_EQ(Stream.ReadInt32(), 0x01020304);
  EXPECT_EQ(Stream.Seek(-2, soEnd), 8);
  EXPECT_THROW(Stream.ReadInt32(), EReadError);
}

TEST(TFileStream, OpeningFailuresNameTheFileAndTheSystemText) {
  TScratchFolder Folder;
  std::string Missing = Folder / "missing.bin";
  try {
    TFileStream Stream(Missing, fmOpenRead);
    FAIL() << "a missing file must not open";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message().rfind("Cannot open file \"" + Missing + "\". ", 0), 0u) << E.Message();
    EXPECT_GT(E.Message().size(), Missing.size() + 21) << "the system's text follows";
  }
  std::string InMissingFolder = Folder / "no/such/folder.bin";
  try {
    TFileStream Stream(InMissingFolder, fmCreate);
    FAIL() << "a file in a missing folder cannot be created";
  } catch (const EFCreateError& E) {
    EXPECT_EQ(E.Message().rfind("Cannot create file \"" + InMissingFolder + "\". ", 0), 0u) << E.Message();
  }
}

TEST(TStream, LoadFromFileReplacesTheContentAndSaveToFileWritesIt) {
  TScratchFolder Folder;
  std::string Source = Folder.Write("in.txt", "file content");
  TStringStream Stream("a longer content that must be cut");
  Stream.LoadFromFile(Source);
  EXPECT_EQ(Stream.DataString(), "file content");

  std::string Copy = Folder / "out.txt";
  Stream.SaveToFile(Copy);
  EXPECT_EQ(TScratchFolder::Read(Copy), "file content");

  TFileStream File(Folder / "target.bin", fmCreate);
  File.WriteBuffer("0123456789012345678901234567890", 30);
  File.LoadFromFile(Source);
  EXPECT_EQ(File.Size(), 12);
}

}  // namespace
}  // namespace Quellit
