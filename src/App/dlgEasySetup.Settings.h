// settings.ini beside the program: which pages to show, what to pre-check in the two trees, and
// the file extensions to merge into the product's common settings.
#pragma once

#include <string>
#include <vector>

// KorvelSiteHost: the label of the built-in web storage in the connections tree, and the value
// settings.ini uses to pre-check it.
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

namespace Quellit {

struct TEasySetupSettings {
  bool ShowLinksDialog = true;
  bool ShowConnectionsDialog = true;
  // Payload-relative paths (native separators), folders with a trailing separator.
  std::vector<std::string> AutoLinks;
  // Payload folders with a trailing separator, or the site host.
  std::vector<std::string> AutoConnections;
  std::string ExternalFileExts;
};

// AExeDir and AProductPayload end with a separator. A missing file gives the defaults.
TEasySetupSettings ReadEasySetupSettings(const std::string& AExeDir, const std::string& AProductPayload);

}  // namespace Quellit
