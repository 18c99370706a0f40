// The transfers under the HTTP client: the handles of a connection and of one request, driven
// step by step so that a body is pulled from the network as it is read. The portable part is in
// this unit's .cpp; the backend CMake picks (.Curl.cpp over libcurl, .Native.cpp over WinInet)
// holds every call into its library. Everything here is internal to the client.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Net.WinInet.h"

namespace Quellit::Detail {

// The backend's codes the client raises for failures of its own, so that an error code always
// means what the backend's own error texts say it means.
inline constexpr int kTransferOk = 0;
#if defined(_WIN32)
inline constexpr int kTransferUrlMalformed = 12005;  // ERROR_INTERNET_INVALID_URL
inline constexpr int kTransferTimedOut = 12002;      // ERROR_INTERNET_TIMEOUT
inline constexpr int kTransferBadArgument = 12016;   // ERROR_INTERNET_INVALID_OPERATION
inline constexpr int kTransferPartialFile = 12030;   // ERROR_INTERNET_CONNECTION_ABORTED
#else
inline constexpr int kTransferUrlMalformed = 3;
inline constexpr int kTransferTimedOut = 28;
inline constexpr int kTransferBadArgument = 43;
inline constexpr int kTransferPartialFile = 18;
#endif

void InitialiseTransfer();

// The backend's own text for ACode; "" when it has none.
std::string TransferErrorText(int ACode);
// EWinInetException "WinInet error (code): <backend text>: <detail> (<url>)".
[[noreturn]] void RaiseWinInetError(int ACode, const std::string& ADetail, const std::string& AUrl);

// An HTTP token (verbs, header names).
bool IsToken(std::string_view S);
// The path of a request line, with the bytes a request line cannot carry raw escaped.
std::string EscapeRequestPath(std::string_view APath);
// The name of a "Name: value" header line, trimmed.
std::string HeaderName(const std::string& ALine);
// Raw header lines with the values of "Authorization" and "Proxy-Authorization" as "***":
// credentials never leave through exception texts or logs.
std::string MaskCredentials(const std::string& AHeaders);

// The window the caller gave the platform's dialogs; 0 when none was given (no dialog is shown).
std::uintptr_t WinInetDialogOwner();

struct TInternetSession {};

// What every request of a connection is sent with.
struct TInternetConnect {
  std::string ServerName;
  std::int32_t Port = 0;
  std::string Login;
  std::string Password;
  TWinInetProxySettings Proxy;
  bool ProxyCredentialsPrompted = false;  // a 407 was answered in the login dialog
  bool IgnoreCertificateErrors = false;
  std::int32_t ConnectTimeout = 0;
  std::int32_t ReceiveTimeout = 0;
  std::int32_t TotalTimeout = 0;  // milliseconds for the whole transfer, body included; 0: none
  // Trust besides the system's: a file of certificates and a hashed folder of them; "" for none.
  std::string TrustedCertificatesFile;
  std::string TrustedCertificatesFolder;
  std::string CertificateFile;
  std::string KeyFile;
  std::string KeyPassword;
};

// Every certificate file named for a connection: its own, then $CURL_CA_BUNDLE and $SSL_CERT_FILE
// where set, each once.
std::vector<std::string> TrustedCertificateFiles(const TInternetConnect& AConnect);

// One request and its response.
struct TInternetRequest {
  // AUrl is the absolute URL of the request; AVerb must be a token.
  TInternetRequest(const TInternetConnect& AConnect, std::string AVerb, std::string AUrl);
  TInternetRequest(const TInternetRequest&) = delete;
  TInternetRequest& operator=(const TInternetRequest&) = delete;
  ~TInternetRequest();

  // One "Name: value" line; a header of the same name is replaced.
  void AddHeaderLine(const std::string& ALine);
  // Sends (again, after a failure) and waits for the response's headers; the library's code.
  int Send(const TMemoryStream* ABody);
  // Body bytes; 0 at the end; a failed transfer raises.
  std::int64_t Read(void* ABuffer, std::int64_t ACount);
  std::int64_t Skip(std::int64_t ACount);
  std::int32_t StatusCode() const;
  std::int64_t ContentLength() const;  // -1 when not announced
  [[noreturn]] void RaiseError(int ACode) const { RaiseWinInetError(ACode, ErrorBuffer, Url); }
  // The TLS server turned the connection down for want of a client certificate.
  bool ClientCertificateWanted(int ACode) const;
  // The platform's own dialogs, asked when no hook is installed: for credentials after a 401 or
  // 407 (the prompt gets what the user entered) and for a client certificate after ACode. Without
  // a dialog owner, or on a platform without such dialogs, the answer is drStop.
  TWinInetDialogResult AskPlatformLogin(TWinInetLoginPrompt& APrompt);
  TWinInetDialogResult AskPlatformCertificate(int ACode);

  TInternetConnect Connect;
  std::string Verb;
  std::string Url;
  std::vector<std::string> Headers;
  std::int64_t Position = 0;
  std::string StatusText;
  std::string ResponseHeaders;  // the final response's, CR LF separated
  std::string RequestHeaders;   // as last sent, credentials masked
  char ErrorBuffer[256] = {};

  // The library's handles and the body window live in the implementation.
  struct TState;

 private:
  std::unique_ptr<TState> FState;
};

}  // namespace Quellit::Detail
