#include "Platform/TemporaryFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "Platform/KnownFolders.h"
#include "Platform/NativeName.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

std::string CreatePrivateTemporaryFolder(const std::string& APrefix) {
  std::string Pattern = TempFolderPath() + APrefix + "XXXXXX";
  std::vector<char> Name(Pattern.begin(), Pattern.end());
  Name.push_back('\0');
  // mkdtemp makes the folder with mode 0700 whatever the umask, under a fresh random name.
  if (::mkdtemp(Name.data()) == nullptr) RaiseOSError(errno, Pattern);
  return std::string(Name.data());
}

bool IsPrivateFolder(const std::string& APath) {
  struct stat Info {};
  return ::lstat(NativePath(APath).c_str(), &Info) == 0 && S_ISDIR(Info.st_mode) && Info.st_uid == ::geteuid() &&
         (Info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

}  // namespace Quellit::Platform
