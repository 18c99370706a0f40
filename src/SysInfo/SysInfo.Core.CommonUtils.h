// Small system helpers of the product information: a folder write probe, byte sizes as Russian
// text, the machine-wide registry in both views, the portable switch and XML attribute text.
#pragma once

#include <cstdint>
#include <string>

namespace Quellit {

class TXMLElement;

// Whether a file can be created in AFolder. The probe file never stays behind, and no error of
// the probe escapes: an unusable folder answers false.
bool CheckFolderWritePrivilege(const std::string& AFolder);

// "1023 байт", "1 Кбайт", ... "5 Гбайт"; each step divides by 1024 rounding toward zero, and
// terabytes are the last unit however large the count.
std::string FormatByteSize(std::int64_t ASize);

// A string value under HKEY_LOCAL_MACHINE, or "" when the key or the value is missing. The plain
// form reads the view of the product's own (32-bit) programs, the 64 form the 64-bit view.
std::string ReadMachineString(const std::string& AKey, const std::string& AName);
std::string ReadMachineString64(const std::string& AKey, const std::string& AName);

// The program was started with "-portable" or "/portable", in any letter case.
bool IsPortableMode();

// The attribute's text with every line break as CR LF; "" when the element lacks the attribute.
std::string ReadAttributeText(const TXMLElement& AElement, const std::string& AName);

}  // namespace Quellit
