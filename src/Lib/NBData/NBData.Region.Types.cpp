#include "Lib/NBData/NBData.Region.Types.h"

#include <cmath>
#include <limits>

#include "Lib/Common/Common.Filer.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Numbers.h"
#include "Lib/Common/Common.StringUtils.h"

namespace Quellit {

namespace {

constexpr const char* SUnit = "Lib/NBData/NBData.Region.Types";
constexpr const char* SBadRegionCode = "Некорректный код (%s) базы";

struct TPriceLevelRow {
  const char* Digit;
  std::int32_t IntCodeBase;  // 0 where the level has no integer form
  std::uint16_t DefaultYear;  // 0 where the level has no default year
  const char* YearText;
};

constexpr TPriceLevelRow PriceLevelRows[] = {
    {" ", 0, 0, ""},             // splNone
    {"4", 400000, 1984, "1984"},  // spl1984
    {"1", 100000, 2001, "2001"},  // spl2001
    {"9", 0, 0, "1991"},          // spl1991
};

const TPriceLevelRow& PriceLevelRow(TVeskaPriceLevel ALevel) {
  const auto Index = static_cast<std::size_t>(ALevel);
  return Index < std::size(PriceLevelRows) ? PriceLevelRows[Index] : PriceLevelRows[splNone];
}

constexpr const char* PublisherNames[] = {"Неизвестен", "Федеральный", "Территориальный", "Отраслевой",
                                          "Индивидуальный"};

// Wide, so that parts read from a damaged descriptor cannot overflow on the way.
std::int64_t WideIntCode(std::int64_t AArea, std::int64_t AID, std::int64_t AAddcode) {
  return (AArea & 127) * 1000 + AID * 10 + AAddcode;
}

bool FitsInt32(std::int64_t AValue) {
  return AValue >= std::numeric_limits<std::int32_t>::min() && AValue <= std::numeric_limits<std::int32_t>::max();
}

// Characters counted as the product counts them: UTF-16 code units.
std::u16string Utf16Copy(const std::u16string& S, std::size_t AFrom, std::size_t ACount) {
  return AFrom >= S.size() ? std::u16string() : S.substr(AFrom, ACount);
}

std::int32_t StrToInt(const std::string& S) {
  int Result = 0;
  if (!TryStrToInt(S, Result)) throw EConvertError(Format("'%s' is not a valid integer value", S));
  return Result;
}

}  // namespace

std::string PriceLevelDigit(TVeskaPriceLevel ALevel) { return PriceLevelRow(ALevel).Digit; }
std::string PriceLevelYearText(TVeskaPriceLevel ALevel) { return PriceLevelRow(ALevel).YearText; }

std::string PublisherName(TNBPublisher APublisher) {
  const auto Index = static_cast<std::size_t>(APublisher);
  return PublisherNames[Index < std::size(PublisherNames) ? Index : std::size_t{nbpUnknown}];
}

// ---- TNBRegionCode ---------------------------------------------------------------------------------

void TNBRegionCode::SetCode(std::int32_t ACode) {
  const std::string Text = IntToStr(ACode);
  if (Text.size() > 5) throw ERegionCodeError(Format(SBadRegionCode, Text));
  Code = ACode;
}

void TNBRegionCode::SetCodeFromParts(std::int32_t AAreaCode, std::int32_t AID, std::int32_t ARegionAddCode) {
  Code = MakeIntCode(AAreaCode, AID, ARegionAddCode);
}

std::int32_t TNBRegionCode::MakeIntCode(std::int32_t AArea, std::int32_t AID, std::int32_t AAddcode) {
  const std::int64_t Result = WideIntCode(AArea, AID, AAddcode);
  if (!FitsInt32(Result)) throw ERegionCodeError(Format(SBadRegionCode, IntToStr(Result)));
  return static_cast<std::int32_t>(Result);
}

std::string TNBRegionCode::DBCode(std::string_view APrefix, std::string_view AExtention) const {
  if (Code < 0) return {};
  std::string Result = Format("%s%s%.5d", APrefix, PriceLevelDigit(Year), Code);
  if (!IsBlank(AExtention)) {
    if (AExtention.front() != '.') Result += '.';
    Result += AExtention;
  }
  return Result;
}

void TNBRegionCode::SetDBCode(std::string_view ADBCode) {
  std::u16string Text = Utf8ToUtf16(ADBCode);
  if (Text.size() < 6) throw ERegionCodeError(Format(SBadRegionCode, ADBCode));
  if ((Text[0] == u'N' || Text[0] == u'n') && (Text[1] == u'B' || Text[1] == u'b')) Text.erase(0, 2);
  switch (Text[0]) {
    case u'1': Year = spl2001; break;
    case u'4': Year = spl1984; break;
    default: throw ERegionCodeError(Format(SBadRegionCode, Utf16ToUtf8(Text)));
  }
  Code = StrToInt(Utf16ToUtf8(Utf16Copy(Text, 1, 5)));
}

TNBRegionCode TNBRegionCode::FromString(std::string_view ADBCode) {
  TNBRegionCode Result;
  Result.SetDBCode(ADBCode);
  return Result;
}

// Narrowed modulo 2^32 like the product's unchecked arithmetic; only codes beyond five digits,
// which no real base has, come near the limit.
std::int32_t TNBRegionCode::IntDBCode() const {
  return static_cast<std::int32_t>(std::int64_t{PriceLevelRow(Year).IntCodeBase} + Code);
}

std::int32_t TNBRegionCode::ToInt() const {
  if (Year == splNone || Code < 0) return -1;
  return IntDBCode();
}

TNBRegionCode TNBRegionCode::FromInt(std::int32_t ACode) {
  TNBRegionCode Result;
  switch (ACode / 100000) {
    case 1: Result.Year = spl2001; break;
    case 4: Result.Year = spl1984; break;
    default: throw EInvalidOpException(Format("Invalid region code (%d)", ACode));
  }
  Result.Code = ACode % 100000;
  return Result;
}

TKVDStreamCodeKind TNBRegionCode::GetKVDCodeKind() const {
  if (Year == spl1984) return sckCompressOnly;
  if (Year == spl2001) return Code == 0 ? sckGESN : sckTER;
  Assert(false, Format("Неожиданный уровень цен (%d) у кода региона %d", static_cast<int>(Year), Code), SUnit);
  return sckGESN;
}

std::uint16_t TNBRegionCode::DefaultYearValue() const {
  const std::int32_t Area = AreaCode();
  if (Year == spl2001 && (Area == 7 || Area == 8 || Area == 9)) return 1998;
  return PriceLevelRow(Year).DefaultYear;
}

bool TNBRegionCode::IsMTSNCode() const {
  const std::int32_t Area = AreaCode();
  return Area == 3 || Area == 7 || Area == 8 || Area == 9;
}

std::string TNBRegionCode::DefaultOpenMask() const {
  if (ID() != 0) return Format("%.2d%.2d?", AreaCode(), ID());
  return Format("%.2d???", AreaCode());
}

std::string TNBRegionCode::DefaultTitle() const { return Format("База (код %d)", ToInt()); }

std::string TNBRegionCode::DefaultComment() const { return Format("База %dг.", DefaultYearValue()); }

std::string TNBRegionCode::PriceLeveledBaseCaption(TNBYear APriceLevel) {
  return Format("База %sг.", PriceLevelYearText(APriceLevel));
}

const TNBRegionCode::TEqualityComparer& TNBRegionCode::EqualityComparer() {
  static const TEqualityComparer Shared;
  return Shared;
}

const TNBRegionCode::TComparer& TNBRegionCode::Comparer() {
  static const TComparer Shared;
  return Shared;
}

int TNBRegionCode::TComparer::Compare(const TNBRegionCode& A, const TNBRegionCode& B) const {
  const std::int64_t Difference = std::int64_t{A.ToInt()} - B.ToInt();
  if (Difference > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (Difference < -std::numeric_limits<int>::max()) return -std::numeric_limits<int>::max();
  return static_cast<int>(Difference);
}

// ---- TNB_InfoStruct --------------------------------------------------------------------------------

void TNB_InfoStruct::LoadFromStream(TStream& AStream) {
  *this = TNB_InfoStruct();
  TKvFiler Filer(&AStream, false);
  Filer.CheckSignature(Signature);
  SysVersion = Filer.Read_Byte();
  const std::uint8_t Area = Filer.Read_Byte();
  const std::int32_t ID = Filer.ReadInt32();
  const std::uint8_t AddCode = Filer.Read_Byte();
  // An ID no region has would overflow the code: the descriptor is damaged.
  if (!FitsInt32(WideIntCode(Area, ID, AddCode))) Filer.ReadError();
  Code.SetCodeFromParts(Area, ID, AddCode);
  RegionName = Filer.ReadString();
  Code.Year = static_cast<TNBYear>(Filer.Read_Byte());
  CreationDate = Filer.ReadDbl64();
  Creator = Filer.ReadString();
  FComment = Filer.ReadString();

  // Each tail was added by a later release of the writer; older descriptors end before it.
  if (!Filer.IsEndOfStream()) {
    DistrictName = Filer.ReadString();
    DistrictSign = Filer.ReadString();
    Publidher = static_cast<TNBPublisher>(Filer.Read_Byte());
  }
  if (!Filer.IsEndOfStream()) {
    OpenMask = Filer.ReadString();
    RootName = Filer.ReadString();
    Year = static_cast<std::uint16_t>(Filer.ReadInt16());
  }
  if (IsBlank(OpenMask)) OpenMask = Code.DefaultOpenMask();
  if (Year == 0) Year = Code.DefaultYearValue();
  if (IsBlank(RootName)) RootName = Code.DefaultComment();
  if (!Filer.IsEndOfStream()) ReleaseNumber = static_cast<std::uint32_t>(Filer.ReadInt32());
  HasCrc32 = !Filer.IsEndOfStream();
  if (HasCrc32) CRC32 = static_cast<std::uint32_t>(Filer.ReadInt32());
}

void TNB_InfoStruct::SaveToStream(TStream& AStream) const {
  TKvFiler Filer(&AStream, false);
  Filer.Write_Byte(Signature);
  Filer.Write_Byte(SysVersion);
  Filer.Write_Byte(static_cast<std::uint8_t>(Code.AreaCode()));
  Filer.WriteInt32(Code.ID());
  Filer.Write_Byte(static_cast<std::uint8_t>(Code.AddCode()));
  Filer.WriteString(RegionName);
  Filer.Write_Byte(static_cast<std::uint8_t>(Code.Year));
  Filer.WriteDbl64(CreationDate);
  Filer.WriteString(Creator);
  Filer.WriteString(IsBlank(FComment) ? Code.DefaultComment() : FComment);
  Filer.WriteString(DistrictName);
  Filer.WriteString(DistrictSign);
  Filer.Write_Byte(static_cast<std::uint8_t>(Publidher));
  Filer.WriteString(OpenMask);
  Filer.WriteString(RootName);
  Filer.WriteInt16(static_cast<std::int16_t>(Year));
  Filer.WriteInt32(static_cast<std::int32_t>(ReleaseNumber));
  const std::uint8_t Crc[4] = {static_cast<std::uint8_t>(CRC32), static_cast<std::uint8_t>(CRC32 >> 8),
                               static_cast<std::uint8_t>(CRC32 >> 16), static_cast<std::uint8_t>(CRC32 >> 24)};
  AStream.WriteBuffer(Crc, sizeof(Crc));
}

TSharedPtr<TStringList> TNB_InfoStruct::GetPropsStrings() const {
  TSharedPtr<TStringList> Result(new TStringList());
  Result->AddNameValue("Версия базы", IntToStr(ReleaseNumber));
  Result->AddNameValue("Регион", RegionName);
  Result->AddNameValue("Код базы", Code.DBCode("NB", ""));
  Result->AddNameValue("Издатель", PublisherName(Publidher));
  Result->AddNameValue("Дата создания", BaseDateToStr(CreationDate));
  Result->AddNameValue("Тип базы", PriceLevelYearText(Code.Year) + " года");
  Result->AddNameValue("Округ", DistrictName);
  return Result;
}

std::string BaseDateToStr(TDateTime AValue) {
  // 0001-01-01 and 9999-12-31: the calendar the date formatter can render.
  constexpr TDateTime MinDate = -693593.0;
  constexpr TDateTime MaxDate = 2958466.0;
  if (!std::isfinite(AValue) || AValue < MinDate || AValue >= MaxDate) return {};
  return DateToStr(AValue);
}

}  // namespace Quellit
