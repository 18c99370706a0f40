// The common properties every product document carries, which storages exchange without opening
// the document body, and their line-based text form ("Key=Value" lines in the ANSI code page).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Lib/Common/Common.SysUtils.h"
#include "Modules/Korvel/Common/Kv.Types.h"

namespace Quellit {

class TStream;

// Restrictions on what a user may do with a document. The text form lists the words "Modify",
// "Copy", "Export" and "Save" of the set flags, in that order, joined by ",".
struct TSecurityOptions {
  bool ReadOnly = false;
  bool CopyDisabled = false;
  bool ExportDisabled = false;
  bool SaveDisabled = false;

  std::string ToString() const;
  // Words are separated by commas or blanks and compared without regard to case; unknown ones
  // are ignored.
  void FromString(std::string_view Value);

  friend bool operator==(const TSecurityOptions&, const TSecurityOptions&) = default;
};

struct TKVFXData {
  std::int32_t Revision = 0;
  bool Crypted = false;
  std::uint8_t SignType = 0;
  TDateTime ModifyDate = 0;
  TSecurityOptions SecurityOptions;

  void SetCryptedState(bool Value) { Crypted = Value; }

  friend bool operator==(const TKVFXData&, const TKVFXData&) = default;
};

struct TKvDocCommonPropertiesAttribs {
  std::string LocNum;
  std::string RegNum;
  std::string ObjName;
  std::string ConName;
  std::string StgName;
  std::string Description;
  std::string Comment;

  friend bool operator==(const TKvDocCommonPropertiesAttribs&, const TKvDocCommonPropertiesAttribs&) = default;
};

struct TKvDocCommonPropertiesTotalDetails {
  std::string Pz, Oz, Em, Zm, Mt, Tz, Tm, Nr, Sp;

  friend bool operator==(const TKvDocCommonPropertiesTotalDetails&,
                         const TKvDocCommonPropertiesTotalDetails&) = default;
};

struct TKvDocCommonPropertiesOsDetails {
  std::string Sr, Mr, Ob, Pr;

  friend bool operator==(const TKvDocCommonPropertiesOsDetails&, const TKvDocCommonPropertiesOsDetails&) = default;
};

struct TKvDocCommonPropertiesRegionInfo {
  std::string RegionName;
  std::string ZoneName;

  friend bool operator==(const TKvDocCommonPropertiesRegionInfo&,
                         const TKvDocCommonPropertiesRegionInfo&) = default;
};

struct TKvDocCommonProperties {
  TVeskaDocumentType DocType = sdtVeska;
  TKvDocCommonPropertiesAttribs Attribs;
  std::string Total;
  TKvDocCommonPropertiesTotalDetails TotalDetails;
  TKvDocCommonPropertiesOsDetails OsDetails;
  TKvDocCommonPropertiesRegionInfo RegionInfo;
  TKVFXData KVFXData;

  // A cleared record that knows only the document's kind.
  static TKvDocCommonProperties Create(TVeskaDocumentType ADocType);
  // Empty texts, zero numbers and dates, false flags, sdtVeska.
  void Clear();

  // Writes the properties text at the stream's position: one CR LF terminated line per non-empty
  // value, Windows-1251, no byte-order mark. Every value stays on its line and reads back as it
  // was; a value the product's own reading would not give back is coded and its key listed on an
  // extra line "EscapedKeys", which the product ignores.
  void SaveToStream(TStream& AStream) const;
  // Clears, then reads the properties text from the stream's position to its end. A UTF-8 or
  // UTF-16 byte-order mark selects that encoding, otherwise the text is Windows-1251. Missing or
  // unreadable values take their defaults: Revision 1, ModifyDate the current time. As the product
  // reads them, StgName, Comment and Description turn "#13" and "#10" into CR and LF, and the
  // other texts are taken as they stand, unless "EscapedKeys" lists them.
  void LoadFromStream(TStream& AStream);

  friend bool operator==(const TKvDocCommonProperties&, const TKvDocCommonProperties&) = default;
};

}  // namespace Quellit
