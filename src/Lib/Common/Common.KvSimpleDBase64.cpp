#include "Lib/Common/Common.KvSimpleDBase64.h"

#include <algorithm>
#include <cstring>

#include "Lib/Common/Common.BufferedStream.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"

namespace Quellit {

namespace {

constexpr std::int32_t DirectoryBufferSize = 1048576;
constexpr std::int32_t LookupBufferSize = 10240;
constexpr std::int32_t FixedHeaderTail = 12;  // DataCount, InfoBlockOffset, Sorted
constexpr std::uint8_t MaxLengthBytes = 4;
constexpr std::uint16_t OpenMode = fmOpenRead | fmShareDenyWrite;

const char* const SMissingFile = "Файл базы данных \"%s\" отсутствует.";
const char* const SDamagedFile = "Файл базы данных \"%s\" поврежден.";
const char* const SNewerVersion =
    "Формат базы данных имеет более новую версию, чем тот,\r\nс которым может работать приложение.\r\n"
    "Текущая версия приложения может работать с версиями баз от %d и ниже,\r\nбаза данных имеет версию %d.";
const char* const SUnsupportedVersion = "Не поддерживаемая версия базы данных (%d)";
const char* const SOutOfBounds = "Out of bounds";
const char* const SNameNotFound = "Запись с наименованием \"%s\" в базе отсутствует.\r\n\"%s\"";
const char* const SInitError = "Ошибка инициализации базы \"%s\"\r\n";
const char* const SClosedConnection = "Невозможно выполнить операцию при закрытом соединении с базой.\r\n\"%s\"";
const char* const SReadOnly = "TSimpleDBaseItemStream64 работает в режме только чтение.";
const char* const SNotStandalone = "TSimpleDBaseItemStream64 не предназначен для самостоятельного использования.";

// The failure a short read would have raised after running into the end of the file; raised
// before reading, so a damaged count or length never costs an allocation the file cannot back.
[[noreturn]] void RaiseBeyondEnd(std::int64_t AFileSize, std::int64_t ACount) {
  throw EReadError(Format("Stream read error, position: %d, size: %d, count: %d", AFileSize, AFileSize, ACount));
}

// Only the path goes through Format: the caught message may itself hold a percent sign.
[[noreturn]] void RaiseInitError(const std::string& APath, const Exception& AError) {
  throw EKvSimpleDBase64(Format(SInitError, APath) + AError.ClassName() + ": " + AError.Message());
}

std::int64_t Remaining(TStream& AStream, std::int64_t AFileSize) { return AFileSize - AStream.Position(); }

std::uint64_t ReadLE(TStream& AStream, int ABytes) {
  std::uint8_t Bytes[8];
  AStream.ReadBuffer(Bytes, ABytes);
  std::uint64_t Result = 0;
  for (int I = ABytes - 1; I >= 0; --I) Result = (Result << 8) | Bytes[I];
  return Result;
}

THeader ReadHeader(TStream& AStream, const std::string& APath) {
  THeader Header;
  std::uint8_t Start[4];
  AStream.ReadBuffer(Start, 4);
  if (std::memcmp(Start, "SDB", 3) != 0) throw EKvSimpleDBase64(Format(SDamagedFile, APath));
  std::memcpy(Header.Signature, Start, 3);
  Header.Version = Start[3];
  if (Header.Version > TKvSimpleDBaseReader64::LatestVersion)
    throw EKvSimpleDBase64(Format(SNewerVersion, TKvSimpleDBaseReader64::LatestVersion, Header.Version));
  if (Header.Version == 4) {
    Header.DataCount = static_cast<std::uint32_t>(ReadLE(AStream, 4));
  } else if (Header.Version == 5) {
    Header.AdvancesHeaderSize = static_cast<std::int32_t>(ReadLE(AStream, 4));
    Header.DataCount = static_cast<std::uint32_t>(ReadLE(AStream, 4));
    Header.InfoBlockOffset = static_cast<std::int32_t>(ReadLE(AStream, 4));
    Header.Sorted = ReadLE(AStream, 4) != 0;
    if (Header.AdvancesHeaderSize > FixedHeaderTail) AStream.SkipBuffer(Header.AdvancesHeaderSize - FixedHeaderTail);
  } else {
    throw EKvSimpleDBase64(Format(SUnsupportedVersion, Header.Version));
  }
  return Header;
}

int TableEntrySize(const THeader& AHeader) { return AHeader.Version == 4 ? 8 : 12; }

TOffsetAndSizeRec ReadTableEntry(TStream& AStream, const THeader& AHeader) {
  TOffsetAndSizeRec Entry;
  Entry.Offset = AHeader.Version == 4 ? static_cast<std::int64_t>(ReadLE(AStream, 4))
                                      : static_cast<std::int64_t>(ReadLE(AStream, 8));
  Entry.Size = static_cast<std::uint32_t>(ReadLE(AStream, 4));
  return Entry;
}

// A directory string's length: a byte N, then N bytes of length. Such files never hold N above 4.
std::uint64_t ReadStringLength(TStream& AStream, const std::string& APath) {
  std::uint8_t LengthBytes = AStream.ReadByte();
  if (LengthBytes > MaxLengthBytes) throw EKvSimpleDBase64(Format(SDamagedFile, APath));
  return LengthBytes == 0 ? 0 : ReadLE(AStream, LengthBytes);
}

std::string ReadDirectoryString(TStream& AStream, const std::string& APath, std::int64_t AFileSize) {
  std::uint64_t Length = ReadStringLength(AStream, APath);
  if (Length > static_cast<std::uint64_t>(std::max<std::int64_t>(Remaining(AStream, AFileSize), 0)))
    RaiseBeyondEnd(AFileSize, static_cast<std::int64_t>(Length));
  std::string Result(static_cast<std::size_t>(Length), '\0');
  AStream.ReadBuffer(Result.data(), static_cast<std::int64_t>(Length));
  return Result;
}

void SkipDirectoryString(TStream& AStream, const std::string& APath) {
  AStream.SkipBuffer(static_cast<std::int64_t>(ReadStringLength(AStream, APath)));
}

// Compares the next directory string with ABytes, reading its text (into AScratch, reused across
// the walk) only when the lengths agree.
bool NextStringEquals(TStream& AStream, const std::string& APath, const std::string& ABytes, std::string& AScratch) {
  std::uint64_t Length = ReadStringLength(AStream, APath);
  if (Length != ABytes.size()) {
    AStream.SkipBuffer(static_cast<std::int64_t>(Length));
    return false;
  }
  AScratch.resize(ABytes.size());
  AStream.ReadBuffer(AScratch.data(), static_cast<std::int64_t>(AScratch.size()));
  return AScratch == ABytes;
}

// Names are mostly ASCII, which is the same in both encodings: only the others pay for a conversion.
std::string DecodeName(std::string AAnsi) {
  bool Ascii = std::all_of(AAnsi.begin(), AAnsi.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; });
  return Ascii ? AAnsi : Win1251ToUtf8(AAnsi);
}

// An item lying (partly) outside the file is refused before anything is read or copied.
void CheckItemInFile(const TOffsetAndSizeRec& AItem, std::int64_t AFileSize) {
  if (AItem.Offset < 0 || AItem.Offset > AFileSize || AItem.Size > AFileSize - AItem.Offset)
    throw EReadError(Format("Stream read error, position: %d, size: %d, count: %d", AItem.Offset, AFileSize, AItem.Size));
}

void CopyItem(TStream& ASource, const TOffsetAndSizeRec& AItem, std::int64_t AFileSize, TStream& ADest) {
  if (AItem.Size == 0) return;
  CheckItemInFile(AItem, AFileSize);
  ASource.SetPosition(AItem.Offset);
  ADest.CopyFrom(ASource, AItem.Size);
}

// Walks the directory to the entry of AName; the stream is left on that entry. No match: false.
bool SeekToEntry(TStream& AStream, const THeader& AHeader, const std::string& APath, const std::string& AName) {
  // A name Windows-1251 cannot hold matches no stored name, but the walk still checks the file.
  const std::string Wanted = Utf8ToWin1251(AName);
  const bool CanMatch = Win1251ToUtf8(Wanted) == AName;
  std::string Scratch;
  std::int64_t Found = -1;
  for (std::uint32_t I = 0; I < AHeader.DataCount; ++I) {
    bool Matched = false;
    if (Found < 0 && CanMatch)
      Matched = NextStringEquals(AStream, APath, Wanted, Scratch);
    else
      SkipDirectoryString(AStream, APath);
    if (Matched) {
      Found = I;
      // Version 5 knows where the table starts; version 4 has to walk past every string.
      if (AHeader.Version >= 5) {
        AStream.SetPosition(AHeader.InfoBlockOffset);
        break;
      }
    }
    SkipDirectoryString(AStream, APath);  // the work data
  }
  if (Found < 0) return false;
  AStream.SkipBuffer(Found * TableEntrySize(AHeader));
  return true;
}

}  // namespace

