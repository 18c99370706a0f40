// The forward reader over MSXML's SAX reader: the bytes are gathered as they arrive and read in
// one pass at Finish, the handler hearing each element, text and CDATA section up to the point
// where the document fails, as it would from a stream. The bytes get the DOM's own preparation
// first (the prolog read, any document type removed, one-byte encodings read with our tables).
// Memory grows with the document here; the callers bound what they feed.
#include "Lib/Common/Common.XMLUtils.Reader.h"

#include "Lib/Common/Common.XMLUtils.Msxml.h"

#include <algorithm>
#include <cwchar>
#include <exception>
#include <optional>
#include <string>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Common/Common.XMLUtils.Prolog.h"

namespace Quellit {

using namespace XmlCom;

namespace {

// The SDK's import libraries lack these.
constexpr CLSID SAXXMLReader30Class = {0x3124C396, 0xFB13, 0x4836, {0xA6, 0xAD, 0x13, 0x17, 0xF1, 0x71, 0x36, 0x88}};
constexpr IID SAXXMLReaderInterface = {0xA4F96ED0, 0xF829, 0x476E, {0x81, 0xC0, 0xCD, 0xC7, 0xBD, 0x2A, 0x08, 0x02}};
constexpr IID SAXContentHandlerInterface = {0x1545CDFA, 0x9E4E, 0x4497, {0xA8, 0xA4, 0x2B, 0xF7, 0xD0, 0x11, 0x2C, 0x44}};
constexpr IID SAXErrorHandlerInterface = {0xA60511C4, 0xCCF5, 0x479E, {0x98, 0xA3, 0xDC, 0x8D, 0xC5, 0x45, 0xB7, 0xD0}};
constexpr IID SAXLexicalHandlerInterface = {0x7F85D5F5, 0x47A8, 0x4497, {0xBD, 0xA5, 0x84, 0xBA, 0x04, 0x81, 0x9E, 0xA6}};

std::string Utf8Of(const wchar_t* AText, int ALength) {
  if (!AText || ALength <= 0) return {};
  return Text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(AText), static_cast<std::size_t>(ALength)));
}

// Whether elements nest deeper than ALimit, told from the bytes before any parser builds the
// levels. Markup is ASCII in every encoding that extends it; in the others MSXML's own bound
// (or the count of the handler below) refuses such documents.
bool NestsDeeperThan(std::string_view ABytes, int ALimit) {
  const auto Skip = [&](std::size_t AFrom, std::string_view AEnd) {
    const std::size_t End = ABytes.find(AEnd, AFrom);
    return End == std::string_view::npos ? ABytes.size() : End + AEnd.size();
  };
  int Depth = 0;
  for (std::size_t Pos = ABytes.find('<'); Pos < ABytes.size(); Pos = ABytes.find('<', Pos)) {
    const std::string_view Rest = ABytes.substr(Pos);
    if (Rest.starts_with("<!--")) {
      Pos = Skip(Pos + 4, "-->");
    } else if (Rest.starts_with("<![CDATA[")) {
      Pos = Skip(Pos + 9, "]]>");
    } else if (Rest.starts_with("<?")) {
      Pos = Skip(Pos + 2, "?>");
    } else if (Rest.starts_with("<!")) {
      Pos = Skip(Pos + 2, ">");
    } else if (Rest.starts_with("</")) {
      --Depth;
      Pos = Skip(Pos + 2, ">");
    } else {
      char Quote = 0;
      std::size_t End = Pos + 1;
      for (; End < ABytes.size(); ++End) {
        const char C = ABytes[End];
        if (Quote) Quote = C == Quote ? 0 : Quote;
        else if (C == '"' || C == '\'') Quote = C;
        else if (C == '>') break;
      }
      if (End >= ABytes.size() || ABytes[End - 1] != '/')
        if (++Depth > ALimit) return true;
      Pos = End + 1;
    }
  }
  return false;
}

// COM interfaces have no destructors by design (an object goes through its Release), which the
// warning about bases without virtual destructors cannot know.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// Hears MSXML's SAX events and tells our handler. It lives on the stack for one parse: its
// counts are COM's formality. Nothing may be thrown through MSXML's frames, so a failure of our
// handler is kept and the parse stopped.
class TSaxEvents final : public ISAXContentHandler, public ISAXErrorHandler, public ISAXLexicalHandler {
 public:
  explicit TSaxEvents(TXMLReaderHandler& AHandler) : FHandler(AHandler) {}
  TSaxEvents(const TSaxEvents&) = delete;
  TSaxEvents& operator=(const TSaxEvents&) = delete;
  ~TSaxEvents() = default;

  std::exception_ptr HandlerError;
  std::string Refusal;     // our own reason to stop
  std::string ParseError;  // MSXML's, with the place where it has one

