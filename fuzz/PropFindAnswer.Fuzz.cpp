// Parses the input as the answer to a PROPFIND request with the streaming parser the listing uses,
// twice: in one piece, and fed in small pieces of changing sizes, as an answer arrives from the
// network. Both reads must agree: the same entries with the same fields, or both refused. A
// damaged answer may only raise the XML layer's errors (a response without its href is one), the
// parser's bounds, the conversion error of a date field out of range and the standard exception of
// the date reader for a modification date holding "P" (durations are refused rather than read); a
// bad href leaves its entry out.
//
// Seeds (fuzz/corpus/PropFindAnswer): multistatus answers of folders with documents, files and
// sub-folders, other namespace prefixes, percent-encoded and Cyrillic names, foreign hosts.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "Lib/Common/Common.Net.WebDAV.h"

using namespace Quellit;

namespace {

// The folder the seeds list, so the scope check keeps some entries and leaves others out.
const char* const FolderUrl = "http://dav.example/dav/";

TSharedPtr<TPropFind> ParseInPieces(std::string_view AAnswer) {
  // Sizes that split names, character references and multi-byte characters at every offset.
  static const std::size_t Sizes[] = {1, 2, 3, 5, 7, 11, 64};
  TPropFindAnswerParser Parser(FolderUrl);
  for (std::size_t I = 0; !AAnswer.empty(); ++I) {
    const std::string_view Piece = AAnswer.substr(0, Sizes[I % std::size(Sizes)]);
    AAnswer.remove_prefix(Piece.size());
    Parser.Feed(Piece);
  }
  return Parser.Finish();
}

// The parse, or null when the answer is refused the way a damaged answer may be.
TSharedPtr<TPropFind> Parsed(std::string_view AAnswer, bool AInPieces) {
  try {
    return AInPieces ? ParseInPieces(AAnswer) : ParsePropFindAnswer(AAnswer, FolderUrl);
  } catch (const EDOMError&) {
  } catch (const EInvalidXMLData&) {
  } catch (const EConvertError&) {
  } catch (const Exception& E) {
    if (E.ClassName() != "Exception") throw;
  }
  return TSharedPtr<TPropFind>();
}

bool SameEntry(const TPropFindEntry& A, const TPropFindEntry& B) {
  const TDateTime DateA = A.ChangeDate(), DateB = B.ChangeDate();
  return A.Url() == B.Url() && A.Status() == B.Status() && A.EntryName() == B.EntryName() &&
         A.IsContainer() == B.IsContainer() && A.ContentSize() == B.ContentSize() &&
         std::memcmp(&DateA, &DateB, sizeof DateA) == 0 &&
         A.PropertyText("http://korvel.ru/ns/veska", "VeskaDocType") ==
             B.PropertyText("http://korvel.ru/ns/veska", "VeskaDocType");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string_view Answer(reinterpret_cast<const char*>(AData), ASize);
  const TSharedPtr<TPropFind> Whole = Parsed(Answer, false);
  const TSharedPtr<TPropFind> Pieces = Parsed(Answer, true);
  if (!Whole != !Pieces) __builtin_trap();
  if (!Whole) return 0;
  if (Whole->EntryCount() != Pieces->EntryCount() || Whole->SkippedEntryCount() != Pieces->SkippedEntryCount())
    __builtin_trap();
  for (int I = 0; I < Whole->EntryCount(); ++I)
    if (!SameEntry(*Whole->Entries()[I], *Pieces->Entries()[I])) __builtin_trap();
  return 0;
}
