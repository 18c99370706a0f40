#include "Platform/DesktopShortcut.h"

#include "Platform/File.h"
#include "Platform/KnownFolders.h"
#include "Platform/NativeName.h"

namespace Quellit::Platform {

namespace {

// Desktop Entry values are one line each; a line break or backslash must be escaped or the entry
// would gain keys the name never had.
std::string EscapeValue(const std::string& AValue) {
  std::string Result;
  for (char C : AValue) {
    switch (C) {
      case '\\': Result += "\\\\"; break;
      case '\n': Result += "\\n"; break;
      case '\r': Result += "\\r"; break;
      case '\t': Result += "\\t"; break;
      default: Result += C;
    }
  }
  return Result;
}

// A file: URL of the bytes on disk, every byte outside the unreserved set and "/" percent-encoded,
// so a target named in Windows-1251 is opened by its own bytes.
std::string FileUrl(const std::string& APath) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string Result = "file://";
  for (unsigned char C : NativePath(APath)) {
    bool Plain = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '/' ||
                 C == '-' || C == '_' || C == '.' || C == '~';
    if (Plain) {
      Result += static_cast<char>(C);
    } else {
      Result += '%';
      Result += Hex[C >> 4];
      Result += Hex[C & 0x0F];
    }
  }
  return Result;
}

const std::string Extension = ".desktop";
// NAME_MAX of the Linux file systems, in bytes.
constexpr std::size_t MaxFileNameBytes = 255;

// At most AMax bytes, never ending inside a UTF-8 sequence.
std::string CutAtCharacter(const std::string& AText, std::size_t AMax) {
  if (AText.size() <= AMax) return AText;
  std::size_t End = AMax;
  while (End > 0 && (static_cast<unsigned char>(AText[End]) & 0xC0) == 0x80) --End;
  return AText.substr(0, End);
}

}  // namespace

std::string DesktopShortcutPath(const std::string& ALinkName) {
  return SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + "/" +
         CutAtCharacter(ALinkName, MaxFileNameBytes - Extension.size()) + Extension;
}

void WriteDesktopShortcut(const std::string& AFileName, const std::string& ALinkName, const std::string& ATarget,
                          const std::string& AWorkingFolder) {
  std::string Text = "[Desktop Entry]\n"
                     "Type=Link\n"
                     "Name=" + EscapeValue(ALinkName) + "\n"
                     "URL=" + EscapeValue(FileUrl(ATarget)) + "\n"
                     "Path=" + EscapeValue(AWorkingFolder) + "\n";
  WriteAllBytesAtomic(AFileName, Text.data(), Text.size());
}

}  // namespace Quellit::Platform
