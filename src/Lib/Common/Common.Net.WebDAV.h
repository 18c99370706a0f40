// Listing a WebDAV folder: one PROPFIND request for the folder and its direct children, and the
// parsed answer. The answer is read in one streaming pass while it arrives, never held whole or
// as a tree; each entry keeps its fields and the texts of its properties outside "DAV:", so
// callers can read properties of their own.
//
// What a server answers is not trusted. The answer is bounded (kMaxPropFindAnswer bytes,
// kMaxPropFindEntries entries kept); one bad entry (an href that does not decode or lies outside
// the listed folder, a text over kMaxPropFindText) is left out and counted, not fatal; an answer
// that is not a multistatus document is a parse error. Errors name the listed folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Classes.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Common/Common.XMLUtils.h"

namespace Quellit {

// The namespace declaration the product's selections in an answer use: d is "DAV:".
inline constexpr const char* kDAVNamespaces = "xmlns:d=\"DAV:\"";

// A larger answer is refused (EInvalidXMLData), and its transfer stopped.
inline constexpr std::int64_t kMaxPropFindAnswer = 64 * 1024 * 1024;
// An answer listing more entries than this (bad ones not counted) is refused (EInvalidXMLData):
// entries are kept in memory, a few hundred bytes each.
inline constexpr int kMaxPropFindEntries = 200000;
// An entry whose href, status, date, length or one of its own property texts is longer is bad.
inline constexpr std::size_t kMaxPropFindText = 64 * 1024;

class TPropFindAnswerParser;

namespace Detail {
struct TPropFindNamespaces;  // the namespaces of an answer's own properties, numbered
}

class TPropFindEntry : public TObject {
 public:
  TDateTime ChangeDate() const { return FChangeDate; }
  // As the server wrote it: usually a server-relative, percent-encoded path.
  const std::string& Url() const { return FUrl; }
  std::int64_t ContentSize() const { return FContentSize; }
  const std::string& Status() const { return FStatus; }
  // The last segment of Url, decoded. It is the server's text: it may hold "..", "/" or control
  // characters, so it is not a safe local file name as it stands.
  const std::string& EntryName() const { return FEntryName; }
  bool IsContainer() const { return FIsContainer; }

  // The text of the property ALocalName in the namespace ANamespaceURI (any namespace but
  // "DAV:", whose properties are read into the fields above) from the first property group that
  // holds it, as the element's text reads; empty when none does. AFound, when given, tells which.
  std::string PropertyText(std::string_view ANamespaceURI, std::string_view ALocalName, bool* AFound = nullptr) const;

 private:
  friend class TPropFindAnswerParser;
  TPropFindEntry() = default;

  TDateTime FChangeDate = 0;
  std::string FUrl;
  std::int64_t FContentSize = 0;
  std::string FStatus;
  std::string FEntryName;
  bool FIsContainer = false;
  // Own properties in document order, each "<namespace index>:<local name>\0<text>\0": one
  // allocation per entry, and no more than the answer's own bytes for them.
  std::string FProperties;
  const Detail::TPropFindNamespaces* FNamespaces = nullptr;  // the answer's, which outlives its entries
};

class TPropFind : public TObject {
 public:
  // An answer already loaded as a document; AResponse is its document element (the multistatus
  // element). It is written out and read as the answer's bytes would be, with no folder given.
  explicit TPropFind(const TXMLNode& AResponse);

  const std::vector<std::unique_ptr<TPropFindEntry>>& Entries() const { return FEntries; }
  int EntryCount() const { return static_cast<int>(FEntries.size()); }
  // Responses left out as bad: an href that does not decode or lies outside the folder, a text
  // over kMaxPropFindText.
  int SkippedEntryCount() const { return FSkippedEntryCount; }

 private:
  friend class TPropFindAnswerParser;
  TPropFind() = default;

  std::vector<std::unique_ptr<TPropFindEntry>> FEntries;
  std::shared_ptr<Detail::TPropFindNamespaces> FNamespaces;
  int FSkippedEntryCount = 0;
};

// Reads a PROPFIND answer as its bytes arrive, in one pass. AFolderUrl is the listed folder's
// address (no scheme reads as "http://"): entries outside it are left out, and error messages name
// it, its password shown as "***". An empty AFolderUrl keeps entries wherever they lie.
//
// Failures: EDOMParseError for bytes that are not a well-formed multistatus document (the
// reader's rules: no DTD or entity loading, entity declarations refused, 256 levels at most);
// EXMLNodeNotFound ("d:href") for a response without an href; EInvalidXMLData past the bounds
// above. Each message ends with a line naming the folder.
class TPropFindAnswerParser {
 public:
  explicit TPropFindAnswerParser(const std::string& AFolderUrl);
  TPropFindAnswerParser(const TPropFindAnswerParser&) = delete;
  TPropFindAnswerParser& operator=(const TPropFindAnswerParser&) = delete;
  ~TPropFindAnswerParser();

  void Feed(std::string_view ABytes);
  // The end of the answer: the listing, or the failure of an incomplete answer.
  TSharedPtr<TPropFind> Finish();

 private:
  friend class TPropFind;
  class THandler;
  std::unique_ptr<TPropFind> FinishParse();
  [[noreturn]] void RethrowNamed();

  std::unique_ptr<THandler> FHandler;
  std::string FFolderForMessages;
};

// The whole answer in memory; the fuzz target's entry point.
TSharedPtr<TPropFind> ParsePropFindAnswer(std::string_view AAnswer, const std::string& AFolderUrl);

class TWinInetWebClient;

// Lists AUrl with "Depth: 1": the folder itself (normally first) and its direct children. HTTP and
// network errors reach the caller as the HTTP client raises them; a final status other than 207
// is EHttpStatusException. The answer is parsed while it arrives, and its parse errors count only
// when the request itself succeeded.
TSharedPtr<TPropFind> ExecutePropFind(const std::string& AUrl);
// The same through AClient, with its credentials, trust and deadlines.
TSharedPtr<TPropFind> ExecutePropFind(TWinInetWebClient& AClient, const std::string& AUrl);

}  // namespace Quellit
