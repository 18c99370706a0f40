// Version information of executable files: the four-part version and the texts of the version
// resource. Reading never raises: a missing or unreadable file, or one without a usable version
// resource, gives empty texts and zero numbers.
#pragma once

#include <cstdint>
#include <string>

#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

struct TDigitalFileVersionInfo {
  std::int32_t Major = 0;
  std::int32_t Minor = 0;
  std::int32_t Release = 0;
  std::int32_t Build = 0;

  static TDigitalFileVersionInfo Create(std::int32_t AMajor, std::int32_t AMinor, std::int32_t ARelease,
                                        std::int32_t ABuild);
  static TDigitalFileVersionInfo CreateFromFile(const std::string& AFilename);
  void ReadFromFile(const std::string& Filename);

  std::string ShortVerAsString() const;  // "8.1.2"
  std::string FullVerAsString() const;   // "8.1.2.3"
  // Major and Minor in a byte each, then Release in 16 bits; Build is left out.
  std::uint32_t AsCardinal() const;

  // The difference of the first differing field (A minus B), 0 when all are equal.
  static std::int32_t Compare(const TDigitalFileVersionInfo& A, const TDigitalFileVersionInfo& B);

  friend bool operator==(const TDigitalFileVersionInfo& A, const TDigitalFileVersionInfo& B) {
    return Compare(A, B) == 0;
  }
  friend bool operator<(const TDigitalFileVersionInfo& A, const TDigitalFileVersionInfo& B) {
    return Compare(A, B) < 0;
  }
  friend bool operator<=(const TDigitalFileVersionInfo& A, const TDigitalFileVersionInfo& B) {
    return Compare(A, B) <= 0;
  }
  friend bool operator>(const TDigitalFileVersionInfo& A, const TDigitalFileVersionInfo& B) {
    return Compare(A, B) > 0;
  }
  friend bool operator>=(const TDigitalFileVersionInfo& A, const TDigitalFileVersionInfo& B) {
    return Compare(A, B) >= 0;
  }
};

struct TFileVersionInfo {
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyRight;
  std::string LegalTradeMark;
  std::string OriginalFileName;
  std::string ProductName;
  std::string ProductVersion;
  TDigitalFileVersionInfo DigitalFileVersion;
  std::string Comments;
  TDateTime ModifiedDate = 0;
  std::int32_t FileSize = 0;     // low 32 bits of the size
  std::string LanguageInfo;      // the string-table key the texts were read under ("041904E3")
  std::int32_t CRC = 0;          // nothing computes it

  // Texts missing from a present resource read "n/a"; a file without one leaves every field
  // empty, its size and date included.
  void ReadFromFile(const std::string& FileName);
};

}  // namespace Quellit
