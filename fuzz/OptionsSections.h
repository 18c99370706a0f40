// Reading every section and value of an options document the way the storage's users do, for the
// options fuzz targets.
#pragma once

#include <string>

#include "Lib/Common/Common.OptionsStorage.h"

namespace QuellitFuzz {

inline void ReadSection(Quellit::IOptionsReader& AReader, int ADepth = 0) {
  AReader.IsEmptySection();
  for (const std::string& Name : AReader.ReadValueNames()) {
    AReader.ValueExists(Name);
    AReader.ReadString(Name, "");
    AReader.ReadInteger(Name, 0);
    try {
      AReader.ReadBool(Name, false);  // a text that is no Boolean raises, as the product's reader does
    } catch (const Quellit::EConvertError&) {
    }
    AReader.ReadFloat(Name, 0);
  }
  // libxml2 nests elements 256 deep at most; the bound here only keeps the run short.
  if (ADepth > 300) __builtin_trap();
  for (const std::string& Name : AReader.ReadSubkeyNames()) ReadSection(*AReader.OpenSubReader(Name), ADepth + 1);
}

}  // namespace QuellitFuzz
