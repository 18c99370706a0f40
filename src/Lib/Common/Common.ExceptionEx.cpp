#include "Lib/Common/Common.ExceptionEx.h"

#include <functional>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.StringList.h"

namespace Quellit {

namespace {

// The object an exception_ptr holds; rethrowing hands out a reference to that very object, which
// lives as long as the pointer does.
const std::exception* ExceptionObject(const std::exception_ptr& AException) {
  if (!AException) return nullptr;
  try {
    std::rethrow_exception(AException);
  } catch (const std::exception& E) {
    return &E;
  } catch (...) {
  }
  return nullptr;
}

using TChainVisitor = std::function<void(const std::string& AMessage, const std::exception& AException)>;

// Objects thrown that are not std::exception have no message: they end the chain with a
// placeholder line rather than vanishing from it.
const std::exception& UnknownException() {
  static const Exception Unknown("Unknown exception");
  return Unknown;
}

const std::exception& InnerOf(const std::exception& AException) {
  const auto* Extended = dynamic_cast<const ExceptionEx*>(&AException);
  if (!Extended || !Extended->InnerExceptionPtr()) return AException;
  const std::exception* Inner = Extended->InnerException();
  return Inner ? *Inner : UnknownException();
}

void VisitChain(const ExceptionEx& AFirst, const TChainVisitor& AVisit) {
  const std::exception* Current = &AFirst;
  while (true) {
    AVisit(Current->what(), *Current);
    const std::exception& Next = InnerOf(*Current);
    if (&Next == Current) break;
    Current = &Next;
  }
}

}  // namespace

ExceptionEx::ExceptionEx(std::string AMessage) : Exception(std::move(AMessage)), FInnerException(std::current_exception()) {}

const std::exception* ExceptionEx::InnerException() const { return ExceptionObject(FInnerException); }

const std::exception& ExceptionEx::BaseException() const {
  const std::exception* Current = this;
  while (true) {
    const std::exception* Next = &InnerOf(*Current);
    if (Next == Current) return *Current;
    Current = Next;
  }
}

void ExceptionEx::GetExceptionsChain(TStrings& ADest) const {
  VisitChain(*this, [&ADest](const std::string& AMessage, const std::exception& AException) {
    // Only our exceptions are objects a list can hold.
    const auto* Ours = dynamic_cast<const Exception*>(&AException);
    ADest.AddObject(AMessage, const_cast<Exception*>(Ours == &UnknownException() ? nullptr : Ours));
  });
}

std::string ExceptionEx::GetMessageList() const {
  std::string Result;
  VisitChain(*this, [&Result](const std::string& AMessage, const std::exception&) { Result += AMessage + "\r\n"; });
  return Result;
}

std::string ClassNameAndMessage(const Exception& AException) {
  return Format("[%s]%s", AException.ClassName(), AException.Message());
}

void IncludeOperationNameAsFirst(Exception& AException, const std::string& AOperationName) {
  AException.SetMessage(Format("%s: %s", AOperationName, AException.Message()));
}

}  // namespace Quellit
