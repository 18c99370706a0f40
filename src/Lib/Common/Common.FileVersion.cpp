#include "Lib/Common/Common.FileVersion.h"

#include <algorithm>
#include <limits>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.PEVersionResource.h"
#include "Platform/File.h"

namespace Quellit {

namespace {

const char* const DefaultLanguageKey = "040904E4";  // U.S. English, Windows Latin-1
const char* const NotAvailable = "n/a";

TPEVersionResource ReadVersionResource(const std::string& AFileName) {
  if (!Platform::FileExists(AFileName)) return {};
  try {
    TPEFileSource Source(AFileName);
    return TPEVersionResource::FromSource(Source);
  } catch (const EOSError&) {
    // A file we may not read has no version information we could report; the platform's
    // version API answers the same way.
    return {};
  }
}

TDigitalFileVersionInfo DigitalVersion(const TVSFixedFileInfo& AInfo) {
  return TDigitalFileVersionInfo::Create(AInfo.FileVersionMS >> 16, AInfo.FileVersionMS & 0xFFFF,
                                         AInfo.FileVersionLS >> 16, AInfo.FileVersionLS & 0xFFFF);
}

// The first translation's language and code page, or the default key without a table.
std::string LanguageKey(const TPEVersionResource& AResource) {
  auto Translation = AResource.QueryValue("\\VarFileInfo\\Translation");
  if (!Translation || Translation->size() < 4) return DefaultLanguageKey;
  const auto& T = *Translation;
  return Format("%.4x%.4x", T[0] | (T[1] << 8), T[2] | (T[3] << 8));
}

std::string LookUpText(const TPEVersionResource& AResource, const std::string& AKey, const char* AName) {
  if (auto Text = AResource.QueryString("\\StringFileInfo\\" + AKey + "\\" + AName)) return *Text;
  if (AKey != DefaultLanguageKey)
    if (auto Text = AResource.QueryString(std::string("\\StringFileInfo\\") + DefaultLanguageKey + "\\" + AName))
      return *Text;
  return NotAvailable;
}

TDateTime LocalDateTime(const Platform::TFileTime& ATime) {
  // Whole milliseconds, the precision of the platform's date-time conversion.
  return UnixTimeToLocalDateTime(ATime.Seconds) + (ATime.Nanoseconds / 1000000) / 86400000.0;
}

}  // namespace

// ---- TDigitalFileVersionInfo -------------------------------------------------------------------

TDigitalFileVersionInfo TDigitalFileVersionInfo::Create(std::int32_t AMajor, std::int32_t AMinor,
                                                        std::int32_t ARelease, std::int32_t ABuild) {
  return {AMajor, AMinor, ARelease, ABuild};
}

TDigitalFileVersionInfo TDigitalFileVersionInfo::CreateFromFile(const std::string& AFilename) {
  TDigitalFileVersionInfo Result;
  Result.ReadFromFile(AFilename);
  return Result;
}

void TDigitalFileVersionInfo::ReadFromFile(const std::string& Filename) {
  const TPEVersionResource Resource = ReadVersionResource(Filename);
  *this = Resource.IsValid() ? DigitalVersion(*Resource.FixedFileInfo()) : TDigitalFileVersionInfo{};
}

std::string TDigitalFileVersionInfo::ShortVerAsString() const { return Format("%d.%d.%d", Major, Minor, Release); }

std::string TDigitalFileVersionInfo::FullVerAsString() const {
  return Format("%d.%d.%d.%d", Major, Minor, Release, Build);
}

std::uint32_t TDigitalFileVersionInfo::AsCardinal() const {
  return ((static_cast<std::uint32_t>(Major) & 255) << 24) + ((static_cast<std::uint32_t>(Minor) & 255) << 16) +
         (static_cast<std::uint32_t>(Release) & 65535);
}

std::int32_t TDigitalFileVersionInfo::Compare(const TDigitalFileVersionInfo& A, const TDigitalFileVersionInfo& B) {
  const std::int32_t Left[] = {A.Major, A.Minor, A.Release, A.Build};
  const std::int32_t Right[] = {B.Major, B.Minor, B.Release, B.Build};
  for (std::size_t I = 0; I < 4; ++I) {
    if (Left[I] == Right[I]) continue;
    // A plain 32-bit difference of extreme values would overflow and flip the order.
    const std::int64_t Difference = std::int64_t{Left[I]} - Right[I];
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(Difference, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
  }
  return 0;
}

// ---- TFileVersionInfo --------------------------------------------------------------------------

void TFileVersionInfo::ReadFromFile(const std::string& FileName) {
  *this = TFileVersionInfo{};
  const auto Info = Platform::GetFileInfo(FileName);
  if (!Info || Info->IsDirectory) return;
  const TPEVersionResource Resource = ReadVersionResource(FileName);
  if (!Resource.IsValid()) return;

  LanguageInfo = LanguageKey(Resource);
  DigitalFileVersion = DigitalVersion(*Resource.FixedFileInfo());
  CompanyName = LookUpText(Resource, LanguageInfo, "CompanyName");
  FileDescription = LookUpText(Resource, LanguageInfo, "FileDescription");
  InternalName = LookUpText(Resource, LanguageInfo, "InternalName");
  LegalCopyRight = LookUpText(Resource, LanguageInfo, "LegalCopyright");
  LegalTradeMark = LookUpText(Resource, LanguageInfo, "LegalTrademark");
  OriginalFileName = LookUpText(Resource, LanguageInfo, "OriginalFilename");
  ProductName = LookUpText(Resource, LanguageInfo, "ProductName");
  ProductVersion = LookUpText(Resource, LanguageInfo, "ProductVersion");
  Comments = LookUpText(Resource, LanguageInfo, "Comments");
  FileVersion = DigitalFileVersion.FullVerAsString();

  FileSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(Info->Size));
  ModifiedDate = LocalDateTime(Info->LastWriteTime);
}

}  // namespace Quellit
