// The data-source connections the product knows, kept in the product's connections options file
// together with the normative-base template location and the stored region information.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Lib/Common/Common.OptionsStorage.h"
#include "Modules/Korvel/Common/Kv_Storage.Types.h"

namespace Quellit {

class TNBRegionInfo : public TObject {
 public:
  const std::string& Name() const { return FName; }
  void SetName(const std::string& AValue) { FName = AValue; }
  int ShortCode() const { return FShortCode; }
  void SetShortCode(int AValue) { FShortCode = AValue; }
  const std::string& Zone2001Name() const { return FZone2001Name; }
  void SetZone2001Name(const std::string& AValue) { FZone2001Name = AValue; }
  const std::string& Zone1984Name() const { return FZone1984Name; }
  void SetZone1984Name(const std::string& AValue) { FZone1984Name = AValue; }
  void Assign(const TNBRegionInfo& ASource);

  static const TClassInfo& StaticClassInfo();

 private:
  std::string FName = "Нет данных";
  int FShortCode = -1;
  std::string FZone2001Name;
  std::string FZone1984Name;
};

// A stored section kept as it was read: the connection of a class this program does not know.
// Values and subsections in stored order; siblings may share a name.
struct TRawSection {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Values;
  std::vector<TRawSection> Sections;
};

class TConnectionsPool : public TObject {
 public:
  class Exception : public Quellit::Exception {
   public:
    using Quellit::Exception::Exception;
    static Exception CannotDeleteInternalConnection(const TConnection& AConnection);
    static Exception CannotAddInternalConnection(const TConnectionClass& AConnectionClass);
    static Exception ConnectionByClassNotFound(const TConnectionClass& AConnectionClass);
  };

  TConnectionsPool();
  TConnectionsPool(const TConnectionsPool&) = delete;
  TConnectionsPool& operator=(const TConnectionsPool&) = delete;
  ~TConnectionsPool() override;

  // The product's connections file.
  static std::string OptionsFileName();

  // In pool order.
  std::vector<TConnection*> Connections() const;
  int Count() const { return static_cast<int>(FConnections.size()); }
  const TDocumentLocation& NBTemplateLocation() const { return FNBTemplateLocation; }
  void SetNBTemplateLocation(const TDocumentLocation& AValue) { FNBTemplateLocation = AValue; }
  bool OptionsFileExists() const { return FOptionsFileExists; }
  void SetOptionsFileExists(bool AValue) { FOptionsFileExists = AValue; }
  TNBRegionInfo& StoredRegionInfo() const { return *FStoredRegionInfo; }

  // Frees every connection, then adds the internal ones again.
  void Clear();
  // The file that is loaded (the product's by default).
  void LoadFromOptionsStorage(bool AOnlyNBTEmplateLocation);
  void LoadFromOptionsStorage(bool AOnlyNBTEmplateLocation, const std::string& AFileName);
  // Rewrites the whole file.
  void SaveToOptionsStorage() const;
  void SaveToOptionsStorage(const std::string& AFileName) const;

  // The pool owns AConnection from then on; on an exception the caller still does.
  void AddConnection(TConnection* AConnection);
  // Frees AConnection when it is in the pool; anything else is left alone.
  void DeleteConnection(TConnection* AConnection);
  void ConnectionExchange(int AIndex1, int AIndex2);

  TConnection* FindConnection(const std::string& AClassID, const std::string& AAddress) const;
  TConnection* FindConnection(const TDocumentLocation& ADocLocation) const;
  TConnection* FindConnection(const std::string& AClassID) const;
  std::string GetLocationDisplayName(const TDocumentLocation& ALocation) const;

 private:
  using TOwnedConnection = std::unique_ptr<TConnection, TFreeDeleter>;
  using TConnectionList = std::vector<TOwnedConnection>;
  // A connection of an unknown class and its place: after the connection it followed in the file
  // (null: before every known one). It moves with that connection and never leaves the file.
  struct TUnknownConnection {
    const TConnection* After = nullptr;
    TRawSection Section;
  };
  using TUnknownList = std::vector<TUnknownConnection>;

  static void AddInternalConnections(TConnectionList& AList);
  static void EnsureCaption(const TConnectionList& AList, TConnection& AConnection);
  static void LoadConnection(IOptionsReader& AReader, TConnectionList& AList, TUnknownList& AUnknown);
  static TRawSection ReadRawSection(const std::string& AName, IOptionsReader& AReader);
  static void WriteRawSection(const TRawSection& ASection, IOptionsWriter& AWriter);
  static void SaveConnection(const TConnection& AConnection, IOptionsWriter& AWriter);
  void LoadNBTemplateLocation(IOptionsReader& AReader);

  TConnectionList FConnections;
  // Connections of unregistered classes, in file order, written back in place so a save never
  // drops or moves them.
  TUnknownList FUnknownConnections;
  TDocumentLocation FNBTemplateLocation;
  bool FOptionsFileExists = false;
  std::unique_ptr<TNBRegionInfo> FStoredRegionInfo;
};

}  // namespace Quellit
