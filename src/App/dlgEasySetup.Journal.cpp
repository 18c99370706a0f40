#include "App/dlgEasySetup.Journal.h"

#include <algorithm>
#include <set>

#include "App/dlgEasySetup.FaultInjection.h"
#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/DesktopShortcut.h"
#include "Platform/FileOperations.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Platform/SystemError.h"

namespace Quellit {

namespace {

const char* const Header = "QuellitSetup journal 1";
const std::string BackupRoot = Platform::JoinFolderPath("QuellitBackup");
const char* const Extension = ".journal";

std::string Quoted(const std::string& AText) { return "\"" + AText + "\""; }

// Names may hold any byte but NUL and "/": tabs, line breaks and backslashes are escaped so one
// record stays one line.
std::string Escaped(const std::string& AText) {
  std::string Result;
  for (char C : AText) {
    switch (C) {
      case '\\': Result += "\\\\"; break;
      case '\t': Result += "\\t"; break;
      case '\n': Result += "\\n"; break;
      case '\r': Result += "\\r"; break;
      default: Result += C;
    }
  }
  return Result;
}

std::string Unescaped(const std::string& AText) {
  std::string Result;
  for (std::size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] != '\\' || I + 1 == AText.size()) {
      Result += AText[I];
      continue;
    }
    char C = AText[++I];
    Result += C == 't' ? '\t' : C == 'n' ? '\n' : C == 'r' ? '\r' : C;
  }
  return Result;
}

std::vector<std::string> Fields(const std::string& ALine) {
  std::vector<std::string> Result;
  std::size_t Start = 0;
  for (std::size_t Tab; (Tab = ALine.find('\t', Start)) != std::string::npos; Start = Tab + 1)
    Result.push_back(Unescaped(ALine.substr(Start, Tab - Start)));
  Result.push_back(Unescaped(ALine.substr(Start)));
  return Result;
}

// Only complete lines count: a kill in the middle of a write leaves a torn last line, and what it
// announced had not been started.
std::vector<TJournalRecord> Parse(const std::string& AText) {
  std::vector<TJournalRecord> Records;
  std::size_t Start = 0;
  bool First = true;
  for (std::size_t End; (End = AText.find('\n', Start)) != std::string::npos; Start = End + 1) {
    std::string Line = AText.substr(Start, End - Start);
    if (std::exchange(First, false)) {
      if (Line != Header) return {};
      continue;
    }
    std::vector<std::string> Parts = Fields(Line);
    Parts.resize(3);
    Records.push_back({Parts[0], Parts[1], Parts[2]});
  }
  return Records;
}

// A journal lies in a folder other users may write to: a path in it that climbs out of the product
// folder, or a temporary name with a separator, must not make a recovery move or delete files
// elsewhere.
bool IsSafeRelative(const std::string& AName) {
  if (AName.empty() || Platform::IsPathSeparator(AName.front())) return false;
  for (auto Start = AName.begin();;) {
    auto End = std::find_if(Start, AName.end(), Platform::IsPathSeparator);
    std::string Part(Start, End);
    if (Part == ".." || Part == ".") return false;
    if (End == AName.end()) return true;
    Start = End + 1;
  }
}

// A shortcut of the desktop the layer writes to, in the layer's own form (a .lnk on Windows).
bool IsOwnShortcut(const std::string& APath) {
  const std::string Sample = Platform::DesktopShortcutPath("x");
  return Platform::ExtractFilePath(APath) == Platform::ExtractFilePath(Sample) &&
         Platform::ExtractFileExt(APath) == Platform::ExtractFileExt(Sample);
}

std::string ErrorOf(int AError) { return Platform::SystemErrorText(AError); }

class TUndo {
 public:
  TUndo(TUpdateJournal& AJournal, bool ARemoveAdded, std::string AInUse)
      : FJournal(AJournal),
        FRemoveAdded(ARemoveAdded),
        FInUse(std::move(AInUse)),
        FProduct(AJournal.ProductFolder()),
        FBackup(AJournal.BackupFolder()) {
    for (const TJournalRecord& Record : AJournal.Records()) {
      if (Record.Step == JournalStep::Backup) FReplaced.insert(Record.Name);
      if (Record.Step == JournalStep::Added || Record.Step == JournalStep::Failed) FSettledNew.insert(Record.Name);
    }
  }

  TUndoReport Run() {
    const std::vector<TJournalRecord>& Records = FJournal.Records();
    for (auto It = Records.rbegin(); It != Records.rend(); ++It) UndoRecord(*It);
    if (FReport.Failures.empty()) {
      try {
        FJournal.MarkClosed();
      } catch (const std::exception& E) {
        FReport.Failures.push_back(FJournal.Path() + ": " + E.what());
      }
    }
    return std::move(FReport);
  }

