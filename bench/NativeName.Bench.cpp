// What the conversion of names costs a system call: a file test on a path that is plain ASCII,
// one with Cyrillic folders that exist in UTF-8, one below a folder named in Windows-1251, and one
// naming a file about to be created; and the decoding of a path the system returned.
#include <benchmark/benchmark.h>

#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Guid.h"
#include "Platform/KnownFolders.h"
#include "Platform/NativeName.h"

namespace {

using namespace Quellit::Platform;

// A scratch tree: Plain/a/b/file.txt, Документы/Корвел/Нормы/file.txt and, named in Windows-1251,
// Архив/Сборники/file.txt.
class TTree {
 public:
  TTree() : FRoot(TempFolderPath() + "quellit-bench-" + NewGuid().ToString().substr(1, 36)) {
    PathFromNative(FRoot + "/\xC0\xF0\xF5\xE8\xE2");  // read once in Windows-1251: created that way
    for (const std::string& File : {Plain(), Utf8(), Ansi()}) {
      ForceDirectories(ExtractFolder(File));
      WriteAllBytesAtomic(File, "x", 1);
    }
  }
  ~TTree() {
    try {
      RemoveFolderTree(FRoot);
    } catch (...) {  // a benchmark leaves a scratch folder behind rather than abort at exit
    }
  }

  std::string Plain() const { return FRoot + "/Plain/a/b/file.txt"; }
  std::string Utf8() const { return FRoot + "/Документы/Корвел/Нормы/file.txt"; }
  std::string Ansi() const { return FRoot + "/Архив/Сборники/file.txt"; }
  std::string Missing() const { return FRoot + "/Документы/Корвел/Нормы/новый файл.txt"; }
  std::string AnsiNative() const { return FRoot + "/\xC0\xF0\xF5\xE8\xE2/\xD1\xE1\xEE\xF0\xED\xE8\xEA\xE8/file.txt"; }

 private:
  static std::string ExtractFolder(const std::string& AFile) { return AFile.substr(0, AFile.rfind('/')); }
  std::string FRoot;
};

const TTree& Tree() {
  static const TTree Instance;
  return Instance;
}

void BM_FileExists(benchmark::State& AState, std::string (TTree::*APath)() const) {
  const std::string Path = (Tree().*APath)();
  for (auto _ : AState) benchmark::DoNotOptimize(FileExists(Path));
}
BENCHMARK_CAPTURE(BM_FileExists, Ascii, &TTree::Plain);
BENCHMARK_CAPTURE(BM_FileExists, Utf8Cyrillic, &TTree::Utf8);
BENCHMARK_CAPTURE(BM_FileExists, BelowWindows1251Folder, &TTree::Ansi);
BENCHMARK_CAPTURE(BM_FileExists, MissingCyrillicName, &TTree::Missing);

void BM_PathFromNative(benchmark::State& AState) {
  const std::string Native = Tree().AnsiNative();
  for (auto _ : AState) benchmark::DoNotOptimize(PathFromNative(Native));
}
BENCHMARK(BM_PathFromNative);

}  // namespace
