// Reads filer values in an order the input itself chooses: every value form, strings of both
// widths, nested lists and signatures. Damaged input may only raise the filer's or the stream's
// errors; every value read back must also write and read again unchanged.
#include <bit>
#include <cstdint>
#include <cstring>

#include "Lib/Common/Common.Filer.h"

namespace {

using namespace Quellit;

// What was read must survive a write and a second read exactly (bit for bit for numbers).
void CheckRoundTrip(const std::string& AText, double AExtended) {
  TOrvantFiler Filer(TOrvantFiler::CreateWithMemoryStream);
  Filer.WriteStringW(AText);
  Filer.WriteExtended(AExtended);
  Filer.SetPosition(0);
  if (Filer.ReadString() != AText) __builtin_trap();
  double Back = Filer.ReadExtended();
  if (AExtended == AExtended && std::bit_cast<std::uint64_t>(Back) != std::bit_cast<std::uint64_t>(AExtended))
    __builtin_trap();
}

// ADepth counts the lists open for reading, so list operations are only asked for inside one.
void ReadOne(TOrvantFiler& AFiler, std::uint8_t AOperation, int& ADepth) {
  switch (AOperation % 16) {
    case 0: AFiler.ReadInt08(); break;
    case 1: AFiler.ReadInt16(); break;
    case 2: AFiler.ReadInt32(); break;
    case 3: AFiler.ReadInt64(); break;
    case 4: AFiler.ReadDbl64(); break;
    case 5: AFiler.ReadCurr64(); break;
    case 6: CheckRoundTrip("", AFiler.ReadExtended()); break;
    case 7: CheckRoundTrip(AFiler.ReadString(), 0); break;
    case 8: AFiler.ReadStringA(); break;
    case 9: CheckRoundTrip(AFiler.ReadStringW(), 0); break;
    case 10: AFiler.ReadBoolean(); break;
    case 11: AFiler.ReadByteBoolean(); break;
    case 12: AFiler.CheckSignature(0x5A); break;
    case 13:
      AFiler.ReadListBegin();
      ++ADepth;
      break;
    case 14:
      if (ADepth > 0) AFiler.ReadNextItem();
      break;
    case 15:
      if (ADepth > 0) {
        AFiler.ReadListEnd();
        --ADepth;
      }
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  TBytesStream Stream(TBytes(AData, AData + ASize));
  TKvFiler Filer(&Stream, false);
  int Depth = 0;
  try {
    // Each step reads one byte naming the operation, then the operation's value.
    while (!Filer.IsEndOfStream()) ReadOne(Filer, Filer.Read_Byte(), Depth);
  } catch (const EOrvantFilerError&) {
  } catch (const EReadError&) {
  }
  return 0;
}
