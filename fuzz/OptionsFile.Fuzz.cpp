// Loads the input as an options file from disk, through the load every user of the storage goes
// through (the size bound, the encoding the file declares, the parser), and reads every section
// and value. Then a writer loads the same file, adds a value and a section and saves: the save
// either writes a file that loads again and holds what was written, or raises the XML layer's
// error and leaves the file byte for byte as it was.
//
// The file lives in a private folder made once per run in the temporary folder
// (scripts/run-fuzzers.sh points TMPDIR at memory, so the writes cost no disk flushes).
//
// Seeds (fuzz/corpus/OptionsFile): connections and settings files in Windows-1251, UTF-8 and
// UTF-16, nested sections, every value kind.
#include <cstdint>
#include <string>
#include <vector>

#include "Lib/Common/Common.OptionsStorage.XML.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "OptionsSections.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Platform/TemporaryFolder.h"

using namespace Quellit;

namespace {

// A value no encoding a file may declare holds whole (Cyrillic and Chinese), without blanks, which a
// declared attribute type could normalize.
const char* const AddedText = "Привет中文";

struct TScratch {
  std::string Folder = Platform::CreatePrivateTemporaryFolder("quellit-options-fuzz-");
  std::string File = Platform::CombinePath(Folder, "Connections.xml");
  ~TScratch() { Platform::RemoveFolderTree(Folder); }
};

const TScratch& Scratch() {
  static const TScratch Instance;
  return Instance;
}

void WriteInput(const std::string& APath, const std::uint8_t* AData, std::size_t ASize) {
  Platform::TFileHandle File(APath, Platform::TFileAccess::Write, Platform::TFileDisposition::CreateAlways);
  File.Write(AData, static_cast<std::int64_t>(ASize));
}

void ReadFile(const std::string& APath) {
  try {
    TIntf<IOptionsReader> Reader(new TXmlOptionsReader(APath));
    QuellitFuzz::ReadSection(*Reader);
  } catch (const EInvalidXMLFile&) {
  }
}

// The writer's round trip: what Save wrote loads again with the values written.
void SaveAndReadBack(const std::string& APath, const std::vector<std::uint8_t>& AInput) {
  TIntf<IOptionsWriter> Writer(new TXmlOptionsWriter(APath));
  Writer->WriteString("Fuzz", AddedText, "");
  Writer->OpenSubWriter("FuzzAdded")->WriteInteger("N", 7, 0);
  try {
    Writer->Save();
  } catch (const EDOMError&) {
    if (Platform::ReadAllBytes(APath) != AInput) __builtin_trap();
    return;
  }
  TIntf<IOptionsReader> Reader(new TXmlOptionsReader(APath));  // raises, and so fails, when unreadable
  if (Reader->ReadString("Fuzz", "") != AddedText) __builtin_trap();
  if (Reader->OpenSubReader("FuzzAdded")->ReadInteger("N", 0) != 7) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string& Path = Scratch().File;
  WriteInput(Path, AData, ASize);
  ReadFile(Path);
  SaveAndReadBack(Path, std::vector<std::uint8_t>(AData, AData + ASize));
  return 0;
}
