#include "Lib/Common/Common.Net.h"

#include <algorithm>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.StringUtils.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

constexpr std::int32_t MaxPort = 65535;

bool IsAsciiAlnum(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9');
}

int HexDigitValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

// The byte of the escape at APos ("%XX"); anything else raises.
char DecodeEscape(std::string_view AText, std::size_t APos) {
  int High = APos + 2 < AText.size() ? HexDigitValue(AText[APos + 1]) : -1;
  int Low = High >= 0 ? HexDigitValue(AText[APos + 2]) : -1;
  if (Low < 0)
    throw EConvertError(Format("Invalid URL escape \"%s\" at position %u", AText.substr(APos, 3), APos + 1));
  return static_cast<char>(High * 16 + Low);
}

// The query's pairs, split as the platform splits delimited text: at "&", at blanks and control
// characters, double quotes grouping.
TStringDynArray SplitQuery(std::string_view AQuery) {
  TStringList Pairs;
  Pairs.SetDelimiter('&');
  Pairs.SetQuoteChar('"');
  Pairs.SetDelimitedText(AQuery);
  TStringDynArray Result;
  for (int I = 0; I < Pairs.Count(); ++I) Result.push_back(Pairs[I]);
  return Result;
}

}  // namespace

void TUri::Clear() {
  FProtocol.clear();
  FHost.clear();
  FPath.clear();
  FUserName.clear();
  FPassword.clear();
  FPort = 0;
  FParams.clear();
}

void TUri::Parse(const std::string& AUri) {
  Clear();
  FSourceUri = AUri;
  std::string Rest = AUri;
  std::size_t SchemeEnd = Rest.find("://");
  if (SchemeEnd != std::string::npos) {
    FProtocol = LowerCase(Rest.substr(0, SchemeEnd));
    Rest.erase(0, SchemeEnd + 3);
  }
  if (Rest.empty()) return;
  ParseUserInfo(Rest);
  ParseHost(Rest);
  if (Rest.empty()) return;
  ParsePort(Rest);
  ParseQuery(Rest);
  FPath = TStringUtils::DropFirstChar(Rest, U'/');
}

void TUri::ParseUserInfo(std::string& ARest) {
  // Only an "@" before the path counts: one in the path or the query ("/files/a@b.ru/x") must not
  // turn what precedes it into credentials and what follows into the host to connect to.
  std::size_t AuthorityEnd = ARest.find_first_of("/?");
  std::size_t At = ARest.find('@');
  if (At == std::string::npos || (AuthorityEnd != std::string::npos && At > AuthorityEnd)) return;
  std::string UserInfo = ARest.substr(0, At);
  ARest.erase(0, At + 1);
  std::size_t Colon = UserInfo.find(':');
  FUserName = UserInfo.substr(0, Colon);
  if (Colon != std::string::npos) FPassword = UserInfo.substr(Colon + 1);
}

void TUri::ParseHost(std::string& ARest) {
  // An IPv6 literal keeps its brackets: the colons inside are not the port's.
  std::size_t Bracket = ARest.starts_with('[') ? ARest.find(']') : std::string::npos;
  std::size_t HostEnd = Bracket != std::string::npos ? Bracket + 1 : std::min(ARest.find_first_of(":/?"), ARest.size());
  // ASCII only: a locale's own case rules (Turkish dotless i) must not change a host name.
  FHost = LowerCase(ARest.substr(0, HostEnd));
  ARest.erase(0, HostEnd);
}

void TUri::ParsePort(std::string& ARest) {
  if (ARest.front() != ':') return;
  std::size_t PortEnd = std::min(ARest.find_first_of("/?"), ARest.size());
  std::string Text = ARest.substr(1, PortEnd - 1);
  int Value = 0;
  if (!TryStrToInt(Text, Value)) throw EConvertError(Format("'%s' is not a valid integer value", Text));
  if (Value < 0 || Value > MaxPort) throw EConvertError(Format("'%s' is not a valid port number", Text));
  FPort = Value;
  ARest.erase(0, PortEnd);
}

void TUri::ParseQuery(std::string& ARest) {
  std::size_t QueryStart = ARest.find('?');
  if (QueryStart == std::string::npos) return;
  for (const std::string& Pair : SplitQuery(std::string_view(ARest).substr(QueryStart + 1))) {
    if (Pair.empty()) continue;  // "a=1&&b=2" or a trailing "&" carries no parameter
    // Each pair keeps its own value, and a pair without "=" is a name with an empty value.
    std::size_t Equals = Pair.find('=');
    std::string Name = Pair.substr(0, Equals);
    std::string Value = Equals == std::string::npos ? std::string() : UrlDecode(Pair.substr(Equals + 1));
    if (!FParams.emplace(Name, Value).second)
      throw EDuplicateUriParam(Format("Duplicates not allowed: query parameter \"%s\"", Name));
  }
  ARest.erase(QueryStart);
}

std::string TUri::Build() const {
  std::string Result = LowerCase(FProtocol) + "://";
  if (!FUserName.empty()) Result += Format("%s:%s@", FUserName, FPassword);
  std::string HostPart = FHost;
  if (FPort != 0) HostPart += Format(":%d", FPort);
  Result += JoinWithSeparator(HostPart, FPath, '/');
  std::string Query;
  for (const auto& [Name, Value] : FParams) Query += Format("&%s=%s", UrlEncode(Name), UrlEncode(Value));
  if (!Query.empty()) Query.front() = '?';
  return Result + Query;
}

std::string TUri::PathAndQuery() const {
  std::size_t QueryStart = FSourceUri.find('?');
  if (QueryStart == std::string::npos) return FPath;
  return FPath + FSourceUri.substr(QueryStart);
}

