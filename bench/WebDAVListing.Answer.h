// The multistatus answer the listing benchmarks read, as the server writes it: the folder, then
// folders, documents of every kind and other files with Cyrillic, percent-encoded names. It is
// made piece by piece, so a run can hand it over the way the network does, never whole.
#pragma once

#include <string>

#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

namespace Quellit::Bench {

inline const std::string kListedFolder = "http://127.0.0.1:8080/dav/%D0%A1%D0%BC%D0%B5%D1%82%D1%8B";

// Calls AConsume with the answer of AEntries children in pieces of about 64 KiB.
template <class F>
void MakeAnswer(int AEntries, F&& AConsume) {
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
    if (Text.size() >= 64 * 1024) {
      AConsume(Text);
      Text.clear();
    }
  }
  AConsume(Text + "</D:multistatus>");
}

// Made twice, so the text is allocated once at its size, as a received answer would be.
inline std::string WholeAnswer(int AEntries) {
  std::size_t Size = 0;
  MakeAnswer(AEntries, [&Size](const std::string& APiece) { Size += APiece.size(); });
  std::string Result;
  Result.reserve(Size);
  MakeAnswer(AEntries, [&Result](const std::string& APiece) { Result += APiece; });
  return Result;
}

}  // namespace Quellit::Bench
