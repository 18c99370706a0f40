// Runs the kvtool built beside the tests as a real program, its output and errors captured in
// files of the sandbox through a shell. AOutputPath sends the output elsewhere (a device such as
// /dev/full, or ClosedOutput for none at all) and leaves Output empty.
#pragma once

#include <string>
#include <vector>

#include "Platform/Process.h"
#include "SysInfo/ProductSandbox.h"

namespace Quellit::Testing {

struct TKvtoolRun {
  int ExitCode;
  std::string Output;
  std::string Errors;
};

// Standard output closed before the program starts.
inline const std::string ClosedOutput = "(closed)";

inline TKvtoolRun RunKvtool(const TProductSandbox& ASandbox, const std::vector<std::string>& AArguments,
                            const Platform::TChildProcess::TEnvironment& AEnvironment = {},
                            const std::string& AOutputPath = {}) {
  const std::string OutputPath = AOutputPath.empty() ? ASandbox.Scratch() / "out" : AOutputPath;
  const std::string Output = AOutputPath == ClosedOutput ? ">&-" : ">\"$KVTOOL_OUT\"";
  std::vector<std::string> Arguments = {"-c", "exec \"$0\" \"$@\" " + Output + " 2>\"$KVTOOL_ERR\"", QUELLIT_KVTOOL};
  Arguments.insert(Arguments.end(), AArguments.begin(), AArguments.end());
  Platform::TChildProcess::TEnvironment Environment = {{"KVTOOL_OUT", OutputPath},
                                                       {"KVTOOL_ERR", ASandbox.Scratch() / "err"}};
  Environment.insert(Environment.end(), AEnvironment.begin(), AEnvironment.end());
  Platform::TChildProcess Child("/bin/sh", Arguments, Environment);
  int Code = Child.Wait();
  return {Code, AOutputPath.empty() ? TScratchFolder::Read(OutputPath) : std::string(),
          TScratchFolder::Read(ASandbox.Scratch() / "err")};
}

}  // namespace Quellit::Testing
