// Opens the input as a container file and uses everything the directory offers: every name,
// item data, work data and item streams, and the lookup straight from the file. Damaged input
// may only raise the reader's or the stream's errors, never read outside the file.
#include <cstdint>
#include <fstream>
#include <string>

#include "Lib/Common/Common.KvSimpleDBase64.h"
#include "Platform/File.h"
#include "Platform/Guid.h"
#include "Platform/KnownFolders.h"

namespace {

using namespace Quellit;

// The reader takes a path: each input goes through one temporary file, removed when the run ends.
struct TInputFile {
  std::string Path =
      Platform::TempFolderPath() + "quellit-fuzz-" + Platform::NewGuid().ToString().substr(1, 36) + ".sdb";
  ~TInputFile() { Platform::DeleteFile(Path); }
};

const std::string& InputPath() {
  static const TInputFile File;
  return File.Path;
}

// A guard against reads past the item: the copy must never grow beyond the item's size.
void CheckItem(TKvSimpleDBaseReader64& AReader, std::uint32_t AIndex) {
  TMemoryStream Data;
  try {
    AReader.GetItemData(AIndex, Data);
    if (Data.Size() != AReader.GetItemDataSize(AIndex)) __builtin_trap();
  } catch (const EReadError&) {
  }
  auto Stream = AReader.CreateItemStream(AIndex);
  char Buffer[64];
  std::int64_t Total = 0;
  for (std::int64_t Got; (Got = Stream->Read(Buffer, sizeof Buffer)) > 0;) Total += Got;
  if (Total > Stream->Size()) __builtin_trap();
  TMemoryStream Work;
  AReader.GetItemWorkData(AIndex, Work);
}

void UseDirectory(const std::string& APath) {
  TKvSimpleDBaseReader64 Reader(APath, true);
  for (std::uint32_t I = 0; I < Reader.RecordCount(); ++I) {
    std::string Name = Reader.GetItemName(I);
    std::uint32_t Found = Reader.GetIndexFromName(Name, false);
    if (Found != TKvSimpleDBaseReader64::NotFound && Reader.GetItemName(Found) != Name) __builtin_trap();
    CheckItem(Reader, I);
  }
  Reader.GetIndexFromName("Info", false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string& Path = InputPath();
  {
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(AData), static_cast<std::streamsize>(ASize));
  }
  try {
    UseDirectory(Path);
  } catch (const EKvSimpleDBase64&) {
  } catch (const EReadError&) {
  }
  TMemoryStream Data;
  try {
    TKvSimpleDBaseReader64::FastGetItemData(Path, "Info", Data);
  } catch (const EKvSimpleDBase64&) {
  }
  if (Data.Size() > static_cast<std::int64_t>(ASize)) __builtin_trap();
  return 0;
}
