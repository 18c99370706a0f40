// The real Apache WebDAV server of the network tests, started on 127.0.0.1 the first time a test
// asks for it and stopped when the test program ends (and by the script itself should the program
// die first). It serves a scratch tree that the tests read and write.
//
// A program built with QUELLIT_TEST_SERVERS (the Windows one, which cannot start Linux programs)
// uses the server CTest started for it there instead (scripts/webdav-server.sh fixture-start).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Platform/Process.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Testing {

class TDavServer {
 public:
  // The running server; a failure to start fails the calling test.
  static TDavServer& Instance() {
    static TDavServer Server;
    return Server;
  }

  int Port() const { return FPort; }
  int TlsPort() const { return FTlsPort; }  // 0 when no certificate could be made
  // The server's own certificate, for clients told to trust it.
  std::string Certificate() const { return FRunFolder + "/server.crt"; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(FPort); }
  // The URL of a path below /dav/.
  std::string Url(const std::string& APath = "") const { return Base() + "/dav/" + APath; }
  // The served folder's full path of a relative path.
  std::string Local(const std::string& APath) const { return FRoot + "/" + APath; }
  const std::string& RunFolder() const { return FRunFolder; }
  // True when CTest runs the server (the program must not stop it).
  static bool StartedByCTest() {
#if defined(QUELLIT_TEST_SERVERS)
    return true;
#else
    return false;
#endif
  }
  // A path of the Linux side as this program names it: Wine shows the Linux root as drive Z:.
  static std::string HostPath(const std::string& ALinuxPath) {
#if defined(_WIN32)
    return "Z:" + ALinuxPath;
#else
    return ALinuxPath;
#endif
  }

  // The content every test may rely on; tests that write use names of their own.
  static std::string BigContent() {
    std::string Content(1536 * 1024 + 7, '\0');
    for (std::size_t I = 0; I < Content.size(); ++I) Content[I] = static_cast<char>('a' + (I * 7 + I / 4096) % 26);
    return Content;
  }

  void Stop() {
    if (FPort == 0 || StartedByCTest()) return;
    Platform::TChildProcess("/bin/bash", {Script(), "stop", FRunFolder}).Wait();
    FPort = 0;
  }

 private:
  TDavServer() {
#if defined(QUELLIT_TEST_SERVERS)
    FRoot = HostPath(QUELLIT_TEST_SERVERS "/root");
    FRunFolder = HostPath(QUELLIT_TEST_SERVERS "/run");
    if (TScratchFolder::Read(FRunFolder + "/port").empty())
      throw std::runtime_error("no WebDAV test server in " + FRunFolder +
                               "; run the tests through CTest, whose fixture NetServers starts it");
#else
    FRoot = FFolder.Path() + "/root";
    FRunFolder = FFolder.Path() + "/run";
    if (Platform::TChildProcess("/bin/bash", {Script(), "populate", FRoot}).Wait() != 0 ||
        Platform::TChildProcess("/bin/bash", {Script(), "start", FRoot, FRunFolder}).Wait() != 0)
      throw std::runtime_error("the WebDAV test server did not start; see " + FRunFolder);
#endif
    FPort = std::stoi(TScratchFolder::Read(FRunFolder + "/port"));
    std::string Tls = TScratchFolder::Read(FRunFolder + "/tls-port");
    FTlsPort = Tls.empty() ? 0 : std::stoi(Tls);
  }
  ~TDavServer() { Stop(); }

  static std::string Script() { return std::string(QUELLIT_SOURCE_ROOT) + "/scripts/webdav-server.sh"; }

  TScratchFolder FFolder;  // the server's folders when the program starts it
  std::string FRoot;
  std::string FRunFolder;
  int FPort = 0;
  int FTlsPort = 0;
};

// A test suite that needs the server starts it before its first test.
class TDavTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { TDavServer::Instance(); }
  static TDavServer& Server() { return TDavServer::Instance(); }
  // A proxy set for the machine must not take the loopback requests elsewhere.
  void SetUp() override { FEnvironment.Set("no_proxy", "127.0.0.1,localhost"); }

 private:
  TScopedEnvironment FEnvironment;
};

}  // namespace Quellit::Testing
