// The transfers over WinInet, the Windows Internet API. Each request owns its session, connect
// and request handles, so a redirect to another host or a retry after a dialog starts clean.
// Redirects are followed here rather than by WinInet, which keeps the verb and the body only for
// some verbs and statuses: every request follows them with the same verb and body, at most 10
// hops, http and https only, as on every other platform.
#include "Lib/Common/Common.Net.WinInet.Transfer.h"

#include "Platform/Win32/SystemCall.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <wincrypt.h>
#include <wininet.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/Environment.h"
#include "Platform/File.h"

namespace Quellit::Detail {

static_assert(kTransferUrlMalformed == ERROR_INTERNET_INVALID_URL && kTransferTimedOut == ERROR_INTERNET_TIMEOUT &&
              kTransferBadArgument == ERROR_INTERNET_INVALID_OPERATION &&
              kTransferPartialFile == ERROR_INTERNET_CONNECTION_ABORTED);

using TClock = std::chrono::steady_clock;
using Platform::Utf8OfWide;
using Platform::WideOf;

namespace {

struct TInternetHandlePolicy {
  using THandle = HINTERNET;
  static THandle Invalid() { return nullptr; }
  static void Close(THandle AHandle) noexcept { ::InternetCloseHandle(AHandle); }
};
using TScopedInternetHandle = Platform::TScopedHandle<TInternetHandlePolicy>;

}  // namespace

struct TInternetRequest::TState {
  // Closed request first: WinInet wants children closed before their parents.
  void Close() {
    Request.Reset();
    Connection.Reset();
    Session.Reset();
  }

