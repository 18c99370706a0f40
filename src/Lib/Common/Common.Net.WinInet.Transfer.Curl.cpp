#include "Lib/Common/Common.Net.WinInet.Transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/Environment.h"
#include "Platform/File.h"

namespace Quellit::Detail {

static_assert(CURLE_OK == kTransferOk && CURLE_URL_MALFORMAT == kTransferUrlMalformed &&
              CURLE_BAD_FUNCTION_ARGUMENT == kTransferBadArgument && CURLE_OPERATION_TIMEDOUT == kTransferTimedOut &&
              CURLE_PARTIAL_FILE == kTransferPartialFile);
static_assert(CURL_ERROR_SIZE == sizeof(TInternetRequest::ErrorBuffer));

using TClock = std::chrono::steady_clock;

// The transfer's state, touched by the library's callbacks.
struct TInternetRequest::TState {
  explicit TState(TInternetRequest& AOwner) : Owner(AOwner) {}
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;
  ~TState() {
    if (Multi && Easy) curl_multi_remove_handle(Multi, Easy);
    if (Easy) curl_easy_cleanup(Easy);
    if (Multi) curl_multi_cleanup(Multi);
    if (HeaderList) curl_slist_free_all(HeaderList);
  }

  std::size_t Available() const { return Body.size() - BodyPos; }

