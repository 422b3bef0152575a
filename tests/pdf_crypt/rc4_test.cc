#include "pdf/crypt/rc4.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvel::pdf::crypt {
namespace {

std::string hex(std::string_view data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  for (const char c : data) {
    s += kDigits[static_cast<unsigned char>(c) >> 4];
    s += kDigits[c & 15];
  }
  return s;
}

TEST(Rc4, MatchesPublishedTestVectors) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher_hex;
  };
  const Case cases[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
  };
  for (const auto& c : cases) {
    const std::string cipher = rc4(c.key, c.plain);
    EXPECT_EQ(hex(cipher), c.cipher_hex) << c.key;
    EXPECT_EQ(rc4(c.key, cipher), c.plain) << c.key;
  }
}

}  // namespace
}  // namespace quorvel::pdf::crypt
