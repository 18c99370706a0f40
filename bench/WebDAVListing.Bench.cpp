// Reading a WebDAV folder's PROPFIND answer held in memory, as ExecutePropFind reads it after its
// request (no server): the parse alone, and the parse with the storage entries made from it, as
// LoadChildItems does. The time must grow linearly with the entry count. Peak memory is measured
// by bench/webdav-listing-peak.sh with WebDAVListingPeak, one listing per process.
#include <benchmark/benchmark.h>

#include <string>

#include "Lib/Common/Common.Net.WebDAV.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "WebDAVListing.Answer.h"

namespace {

using namespace Quellit;

using TStorage = TWebDAVReadOnlyVeskaStorage;

void BM_ParseAnswer(benchmark::State& AState) {
  const int Count = static_cast<int>(AState.range(0));
  const std::string Text = Bench::WholeAnswer(Count);
  for (auto _ : AState) {
    TSharedPtr<TPropFind> Listing = ParsePropFindAnswer(Text, Bench::kListedFolder);
    if (Listing->EntryCount() != Count + 1) AState.SkipWithError("entries lost");
    benchmark::DoNotOptimize(Listing);
  }
  AState.SetItemsProcessed(AState.iterations() * Count);
  AState.SetBytesProcessed(AState.iterations() * static_cast<std::int64_t>(Text.size()));
}
BENCHMARK(BM_ParseAnswer)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ParseListing(benchmark::State& AState) {
  const int Count = static_cast<int>(AState.range(0));
  const std::string Text = Bench::WholeAnswer(Count);
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Connection(Create<TWebDAVConnection>());
  Connection->SetAddress(Bench::kListedFolder);
  std::unique_ptr<TStorage, TFreeDeleter> Storage(Create<TStorage>(*Connection));
  auto& Root = dynamic_cast<TStorage::TFolder&>(*Storage->Root());
  for (auto _ : AState) {
    TSharedPtr<TPropFind> Listing = ParsePropFindAnswer(Text, Bench::kListedFolder);
    TVeskaStorageEntries Entries = Root.ChildItemsOf(*Listing);
    if (Entries.size() != static_cast<std::size_t>(Count)) AState.SkipWithError("entries lost");
    benchmark::DoNotOptimize(Entries);
  }
  AState.SetItemsProcessed(AState.iterations() * Count);
}
BENCHMARK(BM_ParseListing)->Arg(10000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
