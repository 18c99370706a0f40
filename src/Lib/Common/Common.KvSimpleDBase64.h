// The normative-base container: a header, a directory of named items with their work data, and
// the items' bytes, each addressed by a 64-bit offset and a 32-bit size. The reader parses the
// directory once and serves items whole or through lazy read-only item streams; item bytes are
// returned exactly as stored.
//
// Containers come from elsewhere and may be damaged or hostile: every count and length is checked
// against the bytes the file really has before anything is allocated for it, and no read goes
// outside the file.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Object.h"
#include "Lib/Common/Common.Streams.h"

namespace Quellit {

class EKvSimpleDBase64 : public Exception { using Exception::Exception; };
class ESimpleDBaseItemStream64 : public Exception { using Exception::Exception; };

struct THeader {
  char Signature[3] = {};
  std::uint8_t Version = 0;
  std::int32_t AdvancesHeaderSize = 0;  // version 5 only, like the three below
  std::uint32_t DataCount = 0;
  std::int32_t InfoBlockOffset = 0;
  bool Sorted = false;
};

struct TOffsetAndSizeRec {
  std::int64_t Offset = 0;
  std::uint32_t Size = 0;
};

class TSimpleDBaseItemStream64;

class TKvSimpleDBaseReader64 : public TObject {
 public:
  static constexpr std::uint32_t NotFound = 0xFFFFFFFF;
  static constexpr std::uint8_t LatestVersion = 5;

  // Opens and parses the container. Without AUseBufferedStream items are read through a plain file
  // stream, which suits few large items better than a 1 MiB read-ahead.
  TKvSimpleDBaseReader64(const std::string& APath, bool AUseBufferedStream);
  TKvSimpleDBaseReader64(const TKvSimpleDBaseReader64&) = delete;
  TKvSimpleDBaseReader64& operator=(const TKvSimpleDBaseReader64&) = delete;
  ~TKvSimpleDBaseReader64() override;

  std::string GetItemName(std::uint32_t AIndex) const;
  // NotFound when absent and ARaiseIfNotExists is false.
  std::uint32_t GetIndexFromName(const std::string& AValue, bool ARaiseIfNotExists) const;

  // Appends the item's bytes at AStream's position, then rewinds AStream to 0.
  void GetItemData(std::uint32_t AIndex, TStream& AStream);
  void GetItemData(const std::string& AName, TStream& AStream);
  std::uint32_t GetItemDataSize(std::uint32_t AIndex) const;
  std::int64_t GetItemDataOffset(std::uint32_t AIndex) const;

  // The work data as its stored 8-bit bytes.
  void GetItemWorkData(std::uint32_t AIndex, TStream& AStream) const;
  void GetItemWorkData(const std::string& AName, TStream& AStream) const;
  std::uint32_t GetItemWorkDataSize(std::uint32_t AIndex) const;

  // An item stream may outlive its reader; it then fails every read.
  std::unique_ptr<TSimpleDBaseItemStream64> CreateItemStream(std::uint32_t AIndex);
  std::unique_ptr<TSimpleDBaseItemStream64> CreateItemStream(const std::string& AName);

  // Copies the named item of the container at APath into AStream without building a directory;
  // false when no item has that name.
  static bool FastGetItemData(const std::string& APath, const std::string& AName, TStream& AStream);

  std::uint32_t RecordCount() const { return FHeader.DataCount; }
  const std::string& FilePath() const { return FFilePath; }
  const THeader& Header() const { return FHeader; }

 private:
  friend class TSimpleDBaseItemStream64;

  void Open(bool AUseBufferedStream);
  void ReadDirectory(TStream& AStream, std::int64_t AFileSize);
  void CheckIndex(std::uint32_t AIndex) const;
  std::uint32_t FindSorted(const std::string& AValue) const;
  std::uint32_t FindLinear(const std::string& AValue) const;
  // Reads at an absolute file position under FLock; answers how many bytes the file delivered.
  std::int64_t ReadAt(std::int64_t APosition, void* ABuffer, std::int64_t ACount);
  void Unregister(TSimpleDBaseItemStream64* AStream);

  std::string FFilePath;
  std::vector<std::string> FDataNames;  // UTF-8
  std::vector<std::string> FWorkData;   // the stored 8-bit bytes
  std::unique_ptr<TStream, TFreeDeleter> FDBase;
  std::int64_t FFileSize = 0;  // when opened: items are checked against it
  std::vector<TOffsetAndSizeRec> FInfoBlockOffsets;
  std::vector<TSimpleDBaseItemStream64*> FItemsStreamList;
  std::mutex FLock;
  THeader FHeader;
};

// A read-only window on one item of a container.
class TSimpleDBaseItemStream64 : public TStream {
 public:
  // Item streams come only from their reader; this raises.
  TSimpleDBaseItemStream64();
  ~TSimpleDBaseItemStream64() override;

  std::int64_t Read(void* ABuffer, std::int64_t ACount) override;
  std::int64_t Write(const void* ABuffer, std::int64_t ACount) override;  // raises: read-only
  std::int64_t Seek(std::int64_t AOffset, TSeekOrigin AOrigin) override;
  std::int64_t Size() override { return FSize; }
  void SetSize(std::int64_t ANewSize) override;  // raises: read-only

 private:
  friend class TKvSimpleDBaseReader64;
  TSimpleDBaseItemStream64(TKvSimpleDBaseReader64& AOwner, const TOffsetAndSizeRec& AItem);

  TKvSimpleDBaseReader64* FOwner = nullptr;
  std::int64_t FOffset = 0;
  // 64-bit, so items of 2 GiB and more keep a positive size and stay readable.
  std::int64_t FSize = 0;
  std::int64_t FPosition = 0;
  bool FDBClosed = false;
  // Kept for the error message once the reader is gone.
  std::string FFilePath;
};

}  // namespace Quellit
