// Listing a WebDAV folder of 10,000 and 20,000 entries: the multistatus answer held in memory is
// parsed and turned into storage entries, as LoadChildItems does after its request. The time must
// grow linearly with the entry count (20,000 at most 2.5 times 10,000).
#include <benchmark/benchmark.h>

#include <string>

#include "Lib/Common/Common.Net.WebDAV.h"
#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

namespace {

using namespace Quellit;

using TStorage = TWebDAVReadOnlyVeskaStorage;

// An answer as the server writes it: the folder, then folders, documents of every kind and other
// files with Cyrillic, percent-encoded names.
std::string Answer(int AEntries) {
  std::string Text = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><D:multistatus xmlns:D=\"DAV:\" xmlns:ns1=\"") +
                     VeskaNamespace + "\">";
  auto Response = [&Text](const std::string& AHref, const std::string& AProps) {
    Text += "<D:response><D:href>" + AHref + "</D:href><D:propstat><D:prop>" + AProps +
            "<D:getlastmodified>Tue, 05 Mar 2024 14:07:09 GMT</D:getlastmodified>"
            "<D:getcontentlength>1234</D:getcontentlength></D:prop><D:status>HTTP/1.1 200 OK</D:status>"
            "</D:propstat></D:response>";
  };
  Response("/dav/%d0%a1%d0%bc%d0%b5%d1%82%d1%8b/", "<D:resourcetype><D:collection/></D:resourcetype>");
  for (int I = 0; I < AEntries; ++I) {
    const std::string Name = "/dav/%d0%a1%d0%bc%d0%b5%d1%82%d1%8b/%d0%a1%d0%bc%d0%b5%d1%82%d0%b0%20" + std::to_string(I);
    if (I % 10 == 0)
      Response(Name + "/", "<D:resourcetype><D:collection/></D:resourcetype>");
    else if (I % 3 == 0)
      Response(Name + ".pdf", "<D:resourcetype/>");
    else
      Response(Name + ".kvs", "<D:resourcetype/><ns1:VeskaDocType>" + std::to_string(I % 12) + "</ns1:VeskaDocType>");
  }
  return Text + "</D:multistatus>";
}

void BM_ParseListing(benchmark::State& AState) {
  const std::string Text = Answer(static_cast<int>(AState.range(0)));
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Connection(Create<TWebDAVConnection>());
  Connection->SetAddress("http://127.0.0.1:8080/dav/%D0%A1%D0%BC%D0%B5%D1%82%D1%8B");
  std::unique_ptr<TStorage, TFreeDeleter> Storage(Create<TStorage>(*Connection));
  auto& Root = dynamic_cast<TStorage::TFolder&>(*Storage->Root());
  for (auto _ : AState) {
    TStringStream Stream(Text);
    TPropFind Listing(LoadXMLStream(Stream).DocumentElement());
    TVeskaStorageEntries Entries = Root.ChildItemsOf(Listing);
    if (Entries.size() != static_cast<std::size_t>(AState.range(0))) AState.SkipWithError("entries lost");
    benchmark::DoNotOptimize(Entries);
  }
  AState.SetItemsProcessed(AState.iterations() * AState.range(0));
}
BENCHMARK(BM_ParseListing)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