  // IUnknown
  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AInterface, void** AObject) override {
    if (IsEqualIID(AInterface, IID_IUnknown) || IsEqualIID(AInterface, SAXContentHandlerInterface))
      *AObject = static_cast<ISAXContentHandler*>(this);
    else if (IsEqualIID(AInterface, SAXErrorHandlerInterface))
      *AObject = static_cast<ISAXErrorHandler*>(this);
    else if (IsEqualIID(AInterface, SAXLexicalHandlerInterface))
      *AObject = static_cast<ISAXLexicalHandler*>(this);
    else
      return *AObject = nullptr, E_NOINTERFACE;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  // ISAXContentHandler
  ::HRESULT STDMETHODCALLTYPE putDocumentLocator(ISAXLocator*) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE startDocument() override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE endDocument() override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE startPrefixMapping(const wchar_t*, int, const wchar_t*, int) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE endPrefixMapping(const wchar_t*, int) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE startElement(const wchar_t* AUri, int AUriLength, const wchar_t* ALocalName, int ALocalNameLength,
                                         const wchar_t*, int, ISAXAttributes*) override {
    if (++FDepth > kXMLReaderMaxDepth) return Stop(Format("Elements nest deeper than %d levels", kXMLReaderMaxDepth));
    return Guarded([&] { FHandler.StartElement(Utf8Of(AUri, AUriLength), Utf8Of(ALocalName, ALocalNameLength)); });
  }
  ::HRESULT STDMETHODCALLTYPE endElement(const wchar_t*, int, const wchar_t*, int, const wchar_t*, int) override {
    --FDepth;
    return Guarded([&] { FHandler.EndElement(); });
  }
  ::HRESULT STDMETHODCALLTYPE characters(const wchar_t* AText, int ALength) override {
    return Guarded([&] { FHandler.Characters(Utf8Of(AText, ALength), FInCData); });
  }
  ::HRESULT STDMETHODCALLTYPE ignorableWhitespace(const wchar_t* AText, int ALength) override { return characters(AText, ALength); }
  ::HRESULT STDMETHODCALLTYPE processingInstruction(const wchar_t*, int, const wchar_t*, int) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE skippedEntity(const wchar_t*, int) override { return S_OK; }

  // ISAXErrorHandler
  ::HRESULT STDMETHODCALLTYPE error(ISAXLocator* ALocator, const wchar_t* AMessage, ::HRESULT AResult) override {
    return fatalError(ALocator, AMessage, AResult);
  }
  ::HRESULT STDMETHODCALLTYPE fatalError(ISAXLocator* ALocator, const wchar_t* AMessage, ::HRESULT AResult) override {
    if (ParseError.empty()) {
      ParseError = AMessage ? Trim(Utf8Of(AMessage, static_cast<int>(wcslen(AMessage)))) : std::string();
      if (ParseError.empty()) ParseError = "The document is not well-formed";
      int Line = 0, Column = 0;
      if (ALocator && SUCCEEDED(ALocator->getLineNumber(&Line)) && SUCCEEDED(ALocator->getColumnNumber(&Column)) && Line > 0)
        ParseError += Format(" (line %d, column %d)", Line, Column);
    }
    return AResult;
  }
  ::HRESULT STDMETHODCALLTYPE ignorableWarning(ISAXLocator*, const wchar_t*, ::HRESULT) override { return S_OK; }

  // ISAXLexicalHandler: only CDATA sections matter; a document type never reaches MSXML.
  ::HRESULT STDMETHODCALLTYPE startDTD(const wchar_t*, int, const wchar_t*, int, const wchar_t*, int) override {
    return Stop("A document type declaration is not allowed");
  }
  ::HRESULT STDMETHODCALLTYPE endDTD() override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE startEntity(const wchar_t*, int) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE endEntity(const wchar_t*, int) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE startCDATA() override {
    FInCData = true;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE endCDATA() override {
    FInCData = false;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE comment(const wchar_t*, int) override { return S_OK; }

 private:
  ::HRESULT Stop(std::string AReason) {
    if (Refusal.empty() && !HandlerError) Refusal = std::move(AReason);
    return E_FAIL;
  }

  template <class F>
  ::HRESULT Guarded(F&& AAction) {
    if (!Refusal.empty() || HandlerError) return E_FAIL;
    try {
      AAction();
      return S_OK;
    } catch (...) {
      HandlerError = std::current_exception();
      return E_FAIL;
    }
  }

  TXMLReaderHandler& FHandler;
  int FDepth = 0;
  bool FInCData = false;
};

#pragma GCC diagnostic pop

TComPtr<ISAXXMLReader> NewSaxReader() {
  EnsureApartment();
  TComPtr<ISAXXMLReader> Reader;
  const ::HRESULT Created = ::CoCreateInstance(SAXXMLReader30Class, nullptr, CLSCTX_INPROC_SERVER, SAXXMLReaderInterface,
                                             reinterpret_cast<void**>(Reader.Receive()));
  if (FAILED(Created)) throw EDOMUnavailable(Format("MSXML 3.0 is not available (0x%.8x)", static_cast<unsigned>(Created)));
  // Nothing external is read, whatever MSXML it is; releases that do not know a feature refuse
  // it, and the document type never reaches them anyway.
  const wchar_t* const Off[] = {L"http://xml.org/sax/features/external-general-entities",
                                L"http://xml.org/sax/features/external-parameter-entities"};
  for (const wchar_t* Feature : Off) Reader->putFeature(Feature, VARIANT_FALSE);
  Reader->putFeature(L"prohibit-dtd", VARIANT_TRUE);
  return Reader;
}

}  // namespace

struct TXMLStreamReader::TState {
  explicit TState(TXMLReaderHandler& AHandler) : Handler(AHandler) {}

  TXMLReaderHandler& Handler;
  std::string Bytes;
  bool Finished = false;
  std::string Failure;  // sticky: every call after a failure raises it again

  [[noreturn]] void Fail(std::string AReason) {
    Failure = std::move(AReason);
    throw EDOMParseError(Failure);
  }

  void ThrowIfFailed() const {
    if (!Failure.empty()) throw EDOMParseError(Failure);
  }

  void Prepare() {
    try {
      const TXMLProlog Prolog = ReadXMLProlog(Bytes);
      if (std::optional<std::string> Text = TextForMsxml(Bytes, Prolog.Encoding, false)) Bytes = std::move(*Text);
    } catch (const EDOMParseError& E) {
      Fail(E.Message());
    }
    if (NestsDeeperThan(Bytes, kXMLReaderMaxDepth)) Fail(Format("Elements nest deeper than %d levels", kXMLReaderMaxDepth));
  }

  void Parse() {
    Prepare();
    TComPtr<ISAXXMLReader> Reader = NewSaxReader();
    TSaxEvents Events(Handler);
    Check(Reader->putContentHandler(&Events), "ISAXXMLReader::putContentHandler");
    Check(Reader->putErrorHandler(&Events), "ISAXXMLReader::putErrorHandler");
    TVariant Lexical;
    Lexical.Get().vt = VT_UNKNOWN;
    Lexical.Get().punkVal = static_cast<ISAXContentHandler*>(&Events);
    Events.AddRef();  // the variant's reference, released with it
    Reader->putProperty(L"http://xml.org/sax/properties/lexical-handler", Lexical.Get());

    // A stream rather than an array of bytes: Wine's SAX reader drops an array's last byte.
    TComPtr<IStream> Stream;
    Check(::CreateStreamOnHGlobal(nullptr, TRUE, Stream.Receive()), "CreateStreamOnHGlobal");
    for (std::size_t Pos = 0; Pos < Bytes.size();) {
      const ULONG Chunk = static_cast<ULONG>(std::min<std::size_t>(Bytes.size() - Pos, 1u << 20));
      ULONG Written = 0;
      Check(Stream->Write(Bytes.data() + Pos, Chunk, &Written), "IStream::Write");
      Pos += Written;
    }
    Bytes = std::string();
    LARGE_INTEGER Start{};
    Check(Stream->Seek(Start, STREAM_SEEK_SET, nullptr), "IStream::Seek");
    TVariant Source;
    Source.Get().vt = VT_UNKNOWN;
    Source.Get().punkVal = Stream.Get();
    Stream->AddRef();  // the variant's reference, released with it

    const ::HRESULT Result = Reader->parse(Source.Get());
    Reader->putContentHandler(nullptr);
    Reader->putErrorHandler(nullptr);
    if (Events.HandlerError) {
      Failure = "The document was abandoned after an error";
      std::rethrow_exception(Events.HandlerError);
    }
    if (!Events.Refusal.empty()) Fail(Events.Refusal);
    if (FAILED(Result) || !Events.ParseError.empty())
      Fail(Events.ParseError.empty() ? Format("The document is not well-formed (0x%.8x)", static_cast<unsigned>(Result))
                                     : Events.ParseError);
  }
};

TXMLStreamReader::TXMLStreamReader(TXMLReaderHandler& AHandler) : FState(std::make_unique<TState>(AHandler)) {
  Detail::EnsureXMLLibrary();
}

TXMLStreamReader::~TXMLStreamReader() = default;

void TXMLStreamReader::Feed(std::string_view ABytes) {
  TState& S = *FState;
  S.ThrowIfFailed();
  if (S.Finished) throw EDOMParseError("Extra content at the end of the document");
  S.Bytes.append(ABytes);
}

void TXMLStreamReader::Finish() {
  TState& S = *FState;
  S.ThrowIfFailed();
  if (S.Finished) return;
  S.Finished = true;
  S.Parse();
}

void TXMLStreamReader::Parse(std::string_view ABytes, TXMLReaderHandler& AHandler) {
  TXMLStreamReader Reader(AHandler);
  Reader.Feed(ABytes);
  Reader.Finish();
}

}  // namespace Quellit
