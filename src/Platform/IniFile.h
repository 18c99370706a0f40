// INI files with the platform's rules: "[section]" headers, "name=value" lines, lines starting with
// ";" are comments. Section and value names compare without regard to case (Cyrillic included);
// a value loses its surrounding blanks and one pair of enclosing quotes (double or single); the
// first matching section and name win. Files may be UTF-8 with or without a byte-order mark,
// UTF-16 with one, or Windows-1251 when their bytes are not valid UTF-8. A missing file reads as
// empty.
//
// Every operation looks at the file as it is now (it is read again when it changed on disk), and
// every change is written at once, atomically, in the file's own encoding and line breaks; a new
// file is UTF-8 without a byte-order mark, with CR LF line breaks, as the product's own tools expect.
// Lines a change does not touch are written back byte for byte, each with its own line break.
//
// What is kept in memory is bounded: a file larger than MaxIniFileBytes is not read (reads answer
// their defaults, changes are refused, as for any file that cannot be read); a file within the
// bound is held as its lines plus an index of its sections and names, so every lookup takes
// constant time and reading a whole section is linear.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Object.h"
#include "Platform/FileSnapshot.h"
#include "Platform/TextCodec.h"

namespace Quellit::Platform {

// A change the file cannot hold: a name or value that would break its lines, a character its
// code page lacks, or a file that exists but could not be read (writing would lose its contents).
class EIniFileException : public Exception {
  using Exception::Exception;
};

// Settings files are a few kilobytes; this leaves ample room and keeps a hostile one harmless.
constexpr std::uint64_t MaxIniFileBytes = std::uint64_t{1} << 20;

class TIniFile : public TObject {
 public:
  explicit TIniFile(std::string AFileName) : FFileName(std::move(AFileName)) {}

  const std::string& FileName() const { return FFileName; }

  std::string ReadString(const std::string& ASection, const std::string& AIdent, const std::string& ADefault) const;
  // Decimal, or hexadecimal with "$" or "0x"; ADefault when missing or not a 32-bit number.
  int ReadInteger(const std::string& ASection, const std::string& AIdent, int ADefault) const;
  // An integer: 0 is false, any other true.
  bool ReadBool(const std::string& ASection, const std::string& AIdent, bool ADefault) const;
  bool SectionExists(const std::string& ASection) const;
  bool ValueExists(const std::string& ASection, const std::string& AIdent) const;
  // The value names of the section, in file order.
  std::vector<std::string> ReadSection(const std::string& ASection) const;
  std::vector<std::string> ReadSections() const;
  // "name=value" for each value of the section, the value as ReadString gives it.
  std::vector<std::string> ReadSectionValues(const std::string& ASection) const;

  // Changes the value in place, keeping every other line; a missing name is added at the end of
  // its section, a missing section at the end of the file.
  void WriteString(const std::string& ASection, const std::string& AIdent, const std::string& AValue);
  void WriteInteger(const std::string& ASection, const std::string& AIdent, int AValue);
  void WriteBool(const std::string& ASection, const std::string& AIdent, bool AValue);
  void EraseSection(const std::string& ASection);
  void DeleteKey(const std::string& ASection, const std::string& AIdent);

 private:
  struct TSectionRange {
    std::size_t Header;
    std::size_t End;  // the next header, or the number of lines
  };

  void Refresh() const;
  void Parse(const std::string& ABytes) const;
  void Reindex() const;
  void Save();
  // A line added to the file, ended the way the file ends its lines.
  std::string NewLine(std::string AText) const;
  void EndLastLine();
  std::optional<TSectionRange> FindSection(const std::string& ASection, std::size_t AFrom = 0) const;
  std::optional<std::size_t> FindKey(const TSectionRange& ARange, const std::string& AIdent) const;
  std::optional<std::size_t> FindKey(const std::string& ASection, const std::string& AIdent) const;

  std::string FFileName;
  // The file as last read; parsed again when it changes on disk.
  mutable TFileSnapshot FSnapshot{MaxIniFileBytes};
  // The lines without their "\n"; a line ended by CR LF keeps its "\r".
  mutable std::vector<std::string> FLines;
  // Folded section name -> its first section; folded section and value names -> the value's line.
  mutable std::unordered_map<std::string, TSectionRange> FSectionIndex;
  mutable std::unordered_map<std::string, std::size_t> FKeyIndex;
  mutable TTextEncoding FEncoding = TTextEncoding::Utf8;
  mutable bool FHasBom = false;
  mutable std::string FLineBreak = "\r\n";
  mutable bool FFinalLineBreak = true;
};

}  // namespace Quellit::Platform
