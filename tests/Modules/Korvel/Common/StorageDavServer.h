// The network tests' Apache WebDAV server with the storage tests' way of building trees on it.
#pragma once

#include <string>

#include "Lib/Common/DavServer.h"

#include "Lib/Common/Common.Net.WinInet.h"
#include "Lib/Common/Common.Net.h"
#include "Lib/Common/Common.Streams.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

namespace Quellit::Testing {

// Percent-encodes each segment of a relative path, as a server's hrefs are written.
inline std::string EncodedPath(const std::string& APath) {
  std::string Result, Segment;
  for (char C : APath + "/") {
    if (C != '/') {
      Segment += C;
      continue;
    }
    Result += UrlEncode(Segment) + "/";
    Segment.clear();
  }
  Result.pop_back();
  return Result;
}

// Builds a tree on the server through WebDAV itself, so the server owns what it serves.
class TDavTree {
 public:
  explicit TDavTree(std::string ARoot) : FRoot(std::move(ARoot)) { Folder(""); }

  // Without a trailing "/", also for folders.
  std::string Url(const std::string& APath = "") const {
    return TDavServer::Instance().Url(EncodedPath(APath.empty() ? FRoot : FRoot + "/" + APath));
  }
  void Folder(const std::string& APath) const { Send("MKCOL", Url(APath) + "/", ""); }
  void File(const std::string& APath, const std::string& AContent) const { Send("PUT", Url(APath), AContent); }
  void Remove(const std::string& APath) const { Send("DELETE", Url(APath), ""); }
  // A product document: a file with the document-kind property.
  void Document(const std::string& APath, const std::string& AKind, const std::string& AContent) const {
    File(APath, AContent);
    Kind(APath, AKind);
  }
  // Sets the document-kind property on any resource, folders too.
  void Kind(const std::string& APath, const std::string& AKind) const {
    Send("PROPPATCH", Url(APath),
         std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><D:propertyupdate xmlns:D=\"DAV:\" xmlns:V=\"") +
             VeskaNamespace + "\"><D:set><D:prop><V:VeskaDocType>" + AKind +
             "</V:VeskaDocType></D:prop></D:set></D:propertyupdate>");
  }

 private:
  // A folder that is there already (405) is what MKCOL wants: test programs sharing one server
  // build the same trees.
  static void Send(const std::string& AVerb, const std::string& AUrl, const std::string& ABody) {
    TWinInetWebClient Client;
    TStringStream Body(ABody);
    if (AVerb == "PROPPATCH") Client.Headers()["Content-Type"] = "application/xml";
    Client.ShouldCheckStatusCode = false;
    Client.SendRequest(AUrl, AVerb, ABody.empty() && AVerb != "PUT" ? nullptr : &Body, nullptr);
    const std::int32_t Code = Client.ResponseStatusCode();
    if (Code >= 400 && !(AVerb == "MKCOL" && Code == 405))
      throw EHttpStatusException(Code, Client.ResponseStatusText(), Client.RequestHeaders(), "");
  }

  std::string FRoot;
};

}  // namespace Quellit::Testing
