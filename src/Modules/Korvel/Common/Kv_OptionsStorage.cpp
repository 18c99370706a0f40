#include "Modules/Korvel/Common/Kv_OptionsStorage.h"

#include "Lib/Common/Common.OptionsStorage.XML.h"

namespace Quellit {

TIntf<IOptionsReader> TOptionsStorageFactory::CreateReader(const std::string& XmlFileName) {
  return TIntf<IOptionsReader>(new TXmlOptionsReader(XmlFileName));
}

TIntf<IOptionsWriter> TOptionsStorageFactory::CreateWriter(const std::string& XmlFileName, bool ARewriteMode) {
  TIntf<IOptionsWriter> Writer(new TXmlOptionsWriter(XmlFileName));
  if (ARewriteMode) Writer->Clear();
  return Writer;
}

}  // namespace Quellit
