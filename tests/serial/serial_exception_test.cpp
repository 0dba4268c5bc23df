#include "serial/serial_exception.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace vindrel {
namespace {

TEST(SerialException, GetErrorTextGivesTheCLibrarysMessageWithinTheCapacity) {
  char text[64];
  unsigned help = 7;
  ASSERT_TRUE(CSerialException(EIO).GetErrorText(text, sizeof text, &help));
  EXPECT_STREQ(text, "Input/output error");
  EXPECT_EQ(help, 0u);

  char small[16];
  std::memset(small, 'x', sizeof small);
  ASSERT_TRUE(CSerialException(EIO).GetErrorText(small, 10));
  EXPECT_STREQ(small, "Input/out");  // 9 characters and the terminator
  EXPECT_EQ(small[10], 'x');         // nothing written beyond the capacity

  ASSERT_TRUE(CSerialException(EBUSY).GetErrorText(text, 1));
  EXPECT_STREQ(text, "");
}

TEST(SerialException, CodeWithoutAMessageGivesFalseAndAnEmptyText) {
  for (const std::uint32_t code : {100000u, 0xFFFFFFFFu, 0x80000000u}) {
    char text[32];
    std::memset(text, 'x', sizeof text);
    unsigned help = 7;
    EXPECT_FALSE(CSerialException(code).GetErrorText(text, sizeof text, &help)) << code;
    EXPECT_STREQ(text, "") << code;
    EXPECT_EQ(help, 0u);
  }
}

TEST(SerialException, RaiseSerialErrorThrowsByValueWithTheCodeOrTheCurrentErrno) {
  errno = ENOENT;
  try {
    RaiseSerialError(0);
    FAIL() << "returned";
  } catch (const CSerialException& e) {
    EXPECT_EQ(e.errorCode, std::uint32_t{ENOENT});
  }

  errno = ENOENT;
  try {
    RaiseSerialError(5);
    FAIL() << "returned";
  } catch (const CException& e) {  // reachable through the base, with the derived text
    const auto* serial = dynamic_cast<const CSerialException*>(&e);
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->errorCode, 5u);
    char text[64];
    ASSERT_TRUE(e.GetErrorText(text, sizeof text));
    EXPECT_STREQ(text, "Input/output error");
  }
}

}  // namespace
}  // namespace vindrel
