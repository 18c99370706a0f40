// An options file of 10,000 sections with 6 values each (the size of a large connections file
// and then some): building and saving it, loading and reading every value back, and rewriting
// it through a writer. Each must stay well below a second.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/Support/ScratchFolder.h"
#include "Lib/Common/Common.OptionsStorage.XML.h"
#include "Lib/Common/Common.SysUtils.h"

namespace {

using namespace Quellit;

constexpr int SectionCount = 10000;

std::string SectionName(int AIndex) { return "Item" + std::to_string(AIndex); }

void WriteAll(const std::string& AFileName) {
  TIntf<IOptionsWriter> Root(new TXmlOptionsWriter(AFileName));
  for (int I = 0; I < SectionCount; ++I) {
    TIntf<IOptionsWriter> Section = Root->OpenSubWriter(SectionName(I));
    Section->WriteString("ClassID", "KV.Files", "");
    Section->WriteString("Caption", "Сметы и нормативы №" + std::to_string(I), "");
    Section->WriteString("Path", "/home/user/Документы/Сметы/" + std::to_string(I), "");
    Section->WriteInteger("Kinds", I % 15 + 1, 0);
    Section->WriteBool("Enabled", I % 2 == 0);
    Section->WriteFloat("Created", 45352.5 + I, 0);
  }
  Root->Save();
}

int ReadAll(const std::string& AFileName) {
  TIntf<IOptionsReader> Root(new TXmlOptionsReader(AFileName));
  int Sum = 0;
  for (const std::string& Name : Root->ReadSubkeyNames()) {
    TIntf<IOptionsReader> Section = Root->OpenSubReader(Name);
    Sum += static_cast<int>(Section->ReadString("ClassID", "").size() + Section->ReadString("Caption", "").size() +
                            Section->ReadString("Path", "").size());
    Sum += Section->ReadInteger("Kinds", 0) + (Section->ReadBool("Enabled", false) ? 1 : 0);
    Sum += static_cast<int>(Section->ReadFloat("Created", 0));
  }
  return Sum;
}

const std::string& SampleFile() {
  static Testing::TScratchFolder Folder;
  static const std::string File = [] {
    SetUserLocale("ru_RU");
    WriteAll(Folder / "Options.xml");
    return Folder / "Options.xml";
  }();
  return File;
}

void BM_BuildAndSave(benchmark::State& AState) {
  Testing::TScratchFolder Folder;
  SetUserLocale("ru_RU");
  for (auto _ : AState) WriteAll(Folder / "Options.xml");
  AState.SetLabel("10000 sections x 6 values");
}
BENCHMARK(BM_BuildAndSave)->Unit(benchmark::kMillisecond);

void BM_LoadAndReadAll(benchmark::State& AState) {
  const std::string& File = SampleFile();
  for (auto _ : AState) benchmark::DoNotOptimize(ReadAll(File));
}
BENCHMARK(BM_LoadAndReadAll)->Unit(benchmark::kMillisecond);

void BM_LoadAndSave(benchmark::State& AState) {
  const std::string& File = SampleFile();
  for (auto _ : AState) TIntf<IOptionsWriter>(new TXmlOptionsWriter(File))->Save();
}
BENCHMARK(BM_LoadAndSave)->Unit(benchmark::kMillisecond);

}  // namespace
