// URLs taken apart and put together by the network client and the WebDAV storage: a small parser
// that splits at fixed delimiters (not a full RFC 3986 grammar), percent-encoding and decoding,
// and the last segment of a URL.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Object.h"

namespace Quellit {

// A URL that names a protocol the HTTP client does not speak.
class EInvalidUriException : public Exception {
  using Exception::Exception;
};

// A second query parameter with exactly the same name.
class EDuplicateUriParam : public Exception {
  using Exception::Exception;
};

// Query parameters: the name as written, the value percent-decoded. Names compare exactly.
// Enumeration is in byte order of the names, so Build is deterministic.
using TUriParams = std::map<std::string, std::string>;

class TUri : public TObject {
 public:
  TUri() = default;
  explicit TUri(const std::string& AUri) { Parse(AUri); }

  // Fails with EConvertError on a port that is not an integer from 0 to 65535 or on a malformed
  // percent escape in a parameter value, with EDuplicateUriParam on a repeated parameter name;
  // the object is then partly filled.
  void Parse(const std::string& AUri);
  std::string Build() const;
  std::string ToString() const override { return Build(); }

  std::string ProtocolOrDefault(const std::string& ADefault) const;
  std::int32_t PortOrDefault(std::int32_t ADefault) const;
  // The first parameter in enumeration order whose name matches; "" when none does.
  std::string ParamByName(const std::string& AParamName, bool ACaseInsensitive) const;

  const std::string& Protocol() const { return FProtocol; }
  void SetProtocol(std::string AValue) { FProtocol = std::move(AValue); }
  const std::string& Host() const { return FHost; }
  void SetHost(std::string AValue) { FHost = std::move(AValue); }
  std::int32_t Port() const { return FPort; }
  void SetPort(std::int32_t AValue) { FPort = AValue; }
  const std::string& SourceUri() const { return FSourceUri; }
  const std::string& Path() const { return FPath; }
  void SetPath(std::string AValue) { FPath = std::move(AValue); }
  const std::string& UserName() const { return FUserName; }
  void SetUserName(std::string AValue) { FUserName = std::move(AValue); }
  const std::string& Password() const { return FPassword; }
  void SetPassword(std::string AValue) { FPassword = std::move(AValue); }
  // The map itself is owned by the URI; its entries may be changed before Build.
  const TUriParams& Params() const { return FParams; }
  TUriParams& Params() { return FParams; }
  // Path, then the query exactly as SourceUri writes it ("?" included).
  std::string PathAndQuery() const;

 private:
  void Clear();
  void ParseUserInfo(std::string& ARest);
  void ParseHost(std::string& ARest);
  void ParsePort(std::string& ARest);
  void ParseQuery(std::string& ARest);

  std::string FProtocol;
  std::string FHost;
  std::int32_t FPort = 0;
  std::string FSourceUri;
  std::string FPath;
  std::string FUserName;
  std::string FPassword;
  TUriParams FParams;
};

// ASCII letters and digits stay; every other byte of the UTF-8 text becomes "%XX".
std::string UrlEncode(std::string_view AText);
// "%XX" gives one byte, EConvertError when XX is not two hexadecimal digits; "+" stays "+".
// Bytes that do not form UTF-8 become U+FFFD, so the result is always valid text.
std::string UrlDecode(std::string_view AText);
// AUrl without the user information before its host ("user:password@"); the rest unchanged.
std::string UrlWithoutCredentials(std::string_view AUrl);
// AUrl with that user information shown as "***", for messages, logs and listings.
std::string MaskUrlCredentials(std::string_view AUrl);

// A URL in the form two addresses of one resource share: protocol and host in small letters without
// user information or a default port; the path decoded, its dot segments resolved.
struct TComparableUrl {
  std::string Origin;
  std::vector<std::string> Segments;
  bool Valid = false;
};
// Invalid when the URL has no protocol, a broken escape, or a ".." that climbs above its root.
TComparableUrl ComparableUrl(std::string_view AUrl);
// AUrl is AFolder or lies below it: the same origin and the folder's segments first. Servers differ
// on letter case in paths, so segments compare without regard to case.
bool StartsWithFolder(const TComparableUrl& AUrl, const TComparableUrl& AFolder);
// The text after the last "/" or "\"; all of AUrl when it has neither.
std::string ExtractUrlFileName(std::string_view AUrl);

}  // namespace Quellit
