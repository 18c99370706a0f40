// Options readers and writers over XML files. A section is an element (the root is the top one,
// nested sections are nested elements); a value is an attribute of its section's element. New
// files are written in Windows-1251 with that encoding declared; loaded files keep theirs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Lib/Common/Common.OptionsStorage.h"
#include "Lib/Common/Common.XMLUtils.h"

namespace Quellit {

// The common part of readers and writers: the shared document and this object's section in it.
class TCustomXMLOptionsStorage : public TInterfacedObject {
 public:
  // A top-level reader's storage: the file's content, or an empty "Options" root when the file is
  // missing. Load failures propagate (EInvalidXMLFile, EWrongMSXML).
  explicit TCustomXMLOptionsStorage(const std::string& AFileName);
  // A section of ADoc; ASubkey names it below the root, parts separated by backslashes. Derived
  // constructors resolve it (NavigateToSubkey), because that depends on IsReader.
  TCustomXMLOptionsStorage(const TXMLDocument& ADoc, const std::string& ASubkey);

  // Whether resolving a section path must leave missing sections missing (true) or create them.
  virtual bool IsReader() const = 0;

  const TXMLDocument& Doc() const { return FDoc; }
  const std::string& FileName() const { return FFileName; }
  const std::string& Subkey() const { return FSubkey; }

 protected:
  TCustomXMLOptionsStorage() = default;
  // A new document as the storage keeps its files: version "1.0", saved indented.
  static TXMLDocument NewOptionsDocument();
  // Gives a document without a root the root "Options".
  static void EnsureRoot(TXMLDocument& ADoc);
  void NavigateToSubkey();
  // FSubkey, a separator when needed, and AName.
  std::string SubkeyPath(const std::string& AName) const;
  // The base and path a section opened from this one by AName resolves with.
  std::string BasePathOf(const std::string& AName) const;

  TXMLDocument FDoc;
  TXMLElement FNode;
  std::string FSubkey;
  std::string FFileName;
  // A section reached by its place among its siblings, and the path below it: sections opened from
  // it resolve from it, because from the root its path would reach the first sibling of its name.
  // Null for sections reached by their path from the root.
  TXMLElement FBase;
  std::string FBasePath;
};

class TXmlOptionsReader : public TCustomXMLOptionsStorage, public IOptionsReader {
 public:
  explicit TXmlOptionsReader(const std::string& AFileName);
  TXmlOptionsReader(const TXMLDocument& ADoc, const std::string& ASubkey);
  // The section ABasePath below ABase (ABase itself when empty).
  TXmlOptionsReader(const TXMLDocument& ADoc, const std::string& ASubkey, const TXMLElement& ABase, const std::string& ABasePath);

  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TInterfacedObject::_Release(); }

  bool IsReader() const override { return true; }

  int ReadInteger(const std::string& AName, int ADefault) override;
  std::string ReadString(const std::string& AName, const std::string& ADefault) override;
  bool ReadBool(const std::string& AName, bool ADefault) override;
  Extended ReadFloat(const std::string& AName, Extended ADefault) override;
  std::vector<std::string> ReadSubkeyNames() override;
  std::vector<std::string> ReadValueNames() override;
  bool ValueExists(const std::string& AName) override;
  TIntf<IOptionsReader> OpenSubReader(const std::string& AName) override;
  bool IsEmptySection() override;
  std::vector<TOptionsSubsection> OpenSubsections() override;
};

class TXmlOptionsWriter : public TCustomXMLOptionsStorage, public IOptionsWriter {
 public:
  // Starts from the file's content; a file that is not valid XML is started over silently, and
  // the first Save then keeps it as "<file name>.bak". A missing file is created by Save. A file
  // over kMaxXMLFileBytes is refused as readers refuse it (EInvalidXMLFile) and left alone.
  explicit TXmlOptionsWriter(const std::string& AFileName);
  TXmlOptionsWriter(const TXMLDocument& ADoc, const std::string& ASubkey);
  // The section ABasePath below ABase (ABase itself when empty), created when missing.
  TXmlOptionsWriter(const TXMLDocument& ADoc, const std::string& ASubkey, const TXMLElement& ABase, const std::string& ABasePath);

  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TInterfacedObject::_Release(); }

  bool IsReader() const override { return false; }

  void WriteInteger(const std::string& AName, int AValue, int ADefault) override;
  void WriteString(const std::string& AName, const std::string& AValue, const std::string& ADefault) override;
  void WriteBool(const std::string& AName, bool AValue) override;
  void WriteFloat(const std::string& AName, Extended AValue, Extended ADefault) override;
  TIntf<IOptionsWriter> OpenSubWriter(const std::string& AName) override;
  TIntf<IOptionsWriter> AddSubWriter(const std::string& AName) override;
  void Clear() override;
  void Save() override;

 private:
  // Shared by a writer and every writer opened from it: set while a damaged file still waits to be
  // kept as ".bak" by the first Save of the document.
  struct TSaveState {
    bool BackupPending = false;
  };
  void CheckNode() const;
  void BackupDamagedFile() const;

  std::shared_ptr<TSaveState> FSaveState = std::make_shared<TSaveState>();
};

}  // namespace Quellit
