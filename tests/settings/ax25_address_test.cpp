#include "settings/ax25_address.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vindrel {
namespace {

using namespace std::literals;

// Fields worked out by hand: each character's code shifted left one bit, 0x40 for padding, SSID
// byte 0x60 + 2 * SSID + end mark. A row encodes text (when given) to field and decodes field to
// decoded, with more-follow the opposite of last.
TEST(Ax25Address, HandWorkedFieldsBothWays) {
  const struct {
    std::string_view text;
    bool last;
    Ax25Address field;
    const char* decoded;
  } cases[] = {
      // clang-format off
      {"TRACE3-3", true, {0xA8, 0xA4, 0x82, 0x86, 0x8A, 0x66, 0x67}, "TRACE3-3"},
      {"nocall", false, {0x9C, 0x9E, 0x86, 0x82, 0x98, 0x98, 0x60}, "NOCALL"},
      {"ABCDEFGHI", false, {0x82, 0x84, 0x86, 0x88, 0x8A, 0x8C, 0x60}, "ABCDEF"},
      {"AB-20", false, {0x82, 0x84, 0x40, 0x40, 0x40, 0x40, 0x68}, "AB-4"},  // 20 & 15 = 4
      {"AB-X", true, {0x82, 0x84, 0x40, 0x40, 0x40, 0x40, 0x61}, "AB"},
      {"LONGCALL-7", false, {0x98, 0x9E, 0x9C, 0x8E, 0x86, 0x82, 0x6E}, "LONGCA-7"},
      {" -7", true, {0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x6F}, "-7"},
      {"AB- \t12x", false, {0x82, 0x84, 0x40, 0x40, 0x40, 0x40, 0x78}, "AB-12"},
      {"AB--1", false, {0x82, 0x84, 0x40, 0x40, 0x40, 0x40, 0x7E}, "AB-15"},  // -1 & 15 = 15
      {"AB-99999999999999999999", false, {0x82, 0x84, 0x40, 0x40, 0x40, 0x40, 0x7E}, "AB-15"},
      {"", true, {0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x61}, ""},
      {"a-b\xE9z", false, {0x82, 0x40, 0x40, 0x40, 0x40, 0x40, 0x60}, "A"},
      {"\xE9z\xFF", false, {0xD2, 0xB4, 0xFE, 0x40, 0x40, 0x40, 0x60}, "iZ\x7F"},  // only a-z
      {"AB\0CD-5"sv, false, {0x82, 0x84, 0x40, 0x40, 0x40, 0x40, 0x60}, "AB"},  // a zero ends it
      {{}, false, {0x82, 0x40, 0x84, 0x40, 0x40, 0x40, 0x60}, "AB"},  // inner space removed too
      {{}, false, {0x82, 0x84, 0x00, 0x86, 0x40, 0x40, 0x60}, "AB"},  // ends at a zero character
      {{}, false, {0, 0, 0, 0, 0, 0, 0}, ""},
      {{}, true, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "\x7F\x7F\x7F\x7F\x7F\x7F-15"},
  };  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.decoded);
    if (c.text.data() != nullptr) {
      EXPECT_EQ(EncodeAx25Address(c.text, c.last), c.field);
    }
    bool moreFollow = c.last;
    EXPECT_EQ(DecodeAx25Address(c.field, moreFollow), c.decoded);
    EXPECT_EQ(moreFollow, !c.last);
  }
}

}  // namespace
}  // namespace vindrel
