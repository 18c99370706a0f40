#include "Lib/Common/Common.Net.WinInet.Trust.h"

#include "Platform/Win32/SystemCall.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <wincrypt.h>
#include <wininet.h>

#include <algorithm>
#include <string_view>

#include "Platform/File.h"

namespace Quellit::Detail {

using Platform::WideOf;

bool IsCertificateRefusal(int ACode) {
  return ACode == ERROR_INTERNET_INVALID_CA || ACode == ERROR_INTERNET_SEC_CERT_CN_INVALID ||
         ACode == ERROR_INTERNET_SEC_CERT_ERRORS || ACode == ERROR_INTERNET_SEC_INVALID_CERT;
}

namespace {

struct TChainPolicy {
  using THandle = PCCERT_CHAIN_CONTEXT;
  static THandle Invalid() { return nullptr; }
  static void Close(THandle AHandle) noexcept { ::CertFreeCertificateChain(AHandle); }
};
using TScopedChain = Platform::TScopedHandle<TChainPolicy>;

// The DER forms of the PEM certificates in AText.
std::vector<std::vector<BYTE>> PemCertificates(const std::string& AText) {
  std::vector<std::vector<BYTE>> Result;
  constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
  constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
  for (std::size_t At = AText.find(kBegin); At != std::string::npos; At = AText.find(kBegin, At + 1)) {
    const std::size_t End = AText.find(kEnd, At);
    if (End == std::string::npos) break;
    const std::string Block = AText.substr(At, End + kEnd.size() - At);
    DWORD Size = 0;
    if (!::CryptStringToBinaryA(Block.c_str(), static_cast<DWORD>(Block.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                                &Size, nullptr, nullptr))
      continue;
    std::vector<BYTE> Der(Size);
    if (::CryptStringToBinaryA(Block.c_str(), static_cast<DWORD>(Block.size()), CRYPT_STRING_BASE64HEADER, Der.data(),
                               &Size, nullptr, nullptr))
      Result.push_back(std::move(Der));
  }
  return Result;
}

// The address bytes of an IP literal; empty for a host name.
std::vector<BYTE> AddressBytes(const std::string& AHost) {
  const std::wstring Host = WideOf(AHost);
  IN6_ADDR V6{};
  if (::InetPtonW(AF_INET6, Host.c_str(), &V6) == 1) return {V6.s6_addr, V6.s6_addr + sizeof V6.s6_addr};
  IN_ADDR V4{};
  if (::InetPtonW(AF_INET, Host.c_str(), &V4) == 1) {
    const auto* Bytes = reinterpret_cast<const BYTE*>(&V4);
    return {Bytes, Bytes + sizeof V4};
  }
  return {};
}

// A certificate names an IP literal by an address entry of its alternative names; not every
// system's name check looks at those.
bool NamesAddress(PCCERT_CONTEXT ACertificate, const std::vector<BYTE>& AAddress) {
  PCERT_EXTENSION Extension = ::CertFindExtension(szOID_SUBJECT_ALT_NAME2, ACertificate->pCertInfo->cExtension,
                                                  ACertificate->pCertInfo->rgExtension);
  if (!Extension || AAddress.empty()) return false;
  CERT_ALT_NAME_INFO* Names = nullptr;
  DWORD Size = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, Extension->Value.pbData, Extension->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &Names, &Size))
    return false;
  bool Found = false;
  for (DWORD I = 0; I < Names->cAltEntry && !Found; ++I) {
    const CERT_ALT_NAME_ENTRY& Entry = Names->rgAltEntry[I];
    Found = Entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && Entry.IPAddress.cbData == AAddress.size() &&
            std::equal(AAddress.begin(), AAddress.end(), Entry.IPAddress.pbData);
  }
  ::LocalFree(Names);
  return Found;
}

// The SSL policy for AHost: the chain is fit for a server, and names it.
bool MeetsServerPolicy(PCCERT_CHAIN_CONTEXT AChain, const std::string& AHost, DWORD AChecksIgnored) {
  std::wstring Host = WideOf(AHost);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA Ssl{};
  Ssl.cbSize = sizeof Ssl;
  Ssl.dwAuthType = AUTHTYPE_SERVER;
  Ssl.fdwChecks = AChecksIgnored;
  Ssl.pwszServerName = Host.data();
  CERT_CHAIN_POLICY_PARA Policy{};
  Policy.cbSize = sizeof Policy;
  Policy.dwFlags = CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG;
  Policy.pvExtraPolicyPara = &Ssl;
  CERT_CHAIN_POLICY_STATUS Status{};
  Status.cbSize = sizeof Status;
  if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, AChain, &Policy, &Status)) return false;
  if (Status.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH) && AChecksIgnored == 0 &&
      NamesAddress(AChain->rgpChain[0]->rgpElement[0]->pCertContext, AddressBytes(AHost)))
    return MeetsServerPolicy(AChain, AHost, SECURITY_FLAG_IGNORE_CERT_CN_INVALID);
  return Status.dwError == 0;
}

}  // namespace

