// kvtool dav-ls, dav-get and dav-props run as a real program against the real WebDAV server.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "StorageDavServer.h"
#include "Platform/Process.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

const Testing::TDavTree& Tree() {
  static const Testing::TDavTree Instance = [] {
    Testing::TDavTree Result("kvtool");
    Result.Folder("Папка");
    Result.Document("индексы.kvs", "4", "indexes body");
    Result.File("заметка.txt", "note");
    return Result;
  }();
  return Instance;
}

class KvtoolDav : public Testing::TDavTest {
 protected:
  void SetUp() override {
    Testing::TDavTest::SetUp();
    Tree();
  }
  struct TRun {
    int ExitCode;
    std::string Output;
    std::string Errors;
  };
  // The program's output and errors go to files of the scratch folder.
  // AOutput redirects standard output in the shell's words (">/dev/full", ">&-").
  TRun Run(const std::vector<std::string>& AArguments, const std::string& AOutput = ">\"$KVTOOL_OUT\"") {
    std::vector<std::string> Arguments = {"-c", "exec \"$0\" \"$@\" " + AOutput + " 2>\"$KVTOOL_ERR\"", QUELLIT_KVTOOL};
    Arguments.insert(Arguments.end(), AArguments.begin(), AArguments.end());
    Platform::TChildProcess Child("/bin/sh", Arguments,
                                  {{"KVTOOL_OUT", FScratch / "out"}, {"KVTOOL_ERR", FScratch / "err"}, {"no_proxy", "127.0.0.1"}});
    int Code = Child.Wait();
    return {Code, Testing::TScratchFolder::Read(FScratch / "out"), Testing::TScratchFolder::Read(FScratch / "err")};
  }
  // As the server writes its hrefs: escapes in small letters, dots as they are.
  static std::string Href(const std::string& APath) {
    std::string Path = LowerCase(Testing::EncodedPath(APath));
    for (std::size_t At; (At = Path.find("%2e")) != std::string::npos;) Path.replace(At, 3, ".");
    return "http://127.0.0.1:" + std::to_string(Server().Port()) + "/dav/kvtool/" + Path;
  }

  Testing::TScratchFolder FScratch;
};

TEST_F(KvtoolDav, LsPrintsOneLinePerChild) {
  TRun Result = Run({"dav-ls", Tree().Url()});
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  std::vector<std::string> Lines;
  std::istringstream Stream(Result.Output);
  for (std::string Line; std::getline(Stream, Line);) Lines.push_back(Line);
  std::sort(Lines.begin(), Lines.end());
  EXPECT_EQ(Lines, (std::vector<std::string>{"document\tsdtIndexes\tиндексы.kvs\t" + Href("индексы.kvs"),
                                             "file\tзаметка.txt\t" + Href("заметка.txt"),
                                             "folder\tПапка\t" + Href("Папка") + "/"}));
}

TEST_F(KvtoolDav, GetSavesTheContentAndPropsPrintsWhatTheStorageKnows) {
  const std::string File = FScratch / "saved.bin";
  TRun Get = Run({"dav-get", Tree().Url("индексы.kvs"), File});
  ASSERT_EQ(Get.ExitCode, 0) << Get.Errors;
  EXPECT_EQ(Testing::TScratchFolder::Read(File), "indexes body");
  Get = Run({"dav-get", Tree().Url("заметка.txt"), File});
  ASSERT_EQ(Get.ExitCode, 0) << Get.Errors;
  EXPECT_EQ(Testing::TScratchFolder::Read(File), "note");

  TRun Props = Run({"dav-props", Tree().Url("индексы.kvs")});
  ASSERT_EQ(Props.ExitCode, 0) << Props.Errors;
  EXPECT_EQ(Props.Output.substr(0, 40), "DocType=sdtIndexes\r\nRevision=0\r\nCrypted=");
  EXPECT_EQ(std::count(Props.Output.begin(), Props.Output.end(), '\n'), 6);
}

TEST_F(KvtoolDav, FailuresGoToStandardErrorWithStatusOne) {
  struct TCase {
    std::vector<std::string> Arguments;
    int ExitCode;
    std::string Error;
  } Cases[] = {
      {{"dav-ls", Tree().Url("нет такой")}, 1, "Ошибка получении дочерних элементов по ссылке"},
      {{"dav-ls", "http://127.0.0.1:1/dav/"}, 1, "Ошибка получении дочерних элементов по ссылке"},
      {{"dav-props", Tree().Url("заметка.txt")}, 1, "is not a product document"},
      {{"dav-get", Tree().Url("нет.txt"), FScratch / "x"}, 1, "no entry at"},
      {{"dav-get", Tree().Url("Папка"), FScratch / "x"}, 1, "a folder has no content"},
      {{"dav-ls"}, 2, "dav-ls: one URL"},
      {{"dav-get", Tree().Url()}, 2, "dav-get: a URL and a file"},
  };
  for (const TCase& C : Cases) {
    TRun Result = Run(C.Arguments);
    EXPECT_EQ(Result.ExitCode, C.ExitCode) << C.Arguments.back() << Result.Errors;
    EXPECT_NE(Result.Errors.find(C.Error), std::string::npos) << Result.Errors;
    EXPECT_EQ(Result.Output, "");
  }
  EXPECT_FALSE(std::filesystem::exists(FScratch / "x"));  // a failed download leaves nothing
}

TEST_F(KvtoolDav, OutputThatCannotBeWrittenIsAFailure) {
  for (const std::string Output : {">/dev/full", ">&-"}) {
    for (const std::vector<std::string>& Arguments :
         {std::vector<std::string>{"dav-ls", Tree().Url()}, {"dav-props", Tree().Url("индексы.kvs")}}) {
      SCOPED_TRACE(Arguments.front() + " " + Output);
      TRun Result = Run(Arguments, Output);
      EXPECT_EQ(Result.ExitCode, 1);
      EXPECT_EQ(Result.Errors, "kvtool: cannot write to standard output\n");
    }
    // dav-get writes to its file, not to standard output; no file can take the closed stream's place.
    const std::string File = FScratch / "saved.txt";
    TRun Get = Run({"dav-get", Tree().Url("заметка.txt"), File}, Output);
    EXPECT_EQ(Get.ExitCode, 0) << Get.Errors;
    EXPECT_EQ(Testing::TScratchFolder::Read(File), "note");
  }
}

}  // namespace
}  // namespace Quellit
