// One listing of N entries per process, for its peak memory (bench/webdav-listing-peak.sh runs it
// under /usr/bin/time -v):
//   WebDAVListingPeak N stream    the answer handed over in 64 KiB pieces, as the network does
//   WebDAVListingPeak N memory    the whole answer held in memory first, then parsed
//   WebDAVListingPeak N entries   streamed, and the storage entries made from the listing
// It prints the entry count, the skipped count and the answer's size.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Lib/Common/Common.Net.WebDAV.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "WebDAVListing.Answer.h"

using namespace Quellit;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s ENTRIES stream|memory|entries\n", argv[0]);
    return 2;
  }
  const int Count = std::atoi(argv[1]);
  const std::string Mode = argv[2];
  std::size_t Bytes = 0;
  TSharedPtr<TPropFind> Listing;
  if (Mode == "memory") {
    const std::string Text = Bench::WholeAnswer(Count);
    Bytes = Text.size();
    Listing = ParsePropFindAnswer(Text, Bench::kListedFolder);
  } else {
    TPropFindAnswerParser Parser(Bench::kListedFolder);
    Bench::MakeAnswer(Count, [&](const std::string& APiece) {
      Bytes += APiece.size();
      Parser.Feed(APiece);
    });
    Listing = Parser.Finish();
  }
  std::size_t Children = 0;
  if (Mode == "entries") {
    std::unique_ptr<TWebDAVConnection, TFreeDeleter> Connection(Create<TWebDAVConnection>());
    Connection->SetAddress(Bench::kListedFolder);
    std::unique_ptr<TWebDAVReadOnlyVeskaStorage, TFreeDeleter> Storage(Create<TWebDAVReadOnlyVeskaStorage>(*Connection));
    auto& Root = dynamic_cast<TWebDAVReadOnlyVeskaStorage::TFolder&>(*Storage->Root());
    Children = Root.ChildItemsOf(*Listing).size();
  }
  std::printf("entries %d, skipped %d, answer %zu bytes, storage entries %zu\n", Listing->EntryCount(),
              Listing->SkippedEntryCount(), Bytes, Children);
  return 0;
}
