// kvtool: the libraries from a shell, so a person (or a test) can see what the product
// information, and later the other libraries, make of this machine.
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "App/AppStartup.h"
#include "Lib/Common/Common.Exception.h"
#include "Platform/Process.h"
#include "tools/KvTool.Commands.h"

namespace Quellit::KvTool {
namespace {

const char* const Usage =
    "Usage: kvtool [--setup-dir DIR] <command> [options]\n"
    "\n"
    "Commands:\n"
    "  layout [--edition 6|8-32|8-64] [-portable]\n"
    "      where the product edition (default 8-32) is installed and keeps its folders and files,\n"
    "      one \"Name<TAB>value\" line per operation\n"
    "  base FILE...\n"
    "      the descriptor of each normative-base file\n"
    "  report [--xml]\n"
    "      the autosave folder and the normative bases of the installed product\n"
    "  base-item FILE NAME\n"
    "      the bytes of one item of a normative-base file, to standard output\n"
    "  connections [FILE]\n"
    "      the connections pool in FILE (default: the product's connections file),\n"
    "      one \"ClassID<TAB>Caption<TAB>Address<TAB>Usages\" line per connection\n"
    "  dav-ls [--cacert FILE] [--insecure] URL\n"
    "      the children of the WebDAV folder at URL, in the server's order, one line each:\n"
    "      \"folder<TAB>NAME<TAB>URL\", \"document<TAB>KIND<TAB>NAME<TAB>URL\" or \"file<TAB>NAME<TAB>URL\"\n"
    "  dav-get [--cacert FILE] [--insecure] URL FILE\n"
    "      the content of the document or file at URL, saved as FILE (replaced only when complete)\n"
    "  dav-props [--cacert FILE] [--insecure] URL\n"
    "      the properties text of the product document at URL, as the storage knows it\n"
    "  dav-open [--cacert FILE] [--insecure] URL\n"
    "      a private read-only copy of the file at URL, opened as the desktop opens it\n"
    "      ($QUELLIT_OPENER names another opener); prints the copy's path\n"
    "      --cacert FILE trusts the certificates in FILE besides the system's; --insecure\n"
    "      accepts any certificate (a warning on standard error)\n"
    "  --help\n"
    "      this text\n";

int RunHelp(const TArguments&) {
  std::cout << Usage;
  return 0;
}

const std::map<std::string, std::function<int(const TArguments&)>>& Commands() {
  static const std::map<std::string, std::function<int(const TArguments&)>> Table = {
      {"layout", RunLayout},
      {"base", RunBase},
      {"report", RunReport},
      {"base-item", RunBaseItem},
      {"connections", RunConnections},
      {"dav-ls", RunDavLs},
      {"dav-get", RunDavGet},
      {"dav-props", RunDavProps},
      {"dav-open", RunDavOpen},
      {"--help", RunHelp},
      {"-h", RunHelp},
      {"help", RunHelp},
  };
  return Table;
}

// Every command's output is checked once it is complete: a full disk or a closed stream is an
// error, never a silent success.
int CheckedOutput(int AExitCode) {
  std::cout.flush();
  if (std::cout) return AExitCode;
  std::cerr << "kvtool: cannot write to standard output\n";
  return 1;
}

int Run(int AArgc, const char* const* AArgv) {
  TArguments Arguments = Platform::TakeCommandLine(AArgc, AArgv);
  if (Arguments.empty()) throw EUsageError("no command given");
  auto Command = Commands().find(Arguments.front());
  if (Command == Commands().end()) throw EUsageError("unknown command \"" + Arguments.front() + "\"");
  TStartupScope Startup;
  return CheckedOutput(Command->second(TArguments(Arguments.begin() + 1, Arguments.end())));
}

}  // namespace
}  // namespace Quellit::KvTool

int main(int argc, char** argv) {
  Quellit::Platform::ReserveStandardStreams();
  try {
    return Quellit::KvTool::Run(argc, argv);
  } catch (const Quellit::KvTool::EUsageError& E) {
    std::cerr << "kvtool: " << E.Message() << "\n\n" << Quellit::KvTool::Usage;
    return 2;
  } catch (const std::exception& E) {
    std::cerr << "kvtool: " << E.what() << '\n';
    return 1;
  }
}
