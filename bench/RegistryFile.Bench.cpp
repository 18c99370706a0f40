// Reading the registry's file form: a key with 200,000 subkeys, 10,000 keys of 20 values each,
// and a single key line nesting 10 million levels (refused past the registry's depth limit). The
// texts are built once, in UTF-8, so the figures are the parser's alone.
#include <benchmark/benchmark.h>

#include <string>

#include "Platform/RegistryFile.h"

namespace {

using namespace Quellit::Platform;

const std::string Header = "Windows Registry Editor Version 5.00\r\n\r\n";

const std::string& Siblings() {
  static const std::string Text = [] {
    std::string Result = Header;
    for (int I = 0; I < 200000; ++I) Result += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Key" + std::to_string(I) + "]\r\n";
    return Result;
  }();
  return Text;
}

const std::string& KeysWithValues() {
  static const std::string Text = [] {
    std::string Result = Header;
    for (int I = 0; I < 10000; ++I) {
      Result += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant\\Korvel\\Key" + std::to_string(I) + "]\r\n";
      for (int J = 0; J < 20; ++J)
        Result += J % 2 ? "\"Number" + std::to_string(J) + "\"=dword:0000002a\r\n"
                        : "\"Text" + std::to_string(J) + "\"=\"C:\\\\Program Files\\\\Orvant\\\\" + std::to_string(I) + "\"\r\n";
      Result += "\r\n";
    }
    return Result;
  }();
  return Text;
}

const std::string& DeepNesting() {
  static const std::string Text = [] {
    std::string Result = Header + "[HKEY_CURRENT_USER";
    Result.reserve(Result.size() + 20'000'000 + 3);
    for (int I = 0; I < 10'000'000; ++I) Result += "\\k";
    return Result + "]\r\n";
  }();
  return Text;
}

void Parse(benchmark::State& AState, const std::string& AText) {
  for (auto _ : AState) {
    TRegistryParseResult Result = ParseRegistryText(AText);
    benchmark::DoNotOptimize(Result.Root.SubKeys().size());
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations() * AText.size()));
}

void BM_200000SiblingKeys(benchmark::State& AState) { Parse(AState, Siblings()); }
void BM_10000KeysOf20Values(benchmark::State& AState) { Parse(AState, KeysWithValues()); }
void BM_10MillionDeepNesting(benchmark::State& AState) { Parse(AState, DeepNesting()); }

// The formatted text of the 200,000 subkeys, as the tests and the demo write registry files.
void BM_Format200000SiblingKeys(benchmark::State& AState) {
  const TRegistryParseResult Parsed = ParseRegistryText(Siblings());
  for (auto _ : AState) benchmark::DoNotOptimize(FormatRegistryText(Parsed.Root).size());
}

}  // namespace

BENCHMARK(BM_200000SiblingKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_10000KeysOf20Values)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_10MillionDeepNesting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Format200000SiblingKeys)->Unit(benchmark::kMillisecond);
