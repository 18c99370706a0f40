#include "Lib/Common/Common.Net.WebDAV.h"

#include <array>
#include <charconv>
#include <exception>
#include <optional>
#include <unordered_map>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Net.WinInet.h"
#include "Lib/Common/Common.Net.h"
#include "Lib/Common/Common.StringUtils.h"
#include "Lib/Common/Common.SystemUtils.h"
#include "Lib/Common/Common.XMLUtils.Reader.h"

namespace Quellit {

namespace {

constexpr std::string_view DAV = "DAV:";

std::int64_t Int64Def(const std::string& AText, std::int64_t ADefault) {
  std::string Text = Trim(AText);
  std::int64_t Value = 0;
  auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return (Error == std::errc() && End == Text.data() + Text.size() && !Text.empty()) ? Value : ADefault;
}

bool IsLayout(std::string_view AText) { return AText.find_first_not_of(" \t\r\n") == std::string_view::npos; }

bool StartsWithText(std::string_view S, std::string_view APrefix) {
  return S.size() >= APrefix.size() && SameText(S.substr(0, APrefix.size()), APrefix);
}

// ---- the folder's scope -----------------------------------------------------------------------------

// The folder and everything below it on the folder's own server. Hrefs are absolute "http://" or
// "https://" URLs or else server-relative, as the storage reads them.
class TFolderScope {
 public:
  explicit TFolderScope(const std::string& AFolderUrl) {
    if (AFolderUrl.empty()) return;
    FFolder = ComparableUrl(AFolderUrl.find("://") == std::string::npos ? "http://" + AFolderUrl : AFolderUrl);
    FChecks = FFolder.Valid;
  }

  // Without a folder, or with one that cannot be taken apart, nothing is judged here.
  bool Holds(const std::string& AHref) const {
    if (!FChecks) return true;
    const bool Absolute = StartsWithText(AHref, "http://") || StartsWithText(AHref, "https://");
    const TComparableUrl Url = ComparableUrl(Absolute ? AHref : FFolder.Origin + (AHref.starts_with('/') ? "" : "/") + AHref);
    return StartsWithFolder(Url, FFolder);
  }

 private:
  TComparableUrl FFolder;
  bool FChecks = false;
};

}  // namespace

namespace Detail {

// Looked up by text, so a hostile answer with many namespaces costs no scan per entry.
struct TPropFindNamespaces {
  std::unordered_map<std::string, std::size_t> Indexes;

  std::size_t IndexOf(std::string_view AURI) {
    return Indexes.try_emplace(std::string(AURI), Indexes.size()).first->second;
  }
  std::optional<std::size_t> Find(std::string_view AURI) const {
    auto It = Indexes.find(std::string(AURI));
    return It == Indexes.end() ? std::nullopt : std::optional<std::size_t>(It->second);
  }
};

}  // namespace Detail

// ---- TPropFindEntry ---------------------------------------------------------------------------------

std::string TPropFindEntry::PropertyText(std::string_view ANamespaceURI, std::string_view ALocalName, bool* AFound) const {
  if (AFound) *AFound = false;
  const std::optional<std::size_t> Index = FNamespaces ? FNamespaces->Find(ANamespaceURI) : std::nullopt;
  if (!Index) return {};
  const std::string Key = std::to_string(*Index) + ":" + std::string(ALocalName);
  for (std::size_t Pos = 0; Pos < FProperties.size();) {
    const std::size_t NameEnd = FProperties.find('\0', Pos);
    const std::size_t TextEnd = FProperties.find('\0', NameEnd + 1);
    if (std::string_view(FProperties).substr(Pos, NameEnd - Pos) == Key) {
      if (AFound) *AFound = true;
      return FProperties.substr(NameEnd + 1, TextEnd - NameEnd - 1);
    }
    Pos = TextEnd + 1;
  }
  return {};
}

// ---- the answer's reading ---------------------------------------------------------------------------

// What an element is to the answer, decided from its parent's role and its own name.
enum class TRole { Document, Multistatus, Response, Href, Propstat, Prop, Status, Property, ResourceType, Other };

class TPropFindAnswerParser::THandler : public TXMLReaderHandler {
 public:
  explicit THandler(const std::string& AFolderUrl) : FScope(AFolderUrl), FResult(new TPropFind()) {
    FResult->FNamespaces = std::make_shared<Detail::TPropFindNamespaces>();
  }

