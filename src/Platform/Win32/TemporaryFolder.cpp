// A private folder is one whose access list, protected from inheritance, lets in only its owner
// (and the system itself, which no folder can keep out).
#include "Platform/TemporaryFolder.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "Lib/Common/Common.Format.h"
#include "Platform/KnownFolders.h"
#include "Platform/SystemError.h"
#include "Platform/Win32/FileStatus.h"
#include "Platform/Random.h"
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

struct TLocalFree {
  void operator()(void* AMemory) const { ::LocalFree(AMemory); }
};
template <typename T>
using TLocalMemory = std::unique_ptr<T, TLocalFree>;

// The user this process runs as, from its token.
std::vector<std::uint8_t> CurrentUserToken() {
  HANDLE Token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &Token)) RaiseOSError(static_cast<int>(::GetLastError()));
  const TScopedKernelHandle Owned(Token);
  DWORD Size = 0;
  ::GetTokenInformation(Token, TokenUser, nullptr, 0, &Size);
  std::vector<std::uint8_t> Buffer(Size);
  if (!::GetTokenInformation(Token, TokenUser, Buffer.data(), Size, &Size)) RaiseOSError(static_cast<int>(::GetLastError()));
  return Buffer;
}

PSID UserOf(std::vector<std::uint8_t>& AToken) { return reinterpret_cast<TOKEN_USER*>(AToken.data())->User.Sid; }

std::wstring SidText(PSID ASid) {
  wchar_t* Text = nullptr;
  if (!::ConvertSidToStringSidW(ASid, &Text)) RaiseOSError(static_cast<int>(::GetLastError()));
  const TLocalMemory<wchar_t> Owned(Text);
  return Text;
}

// Full control for the user and the system, inherited by everything inside; nothing inherited
// from the shared temporary folder above.
TLocalMemory<void> PrivateDescriptor() {
  std::vector<std::uint8_t> Token = CurrentUserToken();
  const std::wstring Sddl = L"D:P(A;OICI;FA;;;" + SidText(UserOf(Token)) + L")(A;OICI;FA;;;SY)";
  PSECURITY_DESCRIPTOR Descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(Sddl.c_str(), SDDL_REVISION_1, &Descriptor, nullptr))
    RaiseOSError(static_cast<int>(::GetLastError()));
  return TLocalMemory<void>(Descriptor);
}

std::string RandomName() {
  static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uint8_t Bytes[6];
  FillRandom(Bytes, sizeof Bytes);
  std::string Name;
  for (std::uint8_t Byte : Bytes) Name += Letters[Byte % (sizeof Letters - 1)];
  return Name;
}

bool IsWellKnown(PSID ASid, WELL_KNOWN_SID_TYPE AType) { return ::IsWellKnownSid(ASid, AType); }

// Whether every entry that grants anything grants it to the owner or the system.
bool GrantsOnlyTo(PACL AAcl, PSID AOwner) {
  if (!AAcl) return false;  // a null list lets everybody in
  for (DWORD Index = 0; Index < AAcl->AceCount; ++Index) {
    void* Entry = nullptr;
    if (!::GetAce(AAcl, Index, &Entry)) return false;
    const auto* Header = static_cast<ACE_HEADER*>(Entry);
    if (Header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    if (Header->AceType != ACCESS_ALLOWED_ACE_TYPE) return false;
    PSID Trustee = &static_cast<ACCESS_ALLOWED_ACE*>(Entry)->SidStart;
    if (!::EqualSid(Trustee, AOwner) && !IsWellKnown(Trustee, WinLocalSystemSid)) return false;
  }
  return true;
}

}  // namespace

std::string CreatePrivateTemporaryFolder(const std::string& APrefix) {
  const TLocalMemory<void> Descriptor = PrivateDescriptor();
  SECURITY_ATTRIBUTES Security{sizeof(SECURITY_ATTRIBUTES), Descriptor.get(), FALSE};
  const std::string Base = TempFolderPath() + APrefix;
  // A name someone planted first is never taken over: another random name is tried.
  for (int Attempt = 0;; ++Attempt) {
    const std::string Path = Base + RandomName();
    if (::CreateDirectoryW(WidePathOf(Path).c_str(), &Security)) return Path;
    const DWORD Error = ::GetLastError();
    if (Error != ERROR_ALREADY_EXISTS || Attempt == 99) RaiseOSError(static_cast<int>(Error), Path);
  }
}

bool IsPrivateFolder(const std::string& APath) {
  const std::optional<TFileStatus> Own = OwnStatusOf(APath);
  if (!Own || !(Own->Attributes & FILE_ATTRIBUTE_DIRECTORY) || (Own->Attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  PSID Owner = nullptr;
  PACL Acl = nullptr;
  PSECURITY_DESCRIPTOR Descriptor = nullptr;
  std::wstring Wide = WidePathOf(APath);
  if (::GetNamedSecurityInfoW(Wide.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &Owner,
                              nullptr, &Acl, nullptr, &Descriptor) != ERROR_SUCCESS)
    return false;
  const TLocalMemory<void> Owned(Descriptor);
  std::vector<std::uint8_t> Token = CurrentUserToken();
  return Owner && ::EqualSid(Owner, UserOf(Token)) && GrantsOnlyTo(Acl, Owner);
}

}  // namespace Quellit::Platform
