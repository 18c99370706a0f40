#include "Platform/AccessControl.h"

#include <aclapi.h>

#include <memory>

#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

// The room the list is built in: one entry for a one-part SID takes far less.
constexpr DWORD AclBufferBytes = 1000;
// Maximum allowed, system security, all standard and all specific rights: full control, as the
// product's own installer grants it.
constexpr DWORD EveryoneAccessMask = 0x031FFFFF;

struct TSidFree {
  void operator()(PSID ASid) const noexcept { ::FreeSid(ASid); }
};
using TScopedSid = std::unique_ptr<void, TSidFree>;

[[noreturn]] void RaiseLastError(const std::string& APath) { RaiseOSError(static_cast<int>(::GetLastError()), APath); }

TScopedSid EveryoneSid(const std::string& APath) {
  SID_IDENTIFIER_AUTHORITY World = SECURITY_WORLD_SID_AUTHORITY;
  PSID Sid = nullptr;
  if (!::AllocateAndInitializeSid(&World, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &Sid)) RaiseLastError(APath);
  return TScopedSid(Sid);
}

// The file itself, opened to change its list: a reparse point (a symbolic link, a junction) is
// opened as itself, so the list of whatever it points at, possibly outside the product, is never
// changed. Folders open only with backup semantics.
TScopedKernelHandle OpenForNewAccessList(const std::string& APath) {
  TScopedKernelHandle File(::CreateFileW(WidePathOf(APath).c_str(), WRITE_DAC | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!File.IsValid()) RaiseLastError(APath);
  BY_HANDLE_FILE_INFORMATION Information{};
  if (!::GetFileInformationByHandle(File.Get(), &Information)) RaiseLastError(APath);
  if (Information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) RaiseOSError(ERROR_CANT_RESOLVE_FILENAME, APath);
  return File;
}

}  // namespace

// The list becomes exactly one entry, Everyone with full control, set as the list itself (not
// merged with the folder's inheritable entries); owner, group and audit settings stay.
void GrantEveryoneFullAccess(const std::string& APath) {
  TScopedKernelHandle File = OpenForNewAccessList(APath);
  alignas(DWORD) BYTE AclBuffer[AclBufferBytes];
  PACL Acl = reinterpret_cast<PACL>(AclBuffer);
  if (!::InitializeAcl(Acl, AclBufferBytes, ACL_REVISION)) RaiseLastError(APath);
  TScopedSid Everyone = EveryoneSid(APath);
  if (!::AddAccessAllowedAce(Acl, ACL_REVISION, EveryoneAccessMask, Everyone.get())) RaiseLastError(APath);
  SECURITY_DESCRIPTOR Descriptor{};
  if (!::InitializeSecurityDescriptor(&Descriptor, SECURITY_DESCRIPTOR_REVISION)) RaiseLastError(APath);
  if (!::SetSecurityDescriptorDacl(&Descriptor, TRUE, Acl, FALSE)) RaiseLastError(APath);
  if (!::SetKernelObjectSecurity(File.Get(), DACL_SECURITY_INFORMATION, &Descriptor)) RaiseLastError(APath);
}

}  // namespace Quellit::Platform
