#include "Lib/Common/Common.XMLUtils.Reader.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

void IgnoreStructuredError(void*, xmlErrorPtr) {}

std::string_view View(const xmlChar* AText) {
  return AText ? std::string_view(reinterpret_cast<const char*>(AText)) : std::string_view();
}

std::string ErrorText(const xmlError* AError, const char* AFallback) {
  if (!AError || !AError->message) return AFallback;
  std::string Message = Trim(AError->message);
  if (AError->line > 0) Message += Format(" (line %d, column %d)", AError->line, AError->int2);
  return Message;
}

// The push parser takes its chunk size as an int; chunks stay well below that.
constexpr std::size_t MaxChunk = 1 << 20;
// Enough bytes to tell the encoding from the document's start.
constexpr std::size_t DetectionBytes = 4;

}  // namespace

struct TXMLStreamReader::TState {
  explicit TState(TXMLReaderHandler& AHandler) : Handler(AHandler) {}
  ~TState() {
    if (!Ctxt) return;
    // The parser may make a document of its own to hold a document type declaration.
    if (Ctxt->myDoc) xmlFreeDoc(Ctxt->myDoc);
    xmlFreeParserCtxt(Ctxt);
  }

  TXMLReaderHandler& Handler;
  xmlParserCtxtPtr Ctxt = nullptr;
  std::string Head;  // the first bytes, until the encoding can be told
  int Depth = 0;
  bool Finished = false;
  // Why the parse stopped: our own refusal, the handler's exception, then the sticky message.
  std::string Refusal;
  std::exception_ptr HandlerError;
  std::string Failure;

  void Stop(std::string AReason) {
    if (Refusal.empty() && !HandlerError) Refusal = std::move(AReason);
    xmlStopParser(Ctxt);
  }

  // Every callback runs inside the parser's C frames: nothing may be thrown through them.
  template <class F>
  void Guarded(F&& AAction) {
    if (!Refusal.empty() || HandlerError) return;
    try {
      AAction();
    } catch (...) {
      HandlerError = std::current_exception();
      xmlStopParser(Ctxt);
    }
  }

  static TState& Of(void* AUserData) { return *static_cast<TState*>(AUserData); }

  static void OnStart(void* AUserData, const xmlChar* ALocalName, const xmlChar*, const xmlChar* AURI, int, const xmlChar**,
                      int, int, const xmlChar**) {
    TState& S = Of(AUserData);
    if (++S.Depth > kXMLReaderMaxDepth) return S.Stop(Format("Elements nest deeper than %d levels", kXMLReaderMaxDepth));
    S.Guarded([&] { S.Handler.StartElement(View(AURI), View(ALocalName)); });
  }

  static void OnEnd(void* AUserData, const xmlChar*, const xmlChar*, const xmlChar*) {
    TState& S = Of(AUserData);
    --S.Depth;
    S.Guarded([&] { S.Handler.EndElement(); });
  }

  static void OnCharacters(void* AUserData, const xmlChar* AText, int ALength) {
    TState& S = Of(AUserData);
    S.Guarded([&] { S.Handler.Characters(std::string_view(reinterpret_cast<const char*>(AText), ALength), false); });
  }

  static void OnCData(void* AUserData, const xmlChar* AText, int ALength) {
    TState& S = Of(AUserData);
    S.Guarded([&] { S.Handler.Characters(std::string_view(reinterpret_cast<const char*>(AText), ALength), true); });
  }

  // A declared entity could expand to any size (or name a file): such documents are refused
  // before anything refers to it.
  static void OnEntityDecl(void* AUserData, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
    Of(AUserData).Stop("Entity declarations are not allowed");
  }

  void Create(std::string_view AFirstBytes) {
    xmlSAXHandler Sax;
    std::memset(&Sax, 0, sizeof Sax);
    Sax.initialized = XML_SAX2_MAGIC;
    Sax.startElementNs = OnStart;
    Sax.endElementNs = OnEnd;
    Sax.characters = OnCharacters;
    Sax.cdataBlock = OnCData;
    Sax.entityDecl = OnEntityDecl;
    Sax.serror = IgnoreStructuredError;
    Ctxt = xmlCreatePushParserCtxt(&Sax, this, AFirstBytes.data(), static_cast<int>(AFirstBytes.size()), nullptr);
    if (!Ctxt) throw EDOMError("Out of memory");
    xmlCtxtUseOptions(Ctxt, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  }

  void Push(std::string_view ABytes, bool ATerminate) {
    do {
      const std::string_view Chunk = ABytes.substr(0, MaxChunk);
      ABytes.remove_prefix(Chunk.size());
      const int Code = xmlParseChunk(Ctxt, Chunk.data(), static_cast<int>(Chunk.size()), ATerminate && ABytes.empty());
      Check(Code);
    } while (!ABytes.empty());
  }

  void Check(int ACode) {
    if (HandlerError) {
      Failure = "The document was abandoned after an error";
      std::rethrow_exception(HandlerError);
    }
    if (!Refusal.empty()) Failure = Refusal;
    else if (ACode != 0 || !Ctxt->wellFormed) Failure = ErrorText(xmlCtxtGetLastError(Ctxt), "The document is not well-formed");
    if (!Failure.empty()) throw EDOMParseError(Failure);
  }

  void ThrowIfFailed() const {
    if (!Failure.empty()) throw EDOMParseError(Failure);
  }
};

// The DOM's set-up serves the reader too: the same entity refusal and the same Windows-1251 codec.
TXMLStreamReader::TXMLStreamReader(TXMLReaderHandler& AHandler) : FState(std::make_unique<TState>(AHandler)) {
  Detail::EnsureXMLLibrary();
}

TXMLStreamReader::~TXMLStreamReader() = default;

void TXMLStreamReader::Feed(std::string_view ABytes) {
  TState& S = *FState;
  S.ThrowIfFailed();
  if (S.Finished) throw EDOMParseError("Extra content at the end of the document");
  if (!S.Ctxt) {
    const std::size_t Take = std::min(ABytes.size(), DetectionBytes - S.Head.size());
    S.Head.append(ABytes.substr(0, Take));
    ABytes.remove_prefix(Take);
    if (S.Head.size() < DetectionBytes) return;
    S.Create(S.Head);
  }
  if (!ABytes.empty()) S.Push(ABytes, false);
}

void TXMLStreamReader::Finish() {
  TState& S = *FState;
  S.ThrowIfFailed();
  if (S.Finished) return;
  S.Finished = true;
  if (!S.Ctxt) S.Create(S.Head);
  S.Push({}, true);
}

void TXMLStreamReader::Parse(std::string_view ABytes, TXMLReaderHandler& AHandler) {
  TXMLStreamReader Reader(AHandler);
  Reader.Feed(ABytes);
  Reader.Finish();
}

}  // namespace Quellit
