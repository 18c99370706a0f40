// Reads the input as a registry file (any encoding the registry accepts) and writes the tree back.
// Reading never raises; the written form must read back to itself, and every key must be found
// again by its path in other letter case.
//
// Seeds (fuzz/corpus/RegistryText): small exports in UTF-8 and UTF-16LE, the old ANSI format, long
// hexadecimal values continued over lines, deletions of keys and values.
#include <cstdint>
#include <string>

#include "Platform/RegistryFile.h"
#include "Platform/TextCodec.h"

namespace {

using namespace Quellit::Platform;

void CheckFindsEveryKey(const TRegistryNode& ARoot) {
  for (const TRegistryNode& Hive : ARoot.SubKeys())
    for (const TRegistryNode& Key : Hive.SubKeys())
      if (ARoot.FindKey(FoldCase(Hive.Name()) + "\\" + FoldCase(Key.Name())) != &Key) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string Bytes(reinterpret_cast<const char*>(AData), ASize);
  const TRegistryParseResult Parsed = ParseRegistryText(DecodeText(Bytes).Text);
  CheckFindsEveryKey(Parsed.Root);
  const std::string Written = FormatRegistryText(Parsed.Root);
  const TRegistryParseResult Again = ParseRegistryText(Written);
  if (Again.BrokenLines != 0 || FormatRegistryText(Again.Root) != Written) __builtin_trap();
  return 0;
}