std::string TUri::ProtocolOrDefault(const std::string& ADefault) const {
  return FProtocol.empty() ? ADefault : FProtocol;
}

std::int32_t TUri::PortOrDefault(std::int32_t ADefault) const { return FPort != 0 ? FPort : ADefault; }

std::string TUri::ParamByName(const std::string& AParamName, bool ACaseInsensitive) const {
  for (const auto& [Name, Value] : FParams)
    if (ACaseInsensitive ? AnsiSameText(Name, AParamName) : Name == AParamName) return Value;
  return {};
}

std::string UrlEncode(std::string_view AText) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string Result;
  Result.reserve(AText.size());
  for (char C : AText) {
    if (IsAsciiAlnum(C)) {
      Result += C;
    } else {
      auto Byte = static_cast<unsigned char>(C);
      Result += '%';
      Result += Digits[Byte >> 4];
      Result += Digits[Byte & 0x0F];
    }
  }
  return Result;
}

std::string UrlDecode(std::string_view AText) {
  std::string Bytes;
  Bytes.reserve(AText.size());
  for (std::size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] != '%') {
      Bytes += AText[I];
    } else {
      Bytes += DecodeEscape(AText, I);
      I += 2;
    }
  }
  // Escapes can spell any bytes; the rest of the system expects valid UTF-8.
  return IsValidUtf8(Bytes) ? Bytes : Utf16ToUtf8(Utf8ToUtf16(Bytes));
}

namespace {

// Where the user information of AUrl lies: [start, end of the "@"), or an empty range.
std::pair<std::size_t, std::size_t> UserInfoRange(std::string_view AUrl) {
  std::size_t Scheme = AUrl.find("://");
  std::size_t Start = Scheme == std::string_view::npos ? 0 : Scheme + 3;
  std::size_t AuthorityEnd = std::min(AUrl.find_first_of("/?#", Start), AUrl.size());
  std::size_t At = AUrl.substr(0, AuthorityEnd).rfind('@');
  if (At == std::string_view::npos || At < Start) return {Start, Start};
  return {Start, At + 1};
}

}  // namespace

std::string UrlWithoutCredentials(std::string_view AUrl) {
  auto [Start, End] = UserInfoRange(AUrl);
  return std::string(AUrl.substr(0, Start)) + std::string(AUrl.substr(End));
}

std::string MaskUrlCredentials(std::string_view AUrl) {
  auto [Start, End] = UserInfoRange(AUrl);
  if (Start == End) return std::string(AUrl);
  return std::string(AUrl.substr(0, Start)) + "***@" + std::string(AUrl.substr(End));
}

std::string ExtractUrlFileName(std::string_view AUrl) {
  std::size_t LastSeparator = AUrl.find_last_of("/\\");
  return std::string(LastSeparator == std::string_view::npos ? AUrl : AUrl.substr(LastSeparator + 1));
}

// ---- comparing URLs ---------------------------------------------------------------------------------

namespace {

std::string ComparableOrigin(std::string_view AProtocol, std::string_view AAuthority) {
  std::string Protocol = LowerCase(AProtocol);
  std::string Host = LowerCase(AAuthority.substr(AAuthority.rfind('@') + 1));
  std::size_t Colon = Host.rfind(':');
  if (Colon != std::string::npos && Host.find(']', Colon) == std::string::npos) {
    std::string Port = Host.substr(Colon + 1);
    if (Port.empty() || (Protocol == "http" && Port == "80") || (Protocol == "https" && Port == "443")) Host.resize(Colon);
  }
  return Protocol + "://" + Host;
}

bool SameSegment(const std::string& A, const std::string& B) { return A == B || AnsiSameText(A, B); }

}  // namespace

TComparableUrl ComparableUrl(std::string_view AUrl) {
  TComparableUrl Result;
  std::size_t ProtocolEnd = AUrl.find("://");
  if (ProtocolEnd == std::string_view::npos) return Result;
  std::size_t AuthorityStart = ProtocolEnd + 3;
  std::size_t PathStart = std::min(AUrl.find_first_of("/?#", AuthorityStart), AUrl.size());
  Result.Origin = ComparableOrigin(AUrl.substr(0, ProtocolEnd), AUrl.substr(AuthorityStart, PathStart - AuthorityStart));
  std::string_view Path = AUrl.substr(PathStart);
  Path = Path.substr(0, Path.find_first_of("?#"));
  std::string Decoded;
  try {
    Decoded = UrlDecode(Path);
  } catch (const EConvertError&) {
    return Result;
  }
  for (std::size_t Start = 0; Start <= Decoded.size();) {
    std::size_t End = std::min(Decoded.find('/', Start), Decoded.size());
    std::string Segment = Decoded.substr(Start, End - Start);
    Start = End + 1;
    if (Segment.empty() || Segment == ".") continue;
    if (Segment != "..") {
      Result.Segments.push_back(Segment);
    } else if (Result.Segments.empty()) {
      return Result;
    } else {
      Result.Segments.pop_back();
    }
  }
  Result.Valid = true;
  return Result;
}

bool StartsWithFolder(const TComparableUrl& AUrl, const TComparableUrl& AFolder) {
  if (!AUrl.Valid || !AFolder.Valid || AUrl.Origin != AFolder.Origin) return false;
  if (AUrl.Segments.size() < AFolder.Segments.size()) return false;
  for (std::size_t I = 0; I < AFolder.Segments.size(); ++I)
    if (!SameSegment(AUrl.Segments[I], AFolder.Segments[I])) return false;
  return true;
}

}  // namespace Quellit
