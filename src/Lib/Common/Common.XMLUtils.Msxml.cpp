#include "Lib/Common/Common.XMLUtils.Msxml.h"

#include <algorithm>
#include <array>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace XmlCom {

// ---- COM at the call ------------------------------------------------------------------------------

[[noreturn]] void Fail(HRESULT AResult, const char* AWhat) {
  throw EDOMError(Format("%s failed (0x%.8x)", AWhat, static_cast<unsigned>(AResult)));
}

void Check(HRESULT AResult, const char* AWhat) {
  if (FAILED(AResult)) Fail(AResult, AWhat);
}

std::string LastErrorDescription() {
  TComPtr<IErrorInfo> Info;
  if (::GetErrorInfo(0, Info.Receive()) != S_OK || !Info) return {};
  TBstr Description;
  if (FAILED(Info->GetDescription(Description.Receive()))) return {};
  return Trim(Description.Utf8());
}

// COM serves a thread once it has joined an apartment. The thread joins a single-threaded one
// (what the shell and the window toolkit need of the user-interface thread); one that joined
// another already is served by that. The apartment is never left: documents may be released
// until the thread ends, and COM goes with the thread.
void EnsureApartment() {
  thread_local const HRESULT Joined = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(Joined) && Joined != RPC_E_CHANGED_MODE)
    throw EDOMUnavailable(Format("COM cannot serve this thread (0x%.8x)", static_cast<unsigned>(Joined)));
}

// ---- the text MSXML reads -------------------------------------------------------------------------

namespace {

bool IsWin1251Name(const std::string& AUpper) {
  static const char* const Names[] = {"WINDOWS-1251", "CP1251", "WINDOWS1251", "WIN-1251", "WIN1251", "X-CP1251", "MS-CYRL"};
  return std::find(std::begin(Names), std::end(Names), AUpper) != std::end(Names);
}

// The UTF-8 text of bytes in a one-byte encoding; a byte the encoding leaves unassigned fails the
// load where it stands, as a parser would. The product's code page is the system's own codec, so
// every byte of it reads (0x98, which the code page leaves unassigned, too).
std::string DecodeOneByte(std::string_view ABytes, const std::string& AEncoding, const std::array<char32_t, 256>* ATable) {
  if (!ATable) return Text::DecodeCodePage(ABytes, Text::TCodePage::Windows1251);
  std::string Text;
  Text.reserve(ABytes.size() + ABytes.size() / 2);
  int Line = 1, Column = 1;
  for (const char C : ABytes) {
    const char32_t Code = (*ATable)[static_cast<unsigned char>(C)];
    if (Code == Text::InvalidCodePoint)
      throw EDOMParseError(Format("Byte 0x%.2x is not a character of the encoding \"%s\" (line %d, column %d)",
                                  static_cast<unsigned>(static_cast<unsigned char>(C)), AEncoding, Line, Column));
    Text::AppendUtf8(Text, Code);
    if (C == '\n') Line += 1, Column = 1;
    else ++Column;
  }
  return Text;
}

std::string DecodeUtf16(std::string_view ABytes, bool ABigEndian) {
  std::u16string Units;
  Units.reserve(ABytes.size() / 2);
  for (std::size_t I = 0; I + 1 < ABytes.size(); I += 2) {
    const auto First = static_cast<unsigned char>(ABytes[I]), Second = static_cast<unsigned char>(ABytes[I + 1]);
    Units += static_cast<char16_t>(ABigEndian ? (First << 8) | Second : First | (Second << 8));
  }
  if (!Units.empty() && Units.front() == 0xFEFF) Units.erase(0, 1);
  return Text::Utf16ToUtf8(Units);
}

}  // namespace

std::optional<std::string> TextForMsxml(std::string_view ABytes, const std::string& AEncoding, bool ANamedByCaller) {
  const std::string Upper = UpperCase(AEncoding);
  std::string Text;
  std::array<char32_t, 256> Table{};
  if (IsWin1251Name(Upper)) {
    Text = DecodeOneByte(ABytes, AEncoding, nullptr);
  } else if (ANamedByCaller && Upper == "UTF-8") {
    Text = std::string(ABytes.substr(ABytes.starts_with("\xEF\xBB\xBF") ? 3 : 0));
  } else if (ANamedByCaller && (Upper == "UTF-16LE" || Upper == "UTF-16BE")) {
    Text = DecodeUtf16(ABytes, Upper == "UTF-16BE");
  } else if (!AEncoding.empty() && Detail::SingleByteEncodingTable(AEncoding, Table)) {
    Text = DecodeOneByte(ABytes, AEncoding, &Table);
  } else {
    return std::nullopt;
  }
  if (Text.starts_with("<?xml")) {
    const std::size_t End = Text.find("?>");
    if (End != std::string::npos)
      for (std::size_t I = 0; I < End + 2; ++I)
        if (Text[I] != '\r' && Text[I] != '\n') Text[I] = ' ';
  }
  return "\xEF\xBB\xBF" + Text;
}

}  // namespace XmlCom

// ---- one-byte encodings: what our tables say, read and written alike ----------------------------

namespace Detail {

namespace {

// The names of the code pages a settings file of the product's users may declare.
UINT CodePageOfName(const std::string& AUpper) {
  static const std::pair<const char*, UINT> Names[] = {
      {"KOI8-R", 20866},     {"KOI8-U", 21866},     {"IBM866", 866},        {"CP866", 866},        {"866", 866},
      {"ISO-8859-1", 28591}, {"ISO-8859-2", 28592}, {"ISO-8859-5", 28595},  {"ISO-8859-15", 28605}, {"LATIN1", 28591},
      {"US-ASCII", 20127},   {"ASCII", 20127},      {"WINDOWS-1250", 1250}, {"WINDOWS-1252", 1252}, {"CP1252", 1252},
      {"WINDOWS-1253", 1253}, {"WINDOWS-1254", 1254}, {"WINDOWS-1257", 1257},
  };
  for (const auto& [Name, CodePage] : Names)
    if (AUpper == Name) return CodePage;
  return 0;
}

}  // namespace

bool SingleByteEncodingTable(const std::string& AEncoding, std::array<char32_t, 256>& ATable) {
  const UINT CodePage = CodePageOfName(UpperCase(AEncoding));
  CPINFO Info{};
  if (CodePage == 0 || !::GetCPInfo(CodePage, &Info) || Info.MaxCharSize != 1) return false;
  for (int Byte = 0; Byte < 256; ++Byte) {
    const char In = static_cast<char>(Byte);
    wchar_t Out[2] = {};
    const int Length = ::MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, &In, 1, Out, 2);
    ATable[static_cast<std::size_t>(Byte)] = Length == 1 ? static_cast<char32_t>(Out[0]) : Text::InvalidCodePoint;
  }
  // ASCII's table maps its upper half to the replacement of an unknown byte: those bytes are not it.
  if (CodePage == 20127)
    for (int Byte = 0x80; Byte < 256; ++Byte) ATable[static_cast<std::size_t>(Byte)] = Text::InvalidCodePoint;
  return true;
}

}  // namespace Detail

}  // namespace Quellit
