// The sibling is made with CREATE_NEW, which fails on any name that exists, a link's included, and
// put in place by a write-through MoveFileExW.
#include "Platform/ReplacementFile.h"

#include "Lib/Common/Common.Format.h"
#include "Lib/Text/Text.Engine.h"
#include "Platform/FileOperations.h"
#include "Platform/Path.h"
#include "Platform/SystemError.h"
#include "Platform/Win32/FileStatus.h"
#include "Platform/Random.h"
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

// The name's longest start that fits AUnits UTF-16 code units, cut between characters.
std::string CutToUtf16Units(const std::string& AName, std::size_t AUnits) {
  std::size_t Pos = 0, Units = 0, Kept = 0;
  while (Pos < AName.size()) {
    const char32_t CodePoint = Text::NextCodePoint(AName, Pos);
    Units += CodePoint != Text::InvalidCodePoint && CodePoint > 0xFFFF ? 2 : 1;
    if (Units > AUnits) break;
    Kept = Pos;
  }
  return AName.substr(0, Kept);
}

// Every attribute of the replaced file but read-only: the new file must still be written.
DWORD KeptAttributesOf(const std::string& ATarget) {
  const std::optional<TFileStatus> Existing = OwnStatusOf(ATarget);
  if (!Existing || (Existing->Attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) return 0;
  return Existing->Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
}

void SetAttributesOfHandle(const TFileHandle& AFile, DWORD AAdd, DWORD ARemove) {
  FILE_BASIC_INFO Info {};
  if (!::GetFileInformationByHandleEx(HandleOf(AFile), FileBasicInfo, &Info, sizeof Info))
    RaiseOSError(static_cast<int>(::GetLastError()), AFile.Path());
  // Zero leaves a field as it is; FILE_ATTRIBUTE_NORMAL stands for "none".
  DWORD Attributes = ((Info.FileAttributes | AAdd) & ~ARemove) & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL);
  Info.FileAttributes = Attributes == 0 ? FILE_ATTRIBUTE_NORMAL : Attributes;
  if (!::SetFileInformationByHandle(HandleOf(AFile), FileBasicInfo, &Info, sizeof Info))
    RaiseOSError(static_cast<int>(::GetLastError()), AFile.Path());
}

void RemoveSibling(const std::string& APath) {
  const std::wstring Wide = WidePathOf(APath);
  ::SetFileAttributesW(Wide.c_str(), FILE_ATTRIBUTE_NORMAL);  // one made read-only goes all the same
  ::DeleteFileW(Wide.c_str());
}

}  // namespace

// NTFS counts a name's 255 characters in UTF-16 code units.
std::string SiblingPathOf(const std::string& ATarget) {
  constexpr std::size_t MaxNameUnits = 255;
  std::uint64_t Random = 0;
  FillRandom(reinterpret_cast<std::uint8_t*>(&Random), sizeof Random);
  const std::string Suffix = Format(".%u-%x.tmp", static_cast<unsigned>(::GetCurrentProcessId()), Random);
  const std::string Folder = ExtractFilePath(ATarget);
  return Folder + CutToUtf16Units(ATarget.substr(Folder.size()), MaxNameUnits - Suffix.size()) + Suffix;
}

TOSResult RenameIntoPlace(const std::string& ASibling, const std::string& ATarget, bool AReplace) {
  return AReplace ? RenameFile(ASibling, ATarget) : RenameNoReplace(ASibling, ATarget);
}

TReplacementFile::TReplacementFile(std::string ATarget)
    : FTarget(std::move(ATarget)),
      FTemporary(SiblingPathOf(FTarget)),
      FHandle(FTemporary, TFileAccess::Write, TFileDisposition::CreateNew) {
  try {
    if (const DWORD Kept = KeptAttributesOf(FTarget); Kept != 0) SetAttributesOfHandle(FHandle, Kept, 0);
  } catch (...) {
    Discard();
    throw;
  }
}

// The handle goes first: the sibling cannot be deleted while this object still has it open.
TReplacementFile::~TReplacementFile() {
  if (FDone) return;
  FHandle = TFileHandle();
  RemoveSibling(FTemporary);
}

void TReplacementFile::SetReadOnly() { SetAttributesOfHandle(FHandle, FILE_ATTRIBUTE_READONLY, 0); }

void TReplacementFile::Commit(bool AOverwrite) {
  FHandle.Flush();
  FHandle.Close();
  RenameIntoPlace(FTemporary, FTarget, AOverwrite).RaiseOnFailure(FTarget);
  FDone = true;
}

void TReplacementFile::Discard() {
  if (FDone) return;
  FHandle = TFileHandle();
  RemoveSibling(FTemporary);
  FDone = true;
}

}  // namespace Quellit::Platform
