// The journal of one update run in one product folder: "QuellitBackup/<stamp>.journal", a file
// beside the run's backup folder "QuellitBackup/<stamp>/". Creating it exclusively reserves the
// stamp, so no two runs ever share a backup folder. It holds the plan for that folder, then every
// step, each written before it is done (an intent) or right after (a completion), so a later start
// can tell what an interrupted run changed and undo exactly that.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/File.h"

namespace Quellit {

// The record names. Paths are relative to the product folder, except a shortcut's (absolute).
namespace JournalStep {
inline constexpr const char* Plan = "plan";          // Name, Extra = the planned action
inline constexpr const char* Folder = "folder";      // about to create the folder Name
inline constexpr const char* Backup = "backup";      // about to move the original Name to the backup
inline constexpr const char* Moved = "moved";        // the original Name is in the backup
inline constexpr const char* Write = "write";        // about to write Name's new file as Extra beside it
inline constexpr const char* Placed = "placed";      // the new file replaced the original Name
inline constexpr const char* Added = "added";        // the new file Name was added
inline constexpr const char* Restored = "restored";  // a failed copy put the original Name back
inline constexpr const char* Failed = "failed";      // the entry Name failed; what it left was removed
inline constexpr const char* Shortcut = "shortcut";  // about to write the shortcut file Name
inline constexpr const char* Complete = "complete";  // the run ended; everything it wrote is on disk
inline constexpr const char* Closed = "closed";      // the run was undone (cancel or recovery)
}  // namespace JournalStep

struct TJournalRecord {
  std::string Step, Name, Extra;
};

class TUpdateJournal {
 public:
  // Creates AProductFolder + "QuellitBackup/" + AStamp + ".journal" exclusively, trying " (2)",
  // " (3)", ... after the stamp while that name (or its backup folder) exists. Raises EOSError when
  // the journal cannot be written (QuellitBackup blocked by a file, no permission, a full disk).
  static std::unique_ptr<TUpdateJournal> Reserve(const std::string& AProductFolder, const std::string& AStamp);
  // An existing journal, read whole and opened for appending.
  static std::unique_ptr<TUpdateJournal> Open(const std::string& APath);
  // The journals under AProductFolder + "QuellitBackup/" whose runs never completed nor were undone,
  // oldest name first.
  static std::vector<std::string> Unfinished(const std::string& AProductFolder);

  const std::string& Path() const { return FPath; }
  std::string ProductFolder() const;  // with a trailing separator
  std::string BackupFolder() const;   // the stamped folder, with a trailing separator
  std::string Stamp() const;          // the backup folder's name
  const std::vector<TJournalRecord>& Records() const { return FRecords; }
  bool Finished() const;

  // Appends one record. It reaches the operating system at once, so a kill loses nothing written;
  // Flush puts it on disk against a power cut.
  void Write(const char* AStep, const std::string& AName, const std::string& AExtra = "");
  void Flush();
  // Flushes the file system of the product folder, then records the end and flushes the journal.
  void MarkComplete();
  void MarkClosed();

 private:
  TUpdateJournal(std::string APath, Platform::TFileHandle AFile) : FPath(std::move(APath)), FFile(std::move(AFile)) {}
  void Append(const std::string& ALine);

  std::string FPath;
  Platform::TFileHandle FFile;
  std::vector<TJournalRecord> FRecords;
};

// What undoing a journal did: status lines in the wizard's style, and the paths it could not put
// right (with the reason).
struct TUndoReport {
  std::vector<std::string> Lines;
  std::vector<std::string> Failures;
};

// Puts every original the journal's run moved back to its path, removes the temporary files it
// left and the backup folders it emptied, and deletes its shortcuts. With ARemoveAdded (the
// recovery of an interrupted run) the files it added and the folders it created go too; a cancel
// keeps them. AInUse names the temporary file this process is writing at the moment of a cancel:
// the copy still holds it open (Windows refuses to delete an open file) and removes it itself when
// it sees the cancel, so it is left to the copy. Never raises; closes the journal when nothing failed.
TUndoReport UndoJournal(TUpdateJournal& AJournal, bool ARemoveAdded, const std::string& AInUse = "");

}  // namespace Quellit
