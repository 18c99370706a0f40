// Writes normative-base containers byte by byte for tests and benchmarks: a header, the name and
// work-data strings, the item table and the items' bytes, in that order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Lib/Common/Common.SysUtils.h"

namespace Quellit::Testing {

struct TSdbItem {
  std::string Name;      // UTF-8; stored in Windows-1251
  std::string WorkData;  // stored as it is
  std::string Data;
};

struct TSdbLayout {
  std::uint8_t Version = 5;
  std::int32_t AdvancesHeaderSize = 12;
  bool Sorted = false;
  std::vector<TSdbItem> Items;
};

inline void PutLE(std::string& AOut, std::uint64_t AValue, int ABytes) {
  for (int I = 0; I < ABytes; ++I) AOut += static_cast<char>((AValue >> (8 * I)) & 0xFF);
}

// The shortest length form: no length bytes for an empty string, else 1, 2 or 4.
inline void PutDirectoryString(std::string& AOut, const std::string& ABytes) {
  int Width = ABytes.empty() ? 0 : ABytes.size() <= 0xFF ? 1 : ABytes.size() <= 0xFFFF ? 2 : 4;
  AOut += static_cast<char>(Width);
  PutLE(AOut, ABytes.size(), Width);
  AOut += ABytes;
}

inline std::string BuildSdb(const TSdbLayout& ALayout) {
  std::string Out = "SDB";
  Out += static_cast<char>(ALayout.Version);
  const auto Count = ALayout.Items.size();
  std::size_t InfoBlockOffsetAt = 0;
  if (ALayout.Version == 4) {
    PutLE(Out, Count, 4);
  } else {
    PutLE(Out, static_cast<std::uint32_t>(ALayout.AdvancesHeaderSize), 4);
    PutLE(Out, Count, 4);
    InfoBlockOffsetAt = Out.size();
    PutLE(Out, 0, 4);
    PutLE(Out, ALayout.Sorted ? 1 : 0, 4);
    for (std::int32_t I = 12; I < ALayout.AdvancesHeaderSize; ++I) Out += '\xEE';
  }
  for (const TSdbItem& Item : ALayout.Items) {
    PutDirectoryString(Out, Utf8ToWin1251(Item.Name));
    PutDirectoryString(Out, Item.WorkData);
  }
  if (InfoBlockOffsetAt) {
    std::string Offset;
    PutLE(Offset, Out.size(), 4);
    Out.replace(InfoBlockOffsetAt, 4, Offset);
  }
  const int EntrySize = ALayout.Version == 4 ? 8 : 12;
  std::uint64_t DataAt = Out.size() + Count * static_cast<std::uint64_t>(EntrySize);
  for (const TSdbItem& Item : ALayout.Items) {
    PutLE(Out, DataAt, EntrySize - 4);
    PutLE(Out, Item.Data.size(), 4);
    DataAt += Item.Data.size();
  }
  for (const TSdbItem& Item : ALayout.Items) Out += Item.Data;
  return Out;
}

}  // namespace Quellit::Testing
