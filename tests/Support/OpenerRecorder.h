// Stands in for the desktop's opener (xdg-open) during a test: a small script, named by the
// opener variable, that appends each path it is asked to open to a record file. Nothing is opened.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "Platform/ShellOpen.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Testing {

class TOpenerRecorder {
 public:
  TOpenerRecorder() {
    // The record is replaced in one rename, so a reader never sees half a line.
    const std::string Script = FFolder.Write(
        "opener.sh", "#!/bin/sh\nrecord='" + Record() + "'\n{ cat \"$record\" 2>/dev/null; printf '%s\\n' \"$1\"; } >\"$record.tmp\"\n"
                     "mv \"$record.tmp\" \"$record\"\n");
    std::filesystem::permissions(Script, std::filesystem::perms::owner_all);
    FEnvironment.Set(Platform::OpenerVariable, Script);
  }

  std::string Record() const { return FFolder / "opened.txt"; }

  // The opener runs detached, so its record appears a moment after the call returns. Returns the
  // paths opened so far, one per line, once ACount lines are there (or after a generous limit).
  std::string WaitForOpened(std::size_t ACount) const {
    std::string Text;
    for (int Attempt = 0; Attempt < 1000; ++Attempt) {
      Text = TScratchFolder::Read(Record());
      if (static_cast<std::size_t>(std::count(Text.begin(), Text.end(), '\n')) >= ACount) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Text;
  }

 private:
  TScratchFolder FFolder;
  TScopedEnvironment FEnvironment;
};

}  // namespace Quellit::Testing
