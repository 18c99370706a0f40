// Paths as the wide file functions take them: the layer's UTF-8 in UTF-16 with native separators,
// and past the classic length limit in the "\\?\" form that lifts it.
#pragma once

#include <string>
#include <string_view>

namespace Quellit::Platform {

// APath for a file call. A path that could reach MAX_PATH (or the shorter limit of folder
// creation) is made absolute and given the "\\?\" prefix ("\\?\UNC\" for a share), so payloads
// with deep folders work; shorter paths stay as they are, relative ones included.
std::wstring WidePathOf(const std::string& APath);
// A path the system returned, as the layer's UTF-8, without the "\\?\" prefix.
std::string PathOfWide(std::wstring_view APath);
// Whether the UTF-16 name holds a lone surrogate: such a name has no UTF-8 form, so no text of
// the layer could ever name it again.
bool HasLoneSurrogate(std::wstring_view AName);

}  // namespace Quellit::Platform
