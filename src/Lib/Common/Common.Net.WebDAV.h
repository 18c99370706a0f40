// Listing a WebDAV folder: one PROPFIND request for the folder and its direct children, and the
// parsed answer. Entries keep their response element, so callers can read properties of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Lib/Common/Common.Classes.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Common/Common.XMLUtils.h"

namespace Quellit {

// The namespace declaration every selection of an answer is made with: d is "DAV:", whatever
// prefix the server chose.
inline constexpr const char* kDAVNamespaces = "xmlns:d=\"DAV:\"";

// A larger answer is refused before it is parsed: the whole answer is held in memory.
inline constexpr std::int64_t kMaxPropFindAnswer = 64 * 1024 * 1024;

class TPropFindEntry : public TObject {
 public:
  // Fails with EXMLNodeNotFound when the response has no d:href.
  explicit TPropFindEntry(const TXMLNode& AResponseXML);

  TDateTime ChangeDate() const { return FChangeDate; }
  // As the server wrote it: usually a server-relative, percent-encoded path.
  const std::string& Url() const { return FUrl; }
  std::int64_t ContentSize() const { return FContentSize; }
  const std::string& Status() const { return FStatus; }
  // The last segment of Url, decoded. It is the server's text: it may hold "..", "/" or control
  // characters, so it is not a safe local file name as it stands.
  const std::string& EntryName() const { return FEntryName; }
  bool IsContainer() const { return FIsContainer; }
  const TXMLNode& XML() const { return FXML; }

 private:
  TDateTime FChangeDate = 0;
  std::string FUrl;
  std::int64_t FContentSize = 0;
  std::string FStatus;
  std::string FEntryName;
  bool FIsContainer = false;
  TXMLNode FXML;
};

class TPropFind : public TObject {
 public:
  // AResponse is the answer's document element (the multistatus element).
  explicit TPropFind(const TXMLNode& AResponse);

  const TXMLNode& XML() const { return FXML; }
  const std::vector<std::unique_ptr<TPropFindEntry>>& Entries() const { return FEntries; }
  int EntryCount() const { return static_cast<int>(FEntries.size()); }

 private:
  std::vector<std::unique_ptr<TPropFindEntry>> FEntries;
  TXMLNode FXML;
};

class TWinInetWebClient;

// Lists AUrl with "Depth: 1": the folder itself (normally first) and its direct children. HTTP and
// network errors reach the caller as the HTTP client raises them; a final status other than 207
// is EHttpStatusException.
TSharedPtr<TPropFind> ExecutePropFind(const std::string& AUrl);
// The same through AClient, with its credentials, trust and deadlines.
TSharedPtr<TPropFind> ExecutePropFind(TWinInetWebClient& AClient, const std::string& AUrl);

}  // namespace Quellit