  TXMLStreamReader& Reader() { return FReader; }
  std::unique_ptr<TPropFind> TakeResult() { return std::move(FResult); }

  void StartElement(std::string_view AURI, std::string_view AName) override {
    FlushRun();
    const TRole Parent = FRoles[FDepth];
    TRole Role = TRole::Other;
    const bool InDAV = AURI == DAV;
    switch (Parent) {
      case TRole::Document:
        if (!InDAV || AName != "multistatus")
          throw EDOMParseError(Format("The answer is not a WebDAV multistatus document: its root element is \"%s\"",
                                      std::string(AName)));
        Role = TRole::Multistatus;
        break;
      case TRole::Multistatus:
        if (InDAV && AName == "response") {
          BeginEntry();
          Role = TRole::Response;
        }
        break;
      case TRole::Response:
        if (InDAV && AName == "href" && !FHrefFound) {
          FHrefFound = true;
          Role = Collect(TRole::Href, FEntry->FUrl);
        } else if (InDAV && AName == "propstat") {
          Role = TRole::Propstat;
        }
        break;
      case TRole::Propstat:
        if (InDAV && AName == "prop") {
          Role = TRole::Prop;
        } else if (InDAV && AName == "status" && !FStatusFound) {
          FStatusFound = true;
          Role = Collect(TRole::Status, FEntry->FStatus);
        }
        break;
      case TRole::Prop: Role = StartProperty(InDAV, AURI, AName); break;
      case TRole::ResourceType:
        if (InDAV && AName == "collection") FEntry->FIsContainer = true;
        break;
      default: break;
    }
    FRoles[++FDepth] = Role;
  }

  void EndElement() override {
    FlushRun();
    const TRole Role = FRoles[FDepth];
    if (FCollecting && FDepth == FCollectDepth) EndCollect(Role);
    --FDepth;
    if (Role == TRole::Response) EndEntry();
  }

  // Text is the text of the element and all below it; whitespace-only runs between elements are
  // layout, not text, as the DOM reads them.
  void Characters(std::string_view AText, bool ACData) override {
    if (!FCollecting) return;
    if (ACData) {
      FlushRun();
      Append(AText);
    } else if (FRun.size() + AText.size() > kMaxPropFindText) {
      FBad = true;
    } else {
      FRun.append(AText);
    }
  }

 private:
  TRole StartProperty(bool AInDAV, std::string_view AURI, std::string_view AName) {
    if (!AInDAV) {
      FPropertyNamespace = NamespaceIndex(AURI);
      FPropertyName = AName;
      FPropertyText.clear();
      return Collect(TRole::Property, FPropertyText);
    }
    if (AName == "getlastmodified" && !FDateFound) {
      FDateFound = true;
      return Collect(TRole::Other, FDateText);
    }
    if (AName == "getcontentlength" && !FLengthFound) {
      FLengthFound = true;
      return Collect(TRole::Other, FLengthText);
    }
    return AName == "resourcetype" ? TRole::ResourceType : TRole::Other;
  }

  TRole Collect(TRole ARole, std::string& ATarget) {
    FCollecting = &ATarget;
    FCollectDepth = FDepth + 1;
    return ARole;
  }

