#include "Platform/FileSnapshot.h"

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Platform/Time.h"

namespace Quellit::Platform {
namespace {

// Well above the kernel's timestamp granularity (a few milliseconds).
constexpr std::int64_t RecentNanoseconds = 2'000'000'000;

std::int64_t Nanoseconds(const TFileTime& ATime) { return ATime.Seconds * 1'000'000'000 + ATime.Nanoseconds; }

bool SameState(const std::optional<TFileInfo>& A, const std::optional<TFileInfo>& B) {
  if (!A || !B) return !A && !B;
  return A->IsDirectory == B->IsDirectory && A->Size == B->Size &&
         Nanoseconds(A->LastWriteTime) == Nanoseconds(B->LastWriteTime);
}

}  // namespace

bool TFileSnapshot::Update(const std::string& APath) {
  std::optional<TFileInfo> Info = GetFileInfo(APath);
  if (FTaken && APath == FPath && SameState(Info, FInfo) && !FRecent) return false;
  std::string Bytes;
  std::optional<std::string> ReadError;
  const auto TooLarge = [&](std::uint64_t ASize) {
    return Format("File too large: %s (%u bytes; at most %u are read)", APath, ASize, FMaxBytes);
  };
  if (Info && !Info->IsDirectory && Info->Size > FMaxBytes) {
    ReadError = TooLarge(Info->Size);
  } else if (Info) {
    try {
      const auto Data = ReadAllBytes(APath);
      // A file may grow between the look and the read.
      if (Data.size() > FMaxBytes)
        ReadError = TooLarge(Data.size());
      else
        Bytes.assign(Data.begin(), Data.end());
    } catch (const Exception& E) {
      ReadError = E.Message();
    }
  }
  const bool Changed = !FTaken || APath != FPath || Info.has_value() != FInfo.has_value() || Bytes != FBytes ||
                       ReadError != FReadError;
  FTaken = true;
  FRecent = Info && Nanoseconds(UtcNow()) - Nanoseconds(Info->LastWriteTime) < RecentNanoseconds;
  FPath = APath;
  FInfo = std::move(Info);
  FBytes = std::move(Bytes);
  FReadError = std::move(ReadError);
  return Changed;
}

}  // namespace Quellit::Platform
