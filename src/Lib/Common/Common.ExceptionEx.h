// ExceptionEx: an exception that keeps the exception during whose handling it was created, so a
// report can show the whole chain of causes; and the message operations exception classes share.
#pragma once

#include <exception>
#include <string>

#include "Lib/Common/Common.Exception.h"

namespace Quellit {

class TStrings;

class ExceptionEx : public Exception {
 public:
  // Takes over the exception being handled, if any, as the inner exception.
  explicit ExceptionEx(std::string AMessage = {});

  // The inner exception, or null. Any thrown object may be inner; only std::exception ones are
  // visible here, other kinds are reachable through InnerExceptionPtr.
  const std::exception* InnerException() const;
  const std::exception_ptr& InnerExceptionPtr() const { return FInnerException; }
  // The deepest exception of the chain: this one when it has no inner exception.
  virtual const std::exception& BaseException() const;

  // One line per exception, this one first, each with its exception attached (null for an
  // exception that is not one of ours); stops after the first that is not an ExceptionEx or has
  // no inner exception.
  void GetExceptionsChain(TStrings& ADest) const;
  // The same lines, each followed by "\r\n".
  std::string GetMessageList() const;

 private:
  std::exception_ptr FInnerException;
};

// A failed platform call.
class EAPICallError : public Exception {
  using Exception::Exception;
};

// "[<class name>]<message>".
std::string ClassNameAndMessage(const Exception& AException);
// Puts the operation's name in front of the message: "<operation>: <message>".
void IncludeOperationNameAsFirst(Exception& AException, const std::string& AOperationName);

}  // namespace Quellit
