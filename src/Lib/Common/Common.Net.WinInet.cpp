#include "Lib/Common/Common.Net.WinInet.h"

#include <algorithm>
#include <optional>

#include "Lib/Common/Common.ExceptionEx.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Net.WinInet.Transfer.h"
#include "Lib/Common/Common.StringUtils.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"
#include "Platform/Path.h"
#include "Platform/ReplacementFile.h"
#include "Platform/SystemError.h"

namespace Quellit {

namespace {

constexpr const char* kUnit = "Lib/Common/Common.Net.WinInet";

TWinInetLoginHook& LoginHook() {
  static TWinInetLoginHook Hook;
  return Hook;
}

TWinInetCertificateHook& CertificateHook() {
  static TWinInetCertificateHook Hook;
  return Hook;
}

std::uintptr_t& DialogOwner() {
  static std::uintptr_t Window = 0;
  return Window;
}

}  // namespace

std::uintptr_t SetWinInetDialogOwner(std::uintptr_t AWindow) { return std::exchange(DialogOwner(), AWindow); }

std::uintptr_t Detail::WinInetDialogOwner() { return DialogOwner(); }

TWinInetLoginHook SetWinInetLoginHook(TWinInetLoginHook AHook) { return std::exchange(LoginHook(), std::move(AHook)); }

TWinInetCertificateHook SetWinInetCertificateHook(TWinInetCertificateHook AHook) {
  return std::exchange(CertificateHook(), std::move(AHook));
}

EHttpStatusException::EHttpStatusException(std::int32_t AStatusCode, std::string AStatusMessage, std::string ARequest,
                                           std::string AExtendedData)
    : Exception(Format("%d: %s", AStatusCode, AStatusMessage)),
      StatusCode(AStatusCode),
      StatusMessage(std::move(AStatusMessage)),
      Request(std::move(ARequest)),
      ExtendedData(std::move(AExtendedData)) {}

namespace {

using Detail::TInternetRequest;

// An IPv6 address goes into a URL in brackets; a name or an IPv4 address as it is.
std::string UrlHost(const std::string& AServerName) {
  return AServerName.find(':') != std::string::npos && !AServerName.starts_with('[') ? "[" + AServerName + "]"
                                                                                      : AServerName;
}

// The request line's target is always below the host, whatever the caller's path starts with.
TWinInetTransfer OpenRequest(TWinInetConnection& AConnection, const std::string& AVerb, const std::string& APath,
                             std::uint32_t AFlags) {
  Assert(AConnection.Connected(), "a request needs a connected connection", kUnit);
  const Detail::TInternetConnect& Connect = *AConnection.ConnectHandle();
  std::string Scheme = (AFlags & INTERNET_FLAG_SECURE) ? "https" : "http";
  std::string Url = Format("%s://%s:%d/%s", Scheme, UrlHost(Connect.ServerName), Connect.Port,
                           Detail::EscapeRequestPath(TStringUtils::DropFirstChar(APath, U'/')));
  if (!Detail::IsToken(AVerb)) Detail::RaiseWinInetError(Detail::kTransferBadArgument, "invalid verb \"" + AVerb + "\"", Url);
  return std::make_shared<TInternetRequest>(Connect, AVerb, Url);
}

// Adds one or more header lines; CR LF inside the text separates lines, as the platform reads it.
void AddHeaderLines(TInternetRequest& ARequest, const std::string& AHeader) {
  std::size_t Start = 0;
  while (Start <= AHeader.size()) {
    std::size_t End = AHeader.find_first_of("\r\n", Start);
    if (End == std::string::npos) End = AHeader.size();
    if (End > Start) ARequest.AddHeaderLine(AHeader.substr(Start, End - Start));
    Start = End + 1;
  }
}

// 400 or more always fails; with ARequired set, so does any other final status (a download
// needs 200: a 204, a 206 nobody asked for, a redirect that was not followed are no document).
void CheckStatusCode(const TInternetRequest& ARequest, std::int32_t ARequired = 0) {
  std::int32_t Code = ARequest.StatusCode();
  if (Code >= 400 || (ARequired != 0 && Code != ARequired))
    throw EHttpStatusException(Code, ARequest.StatusText, ARequest.RequestHeaders, "");
}

constexpr std::int32_t kDownloadStatus = 200;

// Copies everything left of the body: the 2 GiB limit of CopyWhileReadableTo would cut big files.
void CopyWholeBody(TWinInetStream& ASource, TStream& ADest) {
  constexpr std::int32_t kChunk = 2147483647;
  while (ASource.CopyWhileReadableTo(ADest, kChunk) == kChunk) {
  }
}

// A body that ended before the length the server announced is a failed transfer, not a document.
void CheckCompleteBody(const TInternetRequest& ARequest) {
  std::int64_t Announced = ARequest.ContentLength();
  if (Announced >= 0 && ARequest.Position != Announced)
    Detail::RaiseWinInetError(Detail::kTransferPartialFile,
                              Format("the body ended after %d of %d bytes", ARequest.Position, Announced), ARequest.Url);
}

// The rest of the body into a file beside AFileName, renamed into place only once complete.
void SaveBodyToFile(TWinInetStream& ASource, const std::string& AFileName, bool AOverwrite) {
  std::optional<Platform::TReplacementFile> File;
  try {
    File.emplace(AFileName);
  } catch (const EOSError& E) {
    throw EFCreateError(Format("Cannot create file \"%s\". %s", AFileName, Platform::SystemErrorText(E.ErrorCode())));
  }
  THandleStream Stream(File->Handle());
  CopyWholeBody(ASource, Stream);
  CheckCompleteBody(*ASource.Handle());
  File->Commit(AOverwrite);
}

// A name from the server is reduced to its last segment, and refused when it could leave or name
// the destination folder itself, or carries control characters.
std::string SafeServerFilename(const std::string& AName) {
  std::string Name = ExtractUrlFileName(AName);
  bool Control = std::any_of(Name.begin(), Name.end(), [](char C) { return static_cast<unsigned char>(C) < 0x20; });
  return (Name == "." || Name == ".." || Control || !IsValidUtf8(Name)) ? std::string() : Name;
}

}  // namespace

// ---- connection ----------------------------------------------------------------------------------

void TWinInetProxySettings::Assign(const TWinInetProxySettings* ASource) {
  TWinInetProxySettings Defaults;
  const TWinInetProxySettings& From = ASource ? *ASource : Defaults;
  Kind = From.Kind;
  Host = From.Host;
  Port = From.Port;
  Login = From.Login;
  Password = From.Password;
}

TWinInetConnection::TWinInetConnection() = default;

TWinInetConnection::~TWinInetConnection() { Disconnect(); }

void TWinInetConnection::Connect() {
  try {
    Detail::InitialiseTransfer();
    FSession = std::make_unique<Detail::TInternetSession>();
    auto Handle = std::make_unique<Detail::TInternetConnect>();
    std::size_t Scheme = FHost.find("://");
    Handle->ServerName = Scheme == std::string::npos ? FHost : FHost.substr(Scheme + 3);
    // The name goes into a URL: anything that would change where the request goes is refused.
    const std::string& Name = Handle->ServerName;
    if (Name.empty() || Name.find_first_of("/\\?#@ ") != std::string::npos ||
        std::any_of(Name.begin(), Name.end(), [](char C) { return static_cast<unsigned char>(C) < 0x20; }))
      Detail::RaiseWinInetError(Detail::kTransferUrlMalformed, "invalid server name \"" + Name + "\"", "");
    if (FPort <= 0 || FPort > 65535)
      Detail::RaiseWinInetError(Detail::kTransferUrlMalformed, Format("invalid port %d", FPort), "");
    Handle->Port = FPort;
    Handle->Login = FLogin;
    Handle->Password = FPassword;
    Handle->Proxy.Assign(&FProxySettings);
    Handle->IgnoreCertificateErrors = IgnoreCertificateErrors;
    Handle->ConnectTimeout = ConnectTimeout;
    Handle->ReceiveTimeout = ReceiveTimeout;
    Handle->TotalTimeout = TotalTimeout;
    Handle->TrustedCertificatesFile = TrustedCertificatesFile;
    FConnect = std::move(Handle);
  } catch (const Exception& E) {
    Disconnect();
    throw ExceptionEx("Ошибка при подключении к серверу\r\n" + E.ClassName() + ": " + E.Message());
  }
}

void TWinInetConnection::Disconnect() {
  FConnect.reset();
  FSession.reset();
}

// ---- streams -------------------------------------------------------------------------------------

std::int64_t TWinInetStream::Read(void* ABuffer, std::int64_t ACount) { return FHandle->Read(ABuffer, ACount); }

std::int64_t TWinInetStream::Write(const void*, std::int64_t) {
  Detail::RaiseWinInetError(Detail::kTransferBadArgument, "a response body cannot be written", FHandle->Url);
}

std::int64_t TWinInetStream::Seek(std::int64_t AOffset, TSeekOrigin AOrigin) {
  std::int64_t Target = AOrigin == soBeginning ? AOffset : AOrigin == soCurrent ? FHandle->Position + AOffset : -1;
  if (Target < FHandle->Position)
    Detail::RaiseWinInetError(Detail::kTransferBadArgument, "a response body is read forward only", FHandle->Url);
  FHandle->Skip(Target - FHandle->Position);
  return FHandle->Position;
}

std::int64_t TWinInetStream::Size() {
  std::int64_t Length = FHandle->ContentLength();
  if (Length < 0)
    Detail::RaiseWinInetError(Detail::kTransferBadArgument, "the server did not announce the body's length", FHandle->Url);
  return Length;
}

std::int32_t TWinInetStream::CopyWhileReadableTo(TStream& ADest, std::int32_t AMaxBytes) {
  char Buffer[4096];
  std::int32_t Copied = 0;
  while (Copied < AMaxBytes) {
    std::int64_t Got = Read(Buffer, std::min<std::int32_t>(sizeof Buffer, AMaxBytes - Copied));
    if (Got == 0) break;
    ADest.WriteBuffer(Buffer, Got);
    Copied += static_cast<std::int32_t>(Got);
  }
  return Copied;
}

void TWinInetStream::SaveToFile(const std::string& ADestFilename, bool ACanOverride) {
  auto Exists = [&] { return Platform::FileExists(ADestFilename); };
  if (!ACanOverride && Exists()) throw Exception(Format("Файл \"%s\" уже существует", ADestFilename));
  try {
    SaveBodyToFile(*this, ADestFilename, ACanOverride);
  } catch (const EOSError&) {
    // The file appeared while the body was coming: it is kept, as when it was there before.
    if (!ACanOverride && Exists()) throw Exception(Format("Файл \"%s\" уже существует", ADestFilename));
    throw;
  }
}

void TWinInetStream::SaveToStream(TStream& AStream) { CopyWholeBody(*this, AStream); }

TBytes TWinInetStream::ToBytes() {
  TBytesStream Bytes;
  CopyWholeBody(*this, Bytes);
  TBytes Result = Bytes.Bytes();
  Result.resize(static_cast<std::size_t>(Bytes.Size()));
  return Result;
}

TWinInetHTTPStream::TWinInetHTTPStream(TWinInetHTTP& AHTTP, const std::string& APath)
    : TWinInetStream(OpenRequest(AHTTP, "GET", APath, INTERNET_FLAG_RELOAD)) {
  try {
    for (const char* Header : {"Accept: */*", "Proxy-Connection: Keep-Alive", "Accept-Language: ru",
                               "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)"})
      AddHeaderLines(*FHandle, Header);
    if (int Code = FHandle->Send(nullptr); Code != Detail::kTransferOk) FHandle->RaiseError(Code);
  } catch (...) {
    FHandle.reset();
    throw;
  }
}

std::string TWinInetHTTPStream::GetFilename() const { return ContentDispositionFilename(FHandle->ResponseHeaders); }

std::string ContentDispositionFilename(const std::string& ARawHeaders) {
  constexpr std::string_view kHeader = "Content-Disposition:";
  constexpr std::string_view kKey = "filename=";
  for (std::size_t Start = 0; Start < ARawHeaders.size();) {
    std::size_t End = std::min(ARawHeaders.find_first_of("\r\n", Start), ARawHeaders.size());
    std::string Line = ARawHeaders.substr(Start, End - Start);
    Start = End + 1;
    std::size_t Key = Line.find(kKey);
    if (Line.size() < kHeader.size() || !SameText(Line.substr(0, kHeader.size()), kHeader) || Key == std::string::npos)
      continue;
    std::string Rest = Line.substr(Key + kKey.size());
    if (Rest.starts_with('"')) {
      Rest.erase(0, 1);
      std::size_t Quote = Rest.empty() ? std::string::npos : Rest.find('"', 1);
      return Quote == std::string::npos ? std::string() : Trim(Rest.substr(0, Quote));
    }
    return Trim(Rest.substr(0, Rest.find(' ')));
  }
  return {};
}

TWinInetHTTPStream* TWinInetHTTP::OpenStream(const std::string& APath) { return new TWinInetHTTPStream(*this, APath); }

TWinInetHTTPStream* TWinInetHTTP::OpenStream(const TUri& AUri) {
  if (!AUri.Protocol().empty() && !SameText(AUri.Protocol(), "http"))
    throw EInvalidUriException("Допустим только http-протокол.\r\n" + AUri.SourceUri());
  FHost = AUri.Host();
  FPort = AUri.PortOrDefault(80);
  Connect();
  return OpenStream(AUri.Path());
}

void TWinInetHTTP::DownloadFile(const std::string& ASourcePath, TStream& ADestStream) {
  std::unique_ptr<TWinInetHTTPStream> Stream(OpenStream(ASourcePath));
  CheckStatusCode(*Stream->Handle(), kDownloadStatus);
  Stream->SaveToStream(ADestStream);
  CheckCompleteBody(*Stream->Handle());
}

void TWinInetHTTP::DownloadFile(const std::string& ASourcePath, const std::string& ADestFilename) {
  std::unique_ptr<TWinInetHTTPStream> Stream(OpenStream(ASourcePath));
  CheckStatusCode(*Stream->Handle(), kDownloadStatus);
  SaveBodyToFile(*Stream, ADestFilename, true);
}

void TWinInetHTTP::DownloadWithPreferableFilename(const std::string& ASourcePath, const std::string& ADestPath,
                                                  const std::string& ADefaultFilename) {
  std::unique_ptr<TWinInetHTTPStream> Stream(OpenStream(ASourcePath));
  CheckStatusCode(*Stream->Handle(), kDownloadStatus);
  std::string Name = SafeServerFilename(Stream->GetFilename());
  if (Name.empty()) Name = ADefaultFilename;
  if (Name.empty()) Name = ExtractUrlFileName(ASourcePath);
  Stream->SaveToFile(Platform::IncludeTrailingPathDelimiter(ADestPath) + Name, true);
}

void TWinInetHTTP::Download(const std::string& AUrl, TStream& ADestStream) {
  TWinInetHTTP HTTP;
  TUri Uri(AUrl);
  HTTP.SetHost(Uri.Host());
  HTTP.SetPort(Uri.PortOrDefault(80));
  HTTP.Connect();
  HTTP.DownloadFile(Uri.Path(), ADestStream);
}

void TWinInetHTTP::Download(const std::string& AUrl, const std::string& ADestFilename) {
  TWinInetHTTP HTTP;
  TUri Uri(AUrl);
  HTTP.SetHost(Uri.Host());
  HTTP.SetPort(Uri.PortOrDefault(80));
  HTTP.Connect();
  HTTP.DownloadFile(Uri.Path(), ADestFilename);
}

TBytes TWinInetHTTP::SendData(const std::string& AUrl, const std::string& AVerb, TStream* AData,
                              const std::string& AUserName, const std::string& APassword) {
  TWinInetHTTP HTTP;
  TUri Uri(AUrl);
  HTTP.SetLogin(AUserName.empty() ? Uri.UserName() : AUserName);
  HTTP.SetPassword(AUserName.empty() ? Uri.Password() : APassword);
  HTTP.SetHost(Uri.Host());
  HTTP.SetPort(Uri.PortOrDefault(80));
  HTTP.Connect();
  TWinInetHTTPRequest Request(HTTP, Uri.Path(), AVerb, 0u);
  if (AData) Request.RequestStream().CopyFrom(*AData, 0);
  return Request.GetResponse(true)->ResponseStream().ToBytes();
}

TBytes TWinInetHTTP::SendData(const std::string& AUrl, const std::string& AVerb, const TBytes& AData,
                              const std::string& AUserName, const std::string& APassword) {
  TBytesStream Data(AData);
  return SendData(AUrl, AVerb, &Data, AUserName, APassword);
}

// ---- request and response ------------------------------------------------------------------------

TWinInetHTTPRequest::TWinInetHTTPRequest(TWinInetHTTP& AHTTP, const std::string& APath, const std::string& AVerb,
                                         std::uint32_t AFlags)
    : FHandle(OpenRequest(AHTTP, AVerb, APath, AFlags)), FHTTP(&AHTTP) {}

TWinInetHTTPRequest::TWinInetHTTPRequest(TWinInetHTTP& AHTTP, const std::string& APath, const std::string& AVerb,
                                         TWinInetHTTPRequestFlags AFlags)
    : TWinInetHTTPRequest(AHTTP, APath, AVerb,
                          (AFlags.Contains(rfInternetFlagReload) ? INTERNET_FLAG_RELOAD : 0u) |
                              (AFlags.Contains(rfInternetSecure) ? INTERNET_FLAG_SECURE : 0u)) {}

TWinInetHTTPRequest::~TWinInetHTTPRequest() = default;

void TWinInetHTTPRequest::AddHeader(const std::string& AHeader) { AddHeaderLines(*FHandle, AHeader); }

TStream& TWinInetHTTPRequest::RequestStream() {
  if (FGetResponseCalled) throw EInvalidOpException("Нельзя писать в RequestStream после вызова GetResponse");
  if (!FRequestStream) FRequestStream = std::make_unique<TMemoryStream>();
  return *FRequestStream;
}

void TWinInetHTTPRequest::Send() {
  if (FRequestStream) AddHeader("Content-Length: " + IntToStr(FRequestStream->Size()));
  for (;;) {
    int Code = FHandle->Send(FRequestStream.get());
    if (Code == Detail::kTransferOk) return;
    if (!FHandle->ClientCertificateWanted(Code)) FHandle->RaiseError(Code);
    TWinInetCertificatePrompt Prompt{FHandle->Url, FHandle->ErrorBuffer, {}, {}, {}};
    TWinInetDialogResult Answer = CertificateHook() ? CertificateHook()(Prompt) : FHandle->AskPlatformCertificate(Code);
    if (Answer == drCancel) throw EAbort();
    if (Answer == drStop) FHandle->RaiseError(Code);
    if (!CertificateHook()) continue;  // the platform's dialog chose for the request itself
    // The connection keeps the chosen certificate for its later requests, as the platform does.
    for (Detail::TInternetConnect* Connect : {&FHandle->Connect, FHTTP->ConnectHandle()}) {
      if (!Connect) continue;
      Connect->CertificateFile = Prompt.CertificateFile;
      Connect->KeyFile = Prompt.KeyFile;
      Connect->KeyPassword = Prompt.KeyPassword;
    }
  }
}

TSharedPtr<TWinInetHTTPResponse> TWinInetHTTPRequest::GetResponse(bool ACheckStatusCode) {
  Assert(!FGetResponseCalled, "GetResponse may be called once", kUnit);
  Send();
  TSharedPtr<TWinInetHTTPResponse> Response(new TWinInetHTTPResponse(*this));
  FGetResponseCalled = true;
  if (ACheckStatusCode) CheckStatusCode(*FHandle);
  return Response;
}

TWinInetHTTPResponse::TWinInetHTTPResponse(const TWinInetHTTPRequest& ARequest)
    : FHandle(ARequest.FHandle), FResponseStream(std::make_unique<TWinInetStream>(FHandle)) {}

std::int32_t TWinInetHTTPResponse::StatusCode() const { return FHandle->StatusCode(); }
std::string TWinInetHTTPResponse::StatusText() const { return FHandle->StatusText; }
std::string TWinInetHTTPResponse::RawRequestHeaders() const { return FHandle->RequestHeaders; }

// ---- web client ----------------------------------------------------------------------------------

namespace {

// The login dialog's answer for a 401 or 407: true to send the request again with what the user
// entered; a cancel is a silent abort.
bool AskToLoginAgain(TWinInetHTTP& AHTTP, TInternetRequest& ARequest, const std::string& AUrl,
                     std::int32_t AStatusCode) {
  TWinInetLoginPrompt Prompt{AUrl, AStatusCode, AHTTP.Login(), AHTTP.Password()};
  Detail::TInternetConnect& Connect = *AHTTP.ConnectHandle();
  if (AStatusCode == 407) Prompt.Login = Connect.Proxy.Login, Prompt.Password = Connect.Proxy.Password;
  TWinInetDialogResult Answer = LoginHook() ? LoginHook()(Prompt) : ARequest.AskPlatformLogin(Prompt);
  if (Answer == drCancel) throw EAbort();
  if (Answer == drStop) return false;
  if (AStatusCode == 407) {
    Connect.Proxy.Login = Prompt.Login;
    Connect.Proxy.Password = Prompt.Password;
    Connect.ProxyCredentialsPrompted = true;
  } else {
    AHTTP.SetLogin(Prompt.Login);
    AHTTP.SetPassword(Prompt.Password);
    Connect.Login = Prompt.Login;
    Connect.Password = Prompt.Password;
  }
  return true;
}

std::string BytesToText(const TBytes& ABytes) {
  std::string Text(ABytes.begin(), ABytes.end());
  return IsValidUtf8(Text) ? Text : Utf16ToUtf8(Utf8ToUtf16(Text));
}

}  // namespace

// Schemes compare without regard to case: "HTTPS://" must never go out in clear text.
bool HasScheme(const std::string& AUrl, std::string_view AScheme) {
  return AUrl.size() >= AScheme.size() && SameText(AUrl.substr(0, AScheme.size()), AScheme);
}

std::unique_ptr<TWinInetHTTP> TWinInetWebClient::NewConnection(const TUri& AUri, bool ASecure,
                                                               const std::string& AVerb) const {
  std::unique_ptr<TWinInetHTTP> HTTP = ASecure ? std::make_unique<TWinInetHTTPS>() : std::make_unique<TWinInetHTTP>();
  HTTP->ProxySettings().Assign(&FProxySettings);
  HTTP->SetHost(AUri.Host());
  HTTP->SetPort(AUri.PortOrDefault(ASecure ? 443 : 80));
  HTTP->SetLogin(Login.empty() ? AUri.UserName() : Login);
  HTTP->SetPassword(Password.empty() ? AUri.Password() : Password);
  HTTP->IgnoreCertificateErrors = IgnoreCertificateErrors;
  HTTP->TrustedCertificatesFile = TrustedCertificatesFile;
  HTTP->ConnectTimeout = ConnectTimeout;
  HTTP->ReceiveTimeout = ReceiveTimeout;
  HTTP->TotalTimeout = SameText(AVerb, "PROPFIND") ? PropFindTimeout : TransferTimeout;
  return HTTP;
}

std::unique_ptr<TWinInetHTTPRequest> TWinInetWebClient::NewRequest(TWinInetHTTP& AHTTP, const TUri& AUri,
                                                                   const std::string& AVerb, bool ASecure,
                                                                   TStream* ARequest) const {
  TWinInetHTTPRequestFlags Flags;
  if (ASecure) Flags.Include(rfInternetSecure);
  if (ForceReload) Flags.Include(rfInternetFlagReload);
  auto Request = std::make_unique<TWinInetHTTPRequest>(AHTTP, AUri.PathAndQuery(), AVerb, Flags);
  for (const auto& [Name, Value] : FHeaders) Request->AddHeader(Name + ": " + Value);
  if (ARequest) Request->RequestStream().CopyFrom(*ARequest, 0);
  return Request;
}

// Sends until the login dialog has nothing more to try; the response's headers have arrived.
TSharedPtr<TWinInetHTTPResponse> TWinInetWebClient::Send(const std::string& AUrl, const std::string& AVerb,
                                                         TStream* ARequest, std::unique_ptr<TWinInetHTTP>& AHTTP,
                                                         std::unique_ptr<TWinInetHTTPRequest>& AReq) {
  std::string Url = AUrl;
  if (!HasScheme(Url, "https://") && !HasScheme(Url, "http://")) Url = JoinWithSeparator(BaseUrl, Url, '/');
  bool Secure = HasScheme(Url, "https://");
  TUri Uri(Url);
  AHTTP = NewConnection(Uri, Secure, AVerb);
  AHTTP->Connect();
  TSharedPtr<TWinInetHTTPResponse> Response;
  for (;;) {
    Response = nullptr;
    AReq = NewRequest(*AHTTP, Uri, AVerb, Secure, ARequest);
    Response = AReq->GetResponse(false);
    std::int32_t Code = Response->StatusCode();
    if ((Code != 401 && Code != 407) || !LoginPromt || !AskToLoginAgain(*AHTTP, *Response->Handle(), Url, Code)) break;
  }
  FResponseStatusText = Response->StatusText();
  FResponseStatusCode = Response->StatusCode();
  FRequestHeaders = Response->RawRequestHeaders();
  return Response;
}

void TWinInetWebClient::SendExpecting(const std::string& AUrl, const std::string& AVerb, TStream* ARequest,
                                      TStream* AResponse, std::int32_t ARequiredStatus) {
  std::unique_ptr<TWinInetHTTP> HTTP;
  std::unique_ptr<TWinInetHTTPRequest> Request;
  TSharedPtr<TWinInetHTTPResponse> Response = Send(AUrl, AVerb, ARequest, HTTP, Request);
  if (AResponse) {
    std::int64_t Position = AResponse->Position();
    CopyWholeBody(Response->ResponseStream(), *AResponse);
    AResponse->SetPosition(Position);
    CheckCompleteBody(*Response->Handle());
  }
  if (ShouldCheckStatusCode) CheckStatusCode(*Response->Handle(), ARequiredStatus);
}

void TWinInetWebClient::SendRequest(const std::string& AUrl, const std::string& AVerb, TStream* ARequest,
                                    TStream* AResponse) {
  SendExpecting(AUrl, AVerb, ARequest, AResponse, RequiredStatusCode);
}

void TWinInetWebClient::DownloadData(const std::string& AUrl, TStream& ADest) {
  SendExpecting(AUrl, "GET", nullptr, &ADest, kDownloadStatus);
}

// The status is known before the body comes: an error page never reaches a temporary file.
void TWinInetWebClient::DownloadData(const std::string& AUrl, const std::string& ADestFilename) {
  std::unique_ptr<TWinInetHTTP> HTTP;
  std::unique_ptr<TWinInetHTTPRequest> Request;
  TSharedPtr<TWinInetHTTPResponse> Response = Send(AUrl, "GET", nullptr, HTTP, Request);
  if (ShouldCheckStatusCode) CheckStatusCode(*Response->Handle(), kDownloadStatus);
  SaveBodyToFile(Response->ResponseStream(), ADestFilename, true);
}

TBytes TWinInetWebClient::DownloadData(const std::string& AUrl) {
  TBytesStream Data;
  DownloadData(AUrl, Data);
  TBytes Result = Data.Bytes();
  Result.resize(static_cast<std::size_t>(Data.Size()));
  return Result;
}

std::string TWinInetWebClient::DownloadString(const std::string& AUrl) { return BytesToText(DownloadData(AUrl)); }

std::string TWinInetWebClient::UploadString(const std::string& AUrl, const std::string& ARequest) {
  TStringStream Request(ARequest);
  TBytesStream Response;
  SendRequest(AUrl, "POST", &Request, &Response);
  TBytes Bytes = Response.Bytes();
  Bytes.resize(static_cast<std::size_t>(Response.Size()));
  return BytesToText(Bytes);
}

}  // namespace Quellit
