// Reads the input as an INI file through every reading operation, then changes one value. The
// change must read back, every other section must read as before, and a change that the file
// cannot hold must be refused with the INI error, leaving the file's bytes as they were.
//
// Seeds (fuzz/corpus/IniFile): settings files in UTF-8 with and without a byte-order mark,
// UTF-16LE, Windows-1251, with LF and CR LF line ends, quoted values, duplicate sections and names.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "Platform/Guid.h"
#include "Platform/IniFile.h"

namespace {

using namespace Quellit::Platform;

// A folder of its own, removed when the run ends. Memory-backed where there is such a folder:
// every change is flushed to disk, and a flush there costs nothing.
struct TWorkFolder {
  TWorkFolder() {
    const std::filesystem::path Base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    Path = Base / ("quellit-ini-fuzz-" + NewGuid().ToString().substr(1, 36));
    std::filesystem::create_directories(Path);
  }
  ~TWorkFolder() {
    std::error_code Ignored;
    std::filesystem::remove_all(Path, Ignored);
  }
  std::filesystem::path Path;
};

const std::string& FilePath() {
  static const TWorkFolder Folder;
  static const std::string Path = (Folder.Path / "fuzz.ini").string();
  return Path;
}

void WriteFile(const std::string& ABytes) {
  std::ofstream Out(FilePath(), std::ios::binary | std::ios::trunc);
  Out.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
}

std::string ReadFile() {
  std::ifstream In(FilePath(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

// Each section as ReadSectionValues gives it, and every value read by its name.
std::map<std::string, std::vector<std::string>> ReadAll(const TIniFile& AIni) {
  std::map<std::string, std::vector<std::string>> Result;
  for (const std::string& Section : AIni.ReadSections()) {
    std::vector<std::string>& Lines = Result[FoldCase(Section)];
    Lines = AIni.ReadSectionValues(Section);
    for (const std::string& Name : AIni.ReadSection(Section)) {
      AIni.ValueExists(Section, Name);
      AIni.ReadInteger(Section, Name, 0);
    }
  }
  return Result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string Bytes(reinterpret_cast<const char*>(AData), ASize);
  WriteFile(Bytes);
  TIniFile Ini(FilePath());
  auto Before = ReadAll(Ini);
  const std::string Value = "новое значение";
  try {
    Ini.WriteString("Fuzz", "Key", Value);
  } catch (const EIniFileException&) {
    if (ReadFile() != Bytes) __builtin_trap();
    return 0;
  }
  TIniFile Again(FilePath());
  if (Again.ReadString("Fuzz", "Key", "") != Value) __builtin_trap();
  auto After = ReadAll(Again);
  Before.erase("FUZZ");
  After.erase("FUZZ");
  if (Before != After) __builtin_trap();
  return 0;
}
