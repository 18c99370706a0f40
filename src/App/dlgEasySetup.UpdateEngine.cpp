#include "App/dlgEasySetup.UpdateEngine.h"

#include <exception>
#include <string_view>

#include "App/dlgEasySetup.FileCopy.h"
#include "App/dlgEasySetup.Extensions.h"
#include "App/dlgEasySetup.Shortcuts.h"
#include "App/dlgEasySetup.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/AccessControl.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/MergeMove.h"
#include "Platform/Path.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {

namespace {

// Longer relative paths are cut after this many characters.
constexpr std::size_t MaxRelativePath = 260;

std::string CutToCharacters(const std::string& AText, std::size_t AMax) {
  std::size_t Count = 0;
  for (std::size_t I = 0; I < AText.size(); ++I) {
    // Count only lead bytes so a cut never splits a character.
    if ((static_cast<unsigned char>(AText[I]) & 0xC0) != 0x80 && Count++ == AMax) return AText.substr(0, I);
  }
  return AText;
}

struct TEntryRoots {
  std::string Src, Dst, Bak;
};

TEntryRoots RootsOf(const TfrmEasySetup& AForm, int AKind) {
  if (AKind == 0) return {AForm.ClientPayload(), AForm.VeskaCommonFolder, AForm.BackUpCommonFolder};
  return {AForm.ProductPayload(), AForm.VeskaAppFolder, AForm.BackUpAppFolder};
}

void Log(TfrmEasySetup& AForm, const std::string& ALine) { AForm.View().AppendStatusLine(ALine); }

std::string Quoted(const std::string& AText) { return "\"" + AText + "\""; }

void EnsureFolder(TfrmEasySetup& AForm, const std::string& AFolder) {
  if (Platform::DirectoryExists(AFolder)) return;
  Platform::ForceDirectories(AFolder);
  Log(AForm, "Создана директория " + Quoted(AFolder));
  AForm.View().ProcessMessages();
}

enum class TBackupResult { NotNeeded, Saved, Failed, Cancelled };

TBackupResult BackUp(TfrmEasySetup& AForm, const TEntryRoots& ARoots, const std::string& AName) {
  if (!Platform::FileExists(ARoots.Dst + AName)) return TBackupResult::NotNeeded;
  if (AForm.BreakInstall) return TBackupResult::Cancelled;
  EnsureFolder(AForm, Platform::ExtractFilePath(ARoots.Bak + AName));
  if (AForm.BreakInstall) return TBackupResult::Cancelled;
  bool Saved = MoveToBackup(AForm, ARoots.Dst + AName, ARoots.Bak + AName);
  Log(AForm, Saved ? "Файл " + Quoted(AName) + " сохранен в бэкапе."
                   : "Ошибка создания резервной копии " + Quoted(AName));
  AForm.View().ProcessMessages();
  return Saved ? TBackupResult::Saved : TBackupResult::Failed;
}

// Copies one payload file; false when a cancel was noticed and the loop must end.
bool UpdateOneFile(TfrmEasySetup& AForm, const TEntryRoots& ARoots, const std::string& AName) {
  AForm.View().SetText(ctlLblStatus, ARoots.Src + AName);
  TBackupResult Backup = BackUp(AForm, ARoots, AName);
  if (Backup == TBackupResult::Cancelled) return false;
  if (Backup == TBackupResult::Failed) {
    if (AForm.BreakInstall) return false;
    // Without a backup the original would be lost for good, so it stays as it is.
    Log(AForm, "Ошибка обновления файла: " + Quoted(AName));
    return true;
  }
  if (AForm.BreakInstall) return false;
  EnsureFolder(AForm, Platform::ExtractFilePath(ARoots.Dst + AName));
  if (AForm.BreakInstall) return false;
  bool Copied = CopyFileMapped(AForm, ARoots.Src + AName, ARoots.Dst + AName);
  if (!Copied)
    Log(AForm, "Ошибка обновления файла: " + Quoted(AName));
  else
    Log(AForm, "Файл " + Quoted(AName) + (Backup == TBackupResult::Saved ? " обновлен." : " добавлен."));
  // A copy that left nothing behind has been reported; the update goes on with the next entry.
  if (Platform::FileExists(ARoots.Dst + AName)) Platform::GrantEveryoneFullAccess(ARoots.Dst + AName);
  return true;
}

bool ProcessEntry(TfrmEasySetup& AForm, const TDataEntry& AEntry) {
  TEntryRoots Roots = RootsOf(AForm, AEntry.EntryKind);
  if (Platform::FileExists(Roots.Src + AEntry.Name) && !UpdateOneFile(AForm, Roots, AEntry.Name)) return false;
  AForm.View().SetProgressPosition(ctlPbStatus, AForm.View().ProgressPosition(ctlPbStatus) + 1);
  AForm.View().ScrollStatusToEnd();
  AForm.View().ProcessMessages();
  return true;
}

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

void LogSummary(TfrmEasySetup& AForm) {
  Log(AForm, "Все файлы обновлены.");
  Log(AForm, "Количество обновленных файлов: " + IntToStr(static_cast<std::int64_t>(AForm.DataList.size())));
  Log(AForm, "");
  Log(AForm, "Для продолжения нажмите \"Далее>\"");
}

// One folder's files that cannot be moved yet must not keep the other folder from being restored;
// the first failure is raised once both were tried.
void MoveBack(const std::string& ABackupFolder, const std::string& AProductFolder, std::exception_ptr& AFailure) {
  if (ABackupFolder.empty()) return;
  try {
    Platform::MergeMove(ABackupFolder, AProductFolder);
  } catch (...) {
    if (!AFailure) AFailure = std::current_exception();
  }
  Platform::RemoveDir(ABackupFolder);
}

// A backup is written beside the stamped folder and renamed into it only when complete: a rollback
// run by a cancel in the middle of the copy must never find a half-written backup to move over the
// product's original. The rename stays within one folder, so it cannot fail half-way.
std::string PartialBackupPath(const TfrmEasySetup& AForm, const std::string& ADst) {
  for (const std::string& Folder : {AForm.BackUpAppFolder, AForm.BackUpCommonFolder})
    if (!Folder.empty() && ADst.starts_with(Folder)) return Platform::ExcludeTrailingPathDelimiter(Folder) + ".partial";
  return ADst + ".partial";
}

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

std::string BackupFolderFor(const std::string& AProductFolder) {
  std::string Base = AProductFolder + "QuellitBackup/" + BackupStamp();
  std::string Folder = Base;
  for (int Copy = 2; Platform::DirectoryExists(Folder); ++Copy) Folder = Base + " (" + IntToStr(Copy) + ")";
  return Folder + "/";
}

void CollectFiles(TfrmEasySetup& AForm, const std::string& ARoot, const std::string& APath,
                  const std::string& ARelPath, TTreeNodeId AParentNode, int AKind) {
  for (const Platform::TFolderEntry& Entry : Platform::ListFolder(APath)) {
    if (Entry.Name.starts_with(".") || Entry.Name == "linkname.txt") continue;
    std::string Full = APath + Entry.Name;
    TTreeNodeId Node = NoTreeNode;
    if (AKind == 1) Node = AddPayloadNode(AForm, AParentNode, ARelPath, Entry.Name, Entry.IsFolder);
    AForm.DataList.push_back({CutToCharacters(Full.substr(ARoot.size()), MaxRelativePath), AKind});
    if (Entry.IsFolder) CollectFiles(AForm, ARoot, Full + "/", ARelPath + Entry.Name + "/", Node, AKind);
  }
}

bool MoveToBackup(TfrmEasySetup& AForm, const std::string& ASrc, const std::string& ADst) {
  std::string Partial = PartialBackupPath(AForm, ADst);
  if (!CopyFileMapped(AForm, ASrc, Partial)) {
    if (!AForm.BreakInstall) Platform::DeleteFile(Partial);
    return false;
  }
  return Platform::RenameFile(Partial, ADst) && Platform::DeleteFile(ASrc);
}

void UpdateFiles(TfrmEasySetup& AForm) {
  IEasySetupView& View = AForm.View();
  View.SetText(ctlLblStatus, "Подготовка к работе");
  AForm.BreakInstall = false;
  View.SetVisible(ctlMemInfo, false);
  const TVeska8Information32& Product = TVeska8Information32::Instance();
  if (!Product.IsApplicationInstalled()) return ReportProductMissing(AForm);
  AForm.VeskaCommonFolder = Product.CommonDataFolder();
  AForm.VeskaAppFolder = Product.MyFolderRoot();
  ShowCopyControls(View);
  AForm.BackUpCommonFolder = BackupFolderFor(AForm.VeskaCommonFolder);
  AForm.BackUpAppFolder = BackupFolderFor(AForm.VeskaAppFolder);
  CollectFiles(AForm, AForm.ClientPayload(), AForm.ClientPayload(), "", NoTreeNode, 0);
  CollectFiles(AForm, AForm.ProductPayload(), AForm.ProductPayload(), "", NoTreeNode, 1);
  View.ScrollTreeToTop();
  MergeExternalFileExts(AForm);
  View.SetProgressMax(ctlPbStatus, static_cast<int>(AForm.DataList.size()));
  for (const TDataEntry& Entry : AForm.DataList)
    if (AForm.BreakInstall || !ProcessEntry(AForm, Entry)) return;
  LogSummary(AForm);
}

void Rollback(TfrmEasySetup& AForm) {
  std::exception_ptr Failure;
  MoveBack(AForm.BackUpCommonFolder, AForm.VeskaCommonFolder, Failure);
  MoveBack(AForm.BackUpAppFolder, AForm.VeskaAppFolder, Failure);
  for (const std::string& Link : AForm.ShortCutList) Platform::DeleteFile(Link);
  if (Failure) std::rethrow_exception(Failure);
}

}  // namespace Quellit
