// What every installed desktop application of the product family answers: its names, where it is
// installed, its version, and whether it is installed and running.
//
// The editions are stateless descriptor objects, one instance each, reached through Instance().
// Their operations behave like class operations: a derived edition changes one answer by overriding
// one operation and inherits everything built on it. Nothing else creates instances.
#pragma once

#include <cstdint>
#include <string>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.FileVersion.h"
#include "Lib/Common/Common.Object.h"

namespace Quellit {

// An operation the edition it was asked of does not answer.
class ECustomApplication : public Exception {
  using Exception::Exception;
};

class TCustomApplicationInformation : public TObject {
 public:
  TCustomApplicationInformation(const TCustomApplicationInformation&) = delete;
  TCustomApplicationInformation& operator=(const TCustomApplicationInformation&) = delete;

  static const TCustomApplicationInformation& Instance();

  // Virtual operations, in the order the editions rely on.
  virtual std::string RegistryKey() const;             // the uninstall entry's name
  virtual std::string ApplicationDisplayName() const;
  virtual std::string ApplicationExeName() const;      // a plain file name, no folder part
  virtual std::string ApplicationPath() const;         // InstallFolder + ApplicationExeName
  virtual std::string DBaseFolder() const;
  virtual std::string InstallFolder() const;           // with a trailing separator
  virtual bool IsApplicationInstalled() const;
  virtual bool IsApplicationRuning() const;
  virtual std::string MutexName() const;
  virtual std::string PortableRelativePath() const;
  virtual int MajorVersionDigit() const;
  virtual bool ApplicationPlatform64() const;          // read the 64-bit registry view

  // The version resource of ApplicationPath; 0.0.0.0 when the file is missing or has none.
  TDigitalFileVersionInfo ApplicationVersion() const;
  std::uint32_t ApplicationVersionInt() const;
  bool IsApplicationPresent() const;

 protected:
  TCustomApplicationInformation() = default;

  // Raises ECustomApplication naming the edition asked and the operation.
  [[noreturn]] void NotImplemented(const char* AOperation) const;
};

}  // namespace Quellit
