#include "Lib/Common/Common.OptionsStorage.h"

namespace Quellit {

int TFakeOptionsReader::ReadInteger(const std::string&, int ADefault) { return ADefault; }

std::string TFakeOptionsReader::ReadString(const std::string&, const std::string& ADefault) { return ADefault; }

bool TFakeOptionsReader::ReadBool(const std::string&, bool ADefault) { return ADefault; }

Extended TFakeOptionsReader::ReadFloat(const std::string&, Extended ADefault) { return ADefault; }

std::vector<std::string> TFakeOptionsReader::ReadSubkeyNames() { return {}; }
std::vector<std::string> TFakeOptionsReader::ReadValueNames() { return {}; }

bool TFakeOptionsReader::ValueExists(const std::string&) { return false; }

TIntf<IOptionsReader> TFakeOptionsReader::OpenSubReader(const std::string&) {
  return TIntf<IOptionsReader>(new TFakeOptionsReader());
}

bool TFakeOptionsReader::IsEmptySection() { return true; }

std::vector<TOptionsSubsection> TFakeOptionsReader::OpenSubsections() { return {}; }

}  // namespace Quellit
