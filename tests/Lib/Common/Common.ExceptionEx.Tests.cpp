#include "Lib/Common/Common.ExceptionEx.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "Lib/Common/Common.StringList.h"

namespace Quellit {
namespace {

class EOuterError : public ExceptionEx {
  using ExceptionEx::ExceptionEx;
};

// Raises a plain Exception, wraps it in an ExceptionEx, wraps that in an EOuterError and hands
// the outermost one back, after every handler has finished.
EOuterError ChainOfThree() {
  try {
    try {
      try {
        throw Exception("bottom");
      } catch (const Exception&) {
        throw ExceptionEx("middle");
      }
    } catch (const ExceptionEx&) {
      throw EOuterError("top");
    }
  } catch (const EOuterError& E) {
    return E;
  }
}

TEST(ExceptionEx, NoInnerOutsideAHandler) {
  ExceptionEx E("alone");
  EXPECT_EQ(E.InnerException(), nullptr);
  EXPECT_EQ(&E.BaseException(), &E);
  EXPECT_EQ(E.GetMessageList(), "alone\r\n");
}

TEST(ExceptionEx, ChainOfThreeOutlivesItsHandlers) {
  const EOuterError Top = ChainOfThree();
  ASSERT_NE(Top.InnerException(), nullptr);
  const auto* Middle = dynamic_cast<const ExceptionEx*>(Top.InnerException());
  ASSERT_NE(Middle, nullptr);
  EXPECT_EQ(Middle->Message(), "middle");
  const auto* Bottom = dynamic_cast<const Exception*>(Middle->InnerException());
  ASSERT_NE(Bottom, nullptr);
  EXPECT_EQ(Bottom->Message(), "bottom");
  EXPECT_EQ(&Top.BaseException(), Bottom);
  EXPECT_EQ(&Middle->BaseException(), Bottom);
  EXPECT_EQ(Top.GetMessageList(), "top\r\nmiddle\r\nbottom\r\n");
}

TEST(ExceptionEx, ChainListsLinesWithTheirExceptions) {
  const EOuterError Top = ChainOfThree();
  TStringList Lines;
  Top.GetExceptionsChain(Lines);
  ASSERT_EQ(Lines.Count(), 3);
  EXPECT_EQ(Lines[0], "top");
  EXPECT_EQ(Lines.Objects(0), &Top);
  EXPECT_EQ(Lines[1], "middle");
  EXPECT_EQ(Lines.Objects(1), dynamic_cast<const TObject*>(Top.InnerException()));
  EXPECT_EQ(Lines[2], "bottom");
  EXPECT_EQ(Lines.Objects(2)->ClassName(), "Exception");
}

TEST(ExceptionEx, ForeignInnerExceptionsStillGiveALine) {
  try {
    throw std::runtime_error("disk on fire");
  } catch (...) {
    ExceptionEx E("copy failed");
    TStringList Lines;
    E.GetExceptionsChain(Lines);
    ASSERT_EQ(Lines.Count(), 2);
    EXPECT_EQ(Lines[1], "disk on fire");
    EXPECT_EQ(Lines.Objects(1), nullptr);  // not an object of ours
    EXPECT_STREQ(E.BaseException().what(), "disk on fire");
  }
  try {
    throw 42;
  } catch (...) {
    ExceptionEx E("odd");
    EXPECT_EQ(E.InnerException(), nullptr);
    EXPECT_TRUE(E.InnerExceptionPtr());
    EXPECT_EQ(E.GetMessageList(), "odd\r\nUnknown exception\r\n");
  }
}

TEST(ExceptionEx, ChainStopsAtTheFirstPlainException) {
  // The plain Exception in the middle carries no inner exception, so the chain ends there.
  try {
    try {
      try {
        throw EConvertError("hidden");
      } catch (...) {
        throw Exception("plain");
      }
    } catch (...) {
      throw ExceptionEx("outer");
    }
  } catch (const ExceptionEx& E) {
    EXPECT_EQ(E.GetMessageList(), "outer\r\nplain\r\n");
    EXPECT_STREQ(E.BaseException().what(), "plain");
  }
}

TEST(ExceptionMessages, ClassNameAndOperationName) {
  EConvertError E("bad value");
  EXPECT_EQ(ClassNameAndMessage(E), "[EConvertError]bad value");
  IncludeOperationNameAsFirst(E, "Чтение");
  EXPECT_EQ(E.Message(), "Чтение: bad value");
  EXPECT_EQ(ClassNameAndMessage(EAPICallError("x")), "[EAPICallError]x");
}

}  // namespace
}  // namespace Quellit
