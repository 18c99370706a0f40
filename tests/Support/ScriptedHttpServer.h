// A small misbehaving HTTP server (tests/Support/scripted-http-server.py) on the loopback
// interface, for what a well-behaved server never does: odd statuses, cut or trickling bodies.
// It runs for the lifetime of the object (stopped by its process id then), and ends by itself
// after a bounded time or when the test program has gone. A program built with
// QUELLIT_TEST_SERVERS (the Windows one, which cannot start Linux programs) uses the one CTest
// started for it there instead, shared by every test.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "Platform/Process.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Testing {

class TScriptedHttpServer {
 public:
  // AHost "127.0.0.1" or "::1".
  explicit TScriptedHttpServer(const std::string& AHost = "127.0.0.1") : FHost(AHost) {
#if defined(QUELLIT_TEST_SERVERS)
    const std::string PortFile = std::string("Z:" QUELLIT_TEST_SERVERS "/scripted-") +
                                 (AHost.find(':') != std::string::npos ? "ipv6" : "ipv4") + "/port";
    const std::string Port = TScratchFolder::Read(PortFile);
    if (Port.empty()) throw std::runtime_error("no scripted HTTP server for " + AHost + " in " + PortFile);
    FPort = std::stoi(Port);
#else
    const std::string PortFile = FFolder / "port";
    FProcess = std::make_unique<Platform::TChildProcess>(
        "/usr/bin/python3",
        std::vector<std::string>{std::string(QUELLIT_SOURCE_ROOT) + "/tests/Support/scripted-http-server.py", PortFile,
                                 AHost, "120"});
    for (int Attempt = 0; Attempt < 500 && !std::filesystem::exists(PortFile); ++Attempt) {
      if (FProcess->TryWait()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!std::filesystem::exists(PortFile)) throw std::runtime_error("the scripted HTTP server did not start");
    FPort = std::stoi(TScratchFolder::Read(PortFile));
#endif
  }

  int Port() const { return FPort; }
  // "http://127.0.0.1:PORT" or "http://[::1]:PORT".
  std::string Base() const {
    return "http://" + (FHost.find(':') != std::string::npos ? "[" + FHost + "]" : FHost) + ":" + std::to_string(FPort);
  }
  std::string Url(const std::string& APath) const { return Base() + APath; }

 private:
  TScratchFolder FFolder;
  std::string FHost;
  std::unique_ptr<Platform::TChildProcess> FProcess;  // killed and reaped by its destructor
  int FPort = 0;
};

}  // namespace Quellit::Testing
