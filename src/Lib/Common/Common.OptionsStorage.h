// The options storage interfaces: a reader and a writer over one section of a tree of named
// sections holding named values, and a reader over nothing for sections that do not exist.
#pragma once

#include <string>
#include <vector>

#include "Lib/Common/Common.Object.h"

namespace Quellit {

// The widest floating-point type; options values of that kind travel as it.
using Extended = long double;

struct TOptionsSubsection;

class IOptionsReader : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{4E0B7C21-93A6-4F5D-8B1E-2C7A65D0F318}"); }
  virtual int ReadInteger(const std::string& AName, int ADefault) = 0;
  virtual std::string ReadString(const std::string& AName, const std::string& ADefault) = 0;
  virtual bool ReadBool(const std::string& AName, bool ADefault) = 0;
  virtual Extended ReadFloat(const std::string& AName, Extended ADefault) = 0;
  // Names of the section's children in order, duplicates included.
  virtual std::vector<std::string> ReadSubkeyNames() = 0;
  // Names of the section's values in stored order.
  virtual std::vector<std::string> ReadValueNames() = 0;
  virtual bool ValueExists(const std::string& AName) = 0;
  // A backslash in AName separates nested section names.
  virtual TIntf<IOptionsReader> OpenSubReader(const std::string& AName) = 0;
  // Whether the reader's section does not exist.
  virtual bool IsEmptySection() = 0;
  // A reader on every subsection in stored order. Each reaches its own section, also where
  // siblings share a name (OpenSubReader reaches the first of them), and so do the readers opened
  // from it. Only sections: no comments or text.
  virtual std::vector<TOptionsSubsection> OpenSubsections() = 0;
};
QUELLIT_REGISTER_INTERFACE(IOptionsReader);

struct TOptionsSubsection {
  std::string Name;
  TIntf<IOptionsReader> Reader;
};

class IOptionsWriter : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{A7D35E90-1B4C-4C62-9E0F-57B3D8A214C6}"); }
  virtual void WriteInteger(const std::string& AName, int AValue, int ADefault) = 0;
  virtual void WriteString(const std::string& AName, const std::string& AValue, const std::string& ADefault) = 0;
  virtual void WriteBool(const std::string& AName, bool AValue) = 0;
  virtual void WriteFloat(const std::string& AName, Extended AValue, Extended ADefault) = 0;
  // Creates the section (and every missing one on a backslash-separated path).
  virtual TIntf<IOptionsWriter> OpenSubWriter(const std::string& AName) = 0;
  // Appends a new section named AName (no backslash) after the existing ones, also when a
  // section of that name exists: how sibling sections of one name are written.
  virtual TIntf<IOptionsWriter> AddSubWriter(const std::string& AName) = 0;
  // Empties the section: no values, no subsections.
  virtual void Clear() = 0;
  // Writes the whole document the section belongs to.
  virtual void Save() = 0;
};
QUELLIT_REGISTER_INTERFACE(IOptionsWriter);

// A reader over nothing: every read gives its default.
class TFakeOptionsReader : public TInterfacedObject, public IOptionsReader {
 public:
  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TInterfacedObject::_Release(); }

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

}  // namespace Quellit
