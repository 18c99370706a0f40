#include "SysInfo/SysInfo.Core.CommonUtils.h"

#include <array>
#include <optional>

#include "Lib/Common/Common.StringUtils.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "Platform/File.h"
#include "Platform/Path.h"
#include "Platform/Process.h"
#include "Platform/Registry.h"

namespace Quellit {

bool CheckFolderWritePrivilege(const std::string& AFolder) {
  const std::string Probe = Platform::IncludeTrailingPathDelimiter(AFolder) + "CheckFolderWritePrivilege.bin";
  // The probe is removed before it is created anew (never opened through what is there), so a
  // link planted under its name cannot make the probe truncate the file it points to.
  Platform::DeleteFile(Probe);
  bool Created = true;
  try {
    Platform::TFileHandle(Probe, Platform::TFileAccess::Write, Platform::TFileDisposition::CreateNew).Close();
  } catch (...) {
    Created = false;
  }
  Platform::DeleteFile(Probe);
  return Created;
}

std::string FormatByteSize(std::int64_t ASize) {
  static const std::array<const char*, 4> SmallerUnits = {" байт", " Кбайт", " Мбайт", " Гбайт"};
  for (const char* Unit : SmallerUnits) {
    if (ASize < 1024) return IntToStr(ASize) + Unit;
    ASize /= 1024;
  }
  return IntToStr(ASize) + " Тбайт";
}

std::string ReadMachineString(const std::string& AKey, const std::string& AName) {
  return Platform::ReadRegistryString(Platform::TRegistryRoot::LocalMachine, AKey, AName,
                                      Platform::TRegistryView::Registry32);
}

std::string ReadMachineString64(const std::string& AKey, const std::string& AName) {
  return Platform::ReadRegistryString(Platform::TRegistryRoot::LocalMachine, AKey, AName,
                                      Platform::TRegistryView::Registry64);
}

bool IsPortableMode() {
  for (const std::string& Argument : Platform::CommandLineArguments()) {
    if (Argument.size() < 2 || (Argument[0] != '-' && Argument[0] != '/')) continue;
    if (SameText(std::string_view(Argument).substr(1), "portable")) return true;
  }
  return false;
}

std::string ReadAttributeText(const TXMLElement& AElement, const std::string& AName) {
  std::optional<std::string> Value = AElement ? AElement.GetAttribute(AName) : std::nullopt;
  if (!Value) return {};
  // Folding to LF first keeps existing CR LF pairs from doubling their CR.
  std::string Text = FastStringReplace(*Value, "\r\n", "\n", rfReplaceAll);
  return FastStringReplace(Text, "\n", "\r\n", rfReplaceAll);
}

}  // namespace Quellit
