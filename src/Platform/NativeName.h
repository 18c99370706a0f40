// File and folder names as the file system holds them. Names in memory are UTF-8 text; on disk a
// name is whatever bytes its creator chose, and names that are not valid UTF-8 come from archives
// and copies made on the product's own platform, in its code page, Windows-1251. The rule:
//
// - From the system: a path component that is valid UTF-8 is taken as it is; any other component is
//   decoded from Windows-1251 (every byte has a character there, 0x98 included, so nothing is lost)
//   and remembered as read that way.
// - To the system: a component that is ASCII, or not valid UTF-8 (already the system's bytes), is
//   passed as it is. Otherwise, in its folder, its UTF-8 bytes are used when they exist; else its
//   Windows-1251 bytes when they exist; a component that exists in neither form (a name about to be
//   created) is written in Windows-1251 when it was read that way in this run, else in UTF-8. The
//   Windows-1251 form is tried only when every character has one and the bytes are not themselves
//   valid UTF-8 (those would read back as another name).
//
// So a folder read in Windows-1251 is found again by the same bytes and its copy elsewhere gets
// the same bytes. Every system call of the layer that takes a path converts it with NativePath;
// every name or path the system returns goes through PathFromNative.
//
// On Windows names are UTF-16 and the paths are the text itself: NativePath changes nothing and
// the backend converts to UTF-16 at each call; bytes that are not UTF-8 reaching PathFromNative
// (from the narrow side only) are read as Windows-1251. A name on disk that is not valid UTF-16
// (a lone surrogate) has no text: listings leave it out rather than give a name that names
// nothing. Names the system's classic path form would read as others (a trailing dot or blank,
// device names such as "NUL") are passed in its literal form, so they name their own files.
#pragma once

#include <string>
#include <string_view>

namespace Quellit::Platform {

// The bytes to hand the system for APath.
std::string NativePath(const std::string& APath);
// The text of a path or a single name as the system returned it.
std::string PathFromNative(std::string_view ANative);
// The text a name would be read as, without remembering it (for comparing before accepting it).
std::string NameTextOf(std::string_view ANative);
// Told by the layer after it renamed or removed APath: what it knew of the folders at and below
// APath no longer holds. Nothing to do on Windows.
void ForgetNativeFolders(const std::string& APath);

}  // namespace Quellit::Platform
