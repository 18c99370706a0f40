// System utilities shared by the libraries: fresh GUID texts, the platform's special and temporary
// folders, file searches into a string list, and the reader of ISO 8601 date-times.
#pragma once

#include <string>
#include <string_view>

#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

class TStringList;

// A new GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with braces, else the 32 hexadecimal
// digits alone. A failing generator raises EAPICallError with the system's text.
std::string CreateGUIDString(bool AWithBraces = true);

// The temporary folder with a trailing path delimiter.
std::string GetTempFolder();
// A special folder by its CSIDL number, without a trailing path delimiter; never created.
std::string GetSpecialFolder(int ACsidl);
std::string GetPersonalFolder();       // the user's documents (5)
std::string GetAppDataFolder();        // the user's application data (26)
std::string GetCommonAppDataFolder();  // application data common to all users (35)

// A new list of the full paths of the files in AFolder whose names match AMask, in the folder
// listing's order, subfolders included (where they stand in that order) when ARecursive is set.
// The caller owns the list.
TStringList* FindFilesToList(const std::string& AFolder, const std::string& AMask, bool ARecursive);

// Reads "YYYY-MM-DDTHH:MM:SS" with any separators, an optional fraction and an optional zone
// ("Z" or "+HH:MM"); the fraction and the zone are checked but not applied, so the result is the
// clock time as written. Malformed text answers false; a duration ("P...") raises Exception;
// fields out of range raise EConvertError.
bool TryParseISODateTime(std::string_view S, TDateTime& AValue);
TDateTime ParseISODateTimeDef(std::string_view S, TDateTime ADefault);

}  // namespace Quellit