  TScopedInternetHandle Session;
  TScopedInternetHandle Connection;
  TScopedInternetHandle Request;
  std::string CurrentUrl;  // where the last hop went
  std::optional<TClock::time_point> Deadline;
  DWORD ReceiveTimeoutSet = 0;  // the receive timeout the request handle has now
  std::int32_t Status = 0;
  std::int64_t Length = -1;
  bool Done = false;
  bool ResendOnSameHandle = false;  // the certificate dialog chose a certificate for this handle
};

namespace {

constexpr int kMaxRedirects = 10;
// More response header bytes than any sane server sends; beyond it the transfer is refused.
constexpr DWORD kMaxResponseHeaders = 1024 * 1024;
// The most one read asks WinInet for.
constexpr std::int64_t kMaxRead = 1024 * 1024;

DWORD ClampedMilliseconds(std::int64_t AValue) {
  return static_cast<DWORD>(std::clamp<std::int64_t>(AValue, 1, 0x7FFFFFFF));
}

bool StartsWithText(const std::string& S, std::string_view APrefix) {
  return S.size() >= APrefix.size() && SameText(S.substr(0, APrefix.size()), APrefix);
}

// An absolute http or https URL taken apart for the handles: the host without brackets, the port,
// and the object name from the first "/" of the path on.
struct TTarget {
  bool Secure = false;
  std::string Host;
  INTERNET_PORT Port = 0;
  std::string Object;
};

std::optional<TTarget> SplitUrl(const std::string& AUrl) {
  TTarget Target;
  std::size_t Rest;
  if (StartsWithText(AUrl, "http://")) {
    Rest = 7;
  } else if (StartsWithText(AUrl, "https://")) {
    Target.Secure = true;
    Rest = 8;
  } else {
    return std::nullopt;
  }
  std::size_t PathAt = std::min(AUrl.find_first_of("/?", Rest), AUrl.size());
  std::string Authority = AUrl.substr(Rest, PathAt - Rest);
  if (std::size_t At = Authority.rfind('@'); At != std::string::npos) Authority.erase(0, At + 1);
  std::size_t PortAt = Authority.rfind(':');
  if (PortAt != std::string::npos && Authority.find(']', PortAt) != std::string::npos) PortAt = std::string::npos;
  int Port = Target.Secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  if (PortAt != std::string::npos) {
    const std::string Digits = Authority.substr(PortAt + 1);
    auto [End, Error] = std::from_chars(Digits.data(), Digits.data() + Digits.size(), Port);
    if (Digits.empty() || Error != std::errc() || End != Digits.data() + Digits.size() || Port <= 0 || Port > 65535)
      return std::nullopt;
    Authority.erase(PortAt);
  }
  if (Authority.size() >= 2 && Authority.front() == '[' && Authority.back() == ']')
    Authority = Authority.substr(1, Authority.size() - 2);
  if (Authority.empty()) return std::nullopt;
  Target.Host = Authority;
  Target.Port = static_cast<INTERNET_PORT>(Port);
  Target.Object = PathAt < AUrl.size() && AUrl[PathAt] == '?' ? "/" + AUrl.substr(PathAt) : AUrl.substr(PathAt);
  if (Target.Object.empty()) Target.Object = "/";
  return Target;
}

bool SameOrigin(const TTarget& A, const TTarget& B) {
  return A.Secure == B.Secure && A.Port == B.Port && SameText(A.Host, B.Host);
}

// A redirect's Location against the URL it answered; fragments go, raw bytes are escaped.
std::string ResolveLocation(const std::string& ABase, std::string ALocation) {
  ALocation = Trim(ALocation.substr(0, ALocation.find('#')));
  std::string Result;
  if (StartsWithText(ALocation, "http://") || StartsWithText(ALocation, "https://") ||
      ALocation.find("://") != std::string::npos) {
    Result = ALocation;
  } else {
    const std::size_t Scheme = ABase.find("://") + 3;
    const std::size_t PathAt = std::min(ABase.find_first_of("/?", Scheme), ABase.size());
    if (ALocation.starts_with("//")) {
      Result = ABase.substr(0, Scheme - 2) + ALocation;
    } else if (ALocation.starts_with('/')) {
      Result = ABase.substr(0, PathAt) + ALocation;
    } else {
      const std::string Path = ABase.substr(0, std::min(ABase.find('?', PathAt), ABase.size()));
      const std::size_t Slash = Path.rfind('/');
      Result = (Slash == std::string::npos || Slash < PathAt ? Path + "/" : Path.substr(0, Slash + 1)) + ALocation;
    }
  }
  return EscapeRequestPath(Result);
}

// A text the request's headers hold at ALevel; "" when the header is missing.
std::optional<std::string> QueryText(HINTERNET ARequest, DWORD ALevel) {
  DWORD Bytes = 0;
  if (::HttpQueryInfoW(ARequest, ALevel, nullptr, &Bytes, nullptr)) return std::string();
  const DWORD Error = ::GetLastError();
  if (Error == ERROR_HTTP_HEADER_NOT_FOUND) return std::string();
  if (Error != ERROR_INSUFFICIENT_BUFFER || Bytes > kMaxResponseHeaders * 2) return std::nullopt;
  std::wstring Buffer(Bytes / sizeof(wchar_t) + 1, L'\0');
  Bytes = static_cast<DWORD>(Buffer.size() * sizeof(wchar_t));
  if (!::HttpQueryInfoW(ARequest, ALevel, Buffer.data(), &Bytes, nullptr)) return std::nullopt;
  Buffer.resize(Bytes / sizeof(wchar_t));
  return Utf8OfWide(Buffer);
}

std::string QueryOptionText(HINTERNET AHandle, DWORD AOption) {
  DWORD Bytes = 0;
  ::InternetQueryOptionW(AHandle, AOption, nullptr, &Bytes);
  if (Bytes == 0) return {};
  std::wstring Buffer(Bytes / sizeof(wchar_t) + 1, L'\0');
  Bytes = static_cast<DWORD>(Buffer.size() * sizeof(wchar_t));
  if (!::InternetQueryOptionW(AHandle, AOption, Buffer.data(), &Bytes)) return {};
  return Utf8OfWide(std::wstring_view(Buffer.c_str()));
}

bool SetTextOption(HINTERNET AHandle, DWORD AOption, const std::string& AText) {
  std::wstring Text = WideOf(AText);
  return ::InternetSetOptionW(AHandle, AOption, Text.data(), static_cast<DWORD>(Text.size()));
}

bool SetNumberOption(HINTERNET AHandle, DWORD AOption, DWORD AValue) {
  return ::InternetSetOptionW(AHandle, AOption, &AValue, sizeof AValue);
}

std::string MessageText(HMODULE AModule, DWORD ACode) {
  wchar_t Buffer[1024];
  const DWORD Flags = (AModule ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM) | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD Length = ::FormatMessageW(Flags, AModule, ACode, 0, Buffer, static_cast<DWORD>(std::size(Buffer)), nullptr);
  return Length ? Trim(Utf8OfWide(std::wstring_view(Buffer, Length))) : std::string();
}

// The server's own words after ERROR_INTERNET_EXTENDED_ERROR, which WinInet keeps per thread.
std::string LastResponseInfo() {
  DWORD Error = 0;
  DWORD Length = 0;
  ::InternetGetLastResponseInfoW(&Error, nullptr, &Length);
  if (Length == 0) return {};
  std::wstring Buffer(Length + 1, L'\0');
  Length = static_cast<DWORD>(Buffer.size());
  if (!::InternetGetLastResponseInfoW(&Error, Buffer.data(), &Length)) return {};
  return Trim(Utf8OfWide(std::wstring_view(Buffer.c_str())));
}

}  // namespace

void InitialiseTransfer() {}

// WinInet's codes have their texts in wininet.dll's message table; others are the system's.
std::string TransferErrorText(int ACode) {
  const DWORD Code = static_cast<DWORD>(ACode);
  const bool OfWinInet = Code >= INTERNET_ERROR_BASE && Code <= INTERNET_ERROR_LAST;
  std::string Text = OfWinInet ? MessageText(::GetModuleHandleW(L"wininet.dll"), Code) : std::string();
  if (Text.empty()) Text = MessageText(nullptr, Code);
  if (Code == ERROR_INTERNET_EXTENDED_ERROR) Text += " " + LastResponseInfo();
  return Text;
}

TInternetRequest::TInternetRequest(const TInternetConnect& AConnect, std::string AVerb, std::string AUrl)
    : Connect(AConnect), Verb(std::move(AVerb)), Url(std::move(AUrl)), FState(std::make_unique<TState>()) {}

TInternetRequest::~TInternetRequest() { FState->Close(); }

namespace {

void SetDetail(TInternetRequest& ARequest, const std::string& ADetail) {
  std::snprintf(ARequest.ErrorBuffer, sizeof ARequest.ErrorBuffer, "%s", ADetail.c_str());
}

bool DeadlinePassed(const TInternetRequest::TState& AState) {
  return AState.Deadline && TClock::now() >= *AState.Deadline;
}

int DeadlineError(TInternetRequest& ARequest) {
  SetDetail(ARequest, Format("the request did not complete within its deadline of %d ms", ARequest.Connect.TotalTimeout));
  return kTransferTimedOut;
}

// WinInet times out a blocking call by its own clock only: the receive timeout never reaches past
// the request's deadline.
DWORD ReceiveTimeoutNow(const TInternetRequest& ARequest, const TInternetRequest::TState& AState) {
  std::int64_t Timeout = ARequest.Connect.ReceiveTimeout;
  if (AState.Deadline) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(*AState.Deadline - TClock::now()).count();
    Timeout = std::min<std::int64_t>(Timeout, Left + 1);
  }
  return ClampedMilliseconds(Timeout);
}

void ApplyReceiveTimeout(const TInternetRequest& ARequest, TInternetRequest::TState& AState) {
  const DWORD Timeout = ReceiveTimeoutNow(ARequest, AState);
  if (Timeout == AState.ReceiveTimeoutSet) return;
  // Set on the request handle: a receive timeout on the session is not honoured everywhere.
  SetNumberOption(AState.Request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, Timeout);
  SetNumberOption(AState.Request.Get(), INTERNET_OPTION_SEND_TIMEOUT, Timeout);
  AState.ReceiveTimeoutSet = Timeout;
}

// A blocking call that failed: past the deadline it is the deadline's failure. A call that waited
// out its receive timeout is a timeout, whichever code the platform gave it (some report the
// connection as aborted).
int FailureOfWait(TInternetRequest& ARequest, TInternetRequest::TState& AState, DWORD AError, TClock::time_point AStart) {
  if (DeadlinePassed(AState)) return DeadlineError(ARequest);
  const auto Waited = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - AStart).count();
  if ((AError == ERROR_INTERNET_TIMEOUT || AError == ERROR_INTERNET_CONNECTION_ABORTED) &&
      Waited + 50 >= static_cast<std::int64_t>(AState.ReceiveTimeoutSet)) {
    SetDetail(ARequest, Format("the server sent nothing for %d ms", static_cast<std::int64_t>(AState.ReceiveTimeoutSet)));
    return kTransferTimedOut;
  }
  SetDetail(ARequest, "");
  return static_cast<int>(AError);
}