TTrustedCertificates::TTrustedCertificates(const std::vector<std::string>& AFiles)
    : FStore(::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr)) {
  for (const std::string& File : AFiles) {
    std::string Text;
    try {
      const std::vector<std::uint8_t> Bytes = Platform::ReadAllBytes(File);
      Text.assign(Bytes.begin(), Bytes.end());
    } catch (const Exception& E) {
      FError = "cannot read the trusted certificates " + File + ": " + E.Message();
      return;
    }
    int Added = 0;
    for (const std::vector<BYTE>& Der : PemCertificates(Text))
      if (::CertAddEncodedCertificateToStore(FStore, X509_ASN_ENCODING, Der.data(), static_cast<DWORD>(Der.size()),
                                             CERT_STORE_ADD_USE_EXISTING, nullptr))
        ++Added;
    if (Added == 0) {
      FError = "no certificate in the trusted certificates " + File;
      return;
    }
  }
}

TTrustedCertificates::~TTrustedCertificates() {
  if (FStore) ::CertCloseStore(FStore, 0);
}

bool TTrustedCertificates::ServedChainIsTrusted(void* ARequest, const std::string& AHost) const {
  HCERTSTORE Trusted = FStore;
  PCCERT_CHAIN_CONTEXT Served = nullptr;
  DWORD Size = sizeof Served;
  if (!::InternetQueryOptionW(static_cast<HINTERNET>(ARequest), INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT, &Served,
                              &Size) ||
      !Served)
    return false;
  const TScopedChain ServedChain(Served);
  if (Served->cChain == 0 || Served->rgpChain[0]->cElement == 0) return false;
  PCCERT_CONTEXT Leaf = Served->rgpChain[0]->rgpElement[0]->pCertContext;
  CERT_CHAIN_PARA Para{};
  Para.cbSize = sizeof Para;
  PCCERT_CHAIN_CONTEXT Built = nullptr;
  if (!::CertGetCertificateChain(nullptr, Leaf, nullptr, Trusted, &Para, 0, nullptr, &Built) || !Built) return false;
  const TScopedChain Chain(Built);
  const CERT_SIMPLE_CHAIN& Simple = *Built->rgpChain[0];
  PCCERT_CONTEXT Top = Simple.rgpElement[Simple.cElement - 1]->pCertContext;
  PCCERT_CONTEXT Found = ::CertFindCertificateInStore(Trusted, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, Top, nullptr);
  if (!Found) return false;
  ::CertFreeCertificateContext(Found);
  // The root is one of ours, so no store of the system's knows it; nobody publishes its revocations.
  const DWORD Tolerated =
      CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
  if (Built->TrustStatus.dwErrorStatus & ~Tolerated) return false;
  return MeetsServerPolicy(Built, AHost, 0);
}

}  // namespace Quellit::Detail
