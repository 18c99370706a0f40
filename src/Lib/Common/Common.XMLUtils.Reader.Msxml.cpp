// The forward reader over MSXML: the bytes are gathered as they arrive and, at the end, parsed by
// the DOM (with all its safety) and walked in document order, the handler hearing each element,
// text and CDATA section as a streaming parser would tell it. Memory grows with the document
// here; the callers bound what they feed (a PROPFIND answer at 64 MiB).
#include "Lib/Common/Common.XMLUtils.Reader.h"

#include <exception>
#include <string>
#include <vector>

#include "Lib/Common/Common.Format.h"

namespace Quellit {

namespace {

// Whether elements nest deeper than ALimit, told from the bytes before any parser builds the
// levels. Markup is ASCII in every encoding that extends it; in the others the DOM's own bound
// refuses such documents.
bool NestsDeeperThan(std::string_view ABytes, int ALimit) {
  const auto Skip = [&](std::size_t AFrom, std::string_view AEnd) {
    const std::size_t End = ABytes.find(AEnd, AFrom);
    return End == std::string_view::npos ? ABytes.size() : End + AEnd.size();
  };
  int Depth = 0;
  for (std::size_t Pos = ABytes.find('<'); Pos < ABytes.size(); Pos = ABytes.find('<', Pos)) {
    const std::string_view Rest = ABytes.substr(Pos);
    if (Rest.starts_with("<!--")) Pos = Skip(Pos + 4, "-->");
    else if (Rest.starts_with("<![CDATA[")) Pos = Skip(Pos + 9, "]]>");
    else if (Rest.starts_with("<?")) Pos = Skip(Pos + 2, "?>");
    else if (Rest.starts_with("<!")) Pos = Skip(Pos + 2, ">");
    else if (Rest.starts_with("</")) {
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

}  // namespace

struct TXMLStreamReader::TState {
  explicit TState(TXMLReaderHandler& AHandler) : Handler(AHandler) {}

  TXMLReaderHandler& Handler;
  std::string Bytes;
  bool Finished = false;
  std::string Failure;  // sticky: every call after a failure raises it again

  void Fail(std::string AReason) {
    Failure = std::move(AReason);
    throw EDOMParseError(Failure);
  }

  void ThrowIfFailed() const {
    if (!Failure.empty()) throw EDOMParseError(Failure);
  }

  void Walk(const TXMLNode& ARoot) {
    // Per level, the next node to visit; a null one closes the level's element.
    std::vector<TXMLNode> Next{ARoot};
    int Depth = 0;
    while (!Next.empty()) {
      const TXMLNode Node = Next.back();
      if (!Node) {
        Next.pop_back();
        if (Next.empty()) break;
        Handler.EndElement();
        --Depth;
        Next.back() = Next.back().NextSibling();
        continue;
      }
      switch (Node.NodeType()) {
        case TXMLNodeType::Element:
          if (++Depth > kXMLReaderMaxDepth) Fail(Format("Elements nest deeper than %d levels", kXMLReaderMaxDepth));
          Handler.StartElement(Node.NamespaceURI(), Node.LocalName());
          Next.push_back(Node.FirstChild());
          continue;
        case TXMLNodeType::Text: Handler.Characters(Node.Text(), false); break;
        case TXMLNodeType::CData: Handler.Characters(Node.Text(), true); break;
        default: break;
      }
      Next.back() = Node.NextSibling();
    }
  }

  void Parse() {
    if (NestsDeeperThan(Bytes, kXMLReaderMaxDepth)) Fail(Format("Elements nest deeper than %d levels", kXMLReaderMaxDepth));
    TXMLDocument Doc = TXMLDocument::Create();
    try {
      Doc.LoadFromBytes(Bytes);
    } catch (const EDOMParseError& E) {
      Fail(E.Message());
    }
    Bytes = std::string();
    try {
      if (const TXMLElement Root = Doc.DocumentElement()) Walk(Root);
    } catch (const EDOMParseError&) {
      throw;
    } catch (...) {
      Failure = "The document was abandoned after an error";
      throw;
    }
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
