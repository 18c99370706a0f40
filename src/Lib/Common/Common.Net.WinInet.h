// The HTTP client every network operation goes through: a connection layer (connections, requests,
// responses and their body streams) and a web client that sends one request per call.
//
// Bodies are streamed: a response stream pulls bytes from the network as it is read and holds at
// most a small window of them, so a download into a stream or a file never sits whole in memory.
// HTTPS certificates are verified unless a connection is told to accept any certificate.
// The transfer library (WinInet on Windows, libcurl elsewhere) stays behind opaque handles.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Lib/Common/Common.Classes.h"
#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Net.h"
#include "Lib/Common/Common.Streams.h"

namespace Quellit {

// A failed transfer; ErrorCode is the backend's code (WinInet's on Windows, libcurl's elsewhere).
class EWinInetException : public Exception {
 public:
  EWinInetException(std::int32_t AErrorCode, std::string AMessage)
      : Exception(std::move(AMessage)), ErrorCode(AErrorCode) {}
  std::int32_t ErrorCode;
};

// A response whose status is not the one the operation needs: 400 or more for any request, any
// status but 200 for a download, any but 207 for a folder listing.
class EHttpStatusException : public Exception {
 public:
  EHttpStatusException(std::int32_t AStatusCode, std::string AStatusMessage, std::string ARequest,
                       std::string AExtendedData);
  std::int32_t StatusCode;
  std::string StatusMessage;
  std::string Request;  // the request headers as sent, credentials masked
  std::string ExtendedData;
};

enum TWinInetProxyKind { pkNone = 0, pkDefault = 1, pkUserSettings = 2, pkUserSettingsWithAuthority = 3 };

enum TWinInetHTTPRequestFlag { rfInternetFlagReload = 0, rfInternetSecure = 1 };

class TWinInetHTTPRequestFlags {
 public:
  constexpr TWinInetHTTPRequestFlags() = default;
  constexpr TWinInetHTTPRequestFlags(std::initializer_list<TWinInetHTTPRequestFlag> AFlags) {
    for (auto Flag : AFlags) Include(Flag);
  }
  constexpr void Include(TWinInetHTTPRequestFlag AFlag) { FBits |= static_cast<std::uint8_t>(1u << AFlag); }
  constexpr bool Contains(TWinInetHTTPRequestFlag AFlag) const { return (FBits >> AFlag) & 1u; }

 private:
  std::uint8_t FBits = 0;
};

// The platform's request flags, as the Cardinal form of the request constructor takes them.
inline constexpr std::uint32_t INTERNET_FLAG_RELOAD = 0x80000000u;
inline constexpr std::uint32_t INTERNET_FLAG_SECURE = 0x00800000u;

// ---- dialogs -----------------------------------------------------------------------------------

// What the user answered in a login or certificate dialog.
enum TWinInetDialogResult { drRetry, drStop, drCancel };

// Asked when a server (401) or proxy (407) wants credentials. The hook may change Login and
// Password; drRetry sends the request again with them.
struct TWinInetLoginPrompt {
  std::string Url;
  std::int32_t StatusCode = 0;
  std::string Login;
  std::string Password;
};
using TWinInetLoginHook = std::function<TWinInetDialogResult(TWinInetLoginPrompt&)>;

// Asked when a TLS server refuses the connection for want of a client certificate. The hook names
// the certificate (PEM) and its key; drRetry connects again with them.
struct TWinInetCertificatePrompt {
  std::string Url;
  std::string ErrorText;
  std::string CertificateFile;
  std::string KeyFile;
  std::string KeyPassword;
};
using TWinInetCertificateHook = std::function<TWinInetDialogResult(TWinInetCertificatePrompt&)>;

// Process-wide, as the platform's dialogs are. Without a hook, the platform's own dialog answers
// where one exists and the caller gave it a window (SetWinInetDialogOwner); otherwise the answer
// is drStop. Each returns the hook it replaces, so a caller can put it back.
TWinInetLoginHook SetWinInetLoginHook(TWinInetLoginHook AHook);
TWinInetCertificateHook SetWinInetCertificateHook(TWinInetCertificateHook AHook);
// The window (HWND on Windows) that owns the platform's dialogs; 0, the default, shows none, so
// an unattended run never waits on a dialog nobody sees. Returns the window it replaces.
std::uintptr_t SetWinInetDialogOwner(std::uintptr_t AWindow);

// ---- connection layer --------------------------------------------------------------------------

namespace Detail {
struct TInternetSession;
struct TInternetConnect;
struct TInternetRequest;
}  // namespace Detail

class TWinInetProxySettings : public TObject {
 public:
  // A null source restores the defaults.
  void Assign(const TWinInetProxySettings* ASource);