  void EndCollect(TRole ARole) {
    FCollecting = nullptr;
    if (ARole != TRole::Property || FBad) return;
    std::string& Properties = FEntry->FProperties;
    Properties.append(std::to_string(FPropertyNamespace)).append(":").append(FPropertyName);
    Properties.push_back('\0');
    Properties.append(FPropertyText);
    Properties.push_back('\0');
  }

  void FlushRun() {
    if (!FRun.empty() && !IsLayout(FRun)) Append(FRun);
    FRun.clear();
  }

  void Append(std::string_view AText) {
    if (FCollecting->size() + AText.size() > kMaxPropFindText)
      FBad = true;
    else
      FCollecting->append(AText);
  }

  std::size_t NamespaceIndex(std::string_view AURI) { return FResult->FNamespaces->IndexOf(AURI); }

  void BeginEntry() {
    FEntry.reset(new TPropFindEntry());
    FEntry->FNamespaces = FResult->FNamespaces.get();
    FHrefFound = FStatusFound = FDateFound = FLengthFound = FBad = false;
    FDateText.clear();
    FLengthText.clear();
  }

  void EndEntry() {
    std::unique_ptr<TPropFindEntry> Entry = std::move(FEntry);
    if (!FHrefFound) throw EXMLNodeNotFound("d:href");
    if (FBad || !Named(*Entry) || !FScope.Holds(Entry->FUrl)) {
      ++FResult->FSkippedEntryCount;
      return;
    }
    if (FDateFound) Entry->FChangeDate = ParseISODateTimeDef(FDateText, 0);
    if (FLengthFound) Entry->FContentSize = Int64Def(FLengthText, 0);
    if (FResult->FEntries.size() >= static_cast<std::size_t>(kMaxPropFindEntries))
      throw EInvalidXMLData(Format("The answer lists more than %d entries", kMaxPropFindEntries));
    // Texts grew piece by piece; a large listing keeps a hundred thousand of them.
    Entry->FUrl.shrink_to_fit();
    Entry->FStatus.shrink_to_fit();
    Entry->FProperties.shrink_to_fit();
    FResult->FEntries.push_back(std::move(Entry));
  }

  // False when the href does not decode: the entry has no name to show or save under.
  static bool Named(TPropFindEntry& AEntry) {
    try {
      AEntry.FEntryName = UrlDecode(ExtractUrlFileName(TStringUtils::DropLastChar(AEntry.FUrl, U'/')));
      return true;
    } catch (const EConvertError&) {
      return false;
    }
  }

  TXMLStreamReader FReader{*this};
  TFolderScope FScope;
  std::unique_ptr<TPropFind> FResult;

  // The reader refuses deeper documents, so the roles of every open element fit.
  std::array<TRole, kXMLReaderMaxDepth + 2> FRoles{TRole::Document};
  int FDepth = 0;

  std::unique_ptr<TPropFindEntry> FEntry;
  bool FHrefFound = false, FStatusFound = false, FDateFound = false, FLengthFound = false;
  bool FBad = false;  // a text over kMaxPropFindText
  std::string FDateText, FLengthText;
  std::size_t FPropertyNamespace = 0;
  std::string FPropertyName, FPropertyText;

  std::string* FCollecting = nullptr;
  int FCollectDepth = 0;
  std::string FRun;  // the text since the last markup
  std::int64_t FBytes = 0;

