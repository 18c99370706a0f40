// The special folders by their classic numbers, and the temporary folder.
//
// POSIX stand-ins: documents $XDG_DOCUMENTS_DIR or ~/Documents; per-user application data
// $XDG_CONFIG_HOME or ~/.config; common application data $QUELLIT_COMMON_APPDATA or /var/lib;
// desktop the per-user registry value "Desktop" under Explorer\Shell Folders, else
// $XDG_DESKTOP_DIR, else XDG_DESKTOP_DIR of $XDG_CONFIG_HOME/user-dirs.dirs (~/.config), else
// ~/Desktop; fonts /usr/share/wine/fonts, where Debian's fonts-wine keeps faces under their Windows
// names. Windows: the shell's folders (SHGetFolderPathW), the desktop the "Shell Folders" value
// first; the temporary folder GetTempPathW. Folders are found, never created.
#pragma once

#include <string>

namespace Quellit::Platform {

inline constexpr int CSIDL_DESKTOP = 0;
inline constexpr int CSIDL_PERSONAL = 5;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 16;
inline constexpr int CSIDL_FONTS = 20;
inline constexpr int CSIDL_APPDATA = 26;
inline constexpr int CSIDL_COMMON_APPDATA = 35;

// The folder without a trailing separator; an unknown number raises EOSError (an invalid
// argument).
std::string SpecialFolderPath(int ACsidl);
// $TMPDIR or /tmp, with a trailing separator.
std::string TempFolderPath();

}  // namespace Quellit::Platform
