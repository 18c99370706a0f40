#include "Lib/Common/Common.Net.WebDAV.h"

#include <charconv>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Net.WinInet.h"
#include "Lib/Common/Common.Net.h"
#include "Lib/Common/Common.StringUtils.h"
#include "Lib/Common/Common.SystemUtils.h"

namespace Quellit {

namespace {

// The answer's memory stream, refusing to grow past kMaxPropFindAnswer, so a hostile or broken
// server cannot make the client allocate without bound.
class TPropFindAnswerStream : public TMemoryStream {
 public:
  std::int64_t Write(const void* ABuffer, std::int64_t ACount) override {
    if (Position() + ACount > kMaxPropFindAnswer)
      throw EInvalidXMLData(Format("The PROPFIND answer is larger than %d bytes", kMaxPropFindAnswer));
    return TMemoryStream::Write(ABuffer, ACount);
  }
};

std::string SelectText(const TXMLNode& AResponse, const char* AXPath, bool& AFound) {
  TXMLNode Node = SelectNode(AResponse, AXPath, kDAVNamespaces);
  AFound = !Node.IsNull();
  return AFound ? Node.Text() : std::string();
}

std::int64_t Int64Def(const std::string& AText, std::int64_t ADefault) {
  std::string Text = Trim(AText);
  std::int64_t Value = 0;
  auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return (Error == std::errc() && End == Text.data() + Text.size() && !Text.empty()) ? Value : ADefault;
}

}  // namespace

TPropFindEntry::TPropFindEntry(const TXMLNode& AResponseXML) : FXML(AResponseXML) {
  FUrl = SelectRequiredNode(FXML, "d:href", kDAVNamespaces).Text();
  bool Found = false;
  std::string Modified = SelectText(FXML, "d:propstat/d:prop/d:getlastmodified", Found);
  if (Found) FChangeDate = ParseISODateTimeDef(Modified, 0);
  std::string Length = SelectText(FXML, "d:propstat/d:prop/d:getcontentlength", Found);
  if (Found) FContentSize = Int64Def(Length, 0);
  std::string Status = SelectText(FXML, "d:propstat/d:status", Found);
  if (Found) FStatus = Status;
  FIsContainer = !SelectNode(FXML, "d:propstat/d:prop/d:resourcetype/d:collection", kDAVNamespaces).IsNull();
  FEntryName = UrlDecode(ExtractUrlFileName(TStringUtils::DropLastChar(FUrl, U'/')));
}

TPropFind::TPropFind(const TXMLNode& AResponse) : FXML(AResponse) {
  for (const TXMLNode& Response : SelectNodes(FXML, "//d:response", kDAVNamespaces))
    FEntries.push_back(std::make_unique<TPropFindEntry>(Response));
}

TSharedPtr<TPropFind> ExecutePropFind(const std::string& AUrl) {
  TWinInetWebClient Client;
  return ExecutePropFind(Client, AUrl);
}

TSharedPtr<TPropFind> ExecutePropFind(TWinInetWebClient& AClient, const std::string& AUrl) {
  // Without it the server assumes infinity: refused by most, and a whole tree from the others.
  AClient.Headers()["Depth"] = "1";
  // A listing is a multistatus answer; a 200 page or a redirect that was not followed is none.
  AClient.RequiredStatusCode = 207;
  TPropFindAnswerStream Answer;
  AClient.SendRequest(AUrl, "PROPFIND", nullptr, &Answer);
  Answer.SetPosition(0);
  TXMLDocument Document = LoadXMLStream(Answer);
  return TSharedPtr<TPropFind>(new TPropFind(Document.DocumentElement()));
}

}  // namespace Quellit
