// The one place product modules obtain options readers and writers; it always hands out the XML
// implementation. Callers pass the options file's full name.
#pragma once

#include <string>

#include "Lib/Common/Common.OptionsStorage.h"

namespace Quellit {

class TOptionsStorageFactory : public TObject {
 public:
  // A reader on the file's root; a missing file reads as an empty root section. EInvalidXMLFile
  // when the file is not valid XML.
  static TIntf<IOptionsReader> CreateReader(const std::string& XmlFileName);
  // A writer on the file's root. With ARewriteMode every section and value the file held is
  // dropped (the root's name and the declaration stay); nothing reaches the disk before Save.
  static TIntf<IOptionsWriter> CreateWriter(const std::string& XmlFileName, bool ARewriteMode);
};

}  // namespace Quellit
