#include "pdf/crypt/rc4.h"

#include <array>
#include <cstdint>
#include <utility>

namespace quorvel::pdf::crypt {

std::string rc4(std::string_view key, std::string_view data) {
  std::string out(data);
  if (key.empty()) return out;
  if (key.size() > 256) key = key.substr(0, 256);
  std::array<std::uint8_t, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + s[i] + static_cast<std::uint8_t>(key[i % key.size()]));
    std::swap(s[i], s[j]);
  }
  std::uint8_t i = 0;
  j = 0;
  for (char& c : out) {
    i = static_cast<std::uint8_t>(i + 1);
    j = static_cast<std::uint8_t>(j + s[i]);
    std::swap(s[i], s[j]);
    c = static_cast<char>(static_cast<std::uint8_t>(c) ^ s[static_cast<std::uint8_t>(s[i] + s[j])]);
  }
  return out;
}

}  // namespace quorvel::pdf::crypt
