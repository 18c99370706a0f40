#include "App/dlgEasySetup.UpdateEngine.h"

#include <exception>
#include <string_view>

#include "App/dlgEasySetup.Extensions.h"
#include "App/dlgEasySetup.FileCopy.h"
#include "App/dlgEasySetup.Shortcuts.h"
#include "App/dlgEasySetup.h"
#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/AccessControl.h"
#include "Platform/File.h"
#include "Platform/FileOperations.h"
#include "Platform/Folder.h"
#include "Platform/Guid.h"
#include "Platform/Path.h"
#include "Platform/SystemError.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {

namespace {

using Platform::TPathKind;

const std::string BackupRoot = Platform::JoinFolderPath("QuellitBackup");

std::string Quoted(const std::string& AText) { return "\"" + AText + "\""; }

void ReportProductMissing(TfrmEasySetup& AForm) {
  IEasySetupView& View = AForm.View();
  View.ShowMessageBox("Ошибка.", "Не удалось обнаружить установленную версию Корвел версии 8.0", miNone);
  AForm.StartInstall = false;
  View.SetVisible(ctlMemStatus, false);
  View.SetVisible(ctlLblStatus, false);
  View.SetText(ctlLblFinish, "Экспресс установка прервана из-за ошибки. Для завершения нажмите кнопку \"Готово\"");
  AForm.SetPageState(psConnections);
}

void ShowCopyControls(IEasySetupView& AView) {
  for (TEasySetupControl Control : {ctlMemStatus, ctlLblStatus, ctlPbStatus, ctlPbCurrentProgress})
    AView.SetVisible(Control, true);
  AView.SetFontColor(ctlLblNext, clDisabledLabel);
}

const char* PlanWord(TPlanAction AAction) {
  switch (AAction) {
    case paFolder: return "folder";
    case paCreateFolder: return "create-folder";
    case paAdd: return "add";
    case paReplace: return "replace";
    case paSkip: return "skip";
  }
  return "";
}

// A name nobody else picks, hidden, short enough beside any name the folder can hold.
std::string TemporaryName() { return ".quellit-" + Platform::NewGuid().ToString().substr(1, 8) + ".tmp"; }

std::string ErrorText(int AError) { return Platform::SystemErrorText(AError); }

}  // namespace

// The stamp names one folder: a separator a locale puts in its dates ("12/10/26" in English
// forms) would nest folders here and make an invalid name on Windows, so every character a
// file name cannot hold becomes "-", as ":" of the time does.
std::string BackupStamp() {
  std::string Stamp = DateTimeToStr(Now());
  for (char& C : Stamp)
    if (std::string_view(":/\\*?\"<>|").find(C) != std::string_view::npos) C = '-';
  return Stamp;
}

TUpdateEngine::TUpdateEngine(TfrmEasySetup& AForm) : FForm(AForm) {}

// A destructor cannot report; a journal left open here is undone by the next start, which is
// what a run that could not finish its bookkeeping needs.
TUpdateEngine::~TUpdateEngine() {
  try {
    Finish();
  } catch (...) {
  }
}

void TUpdateEngine::Log(const std::string& ALine) { FForm.View().AppendStatusLine(ALine); }

void TUpdateEngine::Fail(std::size_t AIndex, const std::string& AReason) {
  const TDataEntry& Entry = FForm.DataList[AIndex];
  FFailed.push_back({Entry.Name, Entry.EntryKind, AReason});
}

void TUpdateEngine::SetUpRoots() {
  FRoots[0].Kind = 0;
  FRoots[0].Payload = FForm.ClientPayload();
  FRoots[0].Product = FForm.VeskaCommonFolder;
  FRoots[1].Kind = 1;
  FRoots[1].Payload = FForm.ProductPayload();
  FRoots[1].Product = FForm.VeskaAppFolder;
}

// ---- the plan ---------------------------------------------------------------------------------

TPlanEntry TUpdateEngine::PlanOf(int AKind, const std::string& AName, bool AIsFolder, bool AIsLink) const {
  // A link in the payload could lead anywhere on the machine; its target is not the payload's to ship.
  if (AIsLink) return {paSkip, "символическая ссылка в пакете обновления не копируется"};
  TPathKind Existing = Platform::PathKindOf(Root(AKind).Product + AName);
  if (AIsFolder) {
    if (Existing == TPathKind::None) return {paCreateFolder, ""};
    if (Existing == TPathKind::Folder) return {paFolder, ""};
    return {paSkip, "в продукте на месте директории находится файл"};
  }
  if (Existing == TPathKind::Folder) return {paSkip, "в продукте на месте файла находится директория"};
  return {Existing == TPathKind::None ? paAdd : paReplace, ""};
}

