// Where the named mutex lives on POSIX: a lock file in the runtime folder, one file name per mutex.
#include "Platform/NamedMutex.h"

#include <gtest/gtest.h>

#include "Platform/File.h"
#include "Platform/Posix/NamedMutexLockFile.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

TEST(NamedMutexLockFile, TheHolderLocksItsFileInTheRuntimeFolder) {
  TScratchFolder Scratch;
  Testing::TScopedEnvironment Environment;
  Environment.Set("XDG_RUNTIME_DIR", Scratch.Path());
  TNamedMutex Mutex("Korvel_client");
  EXPECT_FALSE(Mutex.AlreadyExists());
  EXPECT_EQ(NamedMutexLockFile("Korvel_client"), Scratch / "Korvel_client.lock");
  EXPECT_TRUE(FileExists(Scratch / "Korvel_client.lock"));
}

TEST(NamedMutexLockFile, NamesStayInsideTheRuntimeFolder) {
  TScratchFolder Scratch;
  Testing::TScopedEnvironment Environment;
  Environment.Set("XDG_RUNTIME_DIR", Scratch.Path());
  EXPECT_EQ(NamedMutexLockFile("../evil/name"), Scratch / ".._evil_name.lock");
  Environment.Unset("XDG_RUNTIME_DIR");
  EXPECT_EQ(NamedMutexLockFile("Korvel_client"), "/tmp/Korvel_client.lock");
}

}  // namespace
}  // namespace Quellit::Platform
