#include "Lib/Common/Common.Net.WinInet.Transfer.h"

#include <algorithm>
#include <cstring>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/Environment.h"

namespace Quellit::Detail {

namespace {

bool IsTokenChar(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') ||
         std::strchr("!#$%&'*+-.^_`|~", C) != nullptr;
}

}  // namespace

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

// The backend's text for ACode, what it said about this transfer, and where it went, so a
// message tells what happened and to which host.
void RaiseWinInetError(int ACode, const std::string& ADetail, const std::string& AUrl) {
  std::string Text = Trim(TransferErrorText(ACode));
  std::string Message = Text.empty() ? Format("WinInet error (%d)", ACode) : Format("WinInet error (%d): %s", ACode, Text);
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

void TInternetRequest::AddHeaderLine(const std::string& ALine) {
  std::string Name = HeaderName(ALine);
  if (ALine.find(':') == std::string::npos || !IsToken(Name))
    RaiseWinInetError(kTransferBadArgument, "malformed request header \"" + ALine + "\"", Url);
  auto Same = [&](const std::string& AExisting) { return SameText(HeaderName(AExisting), Name); };
  Headers.erase(std::remove_if(Headers.begin(), Headers.end(), Same), Headers.end());
  Headers.push_back(ALine);
}

// Reading is the backend's; skipping is reading into a scratch buffer on both.
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

std::vector<std::string> TrustedCertificateFiles(const TInternetConnect& AConnect) {
  std::vector<std::string> Files;
  for (const std::string& File : {AConnect.TrustedCertificatesFile, Platform::GetEnvOr("CURL_CA_BUNDLE", ""),
                                  Platform::GetEnvOr("SSL_CERT_FILE", "")})
    if (!File.empty() && std::find(Files.begin(), Files.end(), File) == Files.end()) Files.push_back(File);
  return Files;
}

}  // namespace Quellit::Detail