 private:
  void UndoRecord(const TJournalRecord& ARecord) {
    const std::string& Step = ARecord.Step;
    if (Step == JournalStep::Shortcut) return DeleteShortcut(ARecord.Name);
    if (Step != JournalStep::Plan && !IsSafeRelative(ARecord.Name)) return;
    if (Step == JournalStep::Restored) FSettledOriginal.insert(ARecord.Name);
    if (Step == JournalStep::Backup || Step == JournalStep::Moved) RestoreOriginal(ARecord.Name);
    if (Step == JournalStep::Write) RemoveTemporary(ARecord.Name, ARecord.Extra);
    if (Step == JournalStep::Added && FRemoveAdded) RemoveAdded(ARecord.Name);
    if (Step == JournalStep::Folder) RemoveFolder(ARecord.Name);
  }

  void Fail(const std::string& APath, int AError) { FReport.Failures.push_back(APath + ": " + ErrorOf(AError)); }

  void RestoreOriginal(const std::string& AName) {
    if (!FSettledOriginal.insert(AName).second) return;
    std::string Saved = FBackup + AName, Target = FProduct + AName;
    if (Platform::PathKindOf(Saved) == Platform::TPathKind::None) return;  // it was never moved
    // The saved original replaces the new file in one step; a folder there now is nobody's to remove.
    if (Platform::PathKindOf(Target) == Platform::TPathKind::Folder) return Fail(Target, Platform::IsAFolderError());
    if (const auto Renamed = Platform::RenameFile(Saved, Target); !Renamed) return Fail(Target, Renamed.ErrorCode());
    FReport.Lines.push_back("Файл " + Quoted(AName) + " восстановлен из бэкапа.");
  }

  void RemoveTemporary(const std::string& AName, const std::string& ATemporary) {
    if (ATemporary.empty() || std::any_of(ATemporary.begin(), ATemporary.end(), Platform::IsPathSeparator)) return;
    std::string Temporary = Platform::ExtractFilePath(FProduct + AName) + ATemporary;
    if (!FInUse.empty() && Temporary == FInUse) return;
    bool Present = Platform::PathKindOf(Temporary) == Platform::TPathKind::File;
    if (Present)
      if (const auto Deleted = Platform::DeleteFile(Temporary); !Deleted) Fail(Temporary, Deleted.ErrorCode());
    // Killed between the rename of a new file into place and its record: the temporary name is
    // gone and the new file stands where nothing stood before.
    if (!Present && FRemoveAdded && !FReplaced.contains(AName) && !FSettledNew.contains(AName)) RemoveAdded(AName);
  }

  void RemoveAdded(const std::string& AName) {
    std::string Path = FProduct + AName;
    if (Platform::PathKindOf(Path) != Platform::TPathKind::File) return;
    if (const auto Deleted = Platform::DeleteFile(Path); !Deleted) return Fail(Path, Deleted.ErrorCode());
    FReport.Lines.push_back("Удален добавленный файл " + Quoted(AName));
  }

  void RemoveFolder(const std::string& AName) {
    bool InBackup = AName.starts_with(BackupRoot);
    if (!InBackup && !FRemoveAdded) return;
    std::string Path = Platform::IncludeTrailingPathDelimiter(FProduct + AName);
    // Only an empty folder goes: whatever someone put there meanwhile stays, and so does the folder.
    if (Platform::PathKindOf(Platform::ExcludeTrailingPathDelimiter(Path)) == Platform::TPathKind::Folder &&
        Platform::RemoveDir(Path) && !InBackup)
      FReport.Lines.push_back("Удалена директория " + Quoted(Path));
  }

  void DeleteShortcut(const std::string& APath) {
    if (!IsOwnShortcut(APath) || Platform::PathKindOf(APath) != Platform::TPathKind::File) return;
    if (const auto Deleted = Platform::DeleteFile(APath); !Deleted) return Fail(APath, Deleted.ErrorCode());
    FReport.Lines.push_back("Удален ярлык " + Quoted(APath));
  }

  TUpdateJournal& FJournal;
  bool FRemoveAdded;
  std::string FInUse;
  std::string FProduct, FBackup;
  std::set<std::string> FReplaced, FSettledNew, FSettledOriginal;
  TUndoReport FReport;
};

}  // namespace

