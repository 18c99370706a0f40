// Shortcuts on the user's desktop. POSIX stands in a freedesktop Desktop Entry
// "<LinkName>.desktop" for the shell link, recording its name, target and working folder.
#pragma once

#include <string>

namespace Quellit::Platform {

// The file a shortcut named ALinkName is written to: the desktop folder + ALinkName + the
// platform's extension (".desktop" here). A name too long for one file name with the extension
// (255 bytes here) is cut at a character boundary.
std::string DesktopShortcutPath(const std::string& ALinkName);

// Writes (or overwrites) the shortcut file AFileName pointing at ATarget, started in
// AWorkingFolder. The file is written through a temporary file and one rename; failures raise
// EOSError naming the path.
void WriteDesktopShortcut(const std::string& AFileName, const std::string& ALinkName, const std::string& ATarget,
                          const std::string& AWorkingFolder);

}  // namespace Quellit::Platform
