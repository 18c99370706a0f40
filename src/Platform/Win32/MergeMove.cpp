#include "Platform/MergeMove.h"

#include <optional>

#include "Lib/Common/Common.Exception.h"
#include "Platform/FileOperations.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Platform/Win32/ComCall.h"
#include "Platform/Win32/WidePath.h"

#include <shellapi.h>

namespace Quellit::Platform {
namespace {

// The shell's lists are runs of texts, each ended by a zero, the run ended by one more.
std::wstring ShellList(const std::string& APath) { return WideOf(APath) + std::wstring(2, L'\0'); }

// Everything in the folder moved back over the target by the shell, with undo and without
// questions; errors are not shown in a window of the shell's (this layer has none to own it, and
// an unattended run must not wait for a click), they are found by what stayed behind.
void ShellMove(const std::string& ASource, const std::string& ATarget) {
  const std::wstring From = ShellList(CombinePath(ASource, "*.*")), To = ShellList(ATarget);
  SHFILEOPSTRUCTW Operation{};
  Operation.wFunc = FO_MOVE;
  Operation.pFrom = From.c_str();
  Operation.pTo = To.c_str();
  Operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  TComScope Com;
  const int Result = ::SHFileOperationW(&Operation);
  // A negative answer is a failure of the shell itself, not of one file: nothing can be said of
  // what moved.
  if (Result < 0) RaiseOnFailure(static_cast<HRESULT>(Result), ASource);
}

// What the shell left (a file it skipped or could not move) is moved one file at a time, so one
// locked file does not keep the others in the backup.
class TRemainderMover {
 public:
  void MoveContent(const std::string& ASource, const std::string& ATarget) {
    for (const TFolderEntry& Entry : ListFolder(ASource)) {
      const std::string From = CombinePath(ASource, Entry.Name), To = CombinePath(ATarget, Entry.Name);
      try {
        // A link or junction moves as itself: following it could pull in files from outside.
        if (PathKindOf(From) == TPathKind::Folder)
          MoveFolder(From, To);
        else
          MoveFileOver(From, To);
      } catch (const EOSError& E) {
        if (!FFirstError) FFirstError = E;
      }
    }
  }

  void RaiseFirstError() const {
    if (FFirstError) throw *FFirstError;
  }

 private:
  static void MoveFileOver(const std::string& AFrom, const std::string& ATo) {
    const DWORD Flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if (!::MoveFileExW(WidePathOf(AFrom).c_str(), WidePathOf(ATo).c_str(), Flags))
      RaiseOSError(static_cast<int>(::GetLastError()), AFrom);
  }

  void MoveFolder(const std::string& AFrom, const std::string& ATo) {
    ForceDirectories(ATo);
    MoveContent(AFrom, ATo);
    RemoveDir(AFrom);  // stays when something in it could not be moved
  }

  std::optional<EOSError> FFirstError;
};

}  // namespace

void MergeMove(const std::string& ASourceFolder, const std::string& ATargetFolder) {
  const std::string Source = ExcludeTrailingPathDelimiter(ASourceFolder);
  // Nothing saved, nothing to move: the shell would only complain of a pattern matching nothing.
  if (PathKindOf(Source) != TPathKind::Folder || ListFolder(Source).empty()) return;
  const std::string Target = ExcludeTrailingPathDelimiter(ATargetFolder);
  ForceDirectories(Target);
  ShellMove(Source, Target);
  TRemainderMover Remainder;
  Remainder.MoveContent(Source, Target);
  Remainder.RaiseFirstError();
}

}  // namespace Quellit::Platform
