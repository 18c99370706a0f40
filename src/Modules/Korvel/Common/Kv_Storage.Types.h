// The connection model: what every data-source connection carries and states about its class, the
// registry that recreates connections from their class identifiers, and document locations.
#pragma once

#include <string>
#include <typeinfo>
#include <vector>

#include "Lib/Common/Common.Attributes.h"
#include "Lib/Common/Common.Collections.h"
#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.RTTIPropList.h"

namespace Quellit {

enum TStorageKind { Veska, NormBase, FormTemplate, DocTemplate };
QUELLIT_ENUM_NAMES(TStorageKind, "Veska", "NormBase", "FormTemplate", "DocTemplate");
using TStorageKinds = TSet<TStorageKind>;

class TConnection;

// A connection class as a value: what a class reference answers without an instance, and its
// constructor. ClassOf<T>() hands out one object per class, so addresses compare classes.
class TConnectionClass : public TObject {
 public:
  virtual std::string ClassID() const = 0;
  virtual TStorageKinds SupportedKinds() const = 0;
  virtual bool IsInternal() const = 0;
  virtual const TClassInfo& ClassInfo() const = 0;
  // A new instance, owned by the caller (free it with Free).
  virtual TConnection* CreateInstance() const = 0;

  // The class's own TDisplayName; a class without one is a programming error.
  std::string DisplayName() const;
  bool LoginDlgRequired() const;
  bool SupportsVeska() const { return SupportedKinds().Contains(Veska); }
  bool SupportsNormBases() const { return SupportedKinds().Contains(NormBase); }
};

template <class T>
class TConnectionClassOf final : public TConnectionClass {
 public:
  std::string ClassID() const override { return T::ClassID(); }
  TStorageKinds SupportedKinds() const override { return T::SupportedKinds(); }
  bool IsInternal() const override { return T::IsInternal(); }
  const TClassInfo& ClassInfo() const override { return T::StaticClassInfo(); }
  TConnection* CreateInstance() const override { return Create<T>(); }
};

template <class T>
const TConnectionClass& ClassOf() {
  static const TConnectionClassOf<T> Class;
  return Class;
}

struct TDocumentLocation {
  std::string ConnectionClassId;
  std::string BaseAddress;
  std::string LocalPath;

  static TDocumentLocation Make(const std::string& AConnectionClassId, const std::string& ABaseAddress,
                                const std::string& ALocalPath);
  // "ConnectionClassId=…;BaseAddress=…;LocalPath=…", empty items left out, items with blanks,
  // control characters, quotes or ";" quoted.
  std::string ToString() const;
  static TDocumentLocation FromString(const std::string& S);

  // Letter case is ignored throughout; with AAsInternal the base address does not matter.
  bool IsEqual(const TDocumentLocation& AOther, bool AAsInternal) const;
  // Locations in a built-in data source are equal whatever their base address.
  friend bool operator==(const TDocumentLocation& A, const TDocumentLocation& B);
  bool IsEmpty() const { return ConnectionClassId.empty() || LocalPath.empty(); }
  std::string FullPath() const;
};

// Base address comparisons: one trailing separator ("\" from the product's files, or the native
// one) does not make two addresses differ.
bool SameBaseAddress(const std::string& A, const std::string& B);

// The base of every data-source connection. Create instances with Create<T>() and free them with
// Free(), so that they disconnect before their destructors run.
class TConnection : public TObject {
 public:
  TConnection();

  // Class-level facts; concrete classes hide these with their own.
  static std::string ClassID();
  static TStorageKinds SupportedKinds();
  static bool IsInternal() { return false; }
  // The class of this very object.
  virtual const TConnectionClass& ConnectionClass() const = 0;

  virtual bool Connected() const = 0;
  virtual std::string Address() const = 0;
  virtual void Connect(const std::string& ALogin, const std::string& APassword) = 0;
  virtual void Disconnect() = 0;
  virtual bool CanUseRecycleBin() const { return false; }

  TDocumentLocation Location() const;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& AValue) { FCaption = AValue; }
  const std::string& Description() const { return FDescription; }
  void SetDescription(const std::string& AValue) { FDescription = AValue; }
  const std::string& InstanceUID() const { return FInstanceUID; }
  void SetInstanceUID(const std::string& AValue) { FInstanceUID = AValue; }
  // What the user uses this source for, within what the class supports.
  TStorageKinds Usages() const;
  // A source not used for documents never uses the recycle bin.
  void SetUsages(const TStorageKinds& AValue);
  bool UseRecycleBin() const { return FUseRecycleBin; }
  void SetUseRecycleBin(bool AValue) { FUseRecycleBin = AValue; }
  const std::type_info* ExceptionClass() const { return FExceptionClass; }
  void SetExceptionClass(const std::type_info* AValue) { FExceptionClass = AValue; }
  const std::string& ExceptionMessage() const { return FExceptionMessage; }
  void SetExceptionMessage(const std::string& AValue) { FExceptionMessage = AValue; }

  // Disconnects while the object is still whole: a destructor would not reach the override.
  void BeforeDestruction() override;

  static const TClassInfo& StaticClassInfo();

 private:
  std::string FCaption;
  TStorageKinds FUsages;
  std::string FInstanceUID;
  std::string FDescription;
  const std::type_info* FExceptionClass = nullptr;
  std::string FExceptionMessage;
  bool FUseRecycleBin = false;
};

// A connection whose address the user sets (and the options file keeps).
class TServerConnection : public TConnection {
 public:
  virtual void SetAddress(const std::string& AValue) = 0;
  static bool IsValidServer(const std::string&) { return false; }

  static const TClassInfo& StaticClassInfo();
};

class TConnectionsFactory : public TObject {
 public:
  class Exception : public Quellit::Exception {
   public:
    using Quellit::Exception::Exception;
    static Exception ClassIDNotFound(const std::string& AClassID);
  };

  // Replaces a class registered earlier under the same identifier.
  static void RegisterConnectionClass(const TConnectionClass& AItem);
  // In no defined order.
  static std::vector<const TConnectionClass*> ConnectionClasses();
  // The class registered under exactly AClassID (letter case counts); null, or the exception.
  static const TConnectionClass* FindByClassID(const std::string& AClassID, bool ARaiseIfNotFound);
  static bool IsInternalClassID(const std::string& AClassID);
};

}  // namespace Quellit
