#include "serial/serial_exception.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

namespace vindrel {
namespace {

TEST(SerialException, GetErrorTextGivesTheSystemsMessageWithinTheCapacity) {
  const struct {
    std::uint32_t code;
    unsigned capacity;
    bool known;
    const char* text;
  } cases[] = {{ERROR_ACCESS_DENIED, 64, true, "Access denied."},  // no line break at the end
               {ERROR_ACCESS_DENIED, 10, true, "Access de"},  // 9 characters and the terminator
               {ERROR_FILE_NOT_FOUND, 1, true, ""},
               {107, 64, true, "Insert disk for drive %1."},  // an insert without arguments
               {0x20001234, 32, false, ""}};
  for (const auto& c : cases) {
    char text[72];
    std::memset(text, 'x', sizeof text);
    unsigned help = 7;
    EXPECT_EQ(CSerialException(c.code).GetErrorText(text, c.capacity, &help), c.known) << c.code;
    EXPECT_STREQ(text, c.text) << c.code;
    EXPECT_EQ(text[c.capacity], 'x') << "written beyond the capacity";
    EXPECT_EQ(help, 0u);
  }
}

TEST(SerialException, RaiseSerialErrorThrowsTheCodeOrTheLastError) {
  for (const auto& [code, raised] :
       {std::pair{0u, std::uint32_t{ERROR_FILE_NOT_FOUND}}, std::pair{5u, 5u}}) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    try {
      RaiseSerialError(code);
      ADD_FAILURE() << "returned";
    } catch (const CSerialException& e) {
      EXPECT_EQ(e.errorCode, raised);
    }
  }
}

}  // namespace
}  // namespace vindrel