// ---- TKvSimpleDBaseReader64 ------------------------------------------------------------------------

TKvSimpleDBaseReader64::TKvSimpleDBaseReader64(const std::string& APath, bool AUseBufferedStream) : FFilePath(APath) {
  if (!Platform::FileExists(APath)) throw EKvSimpleDBase64(Format(SMissingFile, APath));
  FDBase.reset(new TBufferedStream(APath, OpenMode, DirectoryBufferSize));
  try {
    Open(AUseBufferedStream);
  } catch (const Exception& E) {
    FDBase.reset();
    RaiseInitError(APath, E);
  }
}

void TKvSimpleDBaseReader64::Open(bool AUseBufferedStream) {
  FFileSize = FDBase->Size();
  FHeader = ReadHeader(*FDBase, FFilePath);
  ReadDirectory(*FDBase, FFileSize);
  if (!AUseBufferedStream) {
    FDBase.reset();
    FDBase.reset(new TFileStream(FFilePath, OpenMode));
  }
}

void TKvSimpleDBaseReader64::ReadDirectory(TStream& AStream, std::int64_t AFileSize) {
  const std::uint32_t Count = FHeader.DataCount;
  if (Count == 0) return;
  // Every item takes at least its two length bytes and its table entry.
  const std::int64_t Least = static_cast<std::int64_t>(Count) * (2 + TableEntrySize(FHeader));
  if (Least > Remaining(AStream, AFileSize)) RaiseBeyondEnd(AFileSize, Least);
  FDataNames.reserve(Count);
  FWorkData.reserve(Count);
  FInfoBlockOffsets.reserve(Count);
  for (std::uint32_t I = 0; I < Count; ++I) {
    FDataNames.push_back(DecodeName(ReadDirectoryString(AStream, FFilePath, AFileSize)));
    FWorkData.push_back(ReadDirectoryString(AStream, FFilePath, AFileSize));
  }
  for (std::uint32_t I = 0; I < Count; ++I) FInfoBlockOffsets.push_back(ReadTableEntry(AStream, FHeader));
}