std::unique_ptr<TUpdateJournal> TUpdateJournal::Reserve(const std::string& AProductFolder, const std::string& AStamp) {
  std::string Root = AProductFolder + BackupRoot;
  Platform::ForceDirectories(Root);
  // A link planted as QuellitBackup would take the journal and every backup out of the product.
  if (Platform::PathKindOf(Platform::ExcludeTrailingPathDelimiter(Root)) != Platform::TPathKind::Folder)
    Platform::RaiseNotAFolder(Root);
  for (int Copy = 1;; ++Copy) {
    std::string Stamp = Copy == 1 ? AStamp : AStamp + " (" + IntToStr(Copy) + ")";
    // A backup folder of an older run without a journal keeps its name too.
    if (Platform::PathKindOf(Root + Stamp) != Platform::TPathKind::None) continue;
    std::string Path = Root + Stamp + Extension;
    Platform::TFileHandle File;
    try {
      File = Platform::TFileHandle(Path, Platform::TFileAccess::Write, Platform::TFileDisposition::CreateNew);
    } catch (const EOSError& E) {
      if (Platform::IsAlreadyExists(E.ErrorCode())) continue;
      throw;
    }
    std::unique_ptr<TUpdateJournal> Journal(new TUpdateJournal(Path, std::move(File)));
    try {
      Journal->Append(std::string(Header) + "\n");
      Journal->Flush();
      Platform::SyncFolder(Root);
    } catch (...) {
      // A journal that never reached the disk reserves nothing worth keeping.
      Journal.reset();
      Platform::DeleteFile(Path);
      throw;
    }
    return Journal;
  }
}

std::unique_ptr<TUpdateJournal> TUpdateJournal::Open(const std::string& APath) {
  std::vector<std::uint8_t> Bytes = Platform::ReadAllBytes(APath);
  Platform::TFileHandle File(APath, Platform::TFileAccess::Write, Platform::TFileDisposition::OpenExisting);
  std::string Text(Bytes.begin(), Bytes.end());
  // A torn last line is cut off so the next record starts on a line of its own.
  std::size_t Whole = Text.rfind('\n') == std::string::npos ? 0 : Text.rfind('\n') + 1;
  File.SetSize(Whole);
  File.Seek(0, Platform::TSeekOrigin::End);
  std::unique_ptr<TUpdateJournal> Journal(new TUpdateJournal(APath, std::move(File)));
  Journal->FRecords = Parse(Text);
  if (Whole == 0) Journal->Append(std::string(Header) + "\n");
  return Journal;
}

std::vector<std::string> TUpdateJournal::Unfinished(const std::string& AProductFolder) {
  std::vector<std::string> Result;
  std::string Root = AProductFolder + BackupRoot;
  if (Platform::PathKindOf(Platform::ExcludeTrailingPathDelimiter(Root)) != Platform::TPathKind::Folder) return Result;
  for (const Platform::TFolderEntry& Entry : Platform::ListFolder(Root)) {
    if (Entry.IsFolder || Platform::ExtractFileExt(Entry.Name) != Extension) continue;
    std::string Path = Root + Entry.Name;
    if (Platform::PathKindOf(Path) != Platform::TPathKind::File) continue;
    std::vector<std::uint8_t> Bytes = Platform::ReadAllBytes(Path);
    std::vector<TJournalRecord> Records = Parse(std::string(Bytes.begin(), Bytes.end()));
    bool Done = !Records.empty() &&
                (Records.back().Step == JournalStep::Complete || Records.back().Step == JournalStep::Closed);
    if (!Done) Result.push_back(Path);
  }
  return Result;
}

std::string TUpdateJournal::ProductFolder() const {
  std::string Root = Platform::ExtractFilePath(FPath);  // ".../QuellitBackup/"
  return Platform::ExtractFilePath(Platform::ExcludeTrailingPathDelimiter(Root));
}

std::string TUpdateJournal::Stamp() const {
  std::string Name = Platform::ExtractFileName(FPath);
  return Name.substr(0, Name.size() - std::string(Extension).size());
}

std::string TUpdateJournal::BackupFolder() const {
  return Platform::JoinFolderPath(Platform::ExtractFilePath(FPath), Stamp());
}

bool TUpdateJournal::Finished() const {
  return !FRecords.empty() &&
         (FRecords.back().Step == JournalStep::Complete || FRecords.back().Step == JournalStep::Closed);
}

void TUpdateJournal::Append(const std::string& ALine) {
  FFile.Write(ALine.data(), static_cast<std::int64_t>(ALine.size()));
}

void TUpdateJournal::Write(const char* AStep, const std::string& AName, const std::string& AExtra) {
  std::string Line = std::string(AStep) + "\t" + Escaped(AName);
  if (!AExtra.empty()) Line += "\t" + Escaped(AExtra);
  Append(Line + "\n");
  FRecords.push_back({AStep, AName, AExtra});
  StepReached(AStep);
}

void TUpdateJournal::Flush() { FFile.Flush(); }

void TUpdateJournal::MarkComplete() {
  if (Finished()) return;
  Platform::SyncFileSystemOf(ProductFolder());
  Write(JournalStep::Complete, "");
  Flush();
}

void TUpdateJournal::MarkClosed() {
  Write(JournalStep::Closed, "");
  Flush();
}

TUndoReport UndoJournal(TUpdateJournal& AJournal, bool ARemoveAdded, const std::string& AInUse) {
  return TUndo(AJournal, ARemoveAdded, AInUse).Run();
}

}  // namespace Quellit
