// Integer text as settings files and user input write it. Shared by the platform layer (INI files)
// and the libraries, so both read "$1F", "0x1F" and "-12" alike.
#pragma once

#include <string_view>

namespace Quellit {

// Leading blanks are skipped; an optional sign; decimal digits, or hexadecimal after "$" or "0x".
// Hexadecimal text names a 32-bit pattern ("$FFFFFFFF" is -1); decimal text must fit a 32-bit int.
bool TryStrToInt(std::string_view S, int& AValue);
int StrToIntDef(std::string_view S, int ADefault);

}  // namespace Quellit
