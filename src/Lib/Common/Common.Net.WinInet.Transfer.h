// The transfers under the HTTP client: the handles of a connection and of one request, driven
// step by step by the transfer library so that a body is pulled from the network as it is read.
// Only this unit's .cpp file includes the library; everything here is internal to the client.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Net.WinInet.h"

namespace Quellit::Detail {

// The library's codes the client raises for failures of its own.
inline constexpr int kTransferOk = 0;
inline constexpr int kTransferUrlMalformed = 3;
inline constexpr int kTransferTimedOut = 28;
inline constexpr int kTransferBadArgument = 43;
inline constexpr int kTransferPartialFile = 18;

void InitialiseTransfer();

// EWinInetException "WinInet error (code): <library text>: <detail> (<url>)".
[[noreturn]] void RaiseWinInetError(int ACode, const std::string& ADetail, const std::string& AUrl);

// An HTTP token (verbs, header names).
bool IsToken(std::string_view S);
// The path of a request line, with the bytes a request line cannot carry raw escaped.
std::string EscapeRequestPath(std::string_view APath);

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
