#include "Lib/Common/Common.Net.WinInet.Transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit::Detail {

static_assert(CURLE_OK == kTransferOk && CURLE_URL_MALFORMAT == kTransferUrlMalformed &&
              CURLE_BAD_FUNCTION_ARGUMENT == kTransferBadArgument);
static_assert(CURL_ERROR_SIZE == sizeof(TInternetRequest::ErrorBuffer));

namespace {

// How many body bytes a response holds before the transfer pauses until the reader catches up.
constexpr std::size_t kBodyWindow = 65536;
// More response header bytes than any sane server sends; beyond it the transfer is refused.
constexpr std::size_t kMaxResponseHeaders = 1024 * 1024;

// Credentials never leave through exception texts or logs.
std::string MaskCredentials(const std::string& AHeaders) {
  std::string Result;
  for (std::size_t Start = 0; Start < AHeaders.size();) {
    std::size_t End = AHeaders.find('\n', Start);
    End = End == std::string::npos ? AHeaders.size() : End + 1;
    std::string Line = AHeaders.substr(Start, End - Start);
    for (const char* Name : {"Authorization:", "Proxy-Authorization:"})
      if (Line.size() >= std::strlen(Name) && SameText(Line.substr(0, std::strlen(Name)), Name))
        Line = std::string(Name) + " ***\r\n";
    Result += Line;
    Start = End;
  }
  return Result;
}

std::string HeaderName(const std::string& ALine) { return Trim(ALine.substr(0, ALine.find(':'))); }

bool IsTokenChar(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') ||
         std::strchr("!#$%&'*+-.^_`|~", C) != nullptr;
}

std::size_t OnBody(char* AData, std::size_t ASize, std::size_t ACount, void* ASelf) {
  auto* Self = static_cast<TInternetRequest*>(ASelf);
  if (Self->Available() >= kBodyWindow) {
    Self->Paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  Self->Body.erase(0, Self->BodyPos);
  Self->BodyPos = 0;
  Self->Body.append(AData, ASize * ACount);
  Self->BodyStarted = true;
  return ASize * ACount;
}

std::size_t OnHeader(char* AData, std::size_t ASize, std::size_t ACount, void* ASelf) {
  auto* Self = static_cast<TInternetRequest*>(ASelf);
  std::string Line(AData, ASize * ACount);
  if (Line.starts_with("HTTP/")) {
    // Each response of a redirect or authentication chain starts over; the last one counts.
    Self->ResponseHeaders.clear();
    std::size_t Code = Line.find(' ');
    std::size_t Text = Code == std::string::npos ? std::string::npos : Line.find(' ', Code + 1);
    Self->StatusText = Text == std::string::npos ? std::string() : Trim(Line.substr(Text + 1));
  }
  if (Self->ResponseHeaders.size() + Line.size() > kMaxResponseHeaders) return 0;
  Self->ResponseHeaders += Line;
  return ASize * ACount;
}

int OnDebug(CURL*, curl_infotype AType, char* AData, std::size_t ASize, void* ASelf) {
  if (AType == CURLINFO_HEADER_OUT)
    static_cast<TInternetRequest*>(ASelf)->RequestHeaders = MaskCredentials(std::string(AData, ASize));
  return 0;
}

}  // namespace

void InitialiseTransfer() {
  static const CURLcode Code = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (Code != CURLE_OK) RaiseWinInetError(Code, "", "");
}

// The library's text for ACode, what it said about this transfer, and where it went, so a
// message tells what happened and to which host.
void RaiseWinInetError(int ACode, const std::string& ADetail, const std::string& AUrl) {
  std::string Message = Format("WinInet error (%d): %s", ACode, curl_easy_strerror(static_cast<CURLcode>(ACode)));
  std::string Detail = Trim(ADetail);
  if (!Detail.empty()) Message += ": " + Detail;
  if (!AUrl.empty()) Message += " (" + AUrl + ")";
  throw EWinInetException(ACode, Message);
}

bool IsToken(std::string_view S) { return !S.empty() && std::all_of(S.begin(), S.end(), IsTokenChar); }

// Bytes a request line must not carry raw (controls, blanks, non-ASCII, delimiters) are escaped;
// existing escapes and reserved characters stay as the caller wrote them.
std::string EscapeRequestPath(std::string_view APath) {
  std::string Result;
  for (char C : APath) {
    auto B = static_cast<unsigned char>(C);
    if (B <= 0x20 || B >= 0x7F || std::strchr("\"<>\\^`{|}", C) != nullptr)
      Result += Format("%%%.2x", static_cast<unsigned>(B));
    else
      Result += C;
  }
  return Result;
}

TInternetRequest::TInternetRequest(const TInternetConnect& AConnect, std::string AVerb, std::string AUrl)
    : Connect(AConnect), Verb(std::move(AVerb)), Url(std::move(AUrl)) {}

TInternetRequest::~TInternetRequest() {
  if (Multi && Easy) curl_multi_remove_handle(Multi, Easy);
  if (Easy) curl_easy_cleanup(Easy);
  if (Multi) curl_multi_cleanup(Multi);
  if (HeaderList) curl_slist_free_all(HeaderList);
}

void TInternetRequest::AddHeaderLine(const std::string& ALine) {
  std::string Name = HeaderName(ALine);
  if (ALine.find(':') == std::string::npos || !IsToken(Name))
    RaiseWinInetError(CURLE_BAD_FUNCTION_ARGUMENT, "malformed request header \"" + ALine + "\"", Url);
  auto Same = [&](const std::string& AExisting) { return SameText(HeaderName(AExisting), Name); };
  Headers.erase(std::remove_if(Headers.begin(), Headers.end(), Same), Headers.end());
  Headers.push_back(ALine);
}

void TInternetRequest::Reset() {
  if (Multi && Easy) curl_multi_remove_handle(Multi, Easy);
  Body.clear();
  BodyPos = 0;
  BodyStarted = Paused = Done = false;
  Result = CURLE_OK;
  Position = 0;
  StatusText.clear();
  ResponseHeaders.clear();
  ErrorBuffer[0] = '\0';
}

void TInternetRequest::ConfigureConnection() {
  if (!Connect.Login.empty()) {
    curl_easy_setopt(Easy, CURLOPT_USERNAME, Connect.Login.c_str());
    curl_easy_setopt(Easy, CURLOPT_PASSWORD, Connect.Password.c_str());
    // Asks first and answers the server's challenge, so a password is only sent where asked for.
    curl_easy_setopt(Easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
  }
  switch (Connect.Proxy.Kind) {
    case pkNone:
      curl_easy_setopt(Easy, CURLOPT_PROXY, "");
      break;
    case pkDefault:  // the library reads the usual proxy environment variables itself
      if (Connect.ProxyCredentialsPrompted) {
        curl_easy_setopt(Easy, CURLOPT_PROXYUSERNAME, Connect.Proxy.Login.c_str());
        curl_easy_setopt(Easy, CURLOPT_PROXYPASSWORD, Connect.Proxy.Password.c_str());
      }
      break;
    case pkUserSettings:
    case pkUserSettingsWithAuthority: {
      std::string Proxy = Connect.Proxy.Host + ":" + IntToStr(Connect.Proxy.Port);
      curl_easy_setopt(Easy, CURLOPT_PROXY, Proxy.c_str());
      curl_easy_setopt(Easy, CURLOPT_NOPROXY, "");
      if (Connect.Proxy.Kind == pkUserSettingsWithAuthority || Connect.ProxyCredentialsPrompted) {
        curl_easy_setopt(Easy, CURLOPT_PROXYUSERNAME, Connect.Proxy.Login.c_str());
        curl_easy_setopt(Easy, CURLOPT_PROXYPASSWORD, Connect.Proxy.Password.c_str());
      }
      break;
    }
  }
  if (Connect.IgnoreCertificateErrors) {
    curl_easy_setopt(Easy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(Easy, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  if (!Connect.CertificateFile.empty()) {
    curl_easy_setopt(Easy, CURLOPT_SSLCERT, Connect.CertificateFile.c_str());
    curl_easy_setopt(Easy, CURLOPT_SSLKEY, Connect.KeyFile.empty() ? nullptr : Connect.KeyFile.c_str());
    curl_easy_setopt(Easy, CURLOPT_KEYPASSWD, Connect.KeyPassword.c_str());
  }
  curl_easy_setopt(Easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(Connect.ConnectTimeout));
  // A server that sends nothing for this long is given up on; a paused transfer is not timed.
  curl_easy_setopt(Easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(Easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(Connect.ReceiveTimeout) / 1000));
}

void TInternetRequest::ConfigureVerb(const TMemoryStream* ABody) {
  if (ABody) {
    curl_easy_setopt(Easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(ABody->MemorySize()));
    curl_easy_setopt(Easy, CURLOPT_POSTFIELDS, ABody->MemorySize() ? static_cast<void*>(ABody->Memory()) : "");
    if (Verb != "POST") curl_easy_setopt(Easy, CURLOPT_CUSTOMREQUEST, Verb.c_str());
  } else if (Verb == "GET") {
    curl_easy_setopt(Easy, CURLOPT_HTTPGET, 1L);
  } else if (Verb == "HEAD") {
    curl_easy_setopt(Easy, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(Easy, CURLOPT_CUSTOMREQUEST, Verb.c_str());
  }
}

void TInternetRequest::Configure(const TMemoryStream* ABody) {
  curl_easy_reset(Easy);
  curl_easy_setopt(Easy, CURLOPT_URL, Url.c_str());
  curl_easy_setopt(Easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(Easy, CURLOPT_ERRORBUFFER, ErrorBuffer);
  curl_easy_setopt(Easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(Easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // Redirects are followed with the same verb and body, at most 10 hops.
  curl_easy_setopt(Easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(Easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(Easy, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
  // HTTP/1.1 keeps the status texts that callers and messages show.
  curl_easy_setopt(Easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(Easy, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(Easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(Easy, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(Easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(Easy, CURLOPT_DEBUGFUNCTION, &OnDebug);
  curl_easy_setopt(Easy, CURLOPT_DEBUGDATA, this);
  curl_easy_setopt(Easy, CURLOPT_VERBOSE, 1L);
  ConfigureVerb(ABody);
  ConfigureConnection();
  ConfigureHeaders();
}

// Only the caller's headers go out: the library's own defaults are switched off.
void TInternetRequest::ConfigureHeaders() {
  if (HeaderList) curl_slist_free_all(HeaderList);
  HeaderList = nullptr;
  std::vector<std::string> Lines = Headers;
  for (const char* Name : {"Accept", "Content-Type", "Expect"}) {
    auto Given = [&](const std::string& L) { return SameText(HeaderName(L), Name); };
    if (std::none_of(Lines.begin(), Lines.end(), Given)) Lines.push_back(std::string(Name) + ":");
  }
  for (const std::string& Line : Lines) HeaderList = curl_slist_append(HeaderList, Line.c_str());
  curl_easy_setopt(Easy, CURLOPT_HTTPHEADER, HeaderList);
}

int TInternetRequest::Send(const TMemoryStream* ABody) {
  if (!Easy) Easy = curl_easy_init();
  if (!Multi) Multi = curl_multi_init();
  if (!Easy || !Multi) RaiseError(CURLE_OUT_OF_MEMORY);
  Reset();
  Configure(ABody);
  curl_multi_add_handle(Multi, Easy);
  while (!BodyStarted && !Done) Pump();
  return Done ? Result : CURLE_OK;
}

void TInternetRequest::Pump() {
  if (Paused && Available() < kBodyWindow) {
    Paused = false;
    curl_easy_pause(Easy, CURLPAUSE_CONT);
  }
  int Running = 0;
  curl_multi_perform(Multi, &Running);
  int Queued = 0;
  while (CURLMsg* Msg = curl_multi_info_read(Multi, &Queued))
    if (Msg->msg == CURLMSG_DONE) {
      Done = true;
      Result = Msg->data.result;
    }
  if (!Done && Available() == 0 && !Paused) curl_multi_poll(Multi, nullptr, 0, 200, nullptr);
}

std::int64_t TInternetRequest::Read(void* ABuffer, std::int64_t ACount) {
  if (ACount <= 0) return 0;
  while (Available() == 0 && !Done) Pump();
  if (Available() == 0) {
    if (Result != CURLE_OK) RaiseError(Result);
    return 0;
  }
  std::size_t Count = std::min(Available(), static_cast<std::size_t>(ACount));
  std::memcpy(ABuffer, Body.data() + BodyPos, Count);
  BodyPos += Count;
  Position += static_cast<std::int64_t>(Count);
  return static_cast<std::int64_t>(Count);
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

std::int32_t TInternetRequest::StatusCode() const {
  long Code = 0;
  curl_easy_getinfo(Easy, CURLINFO_RESPONSE_CODE, &Code);
  return static_cast<std::int32_t>(Code);
}

std::int64_t TInternetRequest::ContentLength() const {
  curl_off_t Length = -1;
  curl_easy_getinfo(Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &Length);
  return Length;
}

bool TInternetRequest::ClientCertificateWanted(int ACode) const {
  if (ACode != CURLE_SSL_CONNECT_ERROR && ACode != CURLE_RECV_ERROR && ACode != CURLE_SEND_ERROR &&
      ACode != CURLE_SSL_CERTPROBLEM)
    return false;
  std::string Text = LowerCase(ErrorBuffer);
  return Text.find("certificate required") != std::string::npos || Text.find("handshake failure") != std::string::npos;
}

}  // namespace Quellit::Detail