void TUpdateEngine::CollectFiles(const std::string& ARoot, const std::string& APath, const std::string& ARelPath,
                                 TTreeNodeId AParentNode, int AKind) {
  for (const Platform::TFolderEntry& Entry : Platform::ListFolder(APath)) {
    if (Entry.Name.starts_with(".") || Entry.Name == "linkname.txt") continue;
    std::string Full = APath + Entry.Name;
    bool IsLink = Platform::PathKindOf(Full) == TPathKind::Link;
    bool IsFolder = Entry.IsFolder && !IsLink;
    TTreeNodeId Node = NoTreeNode;
    if (AKind == 1 && !IsLink) Node = AddPayloadNode(FForm, AParentNode, ARelPath, Entry.Name, IsFolder);
    // The whole relative path: a cut name would name nothing, or another entry.
    std::string Name = Full.substr(ARoot.size());
    FForm.DataList.push_back({Name, AKind});
    FPlan.push_back(PlanOf(AKind, Name, IsFolder, IsLink));
    if (IsFolder)
      CollectFiles(ARoot, Platform::IncludeTrailingPathDelimiter(Full),
                   Platform::JoinFolderPath(ARelPath, Entry.Name), Node, AKind);
  }
}

bool TUpdateEngine::ComputePlan() {
  FForm.BreakInstall = false;
  const TVeska8Information32& Product = TVeska8Information32::Instance();
  if (!Product.IsApplicationInstalled()) return false;
  FForm.VeskaCommonFolder = Product.CommonDataFolder();
  FForm.VeskaAppFolder = Product.MyFolderRoot();
  SetUpRoots();
  FForm.DataList.clear();
  FPlan.clear();
  CollectFiles(FRoots[0].Payload, FRoots[0].Payload, "", NoTreeNode, 0);
  CollectFiles(FRoots[1].Payload, FRoots[1].Payload, "", NoTreeNode, 1);
  return true;
}

std::vector<std::string> TUpdateEngine::PlanLines() const {
  std::vector<std::string> Lines;
  for (const TPayloadRoot& Root : FRoots)
    Lines.push_back("Пакет " + Quoted(Root.Payload) + " -> " + Quoted(Root.Product) + ":");
  for (std::size_t I = 0; I < FPlan.size(); ++I) {
    const TDataEntry& Entry = FForm.DataList[I];
    std::string Where = std::to_string(Entry.EntryKind) + ": " + Quoted(Entry.Name);
    switch (FPlan[I].Action) {
      case paFolder: Lines.push_back("Директория есть " + Where); break;
      case paCreateFolder: Lines.push_back("Создать директорию " + Where); break;
      case paAdd: Lines.push_back("Добавить " + Where); break;
      case paReplace: Lines.push_back("Сохранить в бэкапе и обновить " + Where); break;
      case paSkip: Lines.push_back("Пропустить " + Where + ": " + FPlan[I].Reason); break;
    }
  }
  Lines.push_back("Записей в плане: " + IntToStr(static_cast<std::int64_t>(FPlan.size())));
  return Lines;
}

// ---- journals ---------------------------------------------------------------------------------

void TUpdateEngine::ReserveJournals() {
  for (TPayloadRoot& Root : FRoots) {
    std::string Stamp = BackupStamp();
    Root.Backup = Platform::JoinFolderPath(Root.Product + BackupRoot, Stamp);
    try {
      Root.Journal = TUpdateJournal::Reserve(Root.Product, Stamp);
      Root.Backup = Root.Journal->BackupFolder();
    } catch (const std::exception& E) {
      Root.JournalError = E.what();
    }
  }
  FForm.BackUpCommonFolder = FRoots[0].Backup;
  FForm.BackUpAppFolder = FRoots[1].Backup;
}

// What each folder's run is about to do, on disk before its first change there.
void TUpdateEngine::WritePlans() {
  for (TPayloadRoot& Root : FRoots) {
    if (!Root.Journal) continue;
    try {
      for (std::size_t I = 0; I < FPlan.size(); ++I)
        if (FForm.DataList[I].EntryKind == Root.Kind)
          Root.Journal->Write(JournalStep::Plan, FForm.DataList[I].Name, PlanWord(FPlan[I].Action));
      Root.Journal->Flush();
    } catch (const std::exception& E) {
      Root.JournalError = E.what();
      Root.Journal.reset();
    }
  }
}