DWORD AccessType(TWinInetProxyKind AKind) {
  switch (AKind) {
    case pkNone: return INTERNET_OPEN_TYPE_DIRECT;
    case pkUserSettings:
    case pkUserSettingsWithAuthority: return INTERNET_OPEN_TYPE_PROXY;
    case pkDefault: break;
  }
  return INTERNET_OPEN_TYPE_PRECONFIG;
}

DWORD RequestFlags(const TTarget& ATarget) {
  // Never from or into the user's cache, no cookies, no dialogs of WinInet's own choosing, and
  // redirects followed by the caller: the same rules as on every other platform.
  DWORD Flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_KEEP_CONNECTION;
  if (ATarget.Secure) Flags |= INTERNET_FLAG_SECURE;
  return Flags;
}

constexpr DWORD kIgnoreCertificateFlags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                                          SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_REVOCATION |
                                          SECURITY_FLAG_IGNORE_WRONG_USAGE;

// Certificates are checked unless the caller asked otherwise; then a wrong name, an unknown
// authority, an expired or revoked-unknown certificate are all accepted. Set both ways on every
// secure request: WinInet may hand a new request what an earlier one to the same server was
// allowed. A connection made without the checks is closed after its answer, never reused by a
// request that wants them.
bool SetCertificateChecks(HINTERNET ARequest, bool AIgnore) {
  DWORD Flags = 0;
  DWORD Size = sizeof Flags;
  if (!::InternetQueryOptionW(ARequest, INTERNET_OPTION_SECURITY_FLAGS, &Flags, &Size)) return false;
  Flags = AIgnore ? Flags | kIgnoreCertificateFlags : Flags & ~kIgnoreCertificateFlags;
  if (!SetNumberOption(ARequest, INTERNET_OPTION_SECURITY_FLAGS, Flags)) return false;
  return !AIgnore || ::HttpAddRequestHeadersW(ARequest, L"Connection: close\r\n", static_cast<DWORD>(-1),
                                              HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
}

bool IgnoreCertificateErrors(HINTERNET ARequest) { return SetCertificateChecks(ARequest, true); }

// The three handles of one hop; the login goes only to the origin the caller named.
int Open(TInternetRequest& ARequest, TInternetRequest::TState& AState, const TTarget& ATarget, bool ACredentials) {
  const TInternetConnect& Connect = ARequest.Connect;
  AState.Close();
  AState.ReceiveTimeoutSet = 0;
  const DWORD Access = AccessType(Connect.Proxy.Kind);
  const std::wstring Proxy = WideOf(Connect.Proxy.Host + ":" + IntToStr(Connect.Proxy.Port));
  AState.Session.Reset(::InternetOpenW(L"", Access, Access == INTERNET_OPEN_TYPE_PROXY ? Proxy.c_str() : nullptr,
                                       nullptr, 0));
  if (!AState.Session.IsValid()) return static_cast<int>(::GetLastError());
  SetNumberOption(AState.Session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, ClampedMilliseconds(Connect.ConnectTimeout));
  const std::wstring Host = WideOf(ATarget.Host);
  const std::wstring Login = WideOf(ACredentials ? Connect.Login : "");
  const std::wstring Password = WideOf(ACredentials ? Connect.Password : "");
  AState.Connection.Reset(::InternetConnectW(AState.Session.Get(), Host.c_str(), ATarget.Port,
                                             Login.empty() ? nullptr : Login.c_str(),
                                             Login.empty() ? nullptr : Password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
  if (!AState.Connection.IsValid()) return static_cast<int>(::GetLastError());
  if (Connect.Proxy.Kind == pkUserSettingsWithAuthority || Connect.ProxyCredentialsPrompted) {
    if (!SetTextOption(AState.Connection.Get(), INTERNET_OPTION_PROXY_USERNAME, Connect.Proxy.Login) ||
        !SetTextOption(AState.Connection.Get(), INTERNET_OPTION_PROXY_PASSWORD, Connect.Proxy.Password))
      return static_cast<int>(::GetLastError());
  }
  const std::wstring Verb = WideOf(ARequest.Verb);
  const std::wstring Object = WideOf(ATarget.Object);
  AState.Request.Reset(::HttpOpenRequestW(AState.Connection.Get(), Verb.c_str(), Object.c_str(), nullptr, nullptr,
                                          nullptr, RequestFlags(ATarget), 0));
  if (!AState.Request.IsValid()) return static_cast<int>(::GetLastError());
  SetNumberOption(AState.Request.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, ClampedMilliseconds(Connect.ConnectTimeout));
  if (ATarget.Secure && !SetCertificateChecks(AState.Request.Get(), Connect.IgnoreCertificateErrors))
    return static_cast<int>(::GetLastError());
  for (const std::string& Line : ARequest.Headers) {
    const std::wstring Header = WideOf(Line + "\r\n");
    if (!::HttpAddRequestHeadersW(AState.Request.Get(), Header.c_str(), static_cast<DWORD>(Header.size()),
                                  HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
      return static_cast<int>(::GetLastError());
  }
  return kTransferOk;
}

int SendOnce(TInternetRequest& ARequest, TInternetRequest::TState& AState, const TMemoryStream* ABody) {
  if (DeadlinePassed(AState)) return DeadlineError(ARequest);
  if (ABody && ABody->MemorySize() > 0xFFFFFFFFll) {
    SetDetail(ARequest, "a request body of 4 GiB or more cannot be sent");
    return kTransferBadArgument;
  }
  ApplyReceiveTimeout(ARequest, AState);
  void* Body = ABody && ABody->MemorySize() ? ABody->Memory() : nullptr;
  const DWORD Size = ABody ? static_cast<DWORD>(ABody->MemorySize()) : 0;
  const auto Start = TClock::now();
  if (::HttpSendRequestW(AState.Request.Get(), nullptr, 0, Body, Size)) return kTransferOk;
  return FailureOfWait(ARequest, AState, ::GetLastError(), Start);
}

std::int64_t AnnouncedLength(const std::string& AText) {
  std::int64_t Value = -1;
  const std::string Text = Trim(AText);
  auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return Error == std::errc() && End == Text.data() + Text.size() && Value >= 0 ? Value : -1;
}

// The status line and headers of the response that arrived; false when WinInet cannot give them.
bool ReadResponseHead(TInternetRequest& ARequest, TInternetRequest::TState& AState) {
  HINTERNET Request = AState.Request.Get();
  DWORD Status = 0;
  DWORD Size = sizeof Status;
  if (!::HttpQueryInfoW(Request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &Status, &Size, nullptr))
    return false;
  auto Text = QueryText(Request, HTTP_QUERY_STATUS_TEXT);
  auto Headers = QueryText(Request, HTTP_QUERY_RAW_HEADERS_CRLF);
  auto Sent = QueryText(Request, HTTP_QUERY_RAW_HEADERS_CRLF | HTTP_QUERY_FLAG_REQUEST_HEADERS);
  auto Length = QueryText(Request, HTTP_QUERY_CONTENT_LENGTH);
  if (!Text || !Headers || !Sent || !Length) return false;
  AState.Status = static_cast<std::int32_t>(Status);
  ARequest.StatusText = Trim(*Text);
  ARequest.ResponseHeaders = *Headers;
  ARequest.RequestHeaders = MaskCredentials(*Sent);
  // A HEAD answer and a 204 or 304 announce a body that never comes.
  const bool Bodiless = SameText(ARequest.Verb, "HEAD") || Status == 204 || Status == 304;
  AState.Length = Bodiless ? -1 : AnnouncedLength(*Length);
  return true;
}

bool IsRedirect(std::int32_t AStatus) {
  return AStatus == 301 || AStatus == 302 || AStatus == 303 || AStatus == 307 || AStatus == 308;
}

// ---- trust besides the system's ----------------------------------------------------------------

// The certificate errors a trusted certificate of the caller's may answer.
bool IsCertificateError(int ACode) {
  return ACode == ERROR_INTERNET_INVALID_CA || ACode == ERROR_INTERNET_SEC_CERT_CN_INVALID ||
         ACode == ERROR_INTERNET_SEC_CERT_ERRORS || ACode == ERROR_INTERNET_SEC_INVALID_CERT;
}

// Every certificate file named for this connection: the caller's, then the usual variables', as
// on every other platform.
std::vector<std::string> TrustedFiles(const TInternetConnect& AConnect) {
  std::vector<std::string> Files;
  for (const std::string& File : {AConnect.TrustedCertificatesFile, Platform::GetEnvOr("CURL_CA_BUNDLE", ""),
                                  Platform::GetEnvOr("SSL_CERT_FILE", "")})
    if (!File.empty() && std::find(Files.begin(), Files.end(), File) == Files.end()) Files.push_back(File);
  return Files;
}

struct TCertStorePolicy {
  using THandle = HCERTSTORE;
  static THandle Invalid() { return nullptr; }
  static void Close(THandle AHandle) noexcept { ::CertCloseStore(AHandle, 0); }
};
using TScopedCertStore = Platform::TScopedHandle<TCertStorePolicy>;

struct TChainPolicy {
  using THandle = PCCERT_CHAIN_CONTEXT;
  static THandle Invalid() { return nullptr; }
  static void Close(THandle AHandle) noexcept { ::CertFreeCertificateChain(AHandle); }
};
using TScopedChain = Platform::TScopedHandle<TChainPolicy>;

// The PEM certificates of AFiles in a store of their own; a file that cannot be read or holds no
// certificate fails, so a mistyped name is not taken for "trust nothing more".
TScopedCertStore TrustedStore(const std::vector<std::string>& AFiles, TInternetRequest& ARequest, int& AError) {
  TScopedCertStore Store(::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
  for (const std::string& File : AFiles) {
    std::string Text;
    try {
      const std::vector<std::uint8_t> Bytes = Platform::ReadAllBytes(File);
      Text.assign(Bytes.begin(), Bytes.end());
    } catch (const Exception& E) {
      SetDetail(ARequest, "cannot read the trusted certificates " + File + ": " + E.Message());
      AError = ERROR_INTERNET_SEC_INVALID_CERT;
      return {};
    }
    int Added = 0;
    constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
    for (std::size_t At = Text.find("-----BEGIN CERTIFICATE-----"); At != std::string::npos;
         At = Text.find("-----BEGIN CERTIFICATE-----", At + 1)) {
      const std::size_t End = Text.find(kEnd, At);
      if (End == std::string::npos) break;
      const std::string Block = Text.substr(At, End + kEnd.size() - At);
      DWORD Size = 0;
      if (!::CryptStringToBinaryA(Block.c_str(), static_cast<DWORD>(Block.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                                  &Size, nullptr, nullptr))
        continue;
      std::vector<BYTE> Der(Size);
      if (::CryptStringToBinaryA(Block.c_str(), static_cast<DWORD>(Block.size()), CRYPT_STRING_BASE64HEADER, Der.data(),
                                 &Size, nullptr, nullptr) &&
          ::CertAddEncodedCertificateToStore(Store.Get(), X509_ASN_ENCODING, Der.data(), Size,
                                             CERT_STORE_ADD_USE_EXISTING, nullptr))
        ++Added;
    }
    if (Added == 0) {
      SetDetail(ARequest, "no certificate in the trusted certificates " + File);
      AError = ERROR_INTERNET_SEC_INVALID_CERT;
      return {};
    }
  }
  return Store;
}

// The address bytes of an IP literal; empty for a host name.
std::vector<BYTE> AddressBytes(const std::string& AHost) {
  const std::wstring Host = WideOf(AHost);
  IN6_ADDR V6{};
  if (::InetPtonW(AF_INET6, Host.c_str(), &V6) == 1) return {V6.s6_addr, V6.s6_addr + sizeof V6.s6_addr};
  IN_ADDR V4{};
  if (::InetPtonW(AF_INET, Host.c_str(), &V4) == 1) {
    const auto* Bytes = reinterpret_cast<const BYTE*>(&V4);
    return {Bytes, Bytes + sizeof V4};
  }
  return {};
}

// A certificate names an IP literal by an address entry of its alternative names; not every
// system's name check looks at those.
bool NamesAddress(PCCERT_CONTEXT ACertificate, const std::vector<BYTE>& AAddress) {
  PCERT_EXTENSION Extension = ::CertFindExtension(szOID_SUBJECT_ALT_NAME2, ACertificate->pCertInfo->cExtension,
                                                  ACertificate->pCertInfo->rgExtension);
  if (!Extension || AAddress.empty()) return false;
  CERT_ALT_NAME_INFO* Names = nullptr;
  DWORD Size = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, Extension->Value.pbData, Extension->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &Names, &Size))
    return false;
  bool Found = false;
  for (DWORD I = 0; I < Names->cAltEntry && !Found; ++I) {
    const CERT_ALT_NAME_ENTRY& Entry = Names->rgAltEntry[I];
    Found = Entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && Entry.IPAddress.cbData == AAddress.size() &&
            std::equal(AAddress.begin(), AAddress.end(), Entry.IPAddress.pbData);
  }
  ::LocalFree(Names);
  return Found;
}

// The SSL policy for AHost: the chain is fit for a server, and names it.
bool MeetsServerPolicy(PCCERT_CHAIN_CONTEXT AChain, const std::string& AHost, DWORD AChecksIgnored) {
  std::wstring Host = WideOf(AHost);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA Ssl{};
  Ssl.cbSize = sizeof Ssl;
  Ssl.dwAuthType = AUTHTYPE_SERVER;
  Ssl.fdwChecks = AChecksIgnored;
  Ssl.pwszServerName = Host.data();
  CERT_CHAIN_POLICY_PARA Policy{};
  Policy.cbSize = sizeof Policy;
  Policy.dwFlags = CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG;
  Policy.pvExtraPolicyPara = &Ssl;
  CERT_CHAIN_POLICY_STATUS Status{};
  Status.cbSize = sizeof Status;
  if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, AChain, &Policy, &Status)) return false;
  if (Status.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH) && AChecksIgnored == 0 &&
      NamesAddress(AChain->rgpChain[0]->rgpElement[0]->pCertContext, AddressBytes(AHost)))
    return MeetsServerPolicy(AChain, AHost, SECURITY_FLAG_IGNORE_CERT_CN_INVALID);
  return Status.dwError == 0;
}

// The server's certificate chains up to one of the trusted certificates (or is one), is valid
// now and names AHost: all a trusted authority of the system's would have to meet.
bool ChainsToTrusted(HINTERNET ARequest, HCERTSTORE ATrusted, const std::string& AHost) {
  PCCERT_CHAIN_CONTEXT Served = nullptr;
  DWORD Size = sizeof Served;
  if (!::InternetQueryOptionW(ARequest, INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT, &Served, &Size) || !Served)
    return false;
  const TScopedChain ServedChain(Served);
  if (Served->cChain == 0 || Served->rgpChain[0]->cElement == 0) return false;
  PCCERT_CONTEXT Leaf = Served->rgpChain[0]->rgpElement[0]->pCertContext;
  CERT_CHAIN_PARA Para{};
  Para.cbSize = sizeof Para;
  PCCERT_CHAIN_CONTEXT Built = nullptr;
  if (!::CertGetCertificateChain(nullptr, Leaf, nullptr, ATrusted, &Para, 0, nullptr, &Built) || !Built) return false;
  const TScopedChain Chain(Built);
  const CERT_SIMPLE_CHAIN& Simple = *Built->rgpChain[0];
  PCCERT_CONTEXT Top = Simple.rgpElement[Simple.cElement - 1]->pCertContext;
  PCCERT_CONTEXT Found = ::CertFindCertificateInStore(ATrusted, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, Top, nullptr);
  if (!Found) return false;
  ::CertFreeCertificateContext(Found);
  const DWORD Tolerated = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
  if (Built->TrustStatus.dwErrorStatus & ~Tolerated) return false;
  return MeetsServerPolicy(Built, AHost, 0);
}

// After WinInet refused the server's certificate: the request goes again, on handles of its own,
// with WinInet's own checks off, and what the server then presents is checked here against the
// caller's trusted certificates before anything of the answer is used.
int SendTrusting(TInternetRequest& ARequest, TInternetRequest::TState& AState, const TTarget& ATarget,
                 bool ACredentials, const TMemoryStream* ABody, int ARefusal) {
  const std::vector<std::string> Files = TrustedFiles(ARequest.Connect);
  if (Files.empty() || !IsCertificateError(ARefusal)) return ARefusal;
  int Error = ARefusal;
  const TScopedCertStore Trusted = TrustedStore(Files, ARequest, Error);
  if (!Trusted.IsValid()) return Error;
  if (int Code = Open(ARequest, AState, ATarget, ACredentials); Code != kTransferOk) return Code;
  if (!IgnoreCertificateErrors(AState.Request.Get())) return static_cast<int>(::GetLastError());
  if (int Code = SendOnce(ARequest, AState, ABody); Code != kTransferOk) return Code;
  if (ChainsToTrusted(AState.Request.Get(), Trusted.Get(), ATarget.Host)) return kTransferOk;
  AState.Close();
  SetDetail(ARequest, "the server's certificate is neither trusted by the system nor by the certificates given");
  return ARefusal;
}

}  // namespace

int TInternetRequest::Send(const TMemoryStream* ABody) {
  TState& State = *FState;
  if (std::exchange(State.ResendOnSameHandle, false)) {
    if (int Code = SendOnce(*this, State, ABody); Code != kTransferOk) return Code;
    return ReadResponseHead(*this, State) ? kTransferOk : static_cast<int>(::GetLastError());
  }
  Position = 0;
  StatusText.clear();
  ResponseHeaders.clear();
  ErrorBuffer[0] = '\0';
  State.Done = false;
  State.Deadline.reset();
  if (Connect.TotalTimeout > 0) State.Deadline = TClock::now() + std::chrono::milliseconds(Connect.TotalTimeout);
  const std::optional<TTarget> First = SplitUrl(Url);
  if (!First) {
    SetDetail(*this, "not an http or https URL");
    return kTransferUrlMalformed;
  }
  State.CurrentUrl = Url;
  TTarget Target = *First;
  for (int Hop = 0;; ++Hop) {
    const bool Credentials = SameOrigin(Target, *First);
    if (int Code = Open(*this, State, Target, Credentials); Code != kTransferOk) return Code;
    if (int Code = SendOnce(*this, State, ABody); Code != kTransferOk) {
      if (!Target.Secure) return Code;
      if (Code = SendTrusting(*this, State, Target, Credentials, ABody, Code); Code != kTransferOk) return Code;
    }
    if (!ReadResponseHead(*this, State)) return static_cast<int>(::GetLastError());
    if (!IsRedirect(State.Status)) return kTransferOk;
    const std::optional<std::string> Location = QueryText(State.Request.Get(), HTTP_QUERY_LOCATION);
    if (!Location || Trim(*Location).empty()) return kTransferOk;  // nowhere named: the caller sees the 3xx
    if (Hop == kMaxRedirects) {
      SetDetail(*this, Format("more than %d redirects", kMaxRedirects));
      return ERROR_HTTP_REDIRECT_FAILED;
    }
    const std::string Next = ResolveLocation(State.CurrentUrl, *Location);
    const std::optional<TTarget> NextTarget = SplitUrl(Next);
    if (!NextTarget) {
      SetDetail(*this, "redirected to " + UrlWithoutCredentials(Next) + ", which is not an http or https URL");
      return ERROR_HTTP_REDIRECT_FAILED;
    }
    State.CurrentUrl = Next;
    Target = *NextTarget;
  }
}

std::int64_t TInternetRequest::Read(void* ABuffer, std::int64_t ACount) {
  TState& State = *FState;
  if (ACount <= 0 || State.Done) return 0;
  if (DeadlinePassed(State)) RaiseError(DeadlineError(*this));
  ApplyReceiveTimeout(*this, State);
  // A blocking read waits until its whole buffer is filled, however slowly the bytes come; asking
  // first what has arrived keeps each wait to one receive timeout and lets the deadline count.
  DWORD Available = 0;
  DWORD Got = 0;
  const auto Start = TClock::now();
  if (!::InternetQueryDataAvailable(State.Request.Get(), &Available, 0, 0))
    RaiseError(FailureOfWait(*this, State, ::GetLastError(), Start));
  const DWORD Wanted = static_cast<DWORD>(std::min<std::int64_t>({ACount, kMaxRead, Available}));
  if (Wanted > 0 && !::InternetReadFile(State.Request.Get(), ABuffer, Wanted, &Got))
    RaiseError(FailureOfWait(*this, State, ::GetLastError(), Start));
  if (Got == 0) {
    State.Done = true;
    return 0;
  }
  Position += Got;
  return Got;
}

std::int64_t TInternetRequest::Skip(std::int64_t ACount) {
  char Buffer[4096];
  std::int64_t Skipped = 0;
  while (Skipped < ACount) {
    std::int64_t Got = Read(Buffer, std::min<std::int64_t>(sizeof Buffer, ACount - Skipped));
    if (Got == 0) break;
    Skipped += Got;
  }
  return Skipped;
}

std::int32_t TInternetRequest::StatusCode() const { return FState->Status; }

std::int64_t TInternetRequest::ContentLength() const { return FState->Length; }

bool TInternetRequest::ClientCertificateWanted(int ACode) const {
  return ACode == ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED;
}

// The platform's certificate dialog picks a certificate for this very handle, so the request is
// sent again on it.
TWinInetDialogResult TInternetRequest::AskPlatformCertificate(int ACode) {
  const auto Owner = reinterpret_cast<HWND>(WinInetDialogOwner());
  if (!Owner) return drStop;
  const DWORD Result = ::InternetErrorDlg(Owner, FState->Request.Get(), static_cast<DWORD>(ACode),
                                          FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                              FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                                          nullptr);
  if (Result == ERROR_CANCELLED) return drCancel;
  if (Result != ERROR_SUCCESS)
    throw EWinInetException(static_cast<std::int32_t>(Result), "Ошибка WinInet. Код ошибки: " + IntToStr(Result));
  FState->ResendOnSameHandle = true;
  return drRetry;
}

// The login dialog keeps what the user entered on the request handle; the next request is made
// with it.
TWinInetDialogResult TInternetRequest::AskPlatformLogin(TWinInetLoginPrompt& APrompt) {
  const auto Owner = reinterpret_cast<HWND>(WinInetDialogOwner());
  if (!Owner || !FState->Request.IsValid()) return drStop;
  const DWORD Result = ::InternetErrorDlg(Owner, FState->Request.Get(), ERROR_SUCCESS,
                                          FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS,
                                          nullptr);
  if (Result == ERROR_CANCELLED) return drCancel;
  if (Result == ERROR_SUCCESS) return drStop;
  if (Result != ERROR_INTERNET_FORCE_RETRY) RaiseWinInetError(static_cast<int>(Result), "the login dialog failed", Url);
  const bool Proxy = APrompt.StatusCode == 407;
  APrompt.Login = QueryOptionText(FState->Request.Get(), Proxy ? INTERNET_OPTION_PROXY_USERNAME : INTERNET_OPTION_USERNAME);
  APrompt.Password = QueryOptionText(FState->Request.Get(), Proxy ? INTERNET_OPTION_PROXY_PASSWORD : INTERNET_OPTION_PASSWORD);
  return drRetry;
}

}  // namespace Quellit::Detail
