#include "SysInfo/SysInfo.Core.VeskaDBase.h"

#include "Lib/Common/Common.KvSimpleDBase64.h"
#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

std::string BaseKindText(TNBYear AYear) {
  switch (AYear) {
    case spl1984: return "1984 года";
    case spl2001: return "2001 года";
    default: return "Неизвестный тип";
  }
}

// The first line opens the block; each further one starts on a new, deeper-indented line.
void AddLine(std::string& ABlock, std::string_view ACaption, std::string_view AValue) {
  ABlock += ABlock.empty() ? "      - " : "\r\n        - ";
  ABlock += ACaption;
  ABlock += ": ";
  ABlock += AValue;
}

}  // namespace

void ReadBaseDescriptor(const std::string& APath, TNB_InfoStruct& AInfo) {
  TMemoryStream Stream;
  TKvSimpleDBaseReader64::FastGetItemData(APath, "Info", Stream);
  Stream.SetPosition(0);
  AInfo.LoadFromStream(Stream);
}

// On this platform the ANSI code page is Windows-1251 itself, so only characters that code
// page cannot hold change (to "?"), exactly as they would on the product's systems.
std::string Fix1251Text(std::string_view AText) {
  const TWin1251Encoding& Encoding = Win1251Encoding();
  return Encoding.Decode(Encoding.Encode(AText));
}

std::string DescribeBase(const std::string& APath) {
  TNB_InfoStruct Info;
  ReadBaseDescriptor(APath, Info);
  std::string Block;
  AddLine(Block, "Путь", APath);
  AddLine(Block, "Наименование", Fix1251Text(Info.RegionName));
  AddLine(Block, "Версия базы", IntToStr(Info.ReleaseNumber));
  AddLine(Block, "Код базы", IntToStr(Info.Code.ToInt()));
  AddLine(Block, "Дата создания", BaseDateToStr(Info.CreationDate));
  AddLine(Block, "Издатель", PublisherName(Info.Publidher));
  AddLine(Block, "Тип базы", BaseKindText(Info.Code.Year));
  AddLine(Block, "Округ", Fix1251Text(Info.DistrictName));
  return Block;
}

}  // namespace Quellit
