// Parses the input as the answer to a PROPFIND request, as the WebDAV listing does, and reads
// every entry. A damaged answer may only raise the XML layer's errors (a response without its
// href is one), the conversion error of an href with a broken "%XX" escape or of a date field out
// of range, and the standard exception of the date reader for a modification date holding "P"
// (durations are refused rather than read).
//
// Seeds (fuzz/corpus/PropFindAnswer): multistatus answers of folders with documents, files and
// sub-folders, other namespace prefixes, percent-encoded and Cyrillic names, foreign hosts.
#include <cstdint>
#include <string>

#include "Lib/Common/Common.Net.WebDAV.h"
#include "Lib/Common/Common.Streams.h"

using namespace Quellit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  TStringStream Answer(std::string_view(reinterpret_cast<const char*>(AData), ASize));
  try {
    TXMLDocument Document = LoadXMLStream(Answer);
    const TPropFind PropFind(Document.DocumentElement());
    for (const auto& Entry : PropFind.Entries()) {
      Entry->ChangeDate();
      Entry->ContentSize();
      Entry->EntryName();
      Entry->IsContainer();
      Entry->Status();
    }
  } catch (const EDOMError&) {
  } catch (const EInvalidXMLData&) {
  } catch (const EConvertError&) {
  } catch (const Exception& E) {
    if (E.ClassName() != "Exception") throw;
  }
  return 0;
}
