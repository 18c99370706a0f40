#include "Lib/Common/Common.Format.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"

namespace Quellit {
namespace {

TEST(Format, Specifiers) {
  EXPECT_EQ(Format("%d|%5d|%-5d|%.4d", 42, 42, 42, 42), "42|   42|42   |0042");
  EXPECT_EQ(Format("%d %u", -7, 4000000000u), "-7 4000000000");
  EXPECT_EQ(Format("%x %.4x %X", 255, 0x2A, 0xbeef), "FF 002A BEEF");
  EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
  EXPECT_EQ(Format("[%s]%s", std::string("EFoo"), "сообщение"), "[EFoo]сообщение");
  EXPECT_EQ(Format("%.3s|%6s|%-6s|", "abcdef", "ab", "ab"), "abc|    ab|ab    |");
  EXPECT_EQ(Format("%.2f %g", 3.14159, 0.5), "3.14 0.5");
  EXPECT_EQ(Format("100%% %s", "done"), "100% done");
  EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
  EXPECT_EQ(Format("%s", 'c'), "c");
}

TEST(Format, MismatchRaisesConvertError) {
  EXPECT_THROW(Format("%d", "text"), EConvertError);
  EXPECT_THROW(Format("%s", 5), EConvertError);
  EXPECT_THROW(Format("%d %d", 5), EConvertError);
  EXPECT_THROW(Format("%q", 5), EConvertError);
  try {
    Format("%d", "text");
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(E.ClassName(), "EConvertError");
  }
}

}  // namespace
}  // namespace Quellit
