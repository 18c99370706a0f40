#include "App/dlgEasySetup.FileCopy.h"

#include <cmath>
#include <optional>

#include "App/dlgEasySetup.FaultInjection.h"
#include "App/dlgEasySetup.h"
#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Platform/FileIdentity.h"
#include "Platform/FileMapping.h"

namespace Quellit {

namespace {

using Platform::TFileHandle;
using Platform::TFileMapping;

const char* const MessageCaption = "Quellit Setup";

// A run is durable only once its files are on the disk, and the flush at its end waits for every
// byte still in memory. Large files are therefore sent on their way in slices while the copy goes
// on; small ones are left to that flush, as starting each on its own costs more than it saves.
constexpr std::uint64_t WriteBackSlice = 8 * 1024 * 1024;

// The system's own text of an operating-system error (its first line names the error number).
std::string ErrorText(const std::exception& AError) { return AError.what(); }

void ShowInformation(TfrmEasySetup& AForm, const std::string& AText) {
  AForm.View().ShowMessageBox(MessageCaption, AText, miInformation);
}

std::string PositionLines(std::uint64_t APos, std::uint64_t ABlock, std::uint64_t ASize) {
  return Format("\r\nТекущая позиция = %u\r\nразмер текущего блока = %u\r\nОбщий размер блока = %u\r\nРазмер файла = %u",
                APos, ABlock, Platform::AllocationGranularity, ASize);
}

// Percent of the file done, rounded half to even as the progress bar expects.
int PercentDone(std::uint64_t APos, std::uint64_t ASize) {
  return static_cast<int>(std::nearbyint(static_cast<double>(APos) / static_cast<double>(ASize) * 100.0));
}

std::optional<TFileHandle> OpenOrShow(TfrmEasySetup& AForm, const std::string& APath, Platform::TFileAccess AAccess,
                                      Platform::TFileDisposition ADisposition, const char* AStep) {
  try {
    return TFileHandle(APath, AAccess, ADisposition);
  } catch (const EOSError& E) {
    ShowInformation(AForm, std::string(AStep) + ErrorText(E));
    return std::nullopt;
  }
}

// Maps and copies into a destination created empty, so nothing of an older file is left behind.
bool CopyIntoOpenDestination(TfrmEasySetup& AForm, const TFileHandle& ASrc, TFileHandle& ADst, std::uint64_t ASize) {
  std::optional<TFileMapping> Mapping;
  try {
    Mapping.emplace(ASrc);
  } catch (const EOSError& E) {
    ShowInformation(AForm, "Step: 3 - " + ErrorText(E));
    return false;
  }
  return CopyMappedBlocks(AForm, *Mapping, ADst, ASize);
}

// After a cancel the partial copy goes, but only while the path still names the file this copy
// created: a rollback run meanwhile may have put the product's original back under that name.
void DeletePartialCopy(const std::string& ADst, const std::optional<Platform::TFileIdentity>& AWritten) {
  if (!AWritten) return;
  if (Platform::FileIdentityOf(ADst) == AWritten) Platform::DeleteFile(ADst);
}

}  // namespace

bool CopyMappedBlocks(TfrmEasySetup& AForm, const TFileMapping& AMapping, TFileHandle& ADst, std::uint64_t ASize) {
  const std::uint64_t Granularity = Platform::AllocationGranularity;
  std::uint64_t Pos = 0, SentToDisk = 0;
  int MaxPercent = 0;
  while (Pos != ASize) {
    std::uint64_t Block = std::min(ASize - Pos, Granularity);
    if (AForm.BreakInstall) return false;
    Platform::TFileMappingView View;
    try {
      View = AMapping.MapView(Pos, static_cast<std::size_t>(Block));
    } catch (const EOSError& E) {
      ShowInformation(AForm, ErrorText(E) + PositionLines(Pos, Block, ASize));
      return false;
    }
    try {
      ADst.Write(View.Data(), static_cast<std::int64_t>(Block));
    } catch (const EOSError& E) {
      ShowInformation(AForm, "Ошибка при записи:\r\n" + ErrorText(E) + PositionLines(Pos, Block, ASize));
      return false;
    }
    Pos += Block;
    View = Platform::TFileMappingView();
    if (Pos - SentToDisk >= WriteBackSlice || (SentToDisk != 0 && Pos == ASize)) {
      ADst.StartWriteBack(SentToDisk, Pos - SentToDisk);
      SentToDisk = Pos;
    }
    StepReached("block");
    AForm.View().ProcessMessages();
    int Percent = PercentDone(Pos, ASize);
    if (Percent > MaxPercent) {
      MaxPercent = Percent;
      AForm.View().SetProgressPosition(ctlPbCurrentProgress, Percent);
    }
  }
  return true;
}

bool CopyFileMapped(TfrmEasySetup& AForm, const std::string& ASrc, const std::string& ADst) {
  bool Result = false;
  std::optional<Platform::TFileIdentity> Written;
  {
    std::optional<TFileHandle> Src =
        OpenOrShow(AForm, ASrc, Platform::TFileAccess::Read, Platform::TFileDisposition::OpenExisting, "Step: 1 - ");
    if (Src) {
      std::uint64_t Size = Src->Size();
      // Created, never opened: an existing file or a link under that name is not written through.
      std::optional<TFileHandle> Dst = OpenOrShow(AForm, ADst, Platform::TFileAccess::Write,
                                                  Platform::TFileDisposition::CreateNew, "Step: 2 - ");
      if (Dst) {
        Written = Platform::FileIdentityOf(*Dst);
        Result = CopyIntoOpenDestination(AForm, *Src, *Dst, Size);
      }
    }
  }
  if (AForm.BreakInstall) DeletePartialCopy(ADst, Written);
  return Result;
}

}  // namespace Quellit