  TWinInetProxyKind Kind = pkDefault;
  std::string Host;
  std::int32_t Port = 0;
  std::string Login;
  std::string Password;
};

class TWinInetConnection : public TObject {
 public:
  TWinInetConnection();
  TWinInetConnection(const TWinInetConnection&) = delete;
  TWinInetConnection& operator=(const TWinInetConnection&) = delete;
  ~TWinInetConnection() override;

  virtual std::uint32_t ServiceType() const = 0;
  virtual std::uint32_t ConnectFlags() const { return 0; }

  // Failures raise ExceptionEx "Ошибка при подключении к серверу" with the cause inside and leave
  // the connection disconnected. Nothing goes over the network until a request is sent.
  void Connect();
  void Disconnect();
  bool Connected() const { return FSession != nullptr; }

  const std::string& Host() const { return FHost; }
  void SetHost(std::string AValue) { FHost = std::move(AValue); }
  std::int32_t Port() const { return FPort; }
  void SetPort(std::int32_t AValue) { FPort = AValue; }
  const std::string& Login() const { return FLogin; }
  void SetLogin(std::string AValue) { FLogin = std::move(AValue); }
  const std::string& Password() const { return FPassword; }
  void SetPassword(std::string AValue) { FPassword = std::move(AValue); }
  TWinInetProxySettings& ProxySettings() { return FProxySettings; }
  Detail::TInternetConnect* ConnectHandle() const { return FConnect.get(); }

  // Accepts a certificate with a wrong name, an unknown authority or an unknown revocation state.
  // Off by default: turning it on lets anyone on the network impersonate the server, so it is
  // meant only for a known server with a self-signed certificate.
  bool IgnoreCertificateErrors = false;
  // Milliseconds to establish a connection, and without a single byte received before giving up.
  std::int32_t ConnectTimeout = 60000;
  std::int32_t ReceiveTimeout = 30000;
  // Milliseconds for a whole request, the body included, however slowly it trickles in; 0: none.
  std::int32_t TotalTimeout = 0;
  // Certificates trusted besides the system's (PEM); when empty, $CURL_CA_BUNDLE or $SSL_CERT_FILE
  // name one if set, and $SSL_CERT_DIR names a hashed folder of them if set.
  std::string TrustedCertificatesFile;

 protected:
  std::unique_ptr<Detail::TInternetSession> FSession;
  std::unique_ptr<Detail::TInternetConnect> FConnect;
  TWinInetProxySettings FProxySettings;
  std::string FLogin;
  std::string FHost;
  std::int32_t FPort = 0;
  std::string FPassword;
};

class TWinInetHTTPStream;

class TWinInetHTTP : public TWinInetConnection {
 public:
  TWinInetHTTP() { FPort = 80; }
  std::uint32_t ServiceType() const override { return 3; }

  // A GET of APath below the host; the caller owns the stream. The status is not checked.
  TWinInetHTTPStream* OpenStream(const std::string& APath);
  // Only "http" or no protocol; sets host and port, connects, and sends the path without the query.
  TWinInetHTTPStream* OpenStream(const TUri& AUri);

  void DownloadFile(const std::string& ASourcePath, TStream& ADestStream);
  void DownloadFile(const std::string& ASourcePath, const std::string& ADestFilename);
  // Saves the body into ADestPath under the server's file name, else ADefaultFilename, else the
  // last segment of ASourcePath. Only the server's last path segment is used as a name.
  void DownloadWithPreferableFilename(const std::string& ASourcePath, const std::string& ADestPath,
                                      const std::string& ADefaultFilename);

