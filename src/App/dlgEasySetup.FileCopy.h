// Copying one file through a read-only mapping, window by window, keeping the wizard responsive
// and its current-file bar moving; a confirmed cancel stops the copy between windows.
#pragma once

#include <cstdint>
#include <string>

namespace Quellit {

class TfrmEasySetup;
namespace Platform {
class TFileHandle;
class TFileMapping;
}  // namespace Platform

// Copies ASrc into the new file ADst, which must not exist yet (the update writes beside the
// destination and renames). False when the copy failed or was cancelled; the failing step has been
// shown in a message box.
bool CopyFileMapped(TfrmEasySetup& AForm, const std::string& ASrc, const std::string& ADst);
bool CopyMappedBlocks(TfrmEasySetup& AForm, const Platform::TFileMapping& AMapping, Platform::TFileHandle& ADst,
                      std::uint64_t ASize);

}  // namespace Quellit
