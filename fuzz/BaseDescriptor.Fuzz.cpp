// Loads the input as a base descriptor and uses everything derived from it: the property lines,
// the region code's text and integer forms and captions. Damaged input may only raise the filer's
// or the stream's errors. A descriptor that loads must save and load again to the same bytes.
//
// Seeds (fuzz/corpus/BaseDescriptor) are SaveToStream output: a full descriptor, the same one cut
// after each optional tail, one at level 1984 with Cyrillic texts, one with an unset code.
#include <cstdint>
#include <string>

#include "Lib/Common/Common.Filer.h"
#include "Lib/Common/Common.Streams.h"
#include "Lib/NBData/NBData.Region.Types.h"

namespace {

using namespace Quellit;

std::string Save(const TNB_InfoStruct& AInfo) {
  TStringStream Stream;
  AInfo.SaveToStream(Stream);
  return Stream.DataString();
}

TNB_InfoStruct Load(const std::string& ABytes) {
  TStringStream Stream(ABytes);
  TNB_InfoStruct Info;
  Info.LoadFromStream(Stream);
  return Info;
}

void UseCode(const TNBRegionCode& ACode) {
  ACode.DBCode("NB", "dat");
  ACode.ToInt();
  ACode.IntDBCode();
  ACode.DefaultOpenMask();
  ACode.DefaultTitle();
  ACode.DefaultComment();
  ACode.IsMTSNCode();
  if (ACode.Year == spl1984 || ACode.Year == spl2001) ACode.GetKVDCodeKind();
  const std::string Text = ACode.DBCode("", "");
  if (ACode.Code >= 0 && ACode.Code <= 99999 && (ACode.Year == spl1984 || ACode.Year == spl2001) &&
      !TNBRegionCode::FromString(Text).IsSame(ACode))
    __builtin_trap();
}

// Codes beyond five digits do not fit the stored parts, so only real codes must come back whole.
void CheckSaveLoad(const TNB_InfoStruct& AInfo) {
  if (AInfo.Code.Code < 0 || AInfo.Code.Code > 99999) return;
  const std::string Once = Save(AInfo);
  if (Save(Load(Once)) != Once) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  TNB_InfoStruct Info;
  try {
    Info = Load(std::string(reinterpret_cast<const char*>(AData), ASize));
  } catch (const EOrvantFilerError&) {
    return 0;
  } catch (const EReadError&) {
    return 0;
  }
  Info.GetPropsStrings();
  UseCode(Info.Code);
  CheckSaveLoad(Info);
  return 0;
}