  static void Download(const std::string& AUrl, TStream& ADestStream);
  static void Download(const std::string& AUrl, const std::string& ADestFilename);
  static TBytes SendData(const std::string& AUrl, const std::string& AVerb, TStream* AData,
                         const std::string& AUserName, const std::string& APassword);
  static TBytes SendData(const std::string& AUrl, const std::string& AVerb, const TBytes& AData,
                         const std::string& AUserName, const std::string& APassword);
};

class TWinInetHTTPS : public TWinInetHTTP {
 public:
  TWinInetHTTPS() { FPort = 443; }
};

// The transfer of one request, shared by the request, its response and their body streams: the
// last of them to go closes it.
using TWinInetTransfer = std::shared_ptr<Detail::TInternetRequest>;

// A body stream over a request's transfer. Reads go forward only: a seek may move to the current
// position or skip ahead, never back.
class TWinInetStream : public TStream {
 public:
  explicit TWinInetStream(TWinInetTransfer AHandle) : FHandle(std::move(AHandle)) {}

  std::int64_t Read(void* ABuffer, std::int64_t ACount) override;
  std::int64_t Write(const void* ABuffer, std::int64_t ACount) override;
  std::int64_t Seek(std::int64_t AOffset, TSeekOrigin AOrigin) override;
  // The length the server announced; a body of unknown length has no size.
  std::int64_t Size() override;

  std::int32_t CopyWhileReadableTo(TStream& ADest, std::int32_t AMaxBytes);
  // The body goes into a file beside ADestFilename, renamed into place once complete (its length
  // checked when the server announced one); on any failure an existing file stays as it was.
  void SaveToFile(const std::string& ADestFilename, bool ACanOverride);
  void SaveToStream(TStream& AStream);
  TBytes ToBytes();

  Detail::TInternetRequest* Handle() const { return FHandle.get(); }

 protected:
  TWinInetTransfer FHandle;
};

// A GET request sent on construction; its transfer ends with the stream.
class TWinInetHTTPStream : public TWinInetStream {
 public:
  TWinInetHTTPStream(TWinInetHTTP& AHTTP, const std::string& APath);
  // The file name of the response's Content-Disposition header; "" when it has none.
  std::string GetFilename() const;
};

class TWinInetHTTPResponse;

class TWinInetHTTPRequest : public TObject {
 public:
  TWinInetHTTPRequest(TWinInetHTTP& AHTTP, const std::string& APath, const std::string& AVerb, std::uint32_t AFlags);
  TWinInetHTTPRequest(TWinInetHTTP& AHTTP, const std::string& APath, const std::string& AVerb,
                      TWinInetHTTPRequestFlags AFlags);
  TWinInetHTTPRequest(const TWinInetHTTPRequest&) = delete;
  TWinInetHTTPRequest& operator=(const TWinInetHTTPRequest&) = delete;
  ~TWinInetHTTPRequest() override;

  // One or more "Name: value" lines separated by CR LF; a header with the same name is replaced.
  void AddHeader(const std::string& AHeader);
  // The body, created on first use; EInvalidOpException once the request was sent.
  TStream& RequestStream();
  // Sends the request (once) and waits for the response's headers.
  TSharedPtr<TWinInetHTTPResponse> GetResponse(bool ACheckStatusCode);

  Detail::TInternetRequest* Handle() const { return FHandle.get(); }

 private:
  friend class TWinInetHTTPResponse;
  void Send();

  TWinInetTransfer FHandle;  // shared with the response, which may outlive the request
  TWinInetHTTP* FHTTP;
  std::unique_ptr<TMemoryStream> FRequestStream;
  bool FGetResponseCalled = false;
};

class TWinInetHTTPResponse : public TObject {
 public:
  explicit TWinInetHTTPResponse(const TWinInetHTTPRequest& ARequest);
  TWinInetHTTPResponse(const TWinInetHTTPResponse&) = delete;
  TWinInetHTTPResponse& operator=(const TWinInetHTTPResponse&) = delete;

