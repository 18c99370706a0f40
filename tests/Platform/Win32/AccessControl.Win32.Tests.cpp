#include "Platform/AccessControl.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Path.h"
#include "Support/ScratchFolder.h"
#include "Platform/Win32/SystemCall.h"

#include <aclapi.h>
#include <sddl.h>

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

struct TAce {
  BYTE Type;
  BYTE Flags;
  DWORD Mask;
  std::string Sid;
};

// The file's list as the system gives it back.
std::vector<TAce> AccessListOf(const std::string& APath) {
  PACL Acl = nullptr;
  PSECURITY_DESCRIPTOR Descriptor = nullptr;
  EXPECT_EQ(::GetNamedSecurityInfoW(WideOf(APath).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &Acl, nullptr, &Descriptor),
            ERROR_SUCCESS);
  std::vector<TAce> Aces;
  for (DWORD I = 0; Acl && I < Acl->AceCount; ++I) {
    ACCESS_ALLOWED_ACE* Ace = nullptr;
    if (!::GetAce(Acl, I, reinterpret_cast<void**>(&Ace))) continue;
    LPWSTR Sid = nullptr;
    ::ConvertSidToStringSidW(&Ace->SidStart, &Sid);
    Aces.push_back({Ace->Header.AceType, Ace->Header.AceFlags, Ace->Mask, Sid ? Utf8OfWide(Sid) : ""});
    ::LocalFree(Sid);
  }
  ::LocalFree(Descriptor);
  return Aces;
}

bool IsWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

const TAce* EveryoneAce(const std::vector<TAce>& AAces) {
  for (const TAce& Ace : AAces)
    if (Ace.Sid == "S-1-1-0") return &Ace;
  return nullptr;
}

TEST(AccessControlWin32, EveryoneGetsOneAllowedEntryWithFullControl) {
  TScratchFolder Scratch;
  const std::string Paths[] = {Scratch.Write("file.txt", "x"), Scratch.Path()};
  for (const std::string& Path : Paths) {
    SCOPED_TRACE(Path);
    GrantEveryoneFullAccess(Path);
    const TAce* Everyone = EveryoneAce(AccessListOf(Path));
    ASSERT_NE(Everyone, nullptr);
    EXPECT_EQ(Everyone->Type, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(Everyone->Mask & (FILE_GENERIC_READ | FILE_GENERIC_WRITE), FILE_GENERIC_READ | FILE_GENERIC_WRITE);
  }
  if (IsWine()) GTEST_SKIP() << "Wine: access lists are re-derived from the Unix permission bits on read-back";
  // Windows keeps the list as it was set: this one entry, not inherited, with the whole mask.
  for (const std::string& Path : Paths) {
    SCOPED_TRACE(Path);
    const std::vector<TAce> Aces = AccessListOf(Path);
    ASSERT_EQ(Aces.size(), 1u);
    EXPECT_EQ(Aces[0].Sid, "S-1-1-0");
    EXPECT_EQ(Aces[0].Flags, 0);
    EXPECT_EQ(Aces[0].Mask & FILE_ALL_ACCESS, static_cast<DWORD>(FILE_ALL_ACCESS));
  }
}

// A symbolic link is refused as such: following it would change the list of whatever it points
// at, possibly outside the product.
TEST(AccessControlWin32, ALinkIsNeverFollowed) {
  TScratchFolder Scratch;
  const std::string Target = Scratch.Write("target.txt", "x");
  const std::string Link = JoinPath(Scratch.Path(), "link.txt");
  if (!::CreateSymbolicLinkW(WideOf(Link).c_str(), WideOf(Target).c_str(), 0x2 /* unprivileged create */) &&
      !::CreateSymbolicLinkW(WideOf(Link).c_str(), WideOf(Target).c_str(), 0))
    GTEST_SKIP() << "this account may not create symbolic links (error " << ::GetLastError() << ")";
  const DWORD Attributes = ::GetFileAttributesW(WideOf(Link).c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES || !(Attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "Wine: no reparse points (CreateSymbolicLinkW reports success and makes nothing)";
  const std::vector<TAce> Before = AccessListOf(Target);
  try {
    GrantEveryoneFullAccess(Link);
    ADD_FAILURE() << "no error for a link";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), ERROR_CANT_RESOLVE_FILENAME) << E.Message();
  }
  const std::vector<TAce> After = AccessListOf(Target);
  ASSERT_EQ(After.size(), Before.size());
  for (std::size_t I = 0; I < After.size(); ++I) {
    EXPECT_EQ(After[I].Sid, Before[I].Sid);
    EXPECT_EQ(After[I].Mask, Before[I].Mask);
  }
}

TEST(AccessControlWin32, AMissingFileIsTheSystemsFileNotFound) {
  TScratchFolder Scratch;
  try {
    GrantEveryoneFullAccess(JoinPath(Scratch.Path(), "нет.txt"));
    FAIL() << "no error";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(E.Message().find("нет.txt"), std::string::npos) << E.Message();
  }
}

}  // namespace
}  // namespace Quellit::Platform
