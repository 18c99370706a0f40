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

namespace {

using namespace Quellit;

void ReadSection(IOptionsReader& AReader, int ADepth) {
  AReader.IsEmptySection();
  for (const std::string& Name : AReader.ReadValueNames()) {
    AReader.ValueExists(Name);
    AReader.ReadString(Name, "");
    AReader.ReadInteger(Name, 0);
    try {
      AReader.ReadBool(Name, false);  // a text that is no Boolean raises, as the product's reader does
    } catch (const EConvertError&) {
    }
    AReader.ReadFloat(Name, 0);
  }
  // libxml2 nests elements 256 deep at most; the bound here only keeps the run short.
  if (ADepth > 300) __builtin_trap();
  for (const std::string& Name : AReader.ReadSubkeyNames()) ReadSection(*AReader.OpenSubReader(Name), ADepth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  TXMLDocument Doc = TXMLDocument::Create();
  try {
    Doc.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(AData), ASize));
  } catch (const EDOMError&) {
    return 0;
  }
  if (!Doc.DocumentElement()) return 0;
  TIntf<IOptionsReader> Reader(new TXmlOptionsReader(Doc, ""));
  ReadSection(*Reader, 0);
  return 0;
}