  Detail::TInternetRequest* Handle() const { return FHandle.get(); }
  TWinInetStream& ResponseStream() { return *FResponseStream; }
  std::int32_t StatusCode() const;
  std::string StatusText() const;
  // The request headers as sent (credentials masked).
  std::string RawRequestHeaders() const;

 private:
  TWinInetTransfer FHandle;
  std::unique_ptr<TWinInetStream> FResponseStream;
};

// ---- web client --------------------------------------------------------------------------------

class TWinInetWebClient : public TObject {
 public:
  // AUrl not starting with "http://" or "https://" (in any letter case) is joined to BaseUrl. Either
  // stream may be null. The body is copied into AResponse from its position, which is restored
  // afterwards; the status check (when on) runs after the copy.
  void SendRequest(const std::string& AUrl, const std::string& AVerb, TStream* ARequest, TStream* AResponse);

  // Downloads need a final 200: a 204, a 206 nobody asked for or a 3xx that was not followed
  // (one without "Location") raises EHttpStatusException like an error status.
  void DownloadData(const std::string& AUrl, TStream& ADest);
  // Written beside the file and renamed into place once complete (its length checked when the
  // server announced one); on any failure an existing file stays byte for byte as it was.
  void DownloadData(const std::string& AUrl, const std::string& ADestFilename);
  TBytes DownloadData(const std::string& AUrl);
  std::string DownloadString(const std::string& AUrl);
  std::string UploadString(const std::string& AUrl, const std::string& ARequest);

  std::map<std::string, std::string>& Headers() { return FHeaders; }
  TWinInetProxySettings& ProxySettings() { return FProxySettings; }
  std::int32_t ResponseStatusCode() const { return FResponseStatusCode; }
  const std::string& ResponseStatusText() const { return FResponseStatusText; }
  const std::string& RequestHeaders() const { return FRequestHeaders; }

  std::string BaseUrl;
  std::string Login;
  std::string Password;
  bool LoginPromt = false;
  bool ForceReload = false;
  bool ShouldCheckStatusCode = true;
  // With the status check on, a final status other than this one raises as well; 0: only 400 or more.
  std::int32_t RequiredStatusCode = 0;
  // Passed on to every connection the client makes (see TWinInetConnection).
  bool IgnoreCertificateErrors = false;
  std::string TrustedCertificatesFile;
  std::int32_t ConnectTimeout = 60000;
  std::int32_t ReceiveTimeout = 30000;
  // Milliseconds a whole request may take, its body included: PROPFIND requests, and every other.
  std::int32_t PropFindTimeout = 60 * 1000;
  std::int32_t TransferTimeout = 5 * 60 * 1000;

 private:
  std::unique_ptr<TWinInetHTTP> NewConnection(const TUri& AUri, bool ASecure, const std::string& AVerb) const;
  std::unique_ptr<TWinInetHTTPRequest> NewRequest(TWinInetHTTP& AHTTP, const TUri& AUri, const std::string& AVerb,
                                                  bool ASecure, TStream* ARequest) const;
  TSharedPtr<TWinInetHTTPResponse> Send(const std::string& AUrl, const std::string& AVerb, TStream* ARequest,
                                        std::unique_ptr<TWinInetHTTP>& AHTTP, std::unique_ptr<TWinInetHTTPRequest>& AReq);
  void SendExpecting(const std::string& AUrl, const std::string& AVerb, TStream* ARequest, TStream* AResponse,
                     std::int32_t ARequiredStatus);

  std::map<std::string, std::string> FHeaders;
  std::string FResponseStatusText;
  std::string FRequestHeaders;
  std::int32_t FResponseStatusCode = 0;
  TWinInetProxySettings FProxySettings;
};

// The file name of the first "Content-Disposition:" line of ARawHeaders (CR LF separated) that
// holds "filename="; "" when none does.
std::string ContentDispositionFilename(const std::string& ARawHeaders);

}  // namespace Quellit