void TUpdateEngine::RecordShortcut(const std::string& ALink) {
  for (int Kind : {1, 0}) {
    TUpdateJournal* Journal = RootOf(Kind).Journal.get();
    if (!Journal) continue;
    Journal->Write(JournalStep::Shortcut, ALink);
    return;
  }
}

void TUpdateEngine::Finish() {
  for (TPayloadRoot& Root : FRoots)
    if (Root.Journal) Root.Journal->MarkComplete();
}

// ---- one entry --------------------------------------------------------------------------------

// Creates the folder chain below the product folder, each folder journaled before it is made.
// Every existing step must be a real folder: a link there would lead the writes out of the product.
bool TUpdateEngine::EnsureFolder(TPayloadRoot& ARoot, const std::string& ARelativeFolder, std::string& AError) {
  std::string Folder = ARoot.Product + ARelativeFolder;
  if (ARoot.Verified.contains(ARelativeFolder)) return true;
  bool Created = false;
  const char Separator = Platform::PathSeparator();
  for (std::size_t End = ARelativeFolder.find(Separator); End != std::string::npos;
       End = ARelativeFolder.find(Separator, End + 1)) {
    std::string Relative = ARelativeFolder.substr(0, End + 1);
    std::string Path = ARoot.Product + Relative;
    // Without its trailing separator: "link/" would name the folder the link points at.
    TPathKind Kind = Platform::PathKindOf(Platform::ExcludeTrailingPathDelimiter(Path));
    if (Kind == TPathKind::Folder) continue;
    if (Kind != TPathKind::None) {
      AError = ErrorText(Platform::NotAFolderError()) + ": " + Path;
      return false;
    }
    ARoot.Journal->Write(JournalStep::Folder, Relative);
    if (const auto Made = Platform::CreateDir(Path); !Made) {
      AError = ErrorText(Made.ErrorCode()) + ": " + Path;
      return false;
    }
    Created = true;
  }
  ARoot.Verified.insert(ARelativeFolder);
  if (Created) {
    Log("Создана директория " + Quoted(Folder));
    FForm.View().ProcessMessages();
  }
  return true;
}

Platform::TOSResult TUpdateEngine::MoveToBackup(const std::string& ASrc, const std::string& ADst) {
  try {
    Platform::MoveFileNoReplace(ASrc, ADst);
    return {};
  } catch (const EOSError& E) {
    return Platform::TOSResult::Failure(E.ErrorCode());
  }
}

void TUpdateEngine::PutOriginalBack(std::size_t AIndex) {
  const TDataEntry& Entry = FForm.DataList[AIndex];
  TPayloadRoot& Root = RootOf(Entry.EntryKind);
  if (const auto Renamed = Platform::RenameNoReplace(Root.Backup + Entry.Name, Root.Product + Entry.Name)) {
    Root.Journal->Write(JournalStep::Restored, Entry.Name);
    Log("Файл " + Quoted(Entry.Name) + " восстановлен из бэкапа.");
  } else {
    Log("Не удалось восстановить файл " + Quoted(Entry.Name) + " из бэкапа: " + ErrorText(Renamed.ErrorCode()));
  }
}

// Writes the new file under a temporary name beside its destination and renames it into place,
// so the product path never holds a partial file. False when it failed or was cancelled.
bool TUpdateEngine::WriteNewFile(std::size_t AIndex, bool AReplaced) {
  const TDataEntry& Entry = FForm.DataList[AIndex];
  TPayloadRoot& Root = RootOf(Entry.EntryKind);
  std::string Destination = Root.Product + Entry.Name;
  std::string Temporary = Platform::ExtractFilePath(Destination) + TemporaryName();
  Root.Journal->Write(JournalStep::Write, Entry.Name, Platform::ExtractFileName(Temporary));
  FCopying = Temporary;
  bool Written = CopyFileMapped(FForm, Root.Payload + Entry.Name, Temporary);
  FCopying.clear();
  // Only the file this run wrote is opened to everybody, never a restored original. A cancel
  // during the copy's last window has removed the copy already: it is no file to grant.
  if (Written && !FForm.BreakInstall) {
    try {
      Platform::GrantEveryoneFullAccess(Temporary);
    } catch (const EOSError& E) {
      FForm.View().ShowError(E.what());
      Written = false;
    }
  }
  if (Written && !FForm.BreakInstall && Platform::RenameNoReplace(Temporary, Destination)) {
    Root.Journal->Write(AReplaced ? JournalStep::Placed : JournalStep::Added, Entry.Name);
    return true;
  }
  if (Platform::PathKindOf(Temporary) == TPathKind::File) Platform::DeleteFile(Temporary);
  return false;
}

