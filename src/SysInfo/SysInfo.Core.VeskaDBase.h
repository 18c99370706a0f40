// The normative bases of the installed product: reading a base's descriptor from its container
// file and describing the base in the diagnostic report.
#pragma once

#include <string>
#include <string_view>

#include "Lib/NBData/NBData.Region.Types.h"

namespace Quellit {

// Reads the item "Info" of the container at APath. A container without it fails with the
// stream's read error, as an empty descriptor would.
void ReadBaseDescriptor(const std::string& APath, TNB_InfoStruct& AInfo);

// Descriptor texts are 8-bit Windows-1251: the text as it reads through the system's ANSI code
// page decoded as Windows-1251, so that their Cyrillic survives a system with another code page.
std::string Fix1251Text(std::string_view AText);

// The indented block the diagnostic report shows for one base; lines end with CR LF. Errors of
// reading reach the caller, which decides whether one unreadable base stops a listing.
std::string DescribeBase(const std::string& APath);

}  // namespace Quellit
