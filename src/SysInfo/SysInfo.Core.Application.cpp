#include "SysInfo/SysInfo.Core.Application.h"

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"
#include "Platform/NamedMutex.h"
#include "Platform/Path.h"
#include "Platform/Process.h"
#include "SysInfo/SysInfo.Core.CommonUtils.h"

namespace Quellit {
namespace {

const std::string UninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

}  // namespace

const TCustomApplicationInformation& TCustomApplicationInformation::Instance() {
  static const TCustomApplicationInformation Information;
  return Information;
}

void TCustomApplicationInformation::NotImplemented(const char* AOperation) const {
  throw ECustomApplication(Format("%s exception. %s() not implemented.", ClassName(), AOperation));
}

std::string TCustomApplicationInformation::RegistryKey() const { NotImplemented("RegistryKey"); }

std::string TCustomApplicationInformation::ApplicationDisplayName() const {
  NotImplemented("ApplicationDisplayName");
}

std::string TCustomApplicationInformation::ApplicationExeName() const { NotImplemented("ApplicationExeName"); }

std::string TCustomApplicationInformation::ApplicationPath() const {
  return Platform::IncludeTrailingPathDelimiter(InstallFolder()) + ApplicationExeName();
}

std::string TCustomApplicationInformation::DBaseFolder() const { NotImplemented("DBaseFolder"); }

std::string TCustomApplicationInformation::InstallFolder() const {
  if (IsPortableMode()) return Platform::ExecutableFolder();
  const std::string Key = UninstallKey + RegistryKey();
  // A missing entry gives the root folder; IsApplicationInstalled then finds no executable.
  std::string Location = ApplicationPlatform64() ? ReadMachineString64(Key, "InstallLocation")
                                                 : ReadMachineString(Key, "InstallLocation");
  return Platform::IncludeTrailingPathDelimiter(Location);
}

bool TCustomApplicationInformation::IsApplicationInstalled() const {
  if (!IsApplicationPresent()) return false;
  // An executable name with a folder part would put it outside InstallFolder.
  if (!AnsiSameText(Platform::ExtractFilePath(ApplicationPath()), InstallFolder())) return false;
  return ApplicationVersion().Major == MajorVersionDigit();
}

bool TCustomApplicationInformation::IsApplicationRuning() const {
  // The probe takes the mutex only when nobody holds it, and lets it go at once. When the mutex
  // cannot be reached at all the error travels on: "not running" would be a guess, and callers
  // act on it by touching the client's files.
  Platform::TNamedMutex Probe(MutexName());
  return Probe.AlreadyExists();
}

std::string TCustomApplicationInformation::MutexName() const { NotImplemented("MutexName"); }

std::string TCustomApplicationInformation::PortableRelativePath() const { NotImplemented("PortableRelativePath"); }

int TCustomApplicationInformation::MajorVersionDigit() const { NotImplemented("MajorVersionDigit"); }

bool TCustomApplicationInformation::ApplicationPlatform64() const { return false; }

TDigitalFileVersionInfo TCustomApplicationInformation::ApplicationVersion() const {
  return TDigitalFileVersionInfo::CreateFromFile(ApplicationPath());
}

std::uint32_t TCustomApplicationInformation::ApplicationVersionInt() const { return ApplicationVersion().AsCardinal(); }

bool TCustomApplicationInformation::IsApplicationPresent() const { return Platform::FileExists(ApplicationPath()); }

}  // namespace Quellit