TKvSimpleDBaseReader64::~TKvSimpleDBaseReader64() {
  for (TSimpleDBaseItemStream64* Stream : FItemsStreamList) {
    Stream->FDBClosed = true;
    Stream->FOwner = nullptr;
  }
}

void TKvSimpleDBaseReader64::CheckIndex(std::uint32_t AIndex) const {
  if (AIndex >= FHeader.DataCount) throw EKvSimpleDBase64(SOutOfBounds);
}

std::string TKvSimpleDBaseReader64::GetItemName(std::uint32_t AIndex) const {
  CheckIndex(AIndex);
  return FDataNames[AIndex];
}

std::uint32_t TKvSimpleDBaseReader64::GetIndexFromName(const std::string& AValue, bool ARaiseIfNotExists) const {
  std::uint32_t Result = FHeader.Sorted ? FindSorted(AValue) : NotFound;
  // The bisection trusts the container's order, which was made on another platform with its own
  // collation; where that disagrees with ours about a pair, the item is still there to be found.
  if (Result == NotFound) Result = FindLinear(AValue);
  if (Result == NotFound && ARaiseIfNotExists) throw EKvSimpleDBase64(Format(SNameNotFound, AValue, FFilePath));
  return Result;
}

std::uint32_t TKvSimpleDBaseReader64::FindLinear(const std::string& AValue) const {
  auto It = std::find(FDataNames.begin(), FDataNames.end(), AValue);
  return It == FDataNames.end() ? NotFound : static_cast<std::uint32_t>(It - FDataNames.begin());
}

// Bisection in the product's own steps, with the user's collation; a container whose order
// disagrees with it may send the search past an item, which the linear search then finds.
std::uint32_t TKvSimpleDBaseReader64::FindSorted(const std::string& AValue) const {
  if (FDataNames.empty()) return NotFound;
  if (FDataNames[0] == AValue) return 0;
  std::uint32_t Lo = 0, Hi = static_cast<std::uint32_t>(FDataNames.size() - 1);
  if (FDataNames[Hi] == AValue) return Hi;
  std::uint32_t Mid = Hi / 2;
  while (true) {
    if (FDataNames[Mid] == AValue) return Mid;
    if (AnsiCompareStr(AValue, FDataNames[Mid]) < 0)
      Hi = Mid;
    else
      Lo = Mid;
    Mid = Lo + (Hi - Lo) / 2;
    if (Mid == Lo) return FDataNames[Mid] == AValue ? Mid : NotFound;
  }
}

void TKvSimpleDBaseReader64::GetItemData(std::uint32_t AIndex, TStream& AStream) {
  CheckIndex(AIndex);
  {
    std::lock_guard<std::mutex> Guard(FLock);
    CopyItem(*FDBase, FInfoBlockOffsets[AIndex], FFileSize, AStream);
  }
  AStream.SetPosition(0);
}

void TKvSimpleDBaseReader64::GetItemData(const std::string& AName, TStream& AStream) {
  GetItemData(GetIndexFromName(AName, true), AStream);
}

std::uint32_t TKvSimpleDBaseReader64::GetItemDataSize(std::uint32_t AIndex) const {
  CheckIndex(AIndex);
  return FInfoBlockOffsets[AIndex].Size;
}