  friend class TPropFindAnswerParser;
};

// ---- TPropFindAnswerParser --------------------------------------------------------------------------

TPropFindAnswerParser::TPropFindAnswerParser(const std::string& AFolderUrl)
    : FHandler(std::make_unique<THandler>(AFolderUrl)), FFolderForMessages(MaskUrlCredentials(AFolderUrl)) {}

TPropFindAnswerParser::~TPropFindAnswerParser() = default;

void TPropFindAnswerParser::RethrowNamed() {
  try {
    throw;
  } catch (Exception& E) {
    if (!FFolderForMessages.empty()) E.SetMessage(E.Message() + "\r\nPROPFIND answer for " + FFolderForMessages);
    throw;
  }
}

void TPropFindAnswerParser::Feed(std::string_view ABytes) {
  try {
    FHandler->FBytes += static_cast<std::int64_t>(ABytes.size());
    if (FHandler->FBytes > kMaxPropFindAnswer)
      throw EInvalidXMLData(Format("The PROPFIND answer is larger than %d bytes", kMaxPropFindAnswer));
    FHandler->Reader().Feed(ABytes);
  } catch (...) {
    RethrowNamed();
  }
}

std::unique_ptr<TPropFind> TPropFindAnswerParser::FinishParse() {
  try {
    FHandler->Reader().Finish();
  } catch (...) {
    RethrowNamed();
  }
  return FHandler->TakeResult();
}

TSharedPtr<TPropFind> TPropFindAnswerParser::Finish() { return TSharedPtr<TPropFind>(FinishParse().release()); }

TSharedPtr<TPropFind> ParsePropFindAnswer(std::string_view AAnswer, const std::string& AFolderUrl) {
  TPropFindAnswerParser Parser(AFolderUrl);
  Parser.Feed(AAnswer);
  return Parser.Finish();
}

// ---- TPropFind --------------------------------------------------------------------------------------

TPropFind::TPropFind(const TXMLNode& AResponse) {
  TPropFindAnswerParser Parser("");
  Parser.Feed(AResponse.XML());
  std::unique_ptr<TPropFind> Parsed = Parser.FinishParse();
  FEntries = std::move(Parsed->FEntries);
  FNamespaces = std::move(Parsed->FNamespaces);
  FSkippedEntryCount = Parsed->FSkippedEntryCount;
}

// ---- the request ------------------------------------------------------------------------------------

namespace {

// The answer's body as the client receives it, fed to the parser as it comes. A parse failure is
// kept, not raised: an error status (a 404 page is no multistatus) must win over it. Only past
// kMaxPropFindAnswer does it stop the transfer, so a hostile server cannot keep one going.
class TPropFindAnswerStream : public TStream {
 public:
  explicit TPropFindAnswerStream(TPropFindAnswerParser& AParser) : FParser(AParser) {}

  std::int64_t Read(void*, std::int64_t) override { return 0; }

  std::int64_t Write(const void* ABuffer, std::int64_t ACount) override {
    FSize += ACount;
    if (!FFailure) {
      try {
        FParser.Feed(std::string_view(static_cast<const char*>(ABuffer), static_cast<std::size_t>(ACount)));
      } catch (...) {
        FFailure = std::current_exception();
      }
    }
    if (FFailure && FSize > kMaxPropFindAnswer) std::rethrow_exception(FFailure);
    return ACount;
  }

  // Positions only move forward with what was written; the client's rewinding is a no-op.
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return FSize; }

  TSharedPtr<TPropFind> Finish() {
    if (FFailure) std::rethrow_exception(FFailure);
    return FParser.Finish();
  }

 private:
  TPropFindAnswerParser& FParser;
  std::int64_t FSize = 0;
  std::exception_ptr FFailure;
};

}  // namespace

TSharedPtr<TPropFind> ExecutePropFind(const std::string& AUrl) {
  TWinInetWebClient Client;
  return ExecutePropFind(Client, AUrl);
}

TSharedPtr<TPropFind> ExecutePropFind(TWinInetWebClient& AClient, const std::string& AUrl) {
  // Without it the server assumes infinity: refused by most, and a whole tree from the others.
  AClient.Headers()["Depth"] = "1";
  // A listing is a multistatus answer; a 200 page or a redirect that was not followed is none.
  AClient.RequiredStatusCode = 207;
  TPropFindAnswerParser Parser(AUrl);
  TPropFindAnswerStream Answer(Parser);
  AClient.SendRequest(AUrl, "PROPFIND", nullptr, &Answer);
  return Answer.Finish();
}

}  // namespace Quellit
