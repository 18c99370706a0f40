// Opening a file as the desktop does on a double click: with the application the user's desktop
// associates with its type, through the desktop's own opener.
#pragma once

#include <string>

namespace Quellit::Platform {

// When set, names the opener command used instead of the desktop's (a program on PATH or a path), so
// tests and headless machines can record what would be opened instead of starting a program.
inline constexpr const char* OpenerVariable = "QUELLIT_OPENER";

// Starts the opener on APath and returns without waiting for it or the application it starts.
// The opener runs detached from this process (its own session, standard streams on the null device),
// so nothing is left to reap. Raises EOSError naming the opener when it cannot be started.
void OpenWithDefaultApplication(const std::string& APath);

}  // namespace Quellit::Platform
