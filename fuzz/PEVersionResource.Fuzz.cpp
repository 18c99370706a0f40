// Reads the input as a PE image and, apart, as a raw VS_VERSIONINFO block, and asks every lookup
// the product makes of a version resource. Nothing may raise or read outside the input.
//
// Seeds (fuzz/corpus/PEVersionResource): the PE fixtures of the tests (a full resource, one
// without a translation, one falling back to another language, one without a version resource).
#include <cstdint>
#include <span>
#include <string>

#include "Lib/Common/Common.PEVersionResource.h"

namespace {

using namespace Quellit;

void Query(const TPEVersionResource& AResource) {
  if (!AResource.IsValid()) return;
  AResource.QueryValue("\\");
  std::string Language = "040904B0";
  if (const auto Translation = AResource.QueryValue("\\VarFileInfo\\Translation"); Translation && Translation->size() >= 4) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    const std::uint8_t Order[] = {1, 0, 3, 2};  // language then code page, each little-endian
    Language.clear();
    for (std::uint8_t I : Order) {
      Language += Digits[(*Translation)[I] >> 4];
      Language += Digits[(*Translation)[I] & 0xF];
    }
  }
  for (const char* Name : {"FileVersion", "ProductVersion", "CompanyName", "FileDescription"})
    AResource.QueryString("\\StringFileInfo\\" + Language + "\\" + Name);
  AResource.QueryString("\\StringFileInfo");
  AResource.QueryValue("\\\\VarFileInfo\\\\");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::span<const std::uint8_t> Bytes(AData, ASize);
  TPEMemorySource Source(Bytes);
  const TPEVersionResource FromImage = TPEVersionResource::FromSource(Source);
  Query(FromImage);
  if (FromImage.IsValid() && FromImage.Block().size() > 0xFFFF) __builtin_trap();
  Query(TPEVersionResource(std::vector<std::uint8_t>(Bytes.begin(), Bytes.end())));
  return 0;
}
