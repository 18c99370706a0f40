// Data sources that are folders on a local or network drive ("KV.Files").
#pragma once

#include <string>

#include "Modules/Korvel/Common/Kv_Storage.Types.h"

namespace Quellit {

// Connecting means making sure the folder exists.
class TCustomFileSystemConnection : public TConnection {
 public:
  bool Connected() const override { return FConnected; }
  // Creates the folder with its missing parents; EOSError when it cannot, and stays as it was.
  void Connect(const std::string& ALogin, const std::string& APassword) override;
  void Disconnect() override { FConnected = false; }

  static const TClassInfo& StaticClassInfo();

 private:
  bool FConnected = false;
};

class TFileSystemConnection : public TCustomFileSystemConnection {
 public:
  static std::string ClassID() { return "KV.Files"; }
  static TStorageKinds SupportedKinds() { return {Veska, NormBase, FormTemplate, DocTemplate}; }
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TFileSystemConnection>(); }

  // Kept as given, with or without a trailing separator.
  std::string Address() const override { return FAddress; }
  void SetAddress(const std::string& AValue) { FAddress = AValue; }
  bool CanUseRecycleBin() const override { return Usages().Contains(Veska); }

  static const TClassInfo& StaticClassInfo();

 private:
  std::string FAddress;
};

// The start-up registration, so pools can recreate folder connections from the connections file.
void RegisterFileSystemConnection();

}  // namespace Quellit
