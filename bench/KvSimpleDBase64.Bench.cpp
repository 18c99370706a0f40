// The container reader on version-5 containers with sorted names: opening (directory parse),
// random lookups by name through a reader at two sizes (the bisection should cost about
// log(n) comparisons), and lookups straight from the file.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

#include "../tests/Support/ScratchFolder.h"
#include "../tests/Support/SimpleDBaseBuilder.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.KvSimpleDBase64.h"

namespace {

using namespace Quellit;

std::string ItemName(int AIndex) { return Format("item%.7d", AIndex); }

// One container per size, written once for the whole run.
const std::string& ContainerPath(int ACount) {
  static Testing::TScratchFolder Folder;
  static std::map<int, std::string> Paths;
  auto& Path = Paths[ACount];
  if (Path.empty()) {
    Testing::TSdbLayout Layout;
    Layout.Sorted = true;
    Layout.Items.reserve(static_cast<std::size_t>(ACount));
    for (int I = 0; I < ACount; ++I)
      Layout.Items.push_back({ItemName(I), "work", std::string(16, static_cast<char>('a' + I % 26))});
    Path = Folder.Write(Format("base%d.sdb", ACount), Testing::BuildSdb(Layout));
  }
  return Path;
}

std::vector<std::string> RandomNames(int ACount, int AHowMany) {
  std::mt19937 Random(12345);
  std::uniform_int_distribution<int> Pick(0, ACount - 1);
  std::vector<std::string> Result;
  for (int I = 0; I < AHowMany; ++I) Result.push_back(ItemName(Pick(Random)));
  return Result;
}

void BM_Open(benchmark::State& AState) {
  const std::string& Path = ContainerPath(static_cast<int>(AState.range(0)));
  for (auto _ : AState) {
    TKvSimpleDBaseReader64 Reader(Path, true);
    benchmark::DoNotOptimize(Reader.RecordCount());
  }
}
BENCHMARK(BM_Open)->Arg(200000)->Unit(benchmark::kMillisecond);

// 10,000 random lookups per iteration.
void BM_LookupByName(benchmark::State& AState) {
  const int Count = static_cast<int>(AState.range(0));
  TKvSimpleDBaseReader64 Reader(ContainerPath(Count), true);
  const std::vector<std::string> Names = RandomNames(Count, 10000);
  for (auto _ : AState)
    for (const std::string& Name : Names) benchmark::DoNotOptimize(Reader.GetIndexFromName(Name, true));
}
BENCHMARK(BM_LookupByName)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

// 1,000 random items fetched straight from the file per iteration.
void BM_FastGetItemData(benchmark::State& AState) {
  const int Count = static_cast<int>(AState.range(0));
  const std::string& Path = ContainerPath(Count);
  const std::vector<std::string> Names = RandomNames(Count, 1000);
  for (auto _ : AState)
    for (const std::string& Name : Names) {
      TMemoryStream Data;
      benchmark::DoNotOptimize(TKvSimpleDBaseReader64::FastGetItemData(Path, Name, Data));
    }
}
BENCHMARK(BM_FastGetItemData)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
