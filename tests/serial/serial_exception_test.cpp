#include "serial/serial_exception.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vindrel {
namespace {

TEST(SerialException, GetErrorTextGivesTheCLibrarysMessageWithinTheCapacity) {
  const std::string io = std::strerror(EIO);  // tests run in the "C" locale
  ASSERT_GT(io.size(), 9u);
  const struct {
    std::uint32_t code;
    unsigned capacity;
    bool known;
    std::string text;
  } cases[] = {{EIO, 64, true, io},
               {EIO, 10, true, io.substr(0, 9)},  // 9 characters and the terminator
               {EBUSY, 1, true, ""},
               {100000, 32, false, ""},
               {0xFFFFFFFF, 32, false, ""}};
  for (const auto& c : cases) {
    char text[72];
    std::memset(text, 'x', sizeof text);
    unsigned help = 7;
    EXPECT_EQ(CSerialException(c.code).GetErrorText(text, c.capacity, &help), c.known) << c.code;
    EXPECT_EQ(text, c.text) << c.code;
    EXPECT_EQ(text[c.capacity], 'x') << "written beyond the capacity";
    EXPECT_EQ(help, 0u);
  }
}

TEST(SerialException, RaiseSerialErrorThrowsTheCodeOrTheCurrentErrno) {
  for (const auto& [code, raised] : {std::pair{0u, std::uint32_t{ENOENT}}, std::pair{5u, 5u}}) {
    errno = ENOENT;
    try {
      RaiseSerialError(code);
      ADD_FAILURE() << "returned";
    } catch (const CException& e) {  // reachable through the base
      const auto* serial = dynamic_cast<const CSerialException*>(&e);
      ASSERT_NE(serial, nullptr);
      EXPECT_EQ(serial->errorCode, raised);
    }
  }
}

}  // namespace
}  // namespace vindrel
