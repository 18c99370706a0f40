// Loads the input as an options file and reads every section and value the way the options
// storage's users do. Damaged input may only raise the XML layer's errors, and a Boolean read of a
// text that is none the conversion error.
//
// Seeds (fuzz/corpus/OptionsReader): connections and settings files in Windows-1251, UTF-8 and
// UTF-16, nested sections, every value kind.
#include <cstdint>
#include <string>

#include "Lib/Common/Common.OptionsStorage.XML.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "OptionsSections.h"

using namespace Quellit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  TXMLDocument Doc = TXMLDocument::Create();
  try {
    Doc.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(AData), ASize));
  } catch (const EDOMError&) {
    return 0;
  }
  if (!Doc.DocumentElement()) return 0;
  TIntf<IOptionsReader> Reader(new TXmlOptionsReader(Doc, ""));
  QuellitFuzz::ReadSection(*Reader);
  return 0;
}