std::int64_t TKvSimpleDBaseReader64::GetItemDataOffset(std::uint32_t AIndex) const {
  CheckIndex(AIndex);
  return FInfoBlockOffsets[AIndex].Offset;
}

void TKvSimpleDBaseReader64::GetItemWorkData(std::uint32_t AIndex, TStream& AStream) const {
  CheckIndex(AIndex);
  const std::string& Bytes = FWorkData[AIndex];
  AStream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

void TKvSimpleDBaseReader64::GetItemWorkData(const std::string& AName, TStream& AStream) const {
  GetItemWorkData(GetIndexFromName(AName, true), AStream);
}

std::uint32_t TKvSimpleDBaseReader64::GetItemWorkDataSize(std::uint32_t AIndex) const {
  CheckIndex(AIndex);
  return static_cast<std::uint32_t>(FWorkData[AIndex].size());
}

std::unique_ptr<TSimpleDBaseItemStream64> TKvSimpleDBaseReader64::CreateItemStream(std::uint32_t AIndex) {
  CheckIndex(AIndex);
  std::unique_ptr<TSimpleDBaseItemStream64> Result(new TSimpleDBaseItemStream64(*this, FInfoBlockOffsets[AIndex]));
  FItemsStreamList.push_back(Result.get());
  return Result;
}

std::unique_ptr<TSimpleDBaseItemStream64> TKvSimpleDBaseReader64::CreateItemStream(const std::string& AName) {
  return CreateItemStream(GetIndexFromName(AName, true));
}

std::int64_t TKvSimpleDBaseReader64::ReadAt(std::int64_t APosition, void* ABuffer, std::int64_t ACount) {
  std::lock_guard<std::mutex> Guard(FLock);
  if (APosition < 0 || APosition >= FFileSize || ACount <= 0) return 0;
  FDBase->SetPosition(APosition);
  return FDBase->Read(ABuffer, std::min(ACount, FFileSize - APosition));
}

void TKvSimpleDBaseReader64::Unregister(TSimpleDBaseItemStream64* AStream) {
  FItemsStreamList.erase(std::remove(FItemsStreamList.begin(), FItemsStreamList.end(), AStream),
                         FItemsStreamList.end());
}

bool TKvSimpleDBaseReader64::FastGetItemData(const std::string& APath, const std::string& AName, TStream& AStream) {
  try {
    TBufferedStream File(APath, OpenMode, LookupBufferSize);
    const std::int64_t FileSize = File.Size();
    const THeader Header = ReadHeader(File, APath);
    if (!SeekToEntry(File, Header, APath, AName)) return false;
    CopyItem(File, ReadTableEntry(File, Header), FileSize, AStream);
    return true;
  } catch (const Exception& E) {
    RaiseInitError(APath, E);
  }
}

// ---- TSimpleDBaseItemStream64 ----------------------------------------------------------------------

TSimpleDBaseItemStream64::TSimpleDBaseItemStream64() { throw ESimpleDBaseItemStream64(SNotStandalone); }

TSimpleDBaseItemStream64::TSimpleDBaseItemStream64(TKvSimpleDBaseReader64& AOwner, const TOffsetAndSizeRec& AItem)
    : FOwner(&AOwner), FOffset(AItem.Offset), FSize(AItem.Size), FFilePath(AOwner.FilePath()) {}

TSimpleDBaseItemStream64::~TSimpleDBaseItemStream64() {
  if (!FDBClosed && FOwner) FOwner->Unregister(this);
}

std::int64_t TSimpleDBaseItemStream64::Read(void* ABuffer, std::int64_t ACount) {
  if (FDBClosed) throw ESimpleDBaseItemStream64(Format(SClosedConnection, FFilePath));
  // A position before the item reads nothing rather than the bytes in front of it.
  if (FPosition < 0) return 0;
  std::int64_t Count = std::max<std::int64_t>(std::min(ACount, FSize - FPosition), 0);
  std::int64_t Got = FOwner->ReadAt(FOffset + FPosition, ABuffer, Count);
  FPosition += Count;
  return Got;
}

std::int64_t TSimpleDBaseItemStream64::Write(const void*, std::int64_t) { throw ESimpleDBaseItemStream64(SReadOnly); }

void TSimpleDBaseItemStream64::SetSize(std::int64_t) { throw ESimpleDBaseItemStream64(SReadOnly); }

std::int64_t TSimpleDBaseItemStream64::Seek(std::int64_t AOffset, TSeekOrigin AOrigin) {
  switch (AOrigin) {
    case soBeginning: FPosition = AOffset; break;
    case soCurrent: FPosition += AOffset; break;
    case soEnd: FPosition = FSize + AOffset; break;
  }
  return FPosition;
}

}  // namespace Quellit