// Processes one payload file; false when a cancel was noticed and the loop must end.
bool TUpdateEngine::UpdateOneFile(std::size_t AIndex) {
  const TDataEntry& Entry = FForm.DataList[AIndex];
  TPayloadRoot& Root = RootOf(Entry.EntryKind);
  const std::string& Name = Entry.Name;
  std::string Destination = Root.Product + Name;
  FForm.View().SetText(ctlLblStatus, Root.Payload + Name);
  auto FailFile = [&](const std::string& AReason) {
    Log("Ошибка обновления файла: " + Quoted(Name));
    Fail(AIndex, AReason);
    return true;
  };
  if (!Root.Journal) return FailFile("журнал обновления не записан: " + Root.JournalError);
  TPathKind Existing = Platform::PathKindOf(Destination);
  if (Existing == TPathKind::Folder) return FailFile("в продукте на месте файла находится директория");
  std::string Error;
  bool Replaced = false;
  if (Existing != TPathKind::None) {
    if (FForm.BreakInstall) return false;
    std::string BackupFolder = Platform::ExtractFilePath(Root.Backup.substr(Root.Product.size()) + Name);
    bool Saved = EnsureFolder(Root, BackupFolder, Error);
    if (FForm.BreakInstall) return false;
    if (Saved) {
      // A link or any other special file is moved as it is; nothing it points at is read or written.
      Root.Journal->Write(JournalStep::Backup, Name);
      const Platform::TOSResult Moved = MoveToBackup(Destination, Root.Backup + Name);
      Saved = static_cast<bool>(Moved);
      if (!Saved) Error = ErrorText(Moved.ErrorCode());
    }
    if (!Saved) {
      Log("Ошибка создания резервной копии " + Quoted(Name));
      FForm.View().ProcessMessages();
      if (FForm.BreakInstall) return false;
      // Without a backup the original would be lost for good, so it stays as it is.
      return FailFile("резервная копия не создана: " + Error);
    }
    Root.Journal->Write(JournalStep::Moved, Name);
    Log("Файл " + Quoted(Name) + " сохранен в бэкапе.");
    FForm.View().ProcessMessages();
    Replaced = true;
  }
  if (FForm.BreakInstall) return false;
  if (!EnsureFolder(Root, Platform::ExtractFilePath(Name), Error)) return FailFile(Error);
  if (FForm.BreakInstall) return false;
  if (WriteNewFile(AIndex, Replaced)) {
    Log("Файл " + Quoted(Name) + (Replaced ? " обновлен." : " добавлен."));
    return true;
  }
  // A cancel's rollback puts the original back itself.
  if (FForm.BreakInstall) return false;
  Log("Ошибка обновления файла: " + Quoted(Name));
  if (Replaced) PutOriginalBack(AIndex);
  Root.Journal->Write(JournalStep::Failed, Name);
  Fail(AIndex, "файл не скопирован");
  return true;
}

bool TUpdateEngine::ProcessEntry(std::size_t AIndex) {
  const TDataEntry& Entry = FForm.DataList[AIndex];
  const TPayloadRoot& Root = RootOf(Entry.EntryKind);
  TPathKind Source = Platform::PathKindOf(Root.Payload + Entry.Name);
  if (Source == TPathKind::Link) {
    Log("Ошибка обновления файла: " + Quoted(Entry.Name));
    Log("Символическая ссылка в пакете обновления пропущена: " + Quoted(Entry.Name));
    Fail(AIndex, FPlan[AIndex].Reason);
  } else if (Source == TPathKind::Folder) {
    TPathKind Existing = Platform::PathKindOf(Root.Product + Entry.Name);
    if (Existing != TPathKind::None && Existing != TPathKind::Folder) {
      Log("Ошибка обновления файла: " + Quoted(Entry.Name));
      Fail(AIndex, "в продукте на месте директории находится файл");
    }
  } else if (Source != TPathKind::None && !UpdateOneFile(AIndex)) {
    return false;
  }
  IEasySetupView& View = FForm.View();
  View.SetProgressPosition(ctlPbStatus, View.ProgressPosition(ctlPbStatus) + 1);
  View.ScrollStatusToEnd();
  View.ProcessMessages();
  return true;
}

