// kvtool connections run as a real program on a sample connections file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Process.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

struct TRun {
  int ExitCode;
  std::string Output;
  std::string Errors;
};

TRun RunKvtool(const Testing::TScratchFolder& AFolder, const std::vector<std::string>& AArguments) {
  std::vector<std::string> Arguments = {"-c", "exec \"$0\" \"$@\" >\"$KVTOOL_OUT\" 2>\"$KVTOOL_ERR\"", QUELLIT_KVTOOL};
  Arguments.insert(Arguments.end(), AArguments.begin(), AArguments.end());
  Platform::TChildProcess Child("/bin/sh", Arguments, {{"KVTOOL_OUT", AFolder / "out"}, {"KVTOOL_ERR", AFolder / "err"}});
  int Code = Child.Wait();
  return {Code, Testing::TScratchFolder::Read(AFolder / "out"), Testing::TScratchFolder::Read(AFolder / "err")};
}

TEST(KvtoolConnections, ListsTheConnectionsOfAFileOneLineEach) {
  Testing::TScratchFolder Folder;
  TRun Run = RunKvtool(Folder, {"connections", QUELLIT_TEST_FIXTURES "/Connections.xml"});
  EXPECT_EQ(Run.ExitCode, 0) << Run.Errors;
  // The unknown class is not loaded; a connection without a caption is named by the pool.
  EXPECT_EQ(Run.Output,
            "KV.Files\tСметы\tC:\\Сметы\\\tVeska,NormBase\n"
            "KV.Korvel.Ru.VeskaDocs\tkorvel.ru\t\tVeska\n"
            "KV.Files\tПапка 2\tD:\\Базы\\\tVeska\n");
}

TEST(KvtoolConnections, FailuresAndMistakes) {
  Testing::TScratchFolder Folder;
  const std::string Broken = Folder.Write("Connections.xml", "<Options><Connections>");
  struct TCase {
    std::vector<std::string> Arguments;
    int ExitCode;
    std::string Output;
  };
  const TCase Cases[] = {
      {{"connections", Folder / "missing.xml"}, 0, ""},
      {{"connections", Broken}, 1, ""},
      {{"connections", Broken, Broken}, 2, ""},
  };
  for (const TCase& C : Cases) {
    TRun Run = RunKvtool(Folder, C.Arguments);
    EXPECT_EQ(Run.ExitCode, C.ExitCode) << C.Arguments.back() << Run.Errors;
    EXPECT_EQ(Run.Output, C.Output);
  }
  EXPECT_EQ(Testing::TScratchFolder::Read(Broken), "<Options><Connections>");  // listing never writes
}

}  // namespace
}  // namespace Quellit
