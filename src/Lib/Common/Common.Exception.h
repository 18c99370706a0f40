// The exception root and the standard exception classes every library raises. Exceptions are
// thrown by value and caught by reference; ClassName() gives the class name messages quote.
#pragma once

#include <exception>
#include <source_location>
#include <string>

#include "Common.Object.h"

namespace Quellit {

class Exception : public TObject, public std::exception {
 public:
  explicit Exception(std::string AMessage = {}) : FMessage(std::move(AMessage)) {}

  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string AMessage) { FMessage = std::move(AMessage); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// Failed operating-system call: the system's text for the error and the error number.
class EOSError : public Exception {
 public:
  EOSError(int AErrorCode, std::string AMessage) : Exception(std::move(AMessage)), FErrorCode(AErrorCode) {}
  int ErrorCode() const { return FErrorCode; }

 private:
  int FErrorCode;
};

// A broken precondition: a programming error, never a user's one.
class EAssertionFailed : public Exception {
  using Exception::Exception;
};

class EConvertError : public Exception {
  using Exception::Exception;
};

class EArgumentException : public Exception {
  using Exception::Exception;
};

// A silent abort: the user cancelled, so the error display shows nothing.
class EAbort : public Exception {
  using Exception::Exception;
};

// An operation not allowed in the object's current state.
class EInvalidOpException : public Exception {
  using Exception::Exception;
};

// An operation a class must supply and did not.
class EAbstractError : public Exception {
  using Exception::Exception;
};

class EStreamError : public Exception {
  using Exception::Exception;
};
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};

// The message of an operating-system error: "System Error.  Code: <n>.\n<system text>".
std::string OSErrorMessage(int AErrorCode, const std::string& ASystemText);

// Raises EAssertionFailed when ACondition is false. The message names the source unit
// ("Lib/Common/Common.XMLUtils") and line, so a report points at the broken precondition.
void Assert(bool ACondition, const std::string& AMessage, const char* ASourceUnit,
            std::source_location ALocation = std::source_location::current());

// The message of the exception being handled (for logs and error displays); "" outside a handler.
std::string CurrentExceptionMessage();

}  // namespace Quellit