// ---- the step ---------------------------------------------------------------------------------

void TUpdateEngine::UpdateFiles() {
  IEasySetupView& View = FForm.View();
  View.SetText(ctlLblStatus, "Подготовка к работе");
  FForm.BreakInstall = false;
  View.SetVisible(ctlMemInfo, false);
  const TVeska8Information32& Product = TVeska8Information32::Instance();
  if (!Product.IsApplicationInstalled()) return ReportProductMissing(FForm);
  FForm.VeskaCommonFolder = Product.CommonDataFolder();
  FForm.VeskaAppFolder = Product.MyFolderRoot();
  ShowCopyControls(View);
  // A full disk or a file-size limit must fail the write being made, not end the process mid-file.
  Platform::IgnoreFileSizeLimitSignal();
  SetUpRoots();
  ReserveJournals();
  FForm.DataList.clear();
  FPlan.clear();
  FFailed.clear();
  CollectFiles(FRoots[0].Payload, FRoots[0].Payload, "", NoTreeNode, 0);
  CollectFiles(FRoots[1].Payload, FRoots[1].Payload, "", NoTreeNode, 1);
  View.ScrollTreeToTop();
  WritePlans();
  for (const TPayloadRoot& Root : FRoots)
    if (!Root.Journal)
      Log("Не удалось записать журнал обновления в " + Quoted(Root.Product + BackupRoot) + ": " + Root.JournalError);
  MergeExternalFileExts(FForm);
  View.SetProgressMax(ctlPbStatus, static_cast<int>(FForm.DataList.size()));
  for (std::size_t I = 0; I < FForm.DataList.size(); ++I)
    if (FForm.BreakInstall || !ProcessEntry(I)) return;
  Log("Все файлы обновлены.");
  Log("Количество обновленных файлов: " + IntToStr(static_cast<std::int64_t>(FForm.DataList.size())));
  Log("");
  Log("Для продолжения нажмите \"Далее>\"");
}

void TUpdateEngine::Rollback() {
  std::string Failure;
  for (TPayloadRoot& Root : FRoots) {
    if (!Root.Journal) continue;
    TUndoReport Report = UndoJournal(*Root.Journal, false, FCopying);
    if (Failure.empty() && !Report.Failures.empty()) Failure = Report.Failures.front();
  }
  for (const std::string& Link : FForm.ShortCutList) Platform::DeleteFile(Link);
  // One file that could not be put back must not keep the others from being restored; the first
  // failure is reported once all were tried, and a second rollback tries again.
  if (!Failure.empty()) throw Exception("Не удалось восстановить " + Failure);
}

// ---- recovery ---------------------------------------------------------------------------------

TRecoveryReport RecoverInterruptedUpdates(const std::vector<std::string>& AProductFolders, bool ADryRun) {
  TRecoveryReport Report;
  for (const std::string& Folder : AProductFolders) {
    if (Folder.empty()) continue;
    for (const std::string& Path : TUpdateJournal::Unfinished(Folder)) {
      ++Report.Interrupted;
      std::unique_ptr<TUpdateJournal> Journal;
      if (ADryRun) {
        Report.Lines.push_back("Будет отменено прерванное обновление " + Quoted(Path));
        continue;
      }
      Report.Lines.push_back("Обнаружено прерванное обновление " + Quoted(Path) + ". Произвожу восстановление данных.");
      try {
        Journal = TUpdateJournal::Open(Path);
      } catch (const std::exception& E) {
        Report.Failures.push_back(Path + ": " + E.what());
        continue;
      }
      TUndoReport Undo = UndoJournal(*Journal, true);
      Report.Lines.insert(Report.Lines.end(), Undo.Lines.begin(), Undo.Lines.end());
      for (const std::string& Failure : Undo.Failures)
        Report.Lines.push_back("Не удалось восстановить " + Quoted(Failure));
      Report.Failures.insert(Report.Failures.end(), Undo.Failures.begin(), Undo.Failures.end());
      if (Undo.Failures.empty()) Report.Lines.push_back("Прерванное обновление отменено, данные восстановлены.");
    }
  }
  return Report;
}

}  // namespace Quellit
