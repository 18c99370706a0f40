// The transfers over WinInet, the Windows Internet API. Each request owns its session, connect
// and request handles, so a redirect to another host or a retry after a dialog starts clean.
// Redirects are followed here rather than by WinInet, which keeps the verb and the body only for
// some verbs and statuses: every request follows them with the same verb and body, at most 10
// hops, http and https only, the login going to the origin the caller named alone, as on every
// other platform. Nothing is read from or written to the user's cache, and no cookies are sent.
#include "Lib/Common/Common.Net.WinInet.Transfer.h"

#include "Platform/Win32/SystemCall.h"

#include <wininet.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Net.WinInet.Trust.h"
#include "Lib/Common/Common.SysUtils.h"

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

// The code of a call that failed; never kTransferOk, which would pass for a sent request.
int LastFailure() {
  const DWORD Error = ::GetLastError();
  return Error ? static_cast<int>(Error) : ERROR_HTTP_INVALID_SERVER_RESPONSE;
}

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
  // INTERNET_FLAG_KEEP_CONNECTION stays off: with it a connection made without certificate checks
  // is kept for the next request to the server, its "Connection: close" notwithstanding.
  DWORD Flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                INTERNET_FLAG_NO_AUTO_REDIRECT;
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
  if (!AState.Session.IsValid()) return LastFailure();
  SetNumberOption(AState.Session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, ClampedMilliseconds(Connect.ConnectTimeout));
  const std::wstring Host = WideOf(ATarget.Host);
  const std::wstring Login = WideOf(ACredentials ? Connect.Login : "");
  const std::wstring Password = WideOf(ACredentials ? Connect.Password : "");
  AState.Connection.Reset(::InternetConnectW(AState.Session.Get(), Host.c_str(), ATarget.Port,
                                             Login.empty() ? nullptr : Login.c_str(),
                                             Login.empty() ? nullptr : Password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
  if (!AState.Connection.IsValid()) return LastFailure();
  if (Connect.Proxy.Kind == pkUserSettingsWithAuthority || Connect.ProxyCredentialsPrompted) {
    if (!SetTextOption(AState.Connection.Get(), INTERNET_OPTION_PROXY_USERNAME, Connect.Proxy.Login) ||
        !SetTextOption(AState.Connection.Get(), INTERNET_OPTION_PROXY_PASSWORD, Connect.Proxy.Password))
      return LastFailure();
  }
  const std::wstring Verb = WideOf(ARequest.Verb);
  const std::wstring Object = WideOf(ATarget.Object);
  AState.Request.Reset(::HttpOpenRequestW(AState.Connection.Get(), Verb.c_str(), Object.c_str(), nullptr, nullptr,
                                          nullptr, RequestFlags(ATarget), 0));
  if (!AState.Request.IsValid()) return LastFailure();
  SetNumberOption(AState.Request.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, ClampedMilliseconds(Connect.ConnectTimeout));
  if (ATarget.Secure && !SetCertificateChecks(AState.Request.Get(), Connect.IgnoreCertificateErrors))
    return LastFailure();
  for (const std::string& Line : ARequest.Headers) {
    const std::wstring Header = WideOf(Line + "\r\n");
    if (!::HttpAddRequestHeadersW(AState.Request.Get(), Header.c_str(), static_cast<DWORD>(Header.size()),
                                  HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
      return LastFailure();
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
  ::SetLastError(ERROR_SUCCESS);
  SetDetail(ARequest, "the response's status line or headers cannot be read");
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
  SetDetail(ARequest, "");
  return true;
}

bool IsRedirect(std::int32_t AStatus) {
  return AStatus == 301 || AStatus == 302 || AStatus == 303 || AStatus == 307 || AStatus == 308;
}

// After WinInet refused the server's certificate: the request goes again, on handles of its own,
// with WinInet's own checks off, and what the server then presents is checked here against the
// caller's trusted certificates before anything of the answer is used.
int SendTrusting(TInternetRequest& ARequest, TInternetRequest::TState& AState, const TTarget& ATarget,
                 bool ACredentials, const TMemoryStream* ABody, int ARefusal) {
  const std::vector<std::string> Files = TrustedCertificateFiles(ARequest.Connect);
  if (Files.empty() || !IsCertificateRefusal(ARefusal)) return ARefusal;
  const TTrustedCertificates Trusted(Files);
  if (!Trusted.Error().empty()) {
    SetDetail(ARequest, Trusted.Error());
    return ERROR_INTERNET_SEC_INVALID_CERT;
  }
  if (int Code = Open(ARequest, AState, ATarget, ACredentials); Code != kTransferOk) return Code;
  if (!IgnoreCertificateErrors(AState.Request.Get())) return LastFailure();
  if (int Code = SendOnce(ARequest, AState, ABody); Code != kTransferOk) return Code;
  if (Trusted.ServedChainIsTrusted(AState.Request.Get(), ATarget.Host)) return kTransferOk;
  AState.Close();
  SetDetail(ARequest, "the server's certificate is neither trusted by the system nor by the certificates given");
  return ARefusal;
}

}  // namespace

int TInternetRequest::Send(const TMemoryStream* ABody) {
  TState& State = *FState;
  if (std::exchange(State.ResendOnSameHandle, false)) {
    if (int Code = SendOnce(*this, State, ABody); Code != kTransferOk) return Code;
    return ReadResponseHead(*this, State) ? kTransferOk : LastFailure();
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
    if (!ReadResponseHead(*this, State)) return LastFailure();
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
