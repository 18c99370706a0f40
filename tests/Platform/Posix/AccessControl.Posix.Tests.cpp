// "Everyone: full control" as permission bits: read and write for all, execute kept.
#include "Platform/AccessControl.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

struct TModeCase {
  unsigned Before;
  unsigned After;
};
void PrintTo(const TModeCase& C, std::ostream* AOut) { *AOut << std::oct << C.Before << std::dec; }

class GrantEveryone : public testing::TestWithParam<TModeCase> {};

TEST_P(GrantEveryone, AddsReadAndWriteKeepsExecute) {
  TScratchFolder Scratch;
  std::string Path = Scratch.Write("file", "x");
  fs::permissions(Path, fs::perms(GetParam().Before));
  GrantEveryoneFullAccess(Path);
  EXPECT_EQ(static_cast<unsigned>(fs::status(Path).permissions()), GetParam().After) << std::oct << GetParam().Before;
}

INSTANTIATE_TEST_SUITE_P(Table, GrantEveryone,
                         testing::Values(TModeCase{0000, 0666}, TModeCase{0600, 0666}, TModeCase{0444, 0666},
                                         TModeCase{0755, 0777}, TModeCase{0700, 0766}, TModeCase{0666, 0666},
                                         TModeCase{04755, 0777}));  // set-id dropped on a file anybody may rewrite

}  // namespace
}  // namespace Quellit::Platform
