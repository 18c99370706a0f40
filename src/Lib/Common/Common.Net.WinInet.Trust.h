// Certificates a caller trusts besides the system's, for the WinInet transfers (Windows only):
// WinInet trusts the system's store alone, so a server it refused is asked again without its
// checks and the chain it then presents is judged here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Lib/Common/Common.Net.WinInet.Transfer.h"

namespace Quellit::Detail {

// The refusals a certificate of the caller's may answer.
bool IsCertificateRefusal(int ACode);

class TTrustedCertificates {
 public:
  // Reads the PEM certificates of AFiles. A file that cannot be read or holds no certificate is
  // an Error (a mistyped name must not read as "nothing more to trust").
  explicit TTrustedCertificates(const std::vector<std::string>& AFiles);
  TTrustedCertificates(const TTrustedCertificates&) = delete;
  TTrustedCertificates& operator=(const TTrustedCertificates&) = delete;
  ~TTrustedCertificates();

  const std::string& Error() const { return FError; }
  // The chain the server presented on the sent request ARequest (an HINTERNET) leads to one of
  // these certificates (or is one), is valid now and names AHost: all that a trusted authority of
  // the system's would have to meet.
  bool ServedChainIsTrusted(void* ARequest, const std::string& AHost) const;

 private:
  void* FStore = nullptr;  // HCERTSTORE
  std::string FError;
};

}  // namespace Quellit::Detail
