#include "Platform/DesktopShortcut.h"

#include "Platform/KnownFolders.h"
#include "Platform/Path.h"
#include "Platform/ReplacementFile.h"
#include "Platform/Win32/ComCall.h"
#include "Platform/Win32/WidePath.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace Quellit::Platform {
namespace {

const std::string Extension = ".lnk";
// A file name's limit on Windows, in UTF-16 code units.
constexpr std::size_t MaxFileNameUnits = 255;
// The shell keeps a description of at most INFOTIPSIZE characters, terminator included.
constexpr std::size_t MaxDescriptionUnits = INFOTIPSIZE - 1;

// At most AMax UTF-16 units, never between the two halves of a surrogate pair.
std::wstring CutAtCharacter(std::wstring AText, std::size_t AMax) {
  if (AText.size() <= AMax) return AText;
  std::size_t End = AMax;
  if (End > 0 && AText[End] >= 0xDC00 && AText[End] <= 0xDFFF) --End;
  AText.resize(End);
  return AText;
}

// A shell link, its fields set; the link object and its interfaces live as long as this.
class TShellLink {
 public:
  explicit TShellLink(const std::string& AFileName) : FFileName(AFileName) {
    RaiseOnFailure(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, FLink.ReceiveVoid()),
        FFileName);
    RaiseOnFailure(FLink->QueryInterface(IID_IPersistFile, FFile.ReceiveVoid()), FFileName);
  }

  void Set(const std::string& ALinkName, const std::string& ATarget, const std::string& AWorkingFolder) {
    RaiseOnFailure(FLink->SetPath(WideOf(ATarget).c_str()), FFileName);
    RaiseOnFailure(FLink->SetWorkingDirectory(WideOf(AWorkingFolder).c_str()), FFileName);
    RaiseOnFailure(FLink->SetDescription(CutAtCharacter(WideOf(ALinkName), MaxDescriptionUnits).c_str()), FFileName);
  }

  // Saved under APath without making it the object's current file.
  void Save(const std::string& APath) { RaiseOnFailure(FFile->Save(WideOf(APath).c_str(), FALSE), APath); }

 private:
  std::string FFileName;
  TComPtr<IShellLinkW> FLink;
  TComPtr<IPersistFile> FFile;
};

}  // namespace

std::string DesktopShortcutPath(const std::string& ALinkName) {
  const std::wstring Name = CutAtCharacter(WideOf(ALinkName), MaxFileNameUnits - Extension.size());
  return CombinePath(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), Utf8OfWide(Name) + Extension);
}

// The link is saved beside its place and renamed over it, so an existing shortcut of that name is
// replaced whole or stays as it was.
void WriteDesktopShortcut(const std::string& AFileName, const std::string& ALinkName, const std::string& ATarget,
                          const std::string& AWorkingFolder) {
  TComScope Com;
  TShellLink Link(AFileName);
  Link.Set(ALinkName, ATarget, AWorkingFolder);
  const std::string Temporary = SiblingPathOf(AFileName);
  try {
    Link.Save(Temporary);
    RenameIntoPlace(Temporary, AFileName, true).RaiseOnFailure(AFileName);
  } catch (...) {
    ::DeleteFileW(WidePathOf(Temporary).c_str());
    throw;
  }
}

}  // namespace Quellit::Platform
