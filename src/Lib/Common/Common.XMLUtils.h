// XML utilities of the libraries: loading with the system's own load-failure translation, typed
// attribute routines, XPath selection with namespace prefixes, node-list enumeration and the XML
// error classes. The DOM types themselves are in Common.XMLUtils.DOM.h.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>

#include "Lib/Common/Common.ExceptionEx.h"
#include "Lib/Common/Common.XMLUtils.DOM.h"

namespace Quellit {

class TStream;

// ---- the system's XML errors ----------------------------------------------------------------------

class EInvalidXMLData : public ExceptionEx {
  using ExceptionEx::ExceptionEx;
};

class EInvalidXMLFile : public ExceptionEx {
 public:
  using ExceptionEx::ExceptionEx;
  static EInvalidXMLFile Create4FileName(const std::string& AFileName);
  static EInvalidXMLFile InvalidRootNodeName(const std::string& AFactNodeName, const std::string& AExpectedNodeName);
  static EInvalidXMLFile EmptyData();
  // Quiet when the names are equal ignoring the case of A-Z; raises InvalidRootNodeName otherwise.
  static void CheckValidXMLRoot(const std::string& AFactNodeName, const std::string& AExpectedNodeName);
};

class EXMLNodeNotFound : public EInvalidXMLData {
 public:
  explicit EXMLNodeNotFound(const std::string& AXPath);
};

// Deliberately not an ExceptionEx: the message says all the user can act on.
class EWrongMSXML : public Exception {
 public:
  using Exception::Exception;
  std::string ClassNameAndMessage() const;                       // "[EWrongMSXML]<message>"
  void IncludeOperationNameAsFirst(const std::string& AOpName);  // "<operation>: <message>"
};

// ---- loading --------------------------------------------------------------------------------------

enum TXMLEncodingType { xetUnknown, xetUTF_8, xetUTF_16LE, xetUTF_16BE, xetWindows1251 };

// Load failures become EWrongMSXML or EInvalidXMLFile naming the file, the cause kept as inner.
TXMLDocument LoadXMLFile(const std::string& AFileName);
void LoadXMLFileInto(TXMLDocument& ADoc, const std::string& AFileName);
// Reads the stream from its position to its end; parser errors (EDOMParseError) reach the caller.
TXMLDocument LoadXMLStream(TStream& AStream, TXMLEncodingType AEncodingType = xetUnknown);

// To be called only from an exception handler (an assertion failure otherwise).
// Raises EWrongMSXML when the exception being handled says the XML component is unavailable.
void HandleInvalidMSXMLVersionError();
// Raises EInvalidXMLFile for the exception being handled.
[[noreturn]] void HandleLoadXmlFileError(const std::string& AFileName);

// ---- attributes -----------------------------------------------------------------------------------
// Node is an element; a null node (or one that is not an element) has no attributes.

// Code points 0-8, 11, 12 and 14-31.
bool IsInvalidXMLChar(char32_t AChar);
std::string RemoveInvalidXMLChars(const std::string& AText);

std::string ReadAttrStr(const TXMLNode& ANode, const std::string& AName, bool ARequired = false);
std::string ReadAttrStrDef(const TXMLNode& ANode, const std::string& AName, const std::string& ADefault);
int ReadAttrInt(const TXMLNode& ANode, const std::string& AName, int ADefault);
// EConvertError for text that is neither true/false (any case) nor a number.
bool ReadAttrBool(const TXMLNode& ANode, const std::string& AName, bool ADefault);
long double ReadAttrFloat(const TXMLNode& ANode, const std::string& AName, long double ADefault);

void WriteAttrStr(const TXMLNode& ANode, const std::string& AName, const std::string& AValue);
void WriteAttrInt(const TXMLNode& ANode, const std::string& AName, int AValue, int ADefault);
void WriteAttrBool(const TXMLNode& ANode, const std::string& AName, bool AValue);
void WriteAttrFloat(const TXMLNode& ANode, const std::string& AName, long double AValue);

std::string NodeTextDef(const TXMLNode& ANode, const std::string& ADefault);

// ---- XPath ----------------------------------------------------------------------------------------
// ANamespaces: "xmlns:p='uri'" declarations separated by blanks, or empty. ANode must not be null.

TXMLNode SelectNode(const TXMLNode& ANode, const std::string& AXPath, const std::string& ANamespaces = {});
TXMLNode SelectRequiredNode(const TXMLNode& ANode, const std::string& AXPath, const std::string& ANamespaces = {});
TXMLNodeList SelectNodes(const TXMLNode& ANode, const std::string& AXPath, const std::string& ANamespaces = {});

// ---- node-list enumeration ------------------------------------------------------------------------

struct TXMLNodeListEnumerable {
  struct TEnumerator {
    TXMLNodeList FList;
    int FIndex = -1;
    std::string FLocalName;

    static TEnumerator Create(const TXMLNodeList& AList, const std::string& ALocalName);
    bool MoveNext();
    TXMLNode Current() const;
  };

  TXMLNodeList FList;
  std::string FLocalName;

  static TXMLNodeListEnumerable Create(const TXMLNodeList& AList, const std::string& ALocalName = {});
  static TXMLNodeListEnumerable CreateEmpty();
  TEnumerator GetEnumerator() const;

  // Range-for over the same protocol.
  class TIterator {
   public:
    using value_type = TXMLNode;
    using difference_type = std::ptrdiff_t;
    TIterator() = default;
    explicit TIterator(TEnumerator AEnumerator);
    TXMLNode operator*() const { return FEnumerator.Current(); }
    TIterator& operator++();
    void operator++(int) { ++*this; }
    bool operator==(std::default_sentinel_t) const { return FAtEnd; }

   private:
    TEnumerator FEnumerator;
    bool FAtEnd = true;
  };
  TIterator begin() const { return TIterator(GetEnumerator()); }
  std::default_sentinel_t end() const { return {}; }
};

}  // namespace Quellit
