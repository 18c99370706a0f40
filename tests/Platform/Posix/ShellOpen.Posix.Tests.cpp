#include "Platform/ShellOpen.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Support/OpenerRecorder.h"
#include "Support/ScopedEnvironment.h"

namespace Quellit::Platform {
namespace {

TEST(ShellOpen, HandsThePathToTheOpenerUnchanged) {
  Testing::TOpenerRecorder Opener;
  // Blanks and quotes must reach the opener as one argument, never through a shell.
  const std::string Paths[] = {"/tmp/plain.txt", "/tmp/with blank 'quote'.txt", "/tmp/Отчёт;$(touch x).txt"};
  std::string Expected;
  std::size_t Count = 0;
  for (const std::string& Path : Paths) {
    OpenWithDefaultApplication(Path);
    Expected += Path + "\n";
    // One at a time: detached openers started together may record in any order.
    EXPECT_EQ(Opener.WaitForOpened(++Count), Expected);
  }
}

TEST(ShellOpen, AnOpenerThatCannotBeStartedIsTheSystemError) {
  Testing::TScopedEnvironment Environment;
  Environment.Set(OpenerVariable, "/nonexistent/opener");
  try {
    OpenWithDefaultApplication("/tmp/a.txt");
    FAIL() << "no error";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), 2);
    EXPECT_NE(E.Message().find("/nonexistent/opener"), std::string::npos) << E.Message();
  }
}

}  // namespace
}  // namespace Quellit::Platform