  TInternetRequest& Owner;
  CURL* Easy = nullptr;
  CURLM* Multi = nullptr;
  curl_slist* HeaderList = nullptr;
  std::string Body;  // received and not yet read: Body[BodyPos..]
  std::size_t BodyPos = 0;
  bool BodyStarted = false;
  bool Paused = false;
  bool Done = false;
  CURLcode Result = CURLE_OK;
  std::optional<TClock::time_point> Deadline;
  std::string TrustBundle;  // the extra trusted certificates, kept for the transfer's life
};

namespace {

// How many body bytes a response holds before the transfer pauses until the reader catches up.
constexpr std::size_t kBodyWindow = 65536;
// More response header bytes than any sane server sends; beyond it the transfer is refused.
constexpr std::size_t kMaxResponseHeaders = 1024 * 1024;

std::size_t OnBody(char* AData, std::size_t ASize, std::size_t ACount, void* ASelf) {
  auto* Self = static_cast<TInternetRequest::TState*>(ASelf);
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
  auto* Self = &static_cast<TInternetRequest::TState*>(ASelf)->Owner;
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
    static_cast<TInternetRequest::TState*>(ASelf)->Owner.RequestHeaders = MaskCredentials(std::string(AData, ASize));
  return 0;
}

}  // namespace

void InitialiseTransfer() {
  static const CURLcode Code = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (Code != CURLE_OK) RaiseWinInetError(Code, "", "");
}

std::string TransferErrorText(int ACode) { return curl_easy_strerror(static_cast<CURLcode>(ACode)); }

// libcurl has no dialogs of its own: a hook is the only way to ask.
TWinInetDialogResult TInternetRequest::AskPlatformLogin(TWinInetLoginPrompt&) { return drStop; }
TWinInetDialogResult TInternetRequest::AskPlatformCertificate(int) { return drStop; }

TInternetRequest::TInternetRequest(const TInternetConnect& AConnect, std::string AVerb, std::string AUrl)
    : Connect(AConnect), Verb(std::move(AVerb)), Url(std::move(AUrl)), FState(std::make_unique<TState>(*this)) {}

TInternetRequest::~TInternetRequest() = default;

namespace {

void ConfigureCredentials(CURL* AEasy, const TInternetConnect& AConnect) {
  if (AConnect.Login.empty()) return;
  curl_easy_setopt(AEasy, CURLOPT_USERNAME, AConnect.Login.c_str());
  curl_easy_setopt(AEasy, CURLOPT_PASSWORD, AConnect.Password.c_str());
  // Asks first and answers the server's challenge, so a password is only sent where asked for.
  curl_easy_setopt(AEasy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
}

void ConfigureProxy(CURL* AEasy, const TInternetConnect& AConnect) {
  switch (AConnect.Proxy.Kind) {
    case pkNone:
      curl_easy_setopt(AEasy, CURLOPT_PROXY, "");
      break;
    case pkDefault:  // the library reads the usual proxy environment variables itself
      if (AConnect.ProxyCredentialsPrompted) {
        curl_easy_setopt(AEasy, CURLOPT_PROXYUSERNAME, AConnect.Proxy.Login.c_str());
        curl_easy_setopt(AEasy, CURLOPT_PROXYPASSWORD, AConnect.Proxy.Password.c_str());
      }
      break;
    case pkUserSettings:
    case pkUserSettingsWithAuthority: {
      std::string Proxy = AConnect.Proxy.Host + ":" + IntToStr(AConnect.Proxy.Port);
      curl_easy_setopt(AEasy, CURLOPT_PROXY, Proxy.c_str());
      curl_easy_setopt(AEasy, CURLOPT_NOPROXY, "");
      if (AConnect.Proxy.Kind == pkUserSettingsWithAuthority || AConnect.ProxyCredentialsPrompted) {
        curl_easy_setopt(AEasy, CURLOPT_PROXYUSERNAME, AConnect.Proxy.Login.c_str());
        curl_easy_setopt(AEasy, CURLOPT_PROXYPASSWORD, AConnect.Proxy.Password.c_str());
      }
      break;
    }
  }
}

// Verification stays on unless the connection says otherwise. Certificates named by the caller or
// by $CURL_CA_BUNDLE / $SSL_CERT_FILE are trusted besides the system's bundle, not instead of it:
// they are handed over together in memory. $SSL_CERT_DIR names the hashed folder to use.
void ConfigureTrust(CURL* AEasy, const TInternetConnect& AConnect, std::string& ABundle) {
  if (AConnect.IgnoreCertificateErrors) {
    curl_easy_setopt(AEasy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(AEasy, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  ABundle.clear();
  for (const std::string& File : TrustedCertificateFiles(AConnect)) {
    std::vector<std::uint8_t> Bytes;
    try {
      Bytes = Platform::ReadAllBytes(File);
    } catch (const Exception& E) {
      RaiseWinInetError(CURLE_SSL_CACERT_BADFILE, "cannot read the trusted certificates " + File + ": " + E.Message(), "");
    }
    const std::string Text(Bytes.begin(), Bytes.end());
    // The library skips what is no certificate: a wrong file must not read as "nothing more to trust".
    if (Text.find("-----BEGIN CERTIFICATE-----") == std::string::npos)
      RaiseWinInetError(CURLE_SSL_CACERT_BADFILE, "no certificate in the trusted certificates " + File, "");
    ABundle += Text;
    ABundle += "\n";
  }
  if (!ABundle.empty()) {
    curl_blob Blob{ABundle.data(), ABundle.size(), CURL_BLOB_NOCOPY};
    curl_easy_setopt(AEasy, CURLOPT_CAINFO_BLOB, &Blob);
  }
  std::string Folder = AConnect.TrustedCertificatesFolder;
  if (Folder.empty()) Folder = Platform::GetEnvOr("SSL_CERT_DIR", "");
  if (!Folder.empty()) curl_easy_setopt(AEasy, CURLOPT_CAPATH, Folder.c_str());
  if (!AConnect.CertificateFile.empty()) {
    curl_easy_setopt(AEasy, CURLOPT_SSLCERT, AConnect.CertificateFile.c_str());
    curl_easy_setopt(AEasy, CURLOPT_SSLKEY, AConnect.KeyFile.empty() ? nullptr : AConnect.KeyFile.c_str());
    curl_easy_setopt(AEasy, CURLOPT_KEYPASSWD, AConnect.KeyPassword.c_str());
  }
}

void ConfigureTimeouts(CURL* AEasy, const TInternetConnect& AConnect) {
  curl_easy_setopt(AEasy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(AConnect.ConnectTimeout));
  // A server that sends nothing for this long is given up on; a paused transfer is not timed.
  curl_easy_setopt(AEasy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(AEasy, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(AConnect.ReceiveTimeout) / 1000));
  // The whole transfer is also watched by Pump, which counts the time the reader paused it too.
  if (AConnect.TotalTimeout > 0) curl_easy_setopt(AEasy, CURLOPT_TIMEOUT_MS, static_cast<long>(AConnect.TotalTimeout));
}

void ConfigureVerb(CURL* AEasy, const std::string& AVerb, const TMemoryStream* ABody) {
  if (ABody) {
    curl_easy_setopt(AEasy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(ABody->MemorySize()));
    curl_easy_setopt(AEasy, CURLOPT_POSTFIELDS, ABody->MemorySize() ? static_cast<void*>(ABody->Memory()) : "");
    if (AVerb != "POST") curl_easy_setopt(AEasy, CURLOPT_CUSTOMREQUEST, AVerb.c_str());
  } else if (AVerb == "GET") {
    curl_easy_setopt(AEasy, CURLOPT_HTTPGET, 1L);
  } else if (AVerb == "HEAD") {
    curl_easy_setopt(AEasy, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(AEasy, CURLOPT_CUSTOMREQUEST, AVerb.c_str());
  }
}

// Only the caller's headers go out: the library's own defaults are switched off.
curl_slist* HeaderListOf(const std::vector<std::string>& AHeaders) {
  std::vector<std::string> Lines = AHeaders;
  for (const char* Name : {"Accept", "Content-Type", "Expect"}) {
    auto Given = [&](const std::string& L) { return SameText(HeaderName(L), Name); };
    if (std::none_of(Lines.begin(), Lines.end(), Given)) Lines.push_back(std::string(Name) + ":");
  }
  curl_slist* List = nullptr;
  for (const std::string& Line : Lines) List = curl_slist_append(List, Line.c_str());
  return List;
}

void Reset(TInternetRequest::TState& AState) {
  if (AState.Multi && AState.Easy) curl_multi_remove_handle(AState.Multi, AState.Easy);
  AState.Body.clear();
  AState.BodyPos = 0;
  AState.BodyStarted = AState.Paused = AState.Done = false;
  AState.Result = CURLE_OK;
  AState.Deadline.reset();
  TInternetRequest& Owner = AState.Owner;
  Owner.Position = 0;
  Owner.StatusText.clear();
  Owner.ResponseHeaders.clear();
  Owner.ErrorBuffer[0] = '\0';
}

void Configure(TInternetRequest::TState& AState, const TMemoryStream* ABody) {
  CURL* Easy = AState.Easy;
  TInternetRequest& Owner = AState.Owner;
  curl_easy_reset(Easy);
  curl_easy_setopt(Easy, CURLOPT_URL, Owner.Url.c_str());
  curl_easy_setopt(Easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(Easy, CURLOPT_ERRORBUFFER, Owner.ErrorBuffer);
  curl_easy_setopt(Easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(Easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // Redirects are followed with the same verb and body, at most 10 hops.
  curl_easy_setopt(Easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(Easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(Easy, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
  // HTTP/1.1 keeps the status texts that callers and messages show.
  curl_easy_setopt(Easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(Easy, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(Easy, CURLOPT_WRITEDATA, &AState);
  curl_easy_setopt(Easy, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(Easy, CURLOPT_HEADERDATA, &AState);
  curl_easy_setopt(Easy, CURLOPT_DEBUGFUNCTION, &OnDebug);
  curl_easy_setopt(Easy, CURLOPT_DEBUGDATA, &AState);
  curl_easy_setopt(Easy, CURLOPT_VERBOSE, 1L);
  ConfigureVerb(Easy, Owner.Verb, ABody);
  ConfigureCredentials(Easy, Owner.Connect);
  ConfigureProxy(Easy, Owner.Connect);
  ConfigureTrust(Easy, Owner.Connect, AState.TrustBundle);
  ConfigureTimeouts(Easy, Owner.Connect);
  if (AState.HeaderList) curl_slist_free_all(AState.HeaderList);
  AState.HeaderList = HeaderListOf(Owner.Headers);
  curl_easy_setopt(Easy, CURLOPT_HTTPHEADER, AState.HeaderList);
}

// Ends the transfer as timed out when its deadline has passed, however long the reader paused it.
bool DeadlinePassed(TInternetRequest::TState& AState) {
  if (!AState.Deadline || TClock::now() < *AState.Deadline) return false;
  curl_multi_remove_handle(AState.Multi, AState.Easy);
  AState.Done = true;
  AState.Result = CURLE_OPERATION_TIMEDOUT;
  std::snprintf(AState.Owner.ErrorBuffer, sizeof AState.Owner.ErrorBuffer,
                "the request did not complete within its deadline of %d ms", AState.Owner.Connect.TotalTimeout);
  return true;
}

void Pump(TInternetRequest::TState& AState) {
  if (DeadlinePassed(AState)) return;
  if (AState.Paused && AState.Available() < kBodyWindow) {
    AState.Paused = false;
    curl_easy_pause(AState.Easy, CURLPAUSE_CONT);
  }
  int Running = 0;
  curl_multi_perform(AState.Multi, &Running);
  int Queued = 0;
  while (CURLMsg* Msg = curl_multi_info_read(AState.Multi, &Queued))
    if (Msg->msg == CURLMSG_DONE) {
      AState.Done = true;
      AState.Result = Msg->data.result;
    }
  if (!AState.Done && AState.Available() == 0 && !AState.Paused) {
    int Wait = 200;
    if (AState.Deadline) {
      auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(*AState.Deadline - TClock::now()).count();
      Wait = static_cast<int>(std::clamp<long long>(Left + 1, 1, Wait));
    }
    curl_multi_poll(AState.Multi, nullptr, 0, Wait, nullptr);
  }
}

}  // namespace

int TInternetRequest::Send(const TMemoryStream* ABody) {
  TState& State = *FState;
  if (!State.Easy) State.Easy = curl_easy_init();
  if (!State.Multi) State.Multi = curl_multi_init();
  if (!State.Easy || !State.Multi) RaiseError(CURLE_OUT_OF_MEMORY);
  Reset(State);
  Configure(State, ABody);
  if (Connect.TotalTimeout > 0) State.Deadline = TClock::now() + std::chrono::milliseconds(Connect.TotalTimeout);
  curl_multi_add_handle(State.Multi, State.Easy);
  while (!State.BodyStarted && !State.Done) Pump(State);
  return State.Done && State.Result != CURLE_OK ? State.Result : CURLE_OK;
}

std::int64_t TInternetRequest::Read(void* ABuffer, std::int64_t ACount) {
  TState& State = *FState;
  if (ACount <= 0) return 0;
  while (State.Available() == 0 && !State.Done) Pump(State);
  if (State.Available() == 0) {
    if (State.Result != CURLE_OK) RaiseError(State.Result);
    return 0;
  }
  std::size_t Count = std::min(State.Available(), static_cast<std::size_t>(ACount));
  std::memcpy(ABuffer, State.Body.data() + State.BodyPos, Count);
  State.BodyPos += Count;
  Position += static_cast<std::int64_t>(Count);
  return static_cast<std::int64_t>(Count);
}

std::int32_t TInternetRequest::StatusCode() const {
  long Code = 0;
  curl_easy_getinfo(FState->Easy, CURLINFO_RESPONSE_CODE, &Code);
  return static_cast<std::int32_t>(Code);
}

std::int64_t TInternetRequest::ContentLength() const {
  curl_off_t Length = -1;
  curl_easy_getinfo(FState->Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &Length);
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
