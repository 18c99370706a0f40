// Normative-base files for the report and kvtool tests: a container written byte by byte with the
// descriptor, as SaveToStream writes it, among other items the way real bases carry it.
#pragma once

#include <string>

#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/NBData/NBData.Region.Types.h"
#include "Support/ScratchFolder.h"
#include "Support/SimpleDBaseBuilder.h"

namespace Quellit::Testing {

inline TNB_InfoStruct SampleBaseInfo(std::int32_t AArea = 12) {
  TNB_InfoStruct Info;
  Info.SysVersion = 3;
  Info.Code.SetCodeFromParts(AArea, 3, 4);
  Info.Code.Year = spl2001;
  Info.RegionName = "Москва";
  Info.CreationDate = EncodeDate(2021, 3, 15);
  Info.Creator = "Центр";
  Info.Publidher = nbpTerritorial;
  Info.DistrictName = "Центральный";
  Info.ReleaseNumber = 70000;
  return Info;
}

inline std::string SaveBaseInfo(const TNB_InfoStruct& AInfo) {
  TStringStream Stream;
  AInfo.SaveToStream(Stream);
  return Stream.DataString();
}

// Writes the base at ARelative inside AFolder; returns its full path.
inline std::string WriteBaseFile(const TScratchFolder& AFolder, const std::string& ARelative,
                                 const TNB_InfoStruct& AInfo, const std::string& APayload = "payload") {
  TSdbLayout Layout;
  Layout.Items = {{"Data", "", APayload}, {"Info", "work", SaveBaseInfo(AInfo)}};
  return AFolder.Write(ARelative, BuildSdb(Layout));
}

}  // namespace Quellit::Testing
